// Writes the seed corpus of fuzz_gem with the tests' .gem writer: the examples' designs as .gem
// (their planes as the .asc reader computes them), one with a preform and one whose corners
// lie at 0.81 of their planes, and hostile files that the reader must refuse.
//   write_gem_seeds SOURCE_DIR OUT_DIR

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/model/gemcad_design.h"
#include "tests/model/gem_writer.h"
#include "tests/support/byte_files.h"

using namespace tavrine;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_gem_seeds SOURCE_DIR OUT_DIR\n");
        return 2;
    }
    const std::string source = argv[1];
    const std::string out = std::string(argv[2]) + "/";
    std::vector<uint8_t> last;
    for (const char* name : {"round-brilliant", "emerald-cut", "pear"}) {
        GemCadDesign design;
        DesignSummary summary;
        auto record = std::make_unique<ModelRecord>();
        std::string error;
        if (!loadDesignFile(source + "/examples/" + name + ".asc", design, *record, &summary,
                            &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        const test::GemTrailerOut trailer = test::trailerOf(design);
        std::vector<test::GemFacetOut> facets = test::gemFacetsOf(summary.planes);
        last = test::writeGem(facets, trailer);
        test::writeBytes(out + name + ".gem", last);
        if (std::string(name) == "pear") {
            test::writeBytes(out + "pear-preform.gem", test::writeGem(facets, trailer, &facets));
            for (auto& f : facets) {
                for (auto& c : f.corners) c = {c[0] * 0.81, c[1] * 0.81, c[2] * 0.81};
            }
            test::writeBytes(out + "pear-scaled-corners.gem", test::writeGem(facets, trailer));
        }
    }
    // Hostile: cut short, a zero plane, a name running past the end, a corner off its plane,
    // a corner mark of 2, a gear of 0, bytes after the trailer.
    std::vector<uint8_t> b = last;
    b.resize(b.size() / 2);
    test::writeBytes(out + "cut-short.gem", b);
    b = last;
    std::fill(b.begin(), b.begin() + 24, 0);
    test::writeBytes(out + "zero-plane.gem", b);
    b = last;
    b[28] = 0xFF;
    b.resize(200);
    test::writeBytes(out + "name-past-end.gem", b);
    b = last;
    b[28 + 1 + b[28] + 4 + 16 + 7] ^= 0x40;  // the first corner's z
    test::writeBytes(out + "corner-off.gem", b);
    b = last;
    b[28 + 1 + b[28]] = 2;
    test::writeBytes(out + "corner-mark.gem", b);
    b = last;
    b.push_back(7);
    test::writeBytes(out + "trailing.gem", b);
    return 0;
}
