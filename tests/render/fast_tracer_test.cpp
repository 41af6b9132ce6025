#include "app/render/fast/fast_tracer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/model/model_record.h"
#include "app/render/pixel_colour.h"
#include "app/render/render_job.h"
#include "app/view/orientation.h"
#include "app/view/view_space.h"
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
        PixelLight expectedLight;
        PixelLight light;
        const uint32_t expected = literalPixelColour(
            s, m.scene, x, y, candidates.data(), relative.data(), projected.data(), &expectedLight);
        ASSERT_EQ(expected, fast.pixelColour(x, y, scratch, &light))
            << "model " << modelIndex << " ray " << x << ", " << y << " fire " << s.renderFire
            << " lighting " << static_cast<int>(s.lighting);
        ASSERT_EQ(expectedLight.meetsStone, light.meetsStone);
        ASSERT_TRUE(sameBits(expectedLight.r, light.r) && sameBits(expectedLight.g, light.g) &&
                    sameBits(expectedLight.b, light.b))
            << "model " << modelIndex << " ray " << x << ", " << y << " lighting "
            << static_cast<int>(s.lighting);
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

// In every lighting, the head shadow of the dome at its default, none and its widest.
TEST(FastTracer, PixelsEqualTheExportedTracerOnEveryModel) {
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        for (int32_t turns : {0, 7}) {
            const PreparedModel m(model, turns);
            for (const Lighting lighting : {Lighting::Studio, Lighting::Iso, Lighting::Cos}) {
                RenderSettings plain = settingsFor(false, 3);
                RenderSettings fire = settingsFor(true, model % kColourCount);
                plain.lighting = fire.lighting = lighting;
                plain.headShadow = turns == 0 ? 0 : 45;
                comparePixels(m, plain, model);
                comparePixels(m, fire, model);
            }
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

// Makes the faster path start every facet search from an arbitrary facet (by depth and by facet
// and direction), none, or an index out of range (as a scratch used with a bigger model would
// hold), as though the previous rays had met other facets: the answer must not depend on where it
// starts.
void scrambleGuesses(FastTracer::Scratch& scratch, int32_t facetCount, std::mt19937_64& random) {
    for (int32_t& g : scratch.guesses) {
        g = static_cast<int32_t>(random() % static_cast<uint64_t>(facetCount + 20)) - 10;
    }
    for (int32_t i = 0; i < 512 && !scratch.exits.empty(); ++i) {
        scratch.exits[random() % scratch.exits.size()] =
            static_cast<int16_t>(random() % static_cast<uint64_t>(facetCount + 20) - 10);
    }
}

// Traces one ray with both tracers and asserts that every output has the same bits.
class RayComparer {
  public:
    RayComparer(const PreparedModel& m, const RenderSettings& s,
                FastTracer::VectorUnit unit = FastTracer::VectorUnit::Best)
        : m_(m), s_(s), fast_(s, m.scene, unit), scratch_(m.scene) {}

    void compare(const Vec3& o, const Vec3& d, int32_t inside, int32_t depth, double index,
                 const char* what) {
        scrambleGuesses(scratch_, m_.scene.facetCount, random_);
        double t1[3], t2[3], i1[3] = {7, 7, 7}, i2[3] = {7, 7, 7};
        double g1 = 7, g2 = 7, s1 = 7, s2 = 7;
        const int32_t r1 = Trace_TraceVector_CPP(
            o.x, o.y, o.z, d.x, d.y, d.z, s_.outerIndex, index, inside,
            normalReflectance(s_.outerIndex, s_.stoneIndex), &m_.scene.lightDirection,
            m_.scene.facetCount, m_.scene.facets, candidates_.data(), m_.scene.vertexCount,
            m_.scene.vertices, relative_.data(), projected_.data(), depth, s_.maxDepth,
            s_.absorption[0], s_.absorption[1], s_.absorption[2], s_.backdrop[0], s_.backdrop[1],
            s_.backdrop[2], s_.mainLight, s_.backLight, s_.fillLight, s_.narrowHighlight, &t1[0],
            &t1[1], &t1[2], &g1, &i1[0], &i1[1], &i1[2], &s1);
        const int32_t r2 = fast_.trace(o, d, index, inside, depth, t2, g2, i2, s2, scratch_);
        ++rays;
        bool same = r1 == r2 && sameBits(g1, g2) && sameBits(s1, s2);
        for (int c = 0; c < 3; ++c) same = same && sameBits(t1[c], t2[c]) && sameBits(i1[c], i2[c]);
        ASSERT_TRUE(same) << what << ": origin " << o.x << ", " << o.y << ", " << o.z
                          << " direction " << d.x << ", " << d.y << ", " << d.z << " inside "
                          << inside << " depth " << depth;
    }

    int32_t rays = 0;

  private:
    const PreparedModel& m_;
    const RenderSettings& s_;
    FastTracer fast_;
    FastTracer::Scratch scratch_;
    std::mt19937_64 random_{5150};
    std::vector<int32_t> candidates_ = std::vector<int32_t>(kMaxFacets);
    std::vector<Vec3> relative_ = std::vector<Vec3>(kMaxVertices);
    std::vector<Vec3> projected_ = std::vector<Vec3>(kMaxVertices);
};

Vec3 unitFrom(const Vec3& from, const Vec3& to) {
    const Vec3 d{to.x - from.x, to.y - from.y, to.z - from.z};
    const double l = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / l, d.y / l, d.z / l};
}

// Primary rays exactly through every corner and at distances around the edge-sign doubt band on
// both sides of every edge, in several views of every model: where the triple product and the
// ray frame arithmetic could disagree, both tracers must still pick the same facet.
TEST(FastTracer, PrimaryRaysThroughCornersAndBesideEdgesInManyViews) {
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        for (int32_t turns : {1, 3, 5, 11, 16, 23}) {
            const PreparedModel m(model, turns);
            RenderSettings s = settingsFor(model % 2 == 0, model % kColourCount);
            s.maxDepth = 6;
            FastTracer fast(s, m.scene);
            FastTracer::Scratch scratch(m.scene);
            std::vector<int32_t> candidates(kMaxFacets);
            std::vector<Vec3> relative(kMaxVertices);
            std::vector<Vec3> projected(kMaxVertices);
            std::mt19937_64 random(static_cast<uint64_t>(model * 100 + turns));
            auto check = [&](double x, double y) {
                scrambleGuesses(scratch, m.scene.facetCount, random);
                ASSERT_EQ(literalPixelColour(s, m.scene, x, y, candidates.data(), relative.data(),
                                             projected.data()),
                          fast.pixelColour(x, y, scratch))
                    << "model " << model << " turns " << turns << " ray " << x << ", " << y;
            };
            for (int32_t f = 0; f < m.scene.facetCount; ++f) {
                const Facet& facet = m.scene.facets[f];
                for (int32_t k = 0; k < facet.vertexCount; ++k) {
                    const Vertex& a = m.scene.vertices[facet.vertexIndex[k]];
                    const Vertex& b =
                        m.scene.vertices[facet.vertexIndex[(k + 1) % facet.vertexCount]];
                    check(a.x, a.y);
                    const double ex = b.x - a.x;
                    const double ey = b.y - a.y;
                    const double el = std::sqrt(ex * ex + ey * ey);
                    if (el == 0.0) continue;
                    for (double t : {0.25, 0.5}) {
                        for (double offset : {0.0, 1e-14, -1e-14, 3e-12, -3e-12, 1e-11, -1e-11,
                                              3e-11, -3e-11, 1e-9, -1e-9}) {
                            check(a.x + t * ex - offset * ey / el, a.y + t * ey + offset * ex / el);
                        }
                    }
                }
            }
        }
    }
}

