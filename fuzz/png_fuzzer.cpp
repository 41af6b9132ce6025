// The PNG reader, checked as every picture reader is (fuzz/picture_round_trip.h).

#include <cstddef>
#include <cstdint>

#include "fuzz/picture_round_trip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tavrine::fuzz::checkPictureReader(data, size, tavrine::imgctl::decodePng);
}
