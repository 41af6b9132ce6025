#include "cli/capture_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/output/animation_job.h"
#include "app/output/file_names.h"
#include "app/output/position_info.h"
#include "app/session/capture_session.h"
#include "cli/render_command.h"
#include "imgctl/imgctl.h"
#include "util/interrupts.h"
#include "util/path_text.h"

namespace tavrine::cli {

using util::interrupted;
using util::interruptExitCode;
using util::InterruptGuard;

namespace {

// Shows the frame and the render of the frame on a terminal, and stops on an interrupt.
class CaptureProgress : public CaptureObserver {
  public:
    explicit CaptureProgress(std::FILE* stream)
        : stream_(stream), terminal_(isatty(fileno(stream)) != 0) {}

    void frameStarting(int32_t k, int32_t frameCount) override {
        frame_ = k;
        frames_ = frameCount;
        draw(0);
    }
    void progress(int32_t percent) override { draw(percent); }
    bool abortRequested() override { return interrupted(); }
    void finish() {
        if (!terminal_) return;
        std::fputs("\r\033[K", stream_);
        std::fflush(stream_);
    }

  private:
    void draw(int32_t percent) {
        if (!terminal_) return;
        const long total = std::lround(frame_ * 100.0 / (frames_ > 0 ? frames_ : 1));
        std::fprintf(stream_, "\rcapturing frame %d / %d  %3ld %%  (frame %3d %%)\033[K", frame_,
                     frames_, total, percent);
        std::fflush(stream_);
    }

    std::FILE* stream_;
    bool terminal_;
    int32_t frame_ = 0;
    int32_t frames_ = 0;
};

// Shows the compile's progress on a terminal, and stops on an interrupt.
class AnimationProgress : public AnimationObserver {
  public:
    explicit AnimationProgress(std::FILE* stream)
        : stream_(stream), terminal_(isatty(fileno(stream)) != 0) {}
    void progress(int32_t i, int32_t frameCount) override {
        if (!terminal_) return;
        std::fprintf(stream_, "\rcompiling frame %d / %d  %3ld %%\033[K", i, frameCount,
                     std::lround(i * 100.0 / frameCount));
        std::fflush(stream_);
    }
    bool abortRequested() override { return interrupted(); }
    void finish() {
        if (!terminal_) return;
        std::fputs("\r\033[K", stream_);
        std::fflush(stream_);
    }

