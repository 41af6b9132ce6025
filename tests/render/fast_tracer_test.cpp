#include "app/render/fast_tracer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "app/engine/orientation.h"
#include "app/engine/view_space.h"
#include "app/model/model_record.h"
#include "app/render/render_job.h"
#include "tracer/colour_absorption.h"

namespace tavrine {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A model turned into a view a user could reach, ready for both tracers.
struct PreparedModel {
    std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    std::vector<Vertex> view = std::vector<Vertex>(kMaxVertices);
    RenderScene scene;

    PreparedModel(int32_t modelIndex, int32_t turns) {
        record->modelIndex = modelIndex;
        buildModel(*record, TransformableParams{});
        OrientationState state;
        resetOrientationState(state, modelIndex, 2);
        refreshViewSpace(state, *record, view.data());
        TurnFlags flags;
        flags.left = true;
        for (int32_t i = 0; i < turns; ++i) applyTurnStep(state, flags, *record, view.data());
        flags.left = false;
        flags.up = true;
        for (int32_t i = 0; i < turns / 2; ++i) applyTurnStep(state, flags, *record, view.data());
        scene.vertices = view.data();
        scene.vertexCount = record->vertexCount;
        scene.facets = record->facets;
        scene.facetCount = record->facetCount;
        scene.lightDirection = state.lightDirection;
    }
};

RenderSettings settingsFor(bool fire, int32_t colour) {
    RenderSettings s;
    s.stoneIndex = 2.42;
    s.dispersionSpread = 0.025;
    s.maxDepth = 12;
    s.renderFire = fire;
    s.absorption[0] = colourAbsorption[colour].r;
    s.absorption[1] = colourAbsorption[colour].g;
    s.absorption[2] = colourAbsorption[colour].b;
    s.backdrop[0] = 90;
    s.backdrop[1] = 160;
    s.backdrop[2] = 230;
    s.backLight = 150;
    return s;
}

// Compares both tracers on a grid of primary rays and on rays aimed exactly at every vertex and
// every edge midpoint (where facets meet and the lower index must win).
void comparePixels(const PreparedModel& m, const RenderSettings& s, int32_t modelIndex,
                   FastTracer::VectorUnit unit = FastTracer::VectorUnit::Best) {
    FastTracer fast(s, m.scene, unit);
    FastTracer::Scratch scratch(m.scene);
    std::vector<int32_t> candidates(kMaxFacets);
    std::vector<Vec3> relative(kMaxVertices);
    std::vector<Vec3> projected(kMaxVertices);
    auto check = [&](double x, double y) {
        const uint32_t expected = literalPixelColour(s, m.scene, x, y, candidates.data(),
                                                     relative.data(), projected.data());
        ASSERT_EQ(expected, fast.pixelColour(x, y, scratch))
            << "model " << modelIndex << " ray " << x << ", " << y << " fire " << s.renderFire;
    };
    const int32_t width = 41;
    const int32_t scale = imageScaleForWidth(width);
    for (int32_t row = 0; row < width; ++row) {
        for (int32_t column = 0; column < width; ++column) {
            const Vec3 o = primaryRayOrigin(column, row, width, scale);
            check(o.x, o.y);
        }
    }
    for (int32_t f = 0; f < m.scene.facetCount; ++f) {
        const Facet& facet = m.scene.facets[f];
        for (int32_t k = 0; k < facet.vertexCount; ++k) {
            const Vertex& a = m.scene.vertices[facet.vertexIndex[k]];
            const Vertex& b = m.scene.vertices[facet.vertexIndex[(k + 1) % facet.vertexCount]];
            check(a.x, a.y);
            check((a.x + b.x) * 0.5, (a.y + b.y) * 0.5);
        }
    }
}

TEST(FastTracer, PixelsEqualTheExportedTracerOnEveryModel) {
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        for (int32_t turns : {0, 7}) {
            const PreparedModel m(model, turns);
            comparePixels(m, settingsFor(false, 3), model);
            comparePixels(m, settingsFor(true, model % kColourCount), model);
        }
    }
}

TEST(FastTracer, EveryVectorUnitGivesTheSamePixels) {
    using Unit = FastTracer::VectorUnit;
    for (Unit unit : {Unit::Scalar, Unit::Avx2, Unit::Avx512}) {
        const PreparedModel brilliant(4, 5);
        const FastTracer probe(settingsFor(true, 0), brilliant.scene, unit);
        if (probe.vectorUnit() != unit) continue;  // this processor lacks it
        comparePixels(brilliant, settingsFor(true, 0), 4, unit);
        const PreparedModel ellipsoid(23, 3);  // 128 facets: more than one word of bits
        comparePixels(ellipsoid, settingsFor(false, 9), 23, unit);
    }
}

TEST(FastTracer, InnerRaysEqualTheExportedTracer) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int32_t model : {0, 6, 7, 11, 14, 16, 23}) {
        const PreparedModel m(model, 3);
        RenderSettings s = settingsFor(false, 4);
        s.maxDepth = 20;
        FastTracer fast(s, m.scene);
        FastTracer::Scratch scratch(m.scene);
        std::vector<int32_t> candidates(kMaxFacets);
        std::vector<Vec3> relative(kMaxVertices);
        std::vector<Vec3> projected(kMaxVertices);
        for (int32_t i = 0; i < 2000; ++i) {
            Vec3 d{unit(random), unit(random), unit(random)};
            const double l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
            d = {d.x / l, d.y / l, d.z / l};
            const Vec3 o{unit(random) * 0.3, unit(random) * 0.3, unit(random) * 0.3};
            const int32_t depth = 1 + static_cast<int32_t>(random() % 19);
            const double index = 1.0 + 2.0 * (unit(random) + 1.0) * 0.5;
            double t1[3], t2[3], i1[3] = {7, 7, 7}, i2[3] = {7, 7, 7};
            double g1 = 7, g2 = 7, s1 = 7, s2 = 7;
            const int32_t r1 = Trace_TraceVector_CPP(
                o.x, o.y, o.z, d.x, d.y, d.z, s.outerIndex, index, 1,
                normalReflectance(s.outerIndex, s.stoneIndex), &m.scene.lightDirection,
                m.scene.facetCount, m.scene.facets, candidates.data(), m.scene.vertexCount,
                m.scene.vertices, relative.data(), projected.data(), depth, s.maxDepth,
                s.absorption[0], s.absorption[1], s.absorption[2], s.backdrop[0], s.backdrop[1],
                s.backdrop[2], s.mainLight, s.backLight, s.fillLight, s.narrowHighlight, &t1[0],
                &t1[1], &t1[2], &g1, &i1[0], &i1[1], &i1[2], &s1);
            const int32_t r2 = fast.trace(o, d, index, 1, depth, t2, g2, i2, s2, scratch);
            ASSERT_EQ(r1, r2) << "model " << model << " ray " << i;
            for (int c = 0; c < 3; ++c) {
                ASSERT_TRUE(sameBits(t1[c], t2[c])) << "model " << model << " ray " << i;
                ASSERT_TRUE(sameBits(i1[c], i2[c])) << "model " << model << " ray " << i;
            }
            ASSERT_TRUE(sameBits(g1, g2)) << "model " << model << " ray " << i;
            ASSERT_TRUE(sameBits(s1, s2)) << "model " << model << " ray " << i;
        }
    }
}

}  // namespace
}  // namespace tavrine
