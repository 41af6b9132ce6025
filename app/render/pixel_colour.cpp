#include "app/render/pixel_colour.h"

#include <cmath>

#include "imgctl/imgctl.h"

namespace tavrine {

const double spectralWeights[3][3] = {
    {0.6, 0.25, 0.0},
    {0.15, 0.5, 0.0},
    {0.25, 0.25, 1.0},
};

namespace {

constexpr int32_t kSampleCount = 3;
constexpr double kRayStartZ = -1.1;

// The glare's term of every channel of the Studio picture.
double glareTerm(double surfaceGlare) { return surfaceGlare * 1000.0 + 20.0; }

// One channel from its inner light and the glare term: offset, clamp, add the glare, clamp.
int32_t channel(double inner, double glare) {
    double v = inner * 1600.0 + 20.0;
    if (v > 240.0) v = 240.0;
    if (v < 0.0) v = 0.0;
    v = v + glare;
    if (v > 255.0) v = 255.0;
    // A NaN passes every clamp above; converting it would be undefined.
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(v);
}

// Under ISO and COS, one channel from its radiance: times 255, clamped, rounded.
int32_t domeChannel(double radiance) {
    double v = radiance * 255.0;
    if (v > 255.0) v = 255.0;
    if (v < 0.0) v = 0.0;
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(v + 0.5);
}

// One primary ray of the pixel at (x, y) with the given stone index; writes inner and glare.
int32_t tracePrimary(const RenderSettings& s, const RenderScene& scene, double x, double y,
                     double stoneIndex, double r0, int32_t* candidateList, Vec3* relativeVertices,
                     Vec3* projectedVertices, double inner[3], double& glare) {
    double total[3] = {0.0, 0.0, 0.0};
    double segment = 0.0;
    const TraceLighting lighting = traceLightingOf(s);
    return Trace_TraceVectorLit_CPP(
        x, y, kRayStartZ, 0.0, 0.0, 1.0, s.outerIndex, stoneIndex, 0, r0, &scene.lightDirection,
        scene.facetCount, scene.facets, candidateList, scene.vertexCount, scene.vertices,
        relativeVertices, projectedVertices, 0, s.maxDepth, s.absorption[0], s.absorption[1],
        s.absorption[2], s.backdrop[0], s.backdrop[1], s.backdrop[2], s.mainLight, s.backLight,
        s.fillLight, s.narrowHighlight, &total[0], &total[1], &total[2], &glare, &inner[0],
        &inner[1], &inner[2], &segment, &lighting);
}

// The colour of the inner light and the glare, and their light when asked for.
uint32_t finishPixel(Lighting lighting, const double inner[3], double glare, PixelLight* light) {
    if (light != nullptr) *light = pixelLight(lighting, inner[0], inner[1], inner[2], glare);
    return litPixelColour(lighting, inner[0], inner[1], inner[2], glare);
}

}  // namespace

uint32_t backdropColour(const RenderSettings& s) { return imgctl::colourRef(s.backdrop); }

double normalReflectance(double outerIndex, double stoneIndex) {
    const double q = (outerIndex - stoneIndex) / (outerIndex + stoneIndex);
    return q * q;
}

double fireSampleIndex(double stoneIndex, double spread, int32_t k) {
    const double half = (kSampleCount - 1) / 2.0;
    return stoneIndex * ((k - half) * (spread / half) + 1.0);
}

Vec3 primaryRayOrigin(int32_t column, int32_t row, int32_t workingWidth, int32_t scale) {
    const int32_t cx = static_cast<int32_t>(workingWidth * 0.5);
    const int32_t cy = cx;
    return Vec3{static_cast<double>(column - cx) / scale, -static_cast<double>(row - cy) / scale,
                kRayStartZ};
}

uint32_t pixelColourFromLight(double innerR, double innerG, double innerB, double surfaceGlare) {
    const double glare = glareTerm(surfaceGlare);
    return imgctl::colourRef(channel(innerR, glare), channel(innerG, glare),
                             channel(innerB, glare));
}

// A channel's inner term is clamped to 0..240 before the glare term is added, and rounding keeps
// a sum with a term of 0 or more at least the other term.
bool glareMakesWhite(double surfaceGlare) { return glareTerm(surfaceGlare) >= 255.0; }

double headShadowCosine(int32_t degrees) {
    if (degrees <= 0) return 2.0;
    return std::cos(degrees * (3.141592653589793 / 180.0));
}

TraceLighting traceLightingOf(const RenderSettings& s) {
    return TraceLighting{static_cast<int32_t>(s.lighting), 0, headShadowCosine(s.headShadow)};
}

PixelLight pixelLight(Lighting lighting, double innerR, double innerG, double innerB,
                      double surfaceGlare) {
    PixelLight light;
    light.meetsStone = true;
    if (lighting == Lighting::Iso || lighting == Lighting::Cos) {
        light.r = innerR + surfaceGlare;
        light.g = innerG + surfaceGlare;
        light.b = innerB + surfaceGlare;
        return light;
    }
    // The Studio picture's channel before its clamps, in the same units.
    const double glare = glareTerm(surfaceGlare);
    light.r = (innerR * 1600.0 + 20.0 + glare) / 255.0;
    light.g = (innerG * 1600.0 + 20.0 + glare) / 255.0;
    light.b = (innerB * 1600.0 + 20.0 + glare) / 255.0;
    return light;
}

double luminance(const PixelLight& light) {
    return 0.2126 * light.r + 0.7152 * light.g + 0.0722 * light.b;
}

uint32_t litPixelColour(Lighting lighting, double innerR, double innerG, double innerB,
                        double surfaceGlare) {
    if (lighting == Lighting::Iso || lighting == Lighting::Cos) {
        return imgctl::colourRef(domeChannel(innerR + surfaceGlare),
                                 domeChannel(innerG + surfaceGlare),
                                 domeChannel(innerB + surfaceGlare));
    }
    return pixelColourFromLight(innerR, innerG, innerB, surfaceGlare);
}

uint32_t literalPixelColour(const RenderSettings& s, const RenderScene& scene, double x, double y,
                            int32_t* candidateList, Vec3* relativeVertices, Vec3* projectedVertices,
                            PixelLight* light) {
    const double r0 = normalReflectance(s.outerIndex, s.stoneIndex);
    double inner[3] = {0.0, 0.0, 0.0};
    double glare = 0.0;
    if (light != nullptr) *light = PixelLight{};
    if (!s.renderFire) {
        if (tracePrimary(s, scene, x, y, s.stoneIndex, r0, candidateList, relativeVertices,
                         projectedVertices, inner, glare) == 0) {
            return backdropColour(s);
        }
        return finishPixel(s.lighting, inner, glare, light);
    }
    // Fire: three indexes spread about the stone's own; the reflectance stays unspread.
    double sum[3] = {0.0, 0.0, 0.0};
    for (int32_t k = 0; k < kSampleCount; ++k) {
        const double index = fireSampleIndex(s.stoneIndex, s.dispersionSpread, k);
        if (tracePrimary(s, scene, x, y, index, r0, candidateList, relativeVertices,
                         projectedVertices, inner, glare) == 0) {
            return backdropColour(s);
        }
        sum[0] += inner[0] * spectralWeights[k][0];
        sum[1] += inner[1] * spectralWeights[k][1];
        sum[2] += inner[2] * spectralWeights[k][2];
    }
    return finishPixel(s.lighting, sum, glare, light);
}

}  // namespace tavrine