// Rays that start exactly on a corner or a facet centre and run to another corner, along every
// axis, from inside and from outside: rays along edges and across facets in their own plane
// (grazing), rays through corners and edges from within, and the second ray frame (|Dy| large).
TEST(FastTracer, RaysBetweenCornersAlongAndAcrossFacets) {
    std::mt19937_64 random(77031);
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        const PreparedModel m(model, 4);
        RenderSettings s = settingsFor(false, 1 + model % (kColourCount - 1));
        s.maxDepth = 20;
        RayComparer comparer(m, s);
        std::vector<Vec3> starts(m.scene.vertices, m.scene.vertices + m.scene.vertexCount);
        for (int32_t f = 0; f < m.scene.facetCount; ++f) {
            const Facet& facet = m.scene.facets[f];
            Vec3 c{0.0, 0.0, 0.0};
            for (int32_t k = 0; k < facet.vertexCount; ++k) {
                const Vertex& v = m.scene.vertices[facet.vertexIndex[k]];
                c = {c.x + v.x, c.y + v.y, c.z + v.z};
            }
            starts.push_back(
                {c.x / facet.vertexCount, c.y / facet.vertexCount, c.z / facet.vertexCount});
        }
        const int32_t n = static_cast<int32_t>(starts.size());
        const int32_t pairs = std::min(n * m.scene.vertexCount, 6000);
        for (int32_t i = 0; i < pairs; ++i) {
            const Vec3& from = starts[static_cast<size_t>(random() % static_cast<uint64_t>(n))];
            const Vertex& to = m.scene.vertices[random() % m.scene.vertexCount];
            if (from.x == to.x && from.y == to.y && from.z == to.z) continue;
            const Vec3 d = unitFrom(from, to);
            const int32_t depth = s.maxDepth - 1 - static_cast<int32_t>(random() % 5);
            comparer.compare(from, d, 1, depth, 1.5 + 0.1 * (i % 10), "inside");
            comparer.compare(from, d, 0, 0, 2.42, "outside");
        }
        for (const Vec3& from : starts) {
            for (const Vec3& d :
                 {Vec3{1.0, 0.0, 0.0}, Vec3{-1.0, 0.0, 0.0}, Vec3{0.0, 1.0, 0.0},
                  Vec3{0.0, -1.0, 0.0}, Vec3{0.0, 0.0, 1.0}, Vec3{0.0, 0.0, -1.0}}) {
                comparer.compare(from, d, 1, s.maxDepth - 3, 2.42, "inside along an axis");
                comparer.compare(from, d, 0, 0, 1.77, "outside along an axis");
            }
        }
        EXPECT_GT(comparer.rays, 100) << "model " << model;
    }
}

