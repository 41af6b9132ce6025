#include "app/model/gem_file.h"

#include <gtest/gtest.h>

#include <algorithm>
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
#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

// An asymmetric, chiral design on a clockwise gear whose index 48 faces the viewer.
const char* const kChiral =
    "GemCad 5.0\ng -96 48\ny 1 n\nI 1.76\nH Chiral\nH second line\nF a footnote\n"
    "a 90 1 0 8 16 24 32 40 48 56 64 72 80 88 n Girdle\na 40 1.05 3 19 35 51 67 83 n Crown\n"
    "a 0 0.6 96 n Table\na -42 1 10 26 42 58 74 90 n Pavilion\n";

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

// Whether two models have the same vertices (within the builder's tolerance) and facets (the
// same corners in the same cyclic order).
::testing::AssertionResult sameModel(const ModelRecord& a, const ModelRecord& b) {
    if (a.vertexCount != b.vertexCount || a.facetCount != b.facetCount) {
        return ::testing::AssertionFailure() << "the counts differ";
    }
    for (int32_t i = 0; i < a.vertexCount; ++i) {
        const Vertex& u = a.modelVertices[i];
        const Vertex& v = b.modelVertices[i];
        if (std::fabs(u.x - v.x) + std::fabs(u.y - v.y) + std::fabs(u.z - v.z) > 1e-9) {
            return ::testing::AssertionFailure() << "vertex " << i << " differs";
        }
    }
    for (int32_t i = 0; i < a.facetCount; ++i) {
        const int32_t* f = a.facets[i].vertexIndex;
        std::vector<int32_t> g(b.facets[i].vertexIndex,
                               b.facets[i].vertexIndex + b.facets[i].vertexCount);
        const auto at = std::find(g.begin(), g.end(), f[0]);
        if (at != g.end()) std::rotate(g.begin(), at, g.end());
        if (!std::equal(g.begin(), g.end(), f, f + a.facets[i].vertexCount)) {
            return ::testing::AssertionFailure() << "facet " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// Every slanted facet's angle and index (mod 96), to a millionth.
std::set<std::pair<long long, long long>> placesOf(const GemCadDesign& d) {
    std::set<std::pair<long long, long long>> places;
    for (const DesignTier& t : d.tiers) {
        for (double index : t.indexes) {
            if (t.angle != 0.0) {
                places.emplace(std::llround(t.angle * 1e6), std::llround(index * 1e6) % 96000000);
            }
        }
    }
    return places;
}

TEST(GemFile, GivesTheStoneOfTheAscOfTheSameDesign) {
    test::TempFolder dir;
    std::ofstream(dir.file("chiral.asc")) << kChiral;
    const char* data = std::getenv("TAVRINE_TEST_DATA");
    const std::string examples =
        std::string(data != nullptr ? data : "tests/model") + "/../../examples/";
    for (const std::string& asc : {dir.file("chiral.asc"), examples + "round-brilliant.asc",
                                   examples + "pear.asc", examples + "emerald-cut.asc"}) {
        SCOPED_TRACE(asc);
        const Loaded text = load(asc);
        ASSERT_TRUE(text.ok) << text.error;
        const auto facets = test::gemFacetsOf(text.summary.planes);
        // Known by its content, whatever its name; a preform is read and not used.
        const std::string path = dir.file("design.asc");
        test::writeBytes(path, test::writeGem(facets, test::trailerOf(text.design), &facets));
        const Loaded gem = load(path);
        ASSERT_TRUE(gem.ok) << gem.error;
        EXPECT_TRUE(sameModel(*text.record, *gem.record));
        const GemCadDesign& a = text.design;
        const GemCadDesign& b = gem.design;
        EXPECT_TRUE(a.gearTeeth == b.gearTeeth && a.gearOffset == b.gearOffset &&
                    a.symmetry == b.symmetry && a.mirror == b.mirror &&
                    a.refractiveIndex == b.refractiveIndex && a.heading == b.heading &&
                    a.footnotes == b.footnotes);
        EXPECT_EQ(text.summary.facetCount, gem.summary.facetCount);
        // Each slanted facet lies at the angle and index its tier states in the .asc.
        if (a.symmetry == 1 && !a.mirror) {
            EXPECT_EQ(placesOf(a), placesOf(b));
            EXPECT_EQ(24u, placesOf(b).size());
        }
    }
}

TEST(GemFile, RefusesWhatCannotBeReadConsistentlyWithTheByteOffset) {
    // A square prism: four sides, the table and the culet, each a record of four corners.
    test::TempFolder dir;
    std::ofstream(dir.file("prism.asc")) << "GemCad 5.0\ny 4 n\na 90 1 96\na 0 1 96\na -0 1 96\n";
    const Loaded prism = load(dir.file("prism.asc"));
    ASSERT_TRUE(prism.ok) << prism.error;
    auto facets = test::gemFacetsOf(prism.summary.planes);
    const std::vector<uint8_t> good = test::writeGem(facets, test::GemTrailerOut{});
    const size_t record = 8 * 3 + 4 + 1 + 13 + 4 * 28 + 4;  // label "T1\tcut tier 1"
    const size_t end = 6 * record;                          // the end mark
    const size_t texts = end + 8 + 32;                      // the first heading's length
    for (auto& f : facets) f.corners.clear();
    std::vector<test::GemFacetOut> many(2401, facets[0]);

    struct Case {
        std::vector<uint8_t> bytes;
        size_t offset;
        const char* problem;
    };
    auto with = [&](size_t at, std::vector<uint8_t> put, size_t length) {
        std::vector<uint8_t> b = good;
        std::copy(put.begin(), put.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        b.resize(length);
        return b;
    };
    const std::vector<uint8_t> nan{0, 0, 0, 0, 0, 0, 0xF8, 0x7F};
    const std::vector<uint8_t> far{0, 0, 0, 0, 0, 0, 0x08, 0x40};  // 3.0
    const std::vector<Case> cases{
        {with(0, std::vector<uint8_t>(24, 0), good.size()), 0, "plane vector is zero"},
        {with(record + 8, nan, good.size()), record, "not a finite number"},
        {with(record + 42 + 4, far, good.size()), record + 42 + 4, "far off"},
        {with(record + 42 + 28, {7}, good.size()), record + 42 + 28, "corner mark of 7"},
        {with(0, {}, 34), 28, "name of 13 bytes runs past the end"},
        {with(0, {}, end), end, "no end mark"},
        {with(end + 28, {}, end + 28), end + 8, "ends inside the trailer"},
        {with(end + 16, {0}, good.size()), end + 16, "index gear of 0 teeth"},
        {with(texts, {200}, good.size()), texts, "heading 1 of 200 bytes runs past the end"},
        {with(0, {}, good.size() + 1), good.size(), "1 byte follows the trailer"},
        {test::writeGem(many, {}), 2400 * 46, "more than 2400 facets"},
    };
    const std::string path = dir.file("hostile.gem");
    test::writeBytes(path, good);
    EXPECT_EQ(8, load(path).record->vertexCount);
    for (const Case& c : cases) {
        test::writeBytes(path, c.bytes);
        const Loaded l = load(path);
        EXPECT_FALSE(l.ok) << c.problem;
        const std::string prefix = "cannot read " + path + ": byte " + std::to_string(c.offset);
        EXPECT_EQ(0u, l.error.rfind(prefix + ": ", 0)) << c.problem << ": " << l.error;
        EXPECT_NE(std::string::npos, l.error.find(c.problem)) << l.error;
    }
}

}  // namespace
}  // namespace tavrine
