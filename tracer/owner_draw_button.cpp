#include "tracer/owner_draw_button.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kRedText = 0x0000FF;
constexpr uint32_t kOrangeText = 0x00C8FF;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kPressedBlue = 0xFF0000;

struct Colours {
    uint32_t text;
    uint32_t back;
};

// TextOut on an opaque background: the text cell is filled with the background colour first.
void textOpaque(const OwnerDrawOps& ops, void* font, int32_t x, int32_t y, const char* text,
                int32_t length, Colours colours) {
    int32_t width = 0;
    int32_t height = 0;
    ops.textExtent(ops.context, font, text, length, &width, &height);
    ops.fill(ops.context, OwnerDrawRect{x, y, x + width, y + height}, colours.back);
    ops.textOut(ops.context, font, x, y, text, length, colours.text);
}

// The frame: a rounded rectangle in the text colour filled with the background colour.
void drawFrame(const OwnerDrawOps& ops, const OwnerDrawRect& rect, Colours colours) {
    ops.roundRect(ops.context, rect, 4, 4, colours.text, colours.back);
}

// A display: the text centred in width x height, then the frame clipped around the text so
// that neither its outline nor its fill paints over the text.
void drawDisplay(const OwnerDrawOps& ops, const OwnerDrawRect& rect, void* font, void* region,
                 const char* text, int32_t width, int32_t height, Colours colours) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    int32_t textWidth = 0;
    int32_t textHeight = 0;
    ops.textExtent(ops.context, font, text, length, &textWidth, &textHeight);
    const auto x = static_cast<int32_t>((width - textWidth) * 0.5);
    const auto y = static_cast<int32_t>((height - textHeight) * 0.5);
    textOpaque(ops, font, x, y, text, length, colours);
    ops.clipRegionMinusRect(ops.context, region,
                            OwnerDrawRect{x, y, x + textWidth, y + textHeight});
    drawFrame(ops, rect, colours);
}

bool switchIsOn(const OwnerDrawButtonParams& p, int32_t id) {
    return (id == p.switchId1 && p.switchOn1 != 0) || (id == p.switchId2 && p.switchOn2 != 0) ||
           (id == p.switchId3 && p.switchOn3 != 0);
}

void drawButton(const OwnerDrawButtonParams& p, const OwnerDrawOps& ops, const OwnerDrawItem& item,
                bool pressed) {
    const OwnerDrawRect& r = item.itemRect;
    const int32_t i = item.controlId - p.baseId;

    Colours colours{kRedText, p.panelColour};
    if (i == 17 || i == 18) {
        colours.text = kOrangeText;
    } else if (i > 12 && switchIsOn(p, item.controlId)) {
        colours.text = kWhite;
    }
    if (pressed) {
        colours = Colours{kWhite, kPressedBlue};
    }

    // The corners outside the rounded frame take the panel's colour.
    ops.setPixel(ops.context, r.left, r.top, p.panelColour);
    ops.setPixel(ops.context, r.right - 1, r.top, p.panelColour);
    ops.setPixel(ops.context, r.left, r.bottom - 1, p.panelColour);
    ops.setPixel(ops.context, r.right - 1, r.bottom - 1, p.panelColour);
    drawFrame(ops, r, colours);

    const char* caption = p.captions[i];
    const auto length = static_cast<int32_t>(std::strlen(caption));
    if ((i >= 1 && i <= 4) || (i >= 7 && i <= 10)) {
        textOpaque(ops, p.buttonFont, r.left + 10, r.top + 5, caption, length, colours);
    } else if (i <= 16) {
        int32_t x = r.left + 9;
        int32_t y = r.top + 2;
        if (i == 5 || i == 6) {
            x += 3;
        }
        if (i >= 13 && i <= 15) {
            x -= 2;
            y += 1;
        }
        if (i == 15) {
            x -= 1;
        }
        textOpaque(ops, p.captionFont, x, y, caption, length, colours);
    } else if (i == 17) {
        // Two lines of half the caption each; an odd length loses its last character.
        const int32_t half = length / 2;
        textOpaque(ops, p.captionFont, r.left + 16, r.top + 4, caption, half, colours);
        textOpaque(ops, p.captionFont, r.left + 16, r.top + 19, caption + half, half, colours);
    } else {
        textOpaque(ops, p.captionFont, r.left + 16, r.top + 12, caption, length, colours);
    }
}

}  // namespace

extern "C" int32_t OwnerDrawButton_CPP(const OwnerDrawButtonParams* params) {
    const OwnerDrawButtonParams& p = *params;
    const OwnerDrawItem& item = *p.drawItem;
    const OwnerDrawOps& ops = *item.ops;
    const bool pressed = item.itemState != 0;

    if (item.controlId == p.percentId) {
        Colours colours =
            pressed ? Colours{kWhite, kPressedBlue} : Colours{kRedText, p.panelColour};
        std::snprintf(p.percentText, TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE, "%d%%", p.percent);
        drawDisplay(ops, item.itemRect, p.captionFont, p.percentRegion, p.percentText,
                    p.percentWidth, p.percentHeight, colours);
    } else if (item.controlId == p.captionId) {
        Colours colours =
            pressed ? Colours{kWhite, kPressedBlue} : Colours{kRedText, p.panelColour};
        drawDisplay(ops, item.itemRect, p.captionFont, p.captionRegion, p.captions[16],
                    p.captionWidth, p.captionHeight, colours);
    } else {
        drawButton(p, ops, item, pressed);
    }
    return 1;
}