// A random point of the facet: a weighted mean of its corners.
Vec3 pointOn(const PreparedModel& m, int32_t facet, std::mt19937_64& random) {
    const Facet& f = m.scene.facets[facet];
    std::uniform_real_distribution<double> weight(0.05, 1.0);
    Vec3 p{0.0, 0.0, 0.0};
    double total = 0.0;
    for (int32_t k = 0; k < f.vertexCount; ++k) {
        const Vertex& v = m.scene.vertices[f.vertexIndex[k]];
        const double w = weight(random);
        p = {p.x + w * v.x, p.y + w * v.y, p.z + w * v.z};
        total += w;
    }
    return {p.x / total, p.y / total, p.z / total};
}

// Lines through two facets, from inside and from outside, both ways along the line: where the
// stone is not convex such a line can pass both facets' tests, and the search must stop at the
// one first in index order, whichever the walk finds; where it is, the lower facet's test fails
// unless the line runs through an edge both share. Every pair of facets of every model.
TEST(FastTracer, LinesThroughTwoFacetsEqualTheExportedTracer) {
    std::mt19937_64 random(1234);
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        const PreparedModel m(model, 5);
        RenderSettings s = settingsFor(false, model % kColourCount);
        s.maxDepth = 9;
        RayComparer comparer(m, s);
        const int32_t count = m.scene.facetCount;
        const int32_t step = std::max(1, count * (count - 1) / 2 / 2500);
        int32_t pair = 0;
        for (int32_t g = 0; g < count; ++g) {
            for (int32_t j = 0; j < g; ++j) {
                if (pair++ % step != 0) continue;
                const Vec3 p = pointOn(m, g, random);
                const Vec3 q = pointOn(m, j, random);
                const Vec3 d = unitFrom(p, q);
                if (!std::isfinite(d.x)) continue;
                const Vec3 back{-d.x, -d.y, -d.z};
                const Vec3 between{(p.x + q.x) * 0.5, (p.y + q.y) * 0.5, (p.z + q.z) * 0.5};
                const Vec3 before{p.x - d.x, p.y - d.y, p.z - d.z};
                comparer.compare(between, d, 1, 4, 2.0, "inside, towards the lower facet");
                comparer.compare(between, back, 1, 4, 2.0, "inside, away from it");
                comparer.compare(before, d, 0, 0, 2.0, "outside, towards the lower facet");
                comparer.compare(q, back, 0, 2, 2.0, "outside, away from it");
                if (testing::Test::HasFatalFailure()) return;
            }
        }
    }
}

