#include "app/model/gem_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/model/gemcad_design.h"
#include "tests/model/gem_writer.h"
#include "tests/model/model_checks.h"
#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

// An asymmetric, chiral design on a clockwise gear whose index 48 faces the viewer.
const char* const kChiral =
    "GemCad 5.0\ng -96 48\ny 1 n\nI 1.76\nH Chiral\nH second line\nF a footnote\n"
    "a 90 1 0 8 16 24 32 40 48 56 64 72 80 88 n Girdle\na 40 1.05 3 19 35 51 67 83 n Crown\n"
    "a 0 0.6 96 n Table\na -42 1 10 26 42 58 74 90 n Pavilion\n";

std::string examplePath(const std::string& name) {
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/model") + "/../../examples/" + name;
}

struct Loaded {
    GemCadDesign design;
    std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    DesignSummary summary;
    std::string error;
    bool ok = false;
};

Loaded load(const std::string& path) {
    Loaded l;
    l.ok = loadDesignFile(path, l.design, *l.record, &l.summary, &l.error);
    return l;
}

// The trailer that states what the design states.
test::GemTrailerOut trailerOf(const GemCadDesign& d) {
    test::GemTrailerOut t;
    t.symmetry = d.symmetry;
    t.mirror = d.mirror ? 1 : 0;
    t.gear = d.gearTeeth;
    t.refractiveIndex = d.refractiveIndex;
    t.gearOffset = d.gearOffset;
    for (size_t k = 0; k < 4; ++k) {
        if (k < d.heading.size()) t.texts[k] = d.heading[k];
        if (k < d.footnotes.size()) t.texts[4 + k] = d.footnotes[k];
    }
    return t;
}

// Whether two models have the same vertices (within the builder's tolerance) and facets (the
// same corners in the same cyclic order).
::testing::AssertionResult sameModel(const ModelRecord& a, const ModelRecord& b) {
    if (a.vertexCount != b.vertexCount || a.facetCount != b.facetCount) {
        return ::testing::AssertionFailure()
               << a.vertexCount << " and " << b.vertexCount << " vertices, " << a.facetCount
               << " and " << b.facetCount << " facets";
    }
    for (int32_t i = 0; i < a.vertexCount; ++i) {
        const Vertex& u = a.modelVertices[i];
        const Vertex& v = b.modelVertices[i];
        if (std::fabs(u.x - v.x) + std::fabs(u.y - v.y) + std::fabs(u.z - v.z) > 1e-9) {
            return ::testing::AssertionFailure() << "vertex " << i << " differs";
        }
    }
    for (int32_t i = 0; i < a.facetCount; ++i) {
        std::vector<int32_t> f(a.facets[i].vertexIndex,
                               a.facets[i].vertexIndex + a.facets[i].vertexCount);
        const std::vector<int32_t> g(b.facets[i].vertexIndex,
                                     b.facets[i].vertexIndex + b.facets[i].vertexCount);
        const auto at = std::find(f.begin(), f.end(), g.empty() ? -1 : g[0]);
        if (at != f.end()) std::rotate(f.begin(), at, f.end());
        if (f != g) return ::testing::AssertionFailure() << "facet " << i << " differs";
    }
    return ::testing::AssertionSuccess();
}

TEST(GemFile, GivesTheStoneOfTheAscOfTheSameDesign) {
    test::TempFolder dir;
    std::ofstream(dir.file("chiral.asc")) << kChiral;
    for (const std::string& asc : {dir.file("chiral.asc"), examplePath("round-brilliant.asc"),
                                   examplePath("pear.asc"), examplePath("emerald-cut.asc")}) {
        SCOPED_TRACE(asc);
        const Loaded text = load(asc);
        ASSERT_TRUE(text.ok) << text.error;
        const std::vector<test::GemFacetOut> facets = test::gemFacetsOf(text.summary.planes);
        // Known by its content, whatever its name; a preform is read and not used.
        const std::string path = dir.file("design.asc");
        test::writeBytes(path, test::writeGem(facets, trailerOf(text.design), &facets));
        const Loaded gem = load(path);
        ASSERT_TRUE(gem.ok) << gem.error;
        EXPECT_TRUE(sameModel(*text.record, *gem.record));
        EXPECT_EQ(text.design.gearTeeth, gem.design.gearTeeth);
        EXPECT_EQ(text.design.gearOffset, gem.design.gearOffset);
        EXPECT_EQ(text.design.symmetry, gem.design.symmetry);
        EXPECT_EQ(text.design.mirror, gem.design.mirror);
        EXPECT_EQ(text.design.refractiveIndex, gem.design.refractiveIndex);
        EXPECT_EQ(text.design.heading, gem.design.heading);
        EXPECT_EQ(text.design.footnotes, gem.design.footnotes);
        EXPECT_EQ(text.summary.facetCount, gem.summary.facetCount);
    }

    // Each slanted facet of the .gem lies at the angle and index its tier states in the .asc.
    const Loaded text = load(dir.file("chiral.asc"));
    test::writeBytes(dir.file("chiral.gem"), test::writeGem(test::gemFacetsOf(text.summary.planes),
                                                            trailerOf(text.design)));
    const Loaded gem = load(dir.file("chiral.gem"));
    ASSERT_TRUE(gem.ok) << gem.error;
    auto placesOf = [](const GemCadDesign& d) {
        std::set<std::pair<long long, long long>> places;
        for (const DesignTier& t : d.tiers) {
            for (double index : t.indexes) {
                if (t.angle != 0.0) {
                    places.emplace(std::llround(t.angle * 1e6),
                                   std::llround(index * 1e6) % 96000000);
                }
            }
        }
        return places;
    };
    EXPECT_EQ(placesOf(text.design), placesOf(gem.design));
    EXPECT_EQ(24u, placesOf(gem.design).size());
}

