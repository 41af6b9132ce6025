#pragma once
// The settings of one rendering, filled by the viewer from its settings and by tavrine-render
// from its arguments.

#include <cstdint>

#include "tracer/tvrt.h"

namespace tavrine {

// How the rays that leave the stone are lit: the Studio lights and backdrop, or the even dome of
// light on the viewer's side (ISO), or that dome brightest overhead (COS); see TraceLighting.
enum class Lighting : int32_t {
    Studio = kTraceStudio,
    Iso = kTraceIso,
    Cos = kTraceCos,
};

// Returns the lighting's name as menus and captions show it: "Studio", "ISO" or "COS".
inline const char* lightingCaption(Lighting lighting) {
    switch (lighting) {
    case Lighting::Iso:
        return "ISO";
    case Lighting::Cos:
        return "COS";
    case Lighting::Studio:
        break;
    }
    return "Studio";
}

// Everything the render job needs besides the scene.
struct RenderSettings {
    double absorption[3] = {0.0, 0.0, 0.0};  // the colour's absorption row (R, G, B)
    double outerIndex = 1.0;                 // refractive index around the stone
    double stoneIndex = 2.42;                // 1.00 to 3.00
    double dispersionSpread = 0.025;         // the stone's relative index spread for Fire
    int32_t maxDepth = 8;                    // 1 to 20
    bool highQuality = false;                // render at twice the size, then shrink
    bool renderFire = true;                  // three dispersion samples per pixel
    int32_t backdrop[3] = {0, 0, 0};         // 0 to 255 each
    int32_t mainLight = 100;                 // percent, 0 to 200
    int32_t backLight = 100;
    int32_t fillLight = 100;
    int32_t narrowHighlight = 0;  // 0 or 1
    Lighting lighting = Lighting::Studio;
    int32_t headShadow = 10;   // ISO and COS: the head shadow's half angle in degrees, 0 to 45
    int32_t width = 270;       // W, the picture's width and height in pixels
    int32_t imageScale = 125;  // pixels per model unit
};

// The image scale of the separate-window mode: the integer part of (W - 19) * 0.5.
inline int32_t imageScaleForWidth(int32_t width) {
    return static_cast<int32_t>((width - 19) * 0.5);
}

}  // namespace tavrine