// Compares rays that run along the bottom facet of the BaguetteCut and pass just beyond it.
void compareRaysAlongTheBottom(const PreparedModel& m, RayComparer& comparer) {
    const Facet& bottom = m.scene.facets[0];
    std::mt19937_64 random(4242);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Vec3 c{0.0, 0.0, 0.0};
    for (int32_t k = 0; k < bottom.vertexCount; ++k) {
        const Vertex& v = m.scene.vertices[bottom.vertexIndex[k]];
        c = {c.x + v.x / bottom.vertexCount, c.y + v.y / bottom.vertexCount,
             c.z + v.z / bottom.vertexCount};
    }
    const Vec3& n = bottom.normal;
    auto cross = [](const Vec3& a, const Vec3& b) {
        return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    for (int32_t i = 0; i < 4000; ++i) {
        // A point just beyond an edge near a corner, and a ray through it that runs along the
        // plane (tilted by 1e-17 to 1e-14) and passes the bounding circle tangentially.
        const int32_t k = i % bottom.vertexCount;
        const Vertex& v = m.scene.vertices[bottom.vertexIndex[k]];
        const Vertex& w = m.scene.vertices[bottom.vertexIndex[(k + 1) % bottom.vertexCount]];
        const Vec3 along = unitFrom(v, w);
        Vec3 out = cross(along, n);
        if (out.x * (v.x - c.x) + out.y * (v.y - c.y) + out.z * (v.z - c.z) < 0.0) {
            out = {-out.x, -out.y, -out.z};
        }
        const double beyond = std::pow(10.0, -6.0 + 3.0 * unit(random));
        const double slide = beyond * (2.0 * unit(random) - 1.0);
        const Vec3 x{v.x + beyond * out.x + slide * along.x, v.y + beyond * out.y + slide * along.y,
                     v.z + beyond * out.z + slide * along.z};
        const Vec3 radial = unitFrom(c, x);
        const Vec3 tangent = cross(n, radial);
        const double tilt = std::pow(10.0, -17.0 + 3.0 * unit(random));
        const int32_t inside = (i / bottom.vertexCount) % 2;
        const double sign = (i / (2 * bottom.vertexCount)) % 2 == 0 ? 1.0 : -1.0;
        // Inside, the ray leaves through the facet's plane; outside, it faces the facet.
        const double lean = inside != 0 ? tilt : -tilt;
        const Vec3 d = unitFrom(Vec3{0.0, 0.0, 0.0},
                                Vec3{sign * tangent.x + lean * n.x, sign * tangent.y + lean * n.y,
                                     sign * tangent.z + lean * n.z});
        const double back = 0.2 + 0.3 * unit(random);
        const Vec3 o{x.x - back * d.x, x.y - back * d.y, x.z - back * d.z};
        comparer.compare(o, d, inside, inside != 0 ? 5 : 0, 1.8, "along the bottom plane");
        if (testing::Test::HasFatalFailure()) return;
    }
}

// The BaguetteCut's bottom facet lies in a plane through the centre, so its scaled plane has
// coefficients near 1e16 and the near-parallel plane test passes even for rays that run along
// the facet's plane to the last bit. The edge test of such a ray is all rounding, and it can
// pass beyond the facet's bounding circle: the faster path must still test it.
TEST(FastTracer, RaysAlongAFacetPlaneThroughTheCentre) {
    const PreparedModel m(13, 0);
    const Facet& bottom = m.scene.facets[0];
    const Vertex& p0 = m.scene.vertices[bottom.vertexIndex[0]];
    ASSERT_LT(std::fabs(bottom.normal.x * p0.x + bottom.normal.y * p0.y + bottom.normal.z * p0.z),
              1e-12);
    RenderSettings s = settingsFor(false, 0);
    for (FastTracer::VectorUnit unit :
         {FastTracer::VectorUnit::Scalar, FastTracer::VectorUnit::Avx2,
          FastTracer::VectorUnit::Avx512}) {
        RayComparer comparer(m, s, unit);
        compareRaysAlongTheBottom(m, comparer);
        if (testing::Test::HasFatalFailure()) return;
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
            if (i % 2 == 1) scrambleGuesses(scratch, m.scene.facetCount, random);
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

// Renders the picture of the settings with the render job, literal or not, and returns its rows.
std::vector<uint8_t> renderRows(const RenderSettings& s, const RenderScene& scene, bool literal) {
    RenderObserver quiet;
    RenderExecution execution;
    execution.threads = 2;
    execution.literal = literal;
    const RenderResult result = renderJob(s, scene, nullptr, quiet, execution);
    EXPECT_EQ(result.status, RenderStatus::Completed) << result.error;
    if (!result.picture) return {};
    const imgctl::DibData* data = imgctl::DataDIB(result.picture.get());
    return std::vector<uint8_t>(data->rows,
                                data->rows + static_cast<size_t>(data->stride) * s.width);
}

// Whole renders through the render job, HQ and Fire at the greatest depth, of every model in a
// turned view: the faster path gives the literal reference's picture byte for byte.
TEST(FastTracer, WholeRendersOfEveryModelAreIdentical) {
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        const PreparedModel m(model, 2 + model % 5);
        RenderSettings s = settingsFor(model % 3 != 0, model % kColourCount);
        s.lighting = static_cast<Lighting>(model / 2 % 3);
        s.maxDepth = 20;
        s.highQuality = true;
        s.width = 40;
        s.imageScale = imageScaleForWidth(s.width);
        EXPECT_EQ(renderRows(s, m.scene, true), renderRows(s, m.scene, false)) << "model " << model;
    }
}

// Primary rays around the stone's outline, just inside and just beyond the radius of its widest
// corner and every corner seen along z (in every direction from it), where the faster path stops
// looking for a facet: both paths give the same pixels.
TEST(FastTracer, PrimaryRaysAroundTheOutline) {
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        for (int32_t turns : {0, 3, 9}) {
            const PreparedModel m(model, turns);
            RenderSettings s = settingsFor(model % 2 == 0, 2);
            s.maxDepth = 4;
            FastTracer fast(s, m.scene);
            FastTracer::Scratch scratch(m.scene);
            std::vector<int32_t> candidates(kMaxFacets);
            std::vector<Vec3> relative(kMaxVertices);
            std::vector<Vec3> projected(kMaxVertices);
            double radius = 0.0;
            for (int32_t i = 0; i < m.scene.vertexCount; ++i) {
                const Vertex& v = m.scene.vertices[i];
                radius = std::max(radius, std::sqrt(v.x * v.x + v.y * v.y));
            }
            auto check = [&](double x, double y) {
                ASSERT_EQ(literalPixelColour(s, m.scene, x, y, candidates.data(), relative.data(),
                                             projected.data()),
                          fast.pixelColour(x, y, scratch))
                    << "model " << model << " turns " << turns << " ray " << x << ", " << y;
            };
            const double pi = 3.141592653589793;
            for (double beyond : {-1e-3, 0.0, 1e-9, 1e-6, 9.9e-4, 1e-3, 1.01e-3, 0.1}) {
                for (int32_t k = 0; k < 360; ++k) {
                    const double a = k * (2.0 * pi / 360.0);
                    check((radius + beyond) * std::cos(a), (radius + beyond) * std::sin(a));
                }
                for (int32_t i = 0; i < m.scene.vertexCount; ++i) {
                    const Vertex& v = m.scene.vertices[i];
                    for (int32_t k = 0; k < 16; ++k) {
                        const double a = k * (2.0 * pi / 16.0);
                        check(v.x + beyond * std::cos(a), v.y + beyond * std::sin(a));
                    }
                }
            }
        }
    }
}

// The shortcut of the facet search: a facet is taken without searching only when the ray passes
// clearly inside it. Rays exactly through a corner or an edge are never certain, whichever facet
// the walk starts from, so the search in index order decides them (the lower index wins there);
// a ray through a facet's centre is certain of that facet, or, in a stone that is not convex with
// flat facets (where a line can pass through several facets), of a facet before it in index order
// that it passes as well, or of none.
TEST(FastTracer, ShortcutOnlyForRaysClearlyInsideOneFacet) {
    const Vec3 along{0.0, 0.0, 1.0};
    int32_t certainCentres = 0;
    int32_t certainWhereNotConvex = 0;
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        const PreparedModel m(model, 3);
        const RenderSettings s = settingsFor(true, 0);
        const FastTracer fast(s, m.scene);
        const bool convex = model != 6 && model != 7 && model != 11;  // see the model list
        for (int32_t f = 0; f < m.scene.facetCount; ++f) {
            const Facet& facet = m.scene.facets[f];
            Vec3 c{0.0, 0.0, 0.0};
            for (int32_t k = 0; k < facet.vertexCount; ++k) {
                const Vertex& a = m.scene.vertices[facet.vertexIndex[k]];
                const Vertex& b = m.scene.vertices[facet.vertexIndex[(k + 1) % facet.vertexCount]];
                c = {c.x + a.x / facet.vertexCount, c.y + a.y / facet.vertexCount,
                     c.z + a.z / facet.vertexCount};
                if (!(facet.normal.z < 0.0)) continue;  // the ray meets the front first
                for (const Vec3& p : {a, Vec3{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5, 0.0}}) {
                    for (int32_t g = 0; g < m.scene.facetCount; ++g) {
                        ASSERT_EQ(fast.certainFacet(Vec3{p.x, p.y, -1.1}, along, false, g), -1)
                            << "model " << model << " facet " << f << " corner " << k << " guess "
                            << g;
                    }
                }
            }
            // From the centre of a facet turned clearly towards the eye, outward along its
            // normal from just inside, and back in along it from outside. A facet with two corners
            // in one place (the Sphere's poles, up to rounding) has an edge whose sign is all
            // rounding: the search's own arithmetic decides it, and the facet is certain or not.
            bool degenerate = false;
            for (int32_t k = 0; k < facet.vertexCount; ++k) {
                const Vertex& a = m.scene.vertices[facet.vertexIndex[k]];
                const Vertex& b = m.scene.vertices[facet.vertexIndex[(k + 1) % facet.vertexCount]];
                const Vec3 e{a.x - b.x, a.y - b.y, a.z - b.z};
                degenerate = degenerate || e.x * e.x + e.y * e.y + e.z * e.z < 1e-18;
            }
            auto expect = [&](int32_t found) {
                if (convex) {
                    EXPECT_TRUE(found == f || (degenerate && found == -1))
                        << "model " << model << " facet " << f << " found " << found;
                } else {
                    EXPECT_TRUE(found == f || found == -1 || found < f)
                        << "model " << model << " facet " << f << " found " << found;
                    certainWhereNotConvex += found == f;
                }
            };
            const Vec3& n = facet.normal;
            if (n.z < -0.2) {
                const int32_t found = fast.certainFacet(Vec3{c.x, c.y, -1.1}, along, false, f);
                expect(found);
                certainCentres += found == f;
            }
            const Vec3 in{c.x - 0.01 * n.x, c.y - 0.01 * n.y, c.z - 0.01 * n.z};
            expect(fast.certainFacet(in, n, true, f));
            const Vec3 out{c.x + n.x, c.y + n.y, c.z + n.z};
            expect(fast.certainFacet(out, Vec3{-n.x, -n.y, -n.z}, false, f));
        }
    }
    EXPECT_GT(certainCentres, 500);
    // The three stones that are not convex with flat facets take the shortcut for most facets.
    EXPECT_GT(certainWhereNotConvex, 300);
}

