#include "app/model/gemcad_design.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "tests/model/model_checks.h"

namespace tavrine {
namespace {

std::string examplePath(const std::string& name) {
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/model") + "/../../examples/" + name;
}

struct Built {
    GemCadDesign design;
    std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    DesignSummary summary;
    std::string error;
    bool ok = false;
};

Built buildText(const std::string& text, const std::string& name = "test.asc") {
    Built b;
    b.ok = parseGemCadDesign(text, name, b.design, &b.error) &&
           buildDesignModel(b.design, name, b.record->modelVertices, b.record->facets,
                            b.record->vertexCount, b.record->facetCount, &b.summary, &b.error);
    return b;
}

Built loadExample(const std::string& name) {
    Built b;
    b.ok = loadDesignFile(examplePath(name), b.design, *b.record, &b.summary, &b.error);
    return b;
}

::testing::AssertionResult isSoundSolid(const ModelRecord& r) {
    auto invariants =
        test::satisfiesInvariants(r.modelVertices, r.facets, r.vertexCount, r.facetCount, 1e-9);
    if (!invariants) return invariants;
    auto closed = test::isClosed(r.modelVertices, r.facets, r.vertexCount, r.facetCount);
    if (!closed) return closed;
    auto convex = test::isConvexSolid(r.modelVertices, r.facets, r.vertexCount, r.facetCount);
    if (!convex) return convex;
    for (int32_t i = 0; i < r.vertexCount; ++i) {
        if (test::length(r.modelVertices[i]) > 1.0 + 1e-12) {
            return ::testing::AssertionFailure() << "vertex " << i << " lies outside the sphere";
        }
    }
    return ::testing::AssertionSuccess();
}

// Whether the map takes every vertex of the model onto some vertex of the model.
template <typename Map>
::testing::AssertionResult mapsOntoItself(const ModelRecord& r, Map map) {
    for (int32_t i = 0; i < r.vertexCount; ++i) {
        const Vertex m = map(r.modelVertices[i]);
        bool found = false;
        for (int32_t j = 0; j < r.vertexCount && !found; ++j) {
            const Vertex& v = r.modelVertices[j];
            found = std::fabs(v.x - m.x) + std::fabs(v.y - m.y) + std::fabs(v.z - m.z) < 1e-9;
        }
        if (!found) return ::testing::AssertionFailure() << "vertex " << i << " has no image";
    }
    return ::testing::AssertionSuccess();
}

Vertex turnAboutY(const Vertex& v, double angle) {
    return {v.x * std::cos(angle) + v.z * std::sin(angle), v.y,
            -v.x * std::sin(angle) + v.z * std::cos(angle)};
}

TEST(GemCadDesign, SixPlanesMakeACube) {
    const Built b = buildText(
        "GemCad 5.0\ng 96 0.0\ny 1 n\na 0.00 1.0 96\na -0.00 1.0 96\na 90 1.0 96 24 48 72\n");
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(8, b.record->vertexCount);
    ASSERT_EQ(6, b.record->facetCount);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(4, b.record->facets[i].vertexCount);
    EXPECT_TRUE(isSoundSolid(*b.record));
    // Squares: all twelve edges of one length, every corner on the unit sphere.
    EXPECT_EQ(1u,
              test::distinctEdgeLengths(b.record->modelVertices, b.record->facets, 8, 6).size());
    for (int32_t i = 0; i < 8; ++i) {
        EXPECT_NEAR(1.0, test::length(b.record->modelVertices[i]), 1e-12);
    }
    EXPECT_EQ(std::vector<int32_t>({1, 1, 4}), b.summary.tierFacets);
}

TEST(GemCadDesign, BrilliantsHaveTheirFacetsAndSymmetry) {
    for (const auto& [name, facets] : std::vector<std::pair<std::string, int32_t>>{
             {"round-brilliant.asc", 57}, {"round-brilliant-culet.asc", 58}}) {
        SCOPED_TRACE(name);
        const Built b = loadExample(name);
        ASSERT_TRUE(b.ok) << b.error;
        EXPECT_EQ(kDesignModelIndex, b.record->modelIndex);
        EXPECT_EQ(facets, b.record->facetCount);
        EXPECT_EQ(facets, b.summary.facetCount);
        EXPECT_EQ(8, b.design.symmetry);
        EXPECT_TRUE(b.design.mirror);
        EXPECT_TRUE(isSoundSolid(*b.record));
        // A turn by 360 / 8 degrees and the mirror through index 0 map the stone onto itself;
        // a turn by half that does not.
        EXPECT_TRUE(mapsOntoItself(*b.record, [](const Vertex& v) {
            return turnAboutY(v, 2.0 * 3.141592653589793 / 8.0);
        }));
        EXPECT_TRUE(mapsOntoItself(*b.record, [](const Vertex& v) {
            return Vertex{-v.x, v.y, v.z};
        }));
        EXPECT_FALSE(mapsOntoItself(
            *b.record, [](const Vertex& v) { return turnAboutY(v, 3.141592653589793 / 8.0); }));
        // Table up: the highest corners lie in one horizontal facet.
        double top = -1.0;
        for (int32_t i = 0; i < b.record->vertexCount; ++i) {
            top = std::max(top, b.record->modelVertices[i].y);
        }
        int32_t onTop = 0;
        for (int32_t i = 0; i < b.record->vertexCount; ++i) {
            onTop += b.record->modelVertices[i].y > top - 1e-12 ? 1 : 0;
        }
        EXPECT_GE(onTop, 8);
    }
    // The other samples close and keep their declared symmetry too.
    for (const char* name : {"emerald-cut.asc", "oval.asc", "pear.asc"}) {
        SCOPED_TRACE(name);
        const Built b = loadExample(name);
        ASSERT_TRUE(b.ok) << b.error;
        EXPECT_TRUE(isSoundSolid(*b.record));
        EXPECT_TRUE(mapsOntoItself(*b.record, [](const Vertex& v) {
            return Vertex{-v.x, v.y, v.z};
        }));
        EXPECT_EQ(b.design.symmetry == 2, mapsOntoItself(*b.record, [](const Vertex& v) {
                      return Vertex{-v.x, v.y, -v.z};
                  }));
    }
}

TEST(GemCadDesign, MirrorAndTurnsCompleteTheIndexes) {
    // A cube with one extra tier of shallow facets at index 5; the symmetry line decides how
    // many of them are cut.
    const std::string head = "GemCad 5.0\ng 96 0.0\n";
    const std::string body = "a 0.00 1.0 96\na -0.00 1.0 96\na 90 1.0 96 24 48 72\na 50 1.2 05\n";
    const struct {
        const char* symmetry;
        int32_t extra;
    } cases[] = {{"y 1 n\n", 1}, {"y 1 y\n", 2}, {"y 4 n\n", 4}, {"y 4 y\n", 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.symmetry);
        const Built b = buildText(head + c.symmetry + body);
        ASSERT_TRUE(b.ok) << b.error;
        EXPECT_EQ(c.extra, b.summary.tierPlanes[3]);
        EXPECT_EQ(c.extra, b.summary.tierFacets[3]);
        EXPECT_EQ(6 + c.extra, b.record->facetCount);
        EXPECT_TRUE(isSoundSolid(*b.record));
    }
    // Indexes the symmetry already implies, and 96 written for 0, add nothing.
    const Built listed = buildText(head + "y 4 y\n" + body + "a 50 1.2 05 19 91 0 96 24\n");
    ASSERT_TRUE(listed.ok) << listed.error;
    EXPECT_EQ(8, listed.summary.tierPlanes[3]);
    EXPECT_EQ(4, listed.summary.tierPlanes[4]);  // 0, 24, 48, 72: new planes at index 0
}

TEST(GemCadDesign, TheGearPlacesTheIndexes) {
    // A cube with one slanted facet; where it faces follows the gear's teeth and offset.
    const auto slantedFacing = [](const std::string& gear, const std::string& index) {
        const Built b =
            buildText("GemCad 5.0\n" + gear + "\na 0 1 0\na -0 1 0\na 90 1 0 24 48 72\na 45 1.2 " +
                      index + "\n");
        EXPECT_TRUE(b.ok) << b.error;
        for (int32_t i = 0; i < b.record->facetCount; ++i) {
            const Facet& f = b.record->facets[i];
            const Vertex& p0 = b.record->modelVertices[f.vertexIndex[0]];
            const Vertex& p1 = b.record->modelVertices[f.vertexIndex[1]];
            const Vertex& p2 = b.record->modelVertices[f.vertexIndex[2]];
            const Vec3 u{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
            const Vec3 w{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
            const Vec3 n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
            if (std::fabs(n.y) > 1e-9 && (std::fabs(n.x) > 1e-9 || std::fabs(n.z) > 1e-9)) {
                return std::string(n.x > 1e-9    ? "+x"
                                   : n.x < -1e-9 ? "-x"
                                                 : "") +
                       (n.z > 1e-9    ? "+z"
                        : n.z < -1e-9 ? "-z"
                                      : "");
            }
        }
        return std::string("none");
    };
    EXPECT_EQ("-z", slantedFacing("g 96 0", "0"));    // index 0 faces the viewer
    EXPECT_EQ("+x", slantedFacing("g 96 0", "24"));   // counter-clockwise seen from above
    EXPECT_EQ("-x", slantedFacing("g -96 0", "24"));  // a negative gear counts clockwise
    EXPECT_EQ("-z", slantedFacing("g 96 24", "24"));  // the offset index faces the viewer
    EXPECT_EQ("+z", slantedFacing("g 96 0", "48"));
}

TEST(GemCadDesign, ReadsEveryRecord) {
    const std::string text =
        "GemCad 5.0 beta\r\n"
        "g 64 7.5\r\n"
        "y 2 y\r\n"
        "I 1.76\r\n"
        "H Caf\xE9 Brilliant\r\n"
        "H by A. Faceter\r\n"
        "a -0 0.2 64 n Culet G Polish lightly,\r\n"
        "   then check.\r\n"
        "a 12.5 0.5 16 48 n Crown facet\r\n"
        "F A footnote\r\n"
        "X an unknown line\r\n";
    GemCadDesign d;
    std::string error;
    ASSERT_TRUE(parseGemCadDesign(text, "x.asc", d, &error)) << error;
    EXPECT_EQ("5.0 beta", d.version);
    EXPECT_EQ(64, d.gearTeeth);
    EXPECT_DOUBLE_EQ(7.5, d.gearOffset);
    EXPECT_EQ(2, d.symmetry);
    EXPECT_TRUE(d.mirror);
    EXPECT_DOUBLE_EQ(1.76, d.refractiveIndex);
    ASSERT_EQ(2u, d.heading.size());
    EXPECT_EQ("Caf\xC3\xA9 Brilliant", d.heading[0]);
    EXPECT_EQ("Caf\xC3\xA9 Brilliant", designTitle(d, "/some/where/x.asc"));
    EXPECT_EQ(std::vector<std::string>{"A footnote"}, d.footnotes);
    ASSERT_EQ(2u, d.tiers.size());
    EXPECT_TRUE(d.tiers[0].pavilion);  // "-0" is the culet, below the girdle
    EXPECT_EQ(0.0, d.tiers[0].angle);
    EXPECT_EQ("Culet", d.tiers[0].name);
    EXPECT_EQ("Polish lightly,\nthen check.", d.tiers[0].instruction);
    EXPECT_EQ(7, d.tiers[0].line);
    EXPECT_FALSE(d.tiers[1].pavilion);
    EXPECT_EQ(std::vector<double>({16, 48}), d.tiers[1].indexes);
    EXPECT_EQ("Crown facet", d.tiers[1].name);
    EXPECT_EQ(9, d.tiers[1].line);
    EXPECT_EQ("x.asc", designTitle(GemCadDesign{}, "/some/where/x.asc"));
}

TEST(GemCadDesign, RefusalsNameTheFileTheLineAndTheProblem) {
    const std::string cube = "a 0 1 96\na -0 1 96\na 90 1 96 24 48 72\n";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "d.asc: line 1: not a GemCad file"},
        {"solid cube\n" + cube, "d.asc: line 1: not a GemCad file"},
        {"GemCadX 5\n" + cube, "d.asc: line 1: not a GemCad file"},
        {"GemCad 5.0\ng 96 0\na 0 1,5 96\n", "d.asc: line 3: malformed number \"1,5\""},
        {"GemCad 5.0\ng 96 0\n" + cube + "a 10 1 12x\n", "d.asc: line 6: malformed number"},
        {"GemCad 5.0\ng 9.6 0\n", "d.asc: line 2: malformed number \"9.6\""},
        {"GemCad 5.0\ng 0 0\n", "d.asc: line 2: an index gear of 0 teeth"},
        {"GemCad 5.0\ng 64 65\n", "d.asc: line 2: the gear's offset 65 is beyond its 64 teeth"},
        {"GemCad 5.0\ny 2 q\n", "d.asc: line 2: the mirror symmetry must be y or n"},
        {"GemCad 5.0\ng 96 0\n" + cube + "a 10 1 97\n", "d.asc: line 6: index 97 is beyond"},
        {"GemCad 5.0\ng 64 0\na 10 1 -1\n", "d.asc: line 3: index -1 is beyond"},
        {"GemCad 5.0\ny 97 n\ng 96 0\n", "d.asc: line 2: a symmetry of 97 is more than"},
        {"GemCad 5.0\na 91 1 96\n", "d.asc: line 2: an angle of 91 degrees is out of range"},
        {"GemCad 5.0\na 10 0 96\n", "d.asc: line 2: a facet distance of 0 is out of range"},
        {"GemCad 5.0\na 10 1\n", "d.asc: line 2: a tier needs an angle, a distance and"},
        {"GemCad 5.0\nI x\n", "d.asc: line 2: malformed number \"x\""},
        {"GemCad 5.0\nH only a heading\n", "d.asc: line 1: the design has no facets"},
        // Open: no pavilion, no table, a girdle that leaves a gap.
        {"GemCad 5.0\na 0 1 96\na 90 1 96 24 48 72\n",
         "d.asc: line 3: the facets do not close "
         "into a bounded solid; it is open below"},
        {"GemCad 5.0\na -0 1 96\na 90 1 96 24 48 72\n", "it is open above"},
        {"GemCad 5.0\na 0 1 96\na -0 1 96\na 90 1 96 24 48\n", "it is open at the side"},
        // Three tiers of 1000 facets each.
        {"GemCad 5.0\ng 1000 0\ny 1000 n\na 10 1 0.5\na -10 1 0.5\na 20 1 0.5\n",
         "d.asc: line 6: the design has more than 2400 facets"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Built b = buildText(c.text, "d.asc");
        EXPECT_FALSE(b.ok);
        EXPECT_NE(std::string::npos, b.error.find(c.message)) << b.error;
    }
}

TEST(GemCadDesign, LargeFacetsAreSplitIntoCoplanarPieces) {
    // A 24-sided prism: its table and culet have 24 corners each.
    const Built b = buildText("GemCad 5.0\ng 96 0\ny 24 n\na 90 1 96\na 0 0.5 96\na -0 0.5 96\n");
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_EQ(48, b.record->vertexCount);
    EXPECT_EQ(26, b.summary.facetCount);
    EXPECT_EQ(28, b.record->facetCount);  // table and culet in two pieces each
    EXPECT_TRUE(isSoundSolid(*b.record));
    int32_t horizontal = 0;
    for (int32_t i = 0; i < b.record->facetCount; ++i) {
        const Facet& f = b.record->facets[i];
        EXPECT_LE(f.vertexCount, 16);
        const double y0 = b.record->modelVertices[f.vertexIndex[0]].y;
        bool flat = true;
        for (int32_t k = 1; k < f.vertexCount; ++k) {
            flat = flat && b.record->modelVertices[f.vertexIndex[k]].y == y0;
        }
        horizontal += flat ? 1 : 0;
    }
    EXPECT_EQ(4, horizontal);
}

TEST(GemCadDesign, LoadingRefusesWithoutTouchingTheRecord) {
    auto record = std::make_unique<ModelRecord>();
    record->modelIndex = 0;
    buildModel(*record, TransformableParams{});
    const int32_t facets = record->facetCount;
    GemCadDesign design;
    std::string error;
    EXPECT_FALSE(loadDesignFile("/nonexistent/x.asc", design, *record, nullptr, &error));
    EXPECT_EQ("/nonexistent/x.asc: cannot be read", error);
    EXPECT_EQ(0, record->modelIndex);
    EXPECT_EQ(facets, record->facetCount);
    // buildModel leaves a design's record alone.
    const Built b = loadExample("round-brilliant.asc");
    ASSERT_TRUE(b.ok) << b.error;
    const Vertex before = b.record->modelVertices[5];
    buildModel(*b.record, TransformableParams{});
    EXPECT_EQ(57, b.record->facetCount);
    EXPECT_EQ(before.x, b.record->modelVertices[5].x);
}

}  // namespace
}  // namespace tavrine
