// The settings reader: any file gives settings inside their ranges, and what is written from
// them reads back the same.

#include <cstdint>
#include <string>

#include "app/settings/settings_file.h"
#include "app/settings/value_ranges.h"
#include "fuzz/fuzz_support.h"

using namespace tavrine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratchPath("Setting.ini");
    static const std::string again = fuzz::scratchPath("Setting2.ini");
    static const std::string third = fuzz::scratchPath("Setting3.ini");
    fuzz::writeScratch(path, data, size);
    Settings settings = defaultSettings("/shots/", "/caps/");
    fuzz::require(readSettings(path, settings), "a regular file opens");
    fuzz::require(models::isChoosable(settings.modelIndex), "model index");
    fuzz::require(ranges::kStone.contains(settings.stoneIndex), "stone index");
    fuzz::require(ranges::kColour.contains(settings.colourIndex), "colour index");
    fuzz::require(ranges::kRefractiveIndex.contains(settings.refractiveIndex), "index");
    fuzz::require(ranges::kImageWidth.contains(settings.look.imageWidth), "width");
    fuzz::require(ranges::kFrameCount.contains(settings.frameCount), "frame count");
    for (char c : settings.screenShotFolder + settings.captureFolder) {
        fuzz::require(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "folder text");
    }
    fuzz::require(writeSettings(again, settings, nullptr), "write");
    Settings back = defaultSettings("/shots/", "/caps/");
    fuzz::require(readSettings(again, back), "read back");
    fuzz::require(back.screenShotFolder == settings.screenShotFolder &&
                      back.frameCount == settings.frameCount &&
                      back.refractiveIndex == settings.refractiveIndex &&
                      back.look.trimming.top == settings.look.trimming.top,
                  "round trip");
    // Every field: what was read back writes the same bytes again.
    fuzz::require(writeSettings(third, back, nullptr), "write again");
    fuzz::require(fuzz::readScratch(third) == fuzz::readScratch(again), "the same bytes");
    return 0;
}