// A leaving ray whose direction is not a number (as a damaged orientation can make) comes out of
// both paths with the same bits; the exported tracer never converts the NaN to an integer.
TEST(FastTracer, DirectionThatIsNotANumberGivesTheSameOutputs) {
    const PreparedModel m(0, 0);
    RenderSettings s = settingsFor(true, 4);
    RayComparer comparer(m, s);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Vec3& d : {Vec3{0.0, 0.0, nan}, Vec3{nan, nan, nan}, Vec3{0.6, nan, -0.8}}) {
        comparer.compare(Vec3{0.0, 0.0, 0.0}, d, 0, 2, 2.42, "leaving");
        comparer.compare(Vec3{0.0, 0.0, 0.0}, d, 1, 3, 2.42, "inside");
        comparer.compare(Vec3{0.0, 0.0, -1.1}, d, 0, 0, 2.42, "primary");
    }
}

// Whole rows through pixelColours, whose Fire samples (or pixels, without Fire) several pixels
// share the vector lanes in, of every model with every vector unit, from scrambled guesses (so
// that lanes fall back to the search, some with starts out of range, and walks end at facets whose
// rivals must be tested), in clear and coloured stones, against a lit and a black backdrop, at
// depths that end the chains at once, after one bounce and deep down: every pixel is the exported
// tracer's. The rows are 33 pixels wide, so the last group of pixels leaves lanes empty.
TEST(FastTracer, RowsInVectorLanesEqualTheExportedTracer) {
    using Unit = FastTracer::VectorUnit;
    std::mt19937_64 random(77);
    std::vector<int32_t> candidates(kMaxFacets);
    std::vector<Vec3> relative(kMaxVertices);
    std::vector<Vec3> projected(kMaxVertices);
    const int32_t width = 33;
    const int32_t scale = width / 2 - 1;  // the stone fills the rows
    std::vector<double> xs(width);
    std::vector<uint32_t> expected(width);
    std::vector<uint32_t> colours(width);
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex) continue;
        const PreparedModel m(model, 3);
        const int32_t colour = model % 2 == 0 ? 0 : 6;
        for (const Lighting lighting : {Lighting::Studio, Lighting::Iso, Lighting::Cos}) {
            RenderSettings s = settingsFor(model % 3 != 1, colour);
            s.maxDepth = model % 4 == 1 ? 1 : (model % 4 == 3 ? 2 : 20);
            if (colour == 0 && model % 3 == 0) s.backdrop[0] = s.backdrop[1] = s.backdrop[2] = 0;
            // The dome's head shadow wide enough to catch some exits.
            s.lighting = lighting;
            s.headShadow = 30;
            std::vector<FastTracer> tracers;
            for (const Unit unit : {Unit::Scalar, Unit::Avx2, Unit::Avx512}) {
                tracers.emplace_back(s, m.scene, unit);
                if (tracers.back().vectorUnit() != unit)
                    tracers.pop_back();  // the processor lacks it
            }
            std::vector<FastTracer::Scratch> scratches(tracers.size(),
                                                       FastTracer::Scratch(m.scene));
            std::vector<PixelLight> expectedLights(width);
            std::vector<PixelLight> lights(width);
            for (int32_t row = 0; row < width; ++row) {
                const double y = primaryRayOrigin(0, row, width, scale).y;
                for (int32_t column = 0; column < width; ++column) {
                    xs[column] = primaryRayOrigin(column, row, width, scale).x;
                    expected[column] = literalPixelColour(
                        s, m.scene, xs[column], y, candidates.data(), relative.data(),
                        projected.data(), &expectedLights[column]);
                }
                for (size_t t = 0; t < tracers.size(); ++t) {
                    scrambleGuesses(scratches[t], m.scene.facetCount, random);
                    tracers[t].pixelColours(xs.data(), width, y, colours.data(), scratches[t],
                                            lights.data());
                    for (int32_t column = 0; column < width; ++column) {
                        const PixelLight& a = expectedLights[column];
                        const PixelLight& b = lights[column];
                        ASSERT_TRUE(expected[column] == colours[column] && a.r == b.r &&
                                    a.g == b.g && a.b == b.b && a.meetsStone == b.meetsStone)
                            << "model " << model << " depth " << s.maxDepth << " unit "
                            << static_cast<int>(tracers[t].vectorUnit()) << " lighting "
                            << static_cast<int>(lighting) << " pixel " << column << ", " << row;
                    }
                }
            }
        }
    }
}

