// The Position-Info reader: an accepted record is in range, and writing it gives a file the
// reader accepts again with the same fields.

#include <cstdint>
#include <string>

#include "app/output/position_info.h"
#include "fuzz/fuzz_support.h"

using namespace tavrine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratchPath("p.gpi");
    static const std::string again = fuzz::scratchPath("q.gpi");
    static const std::string third = fuzz::scratchPath("r.gpi");
    fuzz::writeScratch(path, data, size);
    PositionInfo counts;
    readPositionInfo(path, counts, true, nullptr);
    PositionInfo info;
    std::string error;
    if (!readPositionInfo(path, info, false, &error)) {
        fuzz::require(!error.empty(), "a refusal says why");
        return 0;
    }
    fuzz::require(positionInfoProblem(info).empty(), "an accepted record is in range");
    fuzz::require(writePositionInfo(again, info, &error), "what is read can be written: " + error);
    PositionInfo back;
    fuzz::require(readPositionInfo(again, back, false, &error), "what is written reads: " + error);
    const auto same = [](const Orientation& a, const Orientation& b) {
        for (int i = 0; i < 3; ++i) {
            if (a.cosines[i] != b.cosines[i] || a.sines[i] != b.sines[i]) return false;
        }
        return a.order == b.order;
    };
    fuzz::require(
        back.frameCount == info.frameCount && back.modelIndex == info.modelIndex &&
            same(back.stonePose, info.stonePose) &&
            same(back.savedPosition.orientation, info.savedPosition.orientation) &&
            back.look.trimmingActive == info.look.trimmingActive &&
            back.look.transformable.ellipsoidRows == info.look.transformable.ellipsoidRows &&
            back.frameSettings.has_value() == info.frameSettings.has_value() &&
            (!back.frameSettings ||
             back.frameSettings->recursionDepth == info.frameSettings->recursionDepth),
        "round trip");
    // Every field: what was read back writes the same bytes again.
    fuzz::require(writePositionInfo(third, back, &error), "write again: " + error);
    fuzz::require(fuzz::readScratch(third) == fuzz::readScratch(again), "the same bytes");
    return 0;
}