TEST(GemFile, RefusesWhatCannotBeReadConsistentlyWithTheByteOffset) {
    // A cube: four sides, the table and the culet, one record each.
    std::vector<test::GemFacetOut> cube;
    const double h = 1.0;
    for (const auto& p : std::vector<std::array<double, 3>>{
             {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}) {
        test::GemFacetOut f;
        f.p = p;
        f.label = "side\tcut it";
        // Four corners of the face p . x = 1.
        const int a = p[0] != 0 ? 1 : 0;
        const int b = p[2] != 0 ? 1 : 2;
        for (const auto& [s, t] :
             std::vector<std::pair<double, double>>{{-h, -h}, {h, -h}, {h, h}, {-h, h}}) {
            std::array<double, 3> c = p;
            c[static_cast<size_t>(a)] += s;
            c[static_cast<size_t>(b)] += t;
            f.corners.push_back(c);
        }
        cube.push_back(f);
    }
    const test::GemTrailerOut trailer;
    const std::vector<uint8_t> good = test::writeGem(cube, trailer);
    const size_t record = 8 * 3 + 4 + 1 + 11 + 4 * 28 + 4;  // one facet record of the cube
    const size_t end = 6 * record;                          // the end mark
    const size_t texts = end + 8 + 32;                      // the first heading's length

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t offset;
        const char* problem;
    };
    std::vector<Case> cases;
    auto with = [&](auto change) {
        std::vector<uint8_t> b = good;
        change(b);
        return b;
    };
    auto putF64 = [](std::vector<uint8_t>& b, size_t at, double v) {
        test::GemBytes f;
        f.f64(v);
        std::copy(f.bytes.begin(), f.bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
    };
    cases.push_back(
        {"zero plane", with([&](auto& b) { putF64(b, 0, 0.0); }), 0, "plane vector is zero"});
    cases.push_back({"NaN plane", with([&](auto& b) { putF64(b, record + 8, std::nan("")); }),
                     record, "not a finite number"});
    cases.push_back({"corner off its plane",
                     with([&](auto& b) { putF64(b, record + 40 + 2 * 28 + 4, 3.0); }),
                     record + 40 + 2 * 28 + 4, "far off"});
    cases.push_back({"corner mark", with([&](auto& b) { b[2 * record + 40] = 7; }), 2 * record + 40,
                     "corner mark of 7"});
    cases.push_back({"name past the end", with([&](auto& b) { b.resize(28 + 1 + 5); }), 28,
                     "runs past the end"});
    cases.push_back({"no end mark", with([&](auto& b) { b.resize(end); }), end, "no end mark"});
    cases.push_back({"truncated heading", with([&](auto& b) { b[texts] = 200; }), texts,
                     "heading 1 of 200 bytes runs past the end"});
    cases.push_back({"trailer cut short", with([&](auto& b) { b.resize(end + 8 + 20); }), end + 8,
                     "ends inside the trailer"});
    cases.push_back(
        {"gear", with([&](auto& b) { b[end + 8 + 8] = 0; }), end + 16, "index gear of 0 teeth"});
    cases.push_back({"bytes after the end", with([&](auto& b) { b.push_back(1); }), good.size(),
                     "1 byte follows the trailer without beginning a preform"});
    // More than 2400 facets, each a small record.
    std::vector<test::GemFacetOut> many(2401, cube[0]);
    for (auto& f : many) f.corners.clear();
    cases.push_back(
        {"too many facets", test::writeGem(many, trailer), 2400 * 44, "more than 2400 facets"});

    test::TempFolder dir;
    const std::string path = dir.file("hostile.gem");
    test::writeBytes(path, good);
    const Loaded fine = load(path);
    ASSERT_TRUE(fine.ok) << fine.error;
    EXPECT_EQ(8, fine.record->vertexCount);
    for (const Case& c : cases) {
        test::writeBytes(path, c.bytes);
        const Loaded l = load(path);
        EXPECT_FALSE(l.ok) << c.name;
        const std::string prefix = "cannot read " + path + ": byte " + std::to_string(c.offset);
        EXPECT_EQ(0u, l.error.rfind(prefix + ": ", 0)) << c.name << ": " << l.error;
        EXPECT_NE(std::string::npos, l.error.find(c.problem)) << c.name << ": " << l.error;
    }
}

}  // namespace
}  // namespace tavrine