  private:
    std::FILE* stream_;
    bool terminal_;
};

// A path as messages show it.
std::string shown(const std::string& path) { return util::quotedPath(path); }

bool parseInt(const std::string& text, int32_t lo, int32_t hi, int32_t& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < lo || v > hi) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Returns the Capture-Info File's path without its extension: the base of the frame names.
std::string frameBaseOf(const std::string& infoPath) {
    const SplitPath parts = splitPath(infoPath);
    return parts.drive + parts.directory + parts.name;
}

// Returns the format of the frames already on disk (the first of frames 0 to upTo - 1 found),
// GIF when there are none.
FrameFormat formatOnDisk(const std::string& base, int32_t frameCount, int32_t upTo) {
    for (int32_t k = 0; k < upTo && k < frameCount; ++k) {
        if (pathExists(frameFileName(base, k, frameCount, ".gif"))) return FrameFormat::Gif;
        if (pathExists(frameFileName(base, k, frameCount, ".png"))) return FrameFormat::Png24;
    }
    return FrameFormat::Gif;
}

// The option name of "--name=value" or "--name".
std::string optionName(const std::string& arg) {
    const size_t eq = arg.find('=');
    return arg.rfind("--", 0) == 0 && eq != std::string::npos ? arg.substr(0, eq) : arg;
}

int runCapture(const CaptureOptions& o, std::FILE* out, std::FILE* err) {
    const std::string& info = o.infoPath;
    const std::string base = frameBaseOf(info);
    const bool exists = pathExists(info);
    if (exists && !isRegularFile(info)) {
        std::fprintf(err, "tavrine-render: cannot read %s: not a regular file\n",
                     shown(info).c_str());
        return kExitFileError;
    }

    PositionInfo record;
    Session session;
    FrameFormat format = o.format;
    if (!exists || o.startOver) {
        if (o.check) {
            std::fprintf(err,
                         "tavrine-render: --check needs an existing Capture-Info File; %s does "
                         "not exist\n",
                         shown(info).c_str());
            return kExitUsage;
        }
        Session chosen;
        const int setUp = setUpScene(o.scene, chosen, err);
        if (setUp != kExitOk) return setUp;
        record = newCaptureRecord(chosen, o.frames);
        session.settings.recursionDepth = chosen.settings.recursionDepth;
    } else {
        if (o.sceneGiven) {
            std::fprintf(err,
                         "tavrine-render: %s exists and holds the scene of its capture: scene "
                         "options go with a new capture only (add --new to start over)\n",
                         shown(info).c_str());
            return kExitUsage;
        }
        if (o.framesGiven) {
            std::fprintf(err,
                         "tavrine-render: %s exists and holds its frame count: --frames goes with "
                         "a new capture only (add --new to start over)\n",
                         shown(info).c_str());
            return kExitUsage;
        }
        std::string error;
        if (!readPositionInfo(info, record, false, &error, RecordFile::Capture)) {
            std::fprintf(err, "tavrine-render: cannot read %s: %s\n", shown(info).c_str(),
                         error.c_str());
            return kExitFileError;
        }
        if (!o.formatGiven) format = formatOnDisk(base, record.frameCount, record.framesDone);
        if (o.check) {
            record.checkMode = 1;
            record.framesDone = 0;
        } else if (record.framesDone == record.frameCount) {
            std::fprintf(err,
                         "tavrine-render: %s: all %d frames are captured already (--check "
                         "recaptures missing frames, --new starts over)\n",
                         shown(info).c_str(), record.frameCount);
            return kExitOk;
        }
        if (o.depthGiven) {
            // The depth a resume is given again must be the one its frames are rendered at.
            const std::string conflict = captureDepthConflict(record, *o.scene.depth);
            if (!conflict.empty()) {
                std::fprintf(err,
                             "tavrine-render: %s: %s: leave --depth out to resume, or add "
                             "--new to start over\n",
                             shown(info).c_str(), conflict.c_str());
                return kExitUsage;
            }
            session.settings.recursionDepth = *o.scene.depth;
        }
    }
    std::string designError;
    if (!resumeCapture(session, record, &designError)) {
        std::fprintf(err, "tavrine-render: %s; %s names this design\n", designError.c_str(),
                     shown(info).c_str());
        return kExitFileError;
    }

    CaptureScene scene = captureSceneOf(session, record);
    RenderExecution execution;
    execution.threads = o.scene.threads;
    execution.literal = o.scene.literal;
    CaptureFiles files;
    files.infoPath = info;
    files.frameBase = base;
    files.format = format;

    const int32_t from = record.framesDone;
    CaptureProgress progress(err);
    CaptureResult result;
    {
        InterruptGuard guard;
        result = captureFrames(scene, record, files, renderJobFunction(execution), progress);
    }
    progress.finish();

    const int32_t n = record.frameCount;
    const char* extension = frameExtension(format);
    if (o.quiet) {
        // No "wrote" lines.
    } else if (record.checkMode != 0) {
        std::fprintf(out, "wrote %d missing frames, kept %d\n", result.framesRendered,
                     result.framesKept);
    } else if (result.framesRendered > 0) {
        std::fprintf(out, "wrote %d frames from %s to %s\n", result.framesRendered,
                     shown(frameFileName(base, from, n, extension)).c_str(),
                     shown(frameFileName(base, record.framesDone - 1, n, extension)).c_str());
    }
    switch (result.outcome) {
    case CaptureOutcome::Complete:
        if (!o.quiet) std::fprintf(out, "wrote %s (%d of %d frames)\n", shown(info).c_str(), n, n);
        return kExitOk;
    case CaptureOutcome::Aborted:
        std::fprintf(err,
                     "tavrine-render: capture stopped at frame %d of %d, recorded in %s; run the "
                     "same command again to resume\n",
                     record.framesDone, n, shown(info).c_str());
        return interruptExitCode();
    case CaptureOutcome::Failed:
        break;
    }
    // One line: the failure, then where a second run would go on.
    std::fprintf(err, "tavrine-render: %s", result.message.c_str());
    if (record.framesDone < n && isRegularFile(info) && !result.recordFailed) {
        std::fprintf(err, "; %s records %d of %d frames: run the same command again to resume",
                     shown(info).c_str(), record.framesDone, n);
    }
    std::fputc('\n', err);
    return kExitFileError;
}

int runMakeGif(const CaptureOptions& o, std::FILE* out, std::FILE* err) {
    PositionInfo record;
    std::string error;
    if (!readPositionInfo(o.infoPath, record, true, &error, RecordFile::Capture)) {
        std::fprintf(err, "tavrine-render: cannot read %s: %s\n", shown(o.infoPath).c_str(),
                     error.c_str());
        return kExitFileError;
    }
    if (!animationRefusal(record).empty()) {
        std::fprintf(err,
                     "tavrine-render: %s holds %d of %d frames: finish the capture first "
                     "(tavrine-render --capture %s)\n",
                     shown(o.infoPath).c_str(), record.framesDone, record.frameCount,
                     shown(o.infoPath).c_str());
        return kExitFileError;
    }
    AnimationRequest request;
    request.frameBase = frameBaseOf(o.infoPath);
    const FrameFormat format =
        o.formatGiven ? o.format
                      : formatOnDisk(request.frameBase, record.frameCount, record.frameCount);
    request.frameExtension = frameExtension(format);
    request.frameCount = record.frameCount;
    request.timeWeight = o.delay;
    request.clockwise = o.clockwise;
    request.outputPath = o.out.empty() ? animationOutputName(request.frameBase) + ".gif" : o.out;
    const std::string clash = animationInputClash(request, o.infoPath);
    if (!clash.empty()) {
        std::fprintf(err,
                     "tavrine-render: the animated GIF %s would overwrite %s; give it a file of "
                     "its own with --out\n",
                     shown(request.outputPath).c_str(), clash.c_str());
        return kExitUsage;
    }

    AnimationProgress progress(err);
    AnimationResult result;
    {
        InterruptGuard guard;
        result = compileAnimation(request, progress);
    }
    progress.finish();
    if (result.ok) {
        if (!o.quiet) {
            std::fprintf(out, "wrote %s (%d frames, %d/100 s each)\n",
                         shown(request.outputPath).c_str(), request.frameCount,
                         static_cast<int>(animationDelay(o.delay)));
        }
        return kExitOk;
    }
    if (result.aborted) {
        std::fprintf(err, "tavrine-render: stopped; %s was not written\n",
                     shown(request.outputPath).c_str());
        return interruptExitCode();
    }
    // One line: the failure, then the advice for a missing frame.
    std::fprintf(err, "tavrine-render: %s", result.reason.c_str());
    if (!result.failedFrame.empty()) {
        std::fprintf(err,
                     "; %s was not written: tavrine-render --capture %s --check recaptures "
                     "missing frames",
                     shown(request.outputPath).c_str(), shown(o.infoPath).c_str());
    }
    std::fputc('\n', err);
    return kExitFileError;
}

}  // namespace

bool isCaptureCommand(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        const std::string name = optionName(arg);
        if (name == "--capture" || name == "--make-gif") return true;
    }
    return false;
}

