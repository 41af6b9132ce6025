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

// Whether two designs gave the same stone: the same counts, every corner of each a corner of
// the other.
::testing::AssertionResult sameStone(const Built& a, const Built& b) {
    if (!a.ok || !b.ok) return ::testing::AssertionFailure() << a.error << " / " << b.error;
    if (a.record->vertexCount != b.record->vertexCount ||
        a.record->facetCount != b.record->facetCount) {
        return ::testing::AssertionFailure()
               << a.record->vertexCount << " and " << b.record->vertexCount << " corners, "
               << a.record->facetCount << " and " << b.record->facetCount << " facets";
    }
    for (const Built* x : {&a, &b}) {
        const Built& other = x == &a ? b : a;
        auto found = mapsOntoItself(*x->record, [&](const Vertex& v) {
            for (int32_t j = 0; j < other.record->vertexCount; ++j) {
                const Vertex& w = other.record->modelVertices[j];
                if (std::fabs(v.x - w.x) + std::fabs(v.y - w.y) + std::fabs(v.z - w.z) < 1e-9) {
                    return v;
                }
            }
            return Vertex{9, 9, 9};
        });
        if (!found) return found;
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
        "a 12.5 0.5 16 48 n Crown\r\n"
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
    EXPECT_EQ("Crown", d.tiers[1].name);
    EXPECT_EQ(9, d.tiers[1].line);
    EXPECT_EQ("x.asc", designTitle(GemCadDesign{}, "/some/where/x.asc"));
}

TEST(GemCadDesign, ReadsTheFormsOfPublishedFiles) {
    // A design without symmetry whose tiers name each index: every facet is cut.
    const std::string plain =
        "GemCad 5.0\ng 96 0\ny 1 n\na 0 1 96\na -0 1 96\na 90 1 96 24 48 72\n"
        "a 45 1.2 96 24 48 72\na -45 1.1 12 36 60 84\n";
    const Built named = buildText(
        "GemCad 5.0\ng 96 0\ny 1 n\na 0 1 96 n T\na -0 1 96 n C\n"
        "a 90 1 96 n G 24 n 2 48 n 3 72 n 4 G girdle\n"
        "a 45 1.2 96 n A 24 n B 48 n C 72 n D\na -45 1.1 12 n 1 36 n 1 60 n 1 84 n 1\n");
    EXPECT_TRUE(sameStone(buildText(plain), named));
    EXPECT_EQ(14, named.summary.facetCount);
    EXPECT_EQ("G", named.design.tiers[2].name);
    EXPECT_EQ("girdle", named.design.tiers[2].instruction);

    // Under a clockwise gear -96 is 96; negative fractional indexes count back from the gear.
    const std::string cube = "a 0 1 0\na -0 1 0\na 90 1 0 24 48 72\n";
    EXPECT_TRUE(sameStone(buildText("GemCad 5.0\ng -96 48.0\n" + cube + "a 45 1.2 96\n"),
                          buildText("GemCad 5.0\ng -96 48.0\n" + cube + "a 45 1.2 -96\n")));
    EXPECT_TRUE(sameStone(buildText("GemCad 5.0\n" + cube + "a 45 1.2 71.5\n"),
                          buildText("GemCad 5.0\n" + cube + "a 45 1.2 -24.5\n")));

    // The culet as -0 with a positive distance or 0 with a negative one, before or after the
    // table: the sign decides the side.
    const std::string sides = "GemCad 5.0\ny 4 n\na 90 1 0\na 40 1.1 0\na -40 1.1 0\n";
    const Built culet = buildText(sides + "a 0 0.8 0\na -0.000000 0.6 96\n");
    EXPECT_TRUE(sameStone(culet, buildText(sides + "a 0 0.8 0\na 0.00 -0.6 96\n")));
    EXPECT_TRUE(sameStone(culet, buildText(sides + "a 0.00 -0.6 96\na 0 0.8 0\n")));

    // A tier wrapped over continuation lines is the tier on one line.
    const std::string head = "GemCad 5.0\ny 2 y\n" + cube;
    const Built joined = buildText(head + "a 45 1.2 3 n 1 27 n 1 15 G Meet center point\n");
    const Built wrapped = buildText(head + "a 45 1.2 3\n  n 1 27 n\n1\n15 G Meet\ncenter point\n");
    EXPECT_TRUE(sameStone(joined, wrapped));
    EXPECT_EQ(12, wrapped.summary.tierPlanes[3]);
    EXPECT_EQ("Meet\ncenter point", wrapped.design.tiers[3].instruction);

    // A byte-order mark, lone CRs, glued keywords and UTF-8 text; CR LF and Windows-1252 text.
    const Built marked = buildText(
        "\xEF\xBB\xBFGemCad 5.0\rg96 0.0\ry4 n\rH 40\xC2\xB0 \xE2\x80\x9C"
        "Crown\xE2\x80\x9D\r"
        "a90 1 0\ra40 1.1 0\ra-40 1.1 0\ra 0 0.8 0\ra -0 0.6 0\r");
    const Built western = buildText(
        "GemCad 5.0\r\ng 96 0.0\r\ny 4 n\r\nH 40\xB0 \x93"
        "Crown\x94\r\n"
        "a 90 1 0\r\na 40 1.1 0\r\na -40 1.1 0\r\na 0 0.8 0\r\na -0 0.6 0\r\n");
    EXPECT_TRUE(sameStone(marked, culet));
    EXPECT_TRUE(sameStone(western, culet));
    for (const Built* b : {&marked, &western}) {
        ASSERT_EQ(1u, b->design.heading.size());
        EXPECT_EQ(
            "40\xC2\xB0 \xE2\x80\x9C"
            "Crown\xE2\x80\x9D",
            b->design.heading[0]);
        EXPECT_EQ(96, b->design.gearTeeth);
    }
}

TEST(GemCadDesign, NearlyCoincidentPlanesCloseOrAreRefused) {
    // Tables a hair apart and pavilion facets beside index 96: the stone is a closed solid, or
    // it is refused with a message.
    const std::string brilliant = "GemCad 5.0\ny 8 y\na -41 1 96\na -40 1.02 6\na 40 1 96\n";
    for (const char* extra :
         {"a 0 0.6 96\na 0.009 0.6 96\n", "a 0 0.6 96\na -41 1 0.01\n",
          "a 0 0.6 96\na -41 1.0000000001 0.0000001\n", "a 0 0.6 96\na 1e-7 0.6000000001 3\n",
          "a 0 0.6 96\na 40 1 95.99999999\na -40.0000001 1.02 6\n"}) {
        SCOPED_TRACE(extra);
        const Built b = buildText(brilliant + extra);
        if (b.ok) {
            const ModelRecord& r = *b.record;
            EXPECT_TRUE(test::isClosed(r.modelVertices, r.facets, r.vertexCount, r.facetCount));
        } else {
            EXPECT_EQ(0u, b.error.rfind("cannot read test.asc: line ", 0)) << b.error;
        }
    }
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
        {"GemCad 5.0\ng 64 0\na 10 1 -65\n", "d.asc: line 3: index -65 is beyond"},
        {"GemCad 5.0\ng 721 0\n", "d.asc: line 2: an index gear of 721 teeth is out of range"},
        {"GemCad 5.0\ng 2147483647 0\n", "an index gear of 2147483647 teeth is out of range"},
        {"GemCad 5.0\ng -1e999 0\n", "an index gear of -1e999 teeth is out of range"},
        {"GemCad 5.0\ny 800 n\n", "d.asc: line 2: a symmetry of 800 is out of range"},
        {"GemCad 5.0\na 10 -1 96\n", "d.asc: line 2: a facet distance of -1 is out of range"},
        {"GemCad 5.0\nH " + std::string((1u << 20) + 1, 'x') + "\n",
         "d.asc: line 2: the line is longer than 1 MB"},
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
        // Two tiers of 1440 facets each.
        {"GemCad 5.0\ng 720 0\ny 720 y\na 10 1 0.25\na -10 1 0.25\n",
         "cannot read d.asc: line 5: the design has more than 2400 facets"},
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
    EXPECT_EQ("cannot read /nonexistent/x.asc: No such file or directory", error);
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
