// The BMP reader: an accepted picture is whole, fits the readers' size bound, and writes and
// reads back (as a BMP) with the same colours; a refusal always says why.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "imgctl/codecs.h"

using namespace tavrine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    std::string reason;
    std::unique_ptr<imgctl::Dib> dib = imgctl::decodeBmp(bytes, reason);
    if (dib == nullptr) {
        fuzz::require(!reason.empty(), "a refusal says why");
        return 0;
    }
    fuzz::require(dib->width <= imgctl::kMaxReadSide && dib->height <= imgctl::kMaxReadSide,
                  "size bound");
    // The round trip of the largest pictures would only slow the search down.
    if (int64_t{dib->width} * dib->height > (int64_t{1} << 20)) return 0;
    std::string again;
    const std::unique_ptr<imgctl::Dib> back = imgctl::decodeBmp(imgctl::encodeBmp(*dib), again);
    fuzz::require(back != nullptr, "an accepted picture writes and reads back: " + again);
    for (int32_t r = 0; r < dib->height; ++r) {
        for (int32_t x = 0; x < dib->width; ++x) {
            fuzz::require(dib->colourAt(x, r) == back->colourAt(x, r), "same colours");
        }
    }
    return 0;
}
