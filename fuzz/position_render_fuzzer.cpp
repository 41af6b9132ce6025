// A Position-Info File through a whole render of tavrine-render (at 32 x 32 pixels, one
// thread): whatever the reader accepts renders without undefined behaviour, and a render that
// succeeds saves a record that reads back.

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/output/position_info.h"
#include "cli/options.h"
#include "cli/render_command.h"
#include "fuzz/fuzz_support.h"

using namespace tavrine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::scratchPath("r.gpi");
    static const std::string picture = fuzz::scratchPath("r.bmp");
    static const std::string saved = fuzz::scratchPath("s.gpi");
    static std::FILE* sink = std::fopen("/dev/null", "w");
    if (size > 400) return 0;  // the record and its longest tail are 288 bytes
    fuzz::writeScratch(path, data, size);
    const cli::ParseResult parsed =
        cli::parseOptions({"--position", path, "--size", "32", "--threads", "1", "--turn", "L1",
                           "--out", picture, "--save-position", saved});
    fuzz::require(parsed.error.empty(), "the harness's own command line");
    const int status = cli::runRender(parsed.options, sink, sink);
    // Usage (2) is the harness's own --size 32 meeting a file's trimming for a larger picture.
    fuzz::require(
        status == cli::kExitOk || status == cli::kExitFileError || status == cli::kExitUsage,
        "exit code");
    if (status == cli::kExitOk) {
        // What the tool writes, it reads.
        PositionInfo info;
        std::string error;
        fuzz::require(readPositionInfo(saved, info, false, &error), "saved record: " + error);
    }
    return 0;
}