// Renders a square of whole rows (the stone filling it) through pixelColours, no light asked for,
// and checks every pixel against the exported tracer's; returns the colours the exported tracer
// gave, so that a test can see what its scene holds.
std::vector<uint32_t> compareRows(const FastTracer& fast, FastTracer::Scratch& scratch,
                                  const RenderSettings& s, const RenderScene& scene,
                                  const std::string& what) {
    const int32_t width = 41;
    const int32_t scale = width / 2 - 1;
    std::vector<int32_t> candidates(kMaxFacets);
    std::vector<Vec3> relative(kMaxVertices);
    std::vector<Vec3> projected(kMaxVertices);
    std::vector<double> xs(width);
    std::vector<uint32_t> colours(width);
    std::vector<uint32_t> seen;
    for (int32_t row = 0; row < width; ++row) {
        const double y = primaryRayOrigin(0, row, width, scale).y;
        for (int32_t column = 0; column < width; ++column) {
            xs[column] = primaryRayOrigin(column, row, width, scale).x;
        }
        fast.pixelColours(xs.data(), width, y, colours.data(), scratch);
        for (int32_t column = 0; column < width; ++column) {
            seen.push_back(literalPixelColour(s, scene, xs[column], y, candidates.data(),
                                              relative.data(), projected.data()));
            EXPECT_EQ(seen.back(), colours[column]) << what << " pixel " << column << ", " << row;
            if (seen.back() != colours[column]) return seen;
        }
    }
    return seen;
}

