#pragma once
// The button painter exported by libTVRT: paints one owner-drawn control of the stone setting
// panel through drawing operations that the caller supplies, so the library needs no toolkit.
// Every colour is a COLORREF value: red in the low byte, then green, then blue.

#include <cstdint>

#include "tracer/tvrt.h"

extern "C" {

// A rectangle in the control's pixels; right and bottom lie just outside it.
struct OwnerDrawRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The drawing operations of one control's surface. Fonts and regions are the caller's handles,
// passed back unchanged. context is handed to every operation as its first argument.
struct OwnerDrawOps {
    void* context;
    // Fills rect with colour.
    void (*fill)(void* context, OwnerDrawRect rect, uint32_t colour);
    // Draws a rounded rectangle over rect: a one-pixel outline in penColour filled with
    // brushColour, corners rounded by an ellipse of ellipseWidth x ellipseHeight.
    void (*roundRect)(void* context, OwnerDrawRect rect, int32_t ellipseWidth,
                      int32_t ellipseHeight, uint32_t penColour, uint32_t brushColour);
    // Sets one pixel to colour.
    void (*setPixel)(void* context, int32_t x, int32_t y, uint32_t colour);
    // Draws length bytes of text (UTF-8) in font with its top-left corner at (x, y), the glyphs
    // only; the painter fills the background first.
    void (*textOut)(void* context, void* font, int32_t x, int32_t y, const char* text,
                    int32_t length, uint32_t colour);
    // Measures length bytes of text in font: the width and height of its cell.
    void (*textExtent)(void* context, void* font, const char* text, int32_t length, int32_t* width,
                       int32_t* height);
    // Limits every later drawing to region minus the rectangle excluded. The clip stays in
    // force after the painter returns.
    void (*clipRegionMinusRect)(void* context, void* region, OwnerDrawRect excluded);
};

// What the platform tells about the control to draw.
struct OwnerDrawItem {
    int32_t controlId;        // the control's id
    uint32_t itemState;       // state bits: any bit set (down, checked, focused) draws pressed
    const OwnerDrawOps* ops;  // the control's drawing surface
    OwnerDrawRect itemRect;   // the control's rectangle on that surface
};

// Smallest size of the buffer that receives the formatted percentage.
#define TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE 16

// The painter's parameter record, in its fixed field order.
struct OwnerDrawButtonParams {
    const OwnerDrawItem* drawItem;  // the control to draw
    void* captionFont;              // font of the displays and most buttons
    void* buttonFont;               // font of the buttons with index 1 to 4 and 7 to 10
    void* percentRegion;            // region covering the percentage display
    void* captionRegion;            // region covering the fixed-caption display
    const char* const* captions;    // one caption per button index; entry 16 is the display's
    char* percentText;  // receives the formatted percentage, TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE
    void* userData;     // not read: free for the caller
    uint32_t panelColour;   // background colour of the panel
    int32_t percent;        // value shown by the percentage display
    int32_t percentWidth;   // size of the percentage display, to centre its text
    int32_t percentHeight;  //
    int32_t captionWidth;   // size of the fixed-caption display
    int32_t captionHeight;  //
    int32_t baseId;         // control id of button index 0
    int32_t percentId;      // control id of the percentage display
    int32_t captionId;      // control id of the fixed-caption display
    int32_t switchId1;      // control ids of the three switches
    int32_t switchId2;      //
    int32_t switchId3;      //
    int32_t userValues[3];  // not read: free for the caller
    int32_t switchOn1;      // nonzero while the switch is on
    int32_t switchOn2;      //
    int32_t switchOn3;      //
};

// Paints the control params->drawItem names: the percentage display, the fixed-caption display
// or a button, by the colour and placement rules of the panel. Holds no state and is safe from
// any thread as long as the operations are. Returns 1.
TAVRINE_TVRT_EXPORT int32_t OwnerDrawButton_CPP(const OwnerDrawButtonParams* params);

}  // extern "C"
