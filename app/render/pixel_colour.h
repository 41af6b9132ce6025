#pragma once
// The pixel colour rules shared by every tracing path: the primary rays' start, the dispersion
// samples and their weights, the reflectance at normal incidence, the colour made of the inner
// light and the glare, and the colour the exported tracer gives a pixel.

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

// Colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1), by the exported tracer;
// scratch arrays need room for the scene's vertex and facet counts.
uint32_t literalPixelColour(const RenderSettings& settings, const RenderScene& scene, double x,
                            double y, int32_t* candidateList, Vec3* relativeVertices,
                            Vec3* projectedVertices);

}  // namespace tavrine
