#pragma once
// The pixel colour rules shared by every tracing path: the primary rays' start, the dispersion
// samples and their weights, the reflectance at normal incidence, the light and the colour made of
// the inner light and the glare in each lighting, and the colour the exported tracer gives a
// pixel.

#include <cstdint>

#include "app/render/render_scene.h"
#include "app/render/render_settings.h"
#include "tracer/tvrt.h"

namespace tavrine {

// The colour (COLORREF) of a pixel whose ray meets nothing: the settings' backdrop.
uint32_t backdropColour(const RenderSettings& s);

// The dispersion sample weights (red, green, blue), one row per sample.
extern const double spectralWeights[3][3];

// The normal-incidence reflectance ((outer - stone) / (outer + stone))^2.
double normalReflectance(double outerIndex, double stoneIndex);

// The refractive index of dispersion sample k (0, 1, 2): stoneIndex * (1 + (k - 1) * spread).
double fireSampleIndex(double stoneIndex, double spread, int32_t k);

// The start of the primary ray of a pixel of a workingWidth-wide picture with `scale` pixels per
// model unit: x grows to the right from the centre column, y upwards from the centre row; z is
// -1.1.
Vec3 primaryRayOrigin(int32_t column, int32_t row, int32_t workingWidth, int32_t scale);

// The pixel colour (COLORREF) from the inner light of the three channels and the surface glare:
// each channel inner * 1600 + 20 clamped to 0..240, plus glare * 1000 + 20, clamped to 255.
uint32_t pixelColourFromLight(double innerR, double innerG, double innerB, double surfaceGlare);

// Whether pixelColourFromLight is white for this surface glare whatever the inner light, as long
// as that is a number: glare * 1000 + 20 reaches 255 on its own.
bool glareMakesWhite(double surfaceGlare);

// The light of one pixel before it becomes a colour: each channel in the picture's units (1 is
// full white, 255), not clamped, and whether the pixel's primary ray met the stone (all 0 when
// not).
struct PixelLight {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    bool meetsStone = false;
};

// The cosine of a head shadow of `degrees` (0 to 45) for TraceLighting: cos h, or 2 for 0, so that
// no ray is in a shadow of none.
double headShadowCosine(int32_t degrees);

// The tracer's lighting of the settings' Lighting and head shadow.
TraceLighting traceLightingOf(const RenderSettings& s);

// The light of a pixel whose primary rays met the stone, from the inner light of the three
// channels and the surface glare: under ISO and COS their sum (radiance); in the Studio lighting
// what pixelColourFromLight makes of them before it clamps, over 255.
PixelLight pixelLight(Lighting lighting, double innerR, double innerG, double innerB,
                      double surfaceGlare);

// The luminance of the light: 0.2126 R + 0.7152 G + 0.0722 B.
double luminance(const PixelLight& light);

// The pixel colour (COLORREF) in the lighting: in the Studio lighting pixelColourFromLight; under
// ISO and COS each channel's radiance times 255, rounded and clamped to 0..255 (not a number
// gives 0).
uint32_t litPixelColour(Lighting lighting, double innerR, double innerG, double innerB,
                        double surfaceGlare);

// Colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1), by the exported tracer
// in the settings' lighting; scratch arrays need room for the scene's vertex and facet counts.
// Writes the pixel's light to *light when light is not null.
uint32_t literalPixelColour(const RenderSettings& settings, const RenderScene& scene, double x,
                            double y, int32_t* candidateList, Vec3* relativeVertices,
                            Vec3* projectedVertices, PixelLight* light = nullptr);

}  // namespace tavrine