CaptureParseResult parseCaptureOptions(const std::vector<std::string>& args) {
    CaptureParseResult result;
    CaptureOptions& o = result.options;
    auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };
    bool capture = false;
    std::vector<std::string> rest;
    bool outGiven = false, delayGiven = false, clockwiseGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::string name = optionName(arg);
        const bool inlineValue = name.size() < arg.size();
        if (name == "--new" || name == "--check" || name == "--clockwise" || name == "--quiet") {
            if (inlineValue) return fail(name + " takes no value");
            if (name == "--quiet") o.quiet = true;
            if (name == "--new") o.startOver = true;
            if (name == "--check") o.check = true;
            if (name == "--clockwise") o.clockwise = clockwiseGiven = true;
            continue;
        }
        static const char* const valued[] = {"--capture",      "--make-gif", "--frames",
                                             "--frame-format", "--delay",    "--out"};
        if (std::find(std::begin(valued), std::end(valued), name) == std::end(valued)) {
            rest.push_back(arg);
            continue;
        }
        std::string value;
        if (inlineValue) {
            value = arg.substr(name.size() + 1);
        } else {
            if (i + 1 >= args.size()) return fail(name + " needs a value (see --help)");
            value = args[++i];
        }
        if (name == "--capture" || name == "--make-gif") {
            if (capture || o.makeGif) return fail("give one --capture or --make-gif");
            if (value.empty()) return fail(name + " must name a Capture-Info File (.sqi)");
            (name == "--capture" ? capture : o.makeGif) = true;
            o.infoPath = value;
        } else if (name == "--frames") {
            if (!parseInt(value, 1, kMaxFrameCount, o.frames)) {
                return fail("--frames must be an integer from 1 to 4096 (got '" + value + "')");
            }
            o.framesGiven = true;
        } else if (name == "--frame-format") {
            if (value == "gif") {
                o.format = FrameFormat::Gif;
            } else if (value == "png24") {
                o.format = FrameFormat::Png24;
            } else {
                return fail("--frame-format must be gif or png24 (got '" + value + "')");
            }
            o.formatGiven = true;
        } else if (name == "--delay") {
            if (!parseInt(value, 0, 65535, o.delay)) {
                return fail(
                    "--delay must be an integer from 0 to 65535 hundredths of a second "
                    "(got '" +
                    value + "')");
            }
            delayGiven = true;
        } else if (name == "--out") {
            if (value.empty() || value == "-") {
                return fail("--out must name a file for the animated GIF");
            }
            o.out = value;
            outGiven = true;
        }
    }
    if (o.makeGif) {
        if (o.startOver || o.check || o.framesGiven) {
            return fail("--new, --check and --frames go with --capture, not --make-gif");
        }
        if (!rest.empty()) {
            return fail("unexpected " + rest.front() + " with --make-gif (see --help)");
        }
        return result;
    }
    if (outGiven || delayGiven || clockwiseGiven) {
        return fail(
            "--out, --delay and --clockwise go with --make-gif; --capture writes its "
            "frames beside the Capture-Info File");
    }
    if (o.startOver && o.check) return fail("give --new or --check, not both");
    for (const std::string& arg : rest) {
        const std::string name = optionName(arg);
        if (name == "--depth") o.depthGiven = true;
        if (name.rfind("--", 0) == 0 && name != "--threads" && name != "--literal" &&
            name != "--depth" && name != "--help" && name != "-h") {
            o.sceneGiven = true;
        }
        if (name == "--save-position" || name == "--export-obj" || name == "--format" ||
            name == "--list" || name == "--brightness") {
            return fail(name + " does not go with --capture (see --help)");
        }
    }
    const ParseResult scene = parseOptions(rest, false);
    if (!scene.error.empty()) return fail(scene.error);
    o.scene = scene.options;
    if (o.scene.size && *o.scene.size > kMaxImageWidth) {
        return fail("--capture takes --size up to " + std::to_string(kMaxImageWidth) +
                    ": the Capture-Info File cannot hold --size " + std::to_string(*o.scene.size));
    }
    return result;
}

