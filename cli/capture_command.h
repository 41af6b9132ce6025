#pragma once
// The automatic capture and the animated GIF from the command line: `--capture FILE.sqi` makes
// or resumes the frames of one full turn, `--make-gif FILE.sqi` joins them into an animation.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/output/capture_job.h"
#include "cli/options.h"

namespace tavrine::cli {

// What a capture or make-gif command line says.
struct CaptureOptions {
    bool makeGif = false;                 // --make-gif instead of --capture
    std::string infoPath;                 // the Capture-Info File
    int32_t frames = kDefaultFrameCount;  // --frames, a new capture only
    bool framesGiven = false;
    FrameFormat format = FrameFormat::Gif;  // --frame-format
    bool formatGiven = false;
    bool startOver = false;   // --new
    bool check = false;       // --check
    bool quiet = false;       // --quiet: no "wrote" lines
    std::string out;          // --out, the animation (--make-gif)
    int32_t delay = 4;        // --delay, 1/100 s per frame (--make-gif)
    bool clockwise = false;   // --clockwise (--make-gif)
    CliOptions scene;         // the scene and running options of a new capture
    bool sceneGiven = false;  // an option that sets the scene was given
    bool depthGiven = false;  // --depth was given (a resume checks it against the record)
};

// The outcome of parsing: the options, or a one-line message naming the bad option.
struct CaptureParseResult {
    CaptureOptions options;
    std::string error;
};

// Returns whether the command line asks for a capture or an animated GIF (--capture or
// --make-gif, also in the --option=value form).
bool isCaptureCommand(const std::vector<std::string>& args);

// Parses a capture or make-gif command line; the scene options are those of a render.
CaptureParseResult parseCaptureOptions(const std::vector<std::string>& args);

// Runs a capture or make-gif command line: messages go to `err` (with progress when it is a
// terminal), the path of every file written to `out`. Returns an exit code.
int runCaptureCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

// The usage lines of --capture and --make-gif, for --help.
const char* captureUsageText();

}  // namespace tavrine::cli