// A pixel whose surface glare alone makes it white is not traced further when its light is not
// asked for. Over whole rows of the tetrahedron, one of whose facets the glare makes white, every
// vector unit gives the exported tracer's pixels, with and without Fire. With an infinite
// absorption a chain ending at the depth limit brings light that is not a number, which the
// exported tracer makes black even there: no pixel may then be taken white unseen.
TEST(FastTracer, PixelsWhiteFromTheirGlareAloneAreTheExportedTracers) {
    using Unit = FastTracer::VectorUnit;
    const PreparedModel m(21, 4);
    const uint32_t white = pixelColourFromLight(0.0, 0.0, 0.0, 1.0);
    for (const bool infinite : {false, true}) {
        for (const bool fire : {true, false}) {
            RenderSettings s = settingsFor(fire, 0);
            s.maxDepth = 3;
            if (infinite) {
                for (double& a : s.absorption) a = std::numeric_limits<double>::infinity();
            }
            for (const Unit unit : {Unit::Scalar, Unit::Avx2, Unit::Avx512}) {
                const FastTracer fast(s, m.scene, unit);
                FastTracer::Scratch scratch(m.scene);
                const std::vector<uint32_t> seen =
                    compareRows(fast, scratch, s, m.scene,
                                "unit " + std::to_string(static_cast<int>(unit)) + " fire " +
                                    std::to_string(fire) + " infinite " + std::to_string(infinite));
                // The view has the white facet, which the infinite absorption blackens.
                EXPECT_GT(std::count(seen.begin(), seen.end(), infinite ? 0u : white), 0);
            }
        }
    }
}

// In a clear stone the chains' paths are kept in the scratch, which serves one rendering after
// another: whole rows of the cube and the prism in one view, another and the first again, through
// one scratch, with and without Fire, are the exported tracer's, so no path of one view serves
// the next.
TEST(FastTracer, PathsKeptInAScratchServeOnlyTheirOwnView) {
    for (const int32_t model : {20, 24}) {
        const PreparedModel views[2] = {PreparedModel(model, 0), PreparedModel(model, 3)};
        FastTracer::Scratch scratch(views[0].scene);
        for (const bool fire : {true, false}) {
            const RenderSettings s = settingsFor(fire, 0);
            for (const int32_t view : {0, 1, 0}) {
                const FastTracer fast(s, views[view].scene);
                compareRows(fast, scratch, s, views[view].scene,
                            "model " + std::to_string(model) + " view " + std::to_string(view) +
                                " fire " + std::to_string(fire));
            }
        }
    }
}

}  // namespace
}  // namespace tavrine