int runCaptureCommand(const std::vector<std::string>& args, std::FILE* out, std::FILE* err) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(usageText(), out);
            std::fputs(captureUsageText(), out);
            return kExitOk;
        }
    }
    const CaptureParseResult parsed = parseCaptureOptions(args);
    if (!parsed.error.empty()) {
        std::fprintf(err, "tavrine-render: %s\n", parsed.error.c_str());
        return kExitUsage;
    }
    return parsed.options.makeGif ? runMakeGif(parsed.options, out, err)
                                  : runCapture(parsed.options, out, err);
}

const char* captureUsageText() {
    return R"(
Automatic capture (one full turn of the view, frame by frame):
  tavrine-render --capture FILE.sqi [--frames N] [--frame-format gif|png24] [scene options]
                          a new capture when FILE.sqi does not exist: writes the Capture-Info
                          File and frames FILE_F[000].gif ... beside it; when it exists, resumes
                          it from the frame it records (scene options are then refused)
  --frames N              frames of the full turn, 1..4096 (default 128)
  --frame-format F        gif (256 colours, default) or png24 (lossless, for video tools)
  --new                   start FILE.sqi over even when it exists
  --check                 recapture only the frames whose files are missing
  --depth N               kept in FILE.sqi with the scene: a resume renders at the recorded
                          depth, and --depth given again must agree with it; so are --lighting
                          and --head-shadow, and a resume renders in the recorded lighting
  tavrine-render --make-gif FILE.sqi [--out ANIM.gif] [--delay CS] [--clockwise]
                          join the frames of a finished capture into an animated GIF
                          (default FILE_ANI.gif)
  --delay CS              delay of every frame in 1/100 s, 0..65535 (default 4)
  --clockwise             play the frames in reverse order
  --quiet                 no "wrote" lines
  Exit status 130, 143 or 129: stopped by Ctrl-C, SIGTERM or SIGHUP; the capture resumes
  where it stopped.
)";
}

}  // namespace tavrine::cli
