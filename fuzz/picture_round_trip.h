#pragma once
// What the BMP, PNG and GIF harnesses check of their reader: an accepted picture is whole, fits
// the readers' size bound, and writes and reads back (as a BMP) with the same colours; a refusal
// always says why.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "imgctl/codecs.h"

namespace tavrine::fuzz {

// Runs one input through decode (one of imgctl's decoders) and checks the properties above.
template <typename Decode>
int checkPictureReader(const uint8_t* data, size_t size, Decode decode) {
    const std::vector<uint8_t> bytes(data, data + size);
    std::string reason;
    std::unique_ptr<imgctl::Dib> dib = decode(bytes, &reason);
    if (dib == nullptr) {
        require(!reason.empty(), "a refusal says why");
        return 0;
    }
    require(dib->width <= imgctl::kMaxReadSide && dib->height <= imgctl::kMaxReadSide,
            "size bound");
    // The round trip of the largest pictures would only slow the search down.
    if (int64_t{dib->width} * dib->height > (int64_t{1} << 20)) return 0;
    std::string again;
    const std::unique_ptr<imgctl::Dib> back = imgctl::decodeBmp(imgctl::encodeBmp(*dib), &again);
    require(back != nullptr, "an accepted picture writes and reads back: " + again);
    for (int32_t r = 0; r < dib->height; ++r) {
        for (int32_t x = 0; x < dib->width; ++x) {
            require(dib->colourAt(x, r) == back->colourAt(x, r), "same colours");
        }
    }
    return 0;
}

}  // namespace tavrine::fuzz
