#include "catalogue/render_shard.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/model/gemcad_design.h"
#include "app/output/animation_job.h"
#include "app/output/capture_job.h"
#include "app/plot/tilt_plot.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/session/capture_session.h"
#include "app/session/session.h"
#include "catalogue/design_figures.h"
#include "catalogue/design_folder.h"
#include "imgctl/imgctl.h"
#include "util/atomic_file.h"
#include "util/file_read.h"
#include "util/interrupts.h"
#include "util/path_text.h"
#include "util/program_exit.h"

namespace tavrine::catalogue {

namespace {

constexpr const char* kProgram = "tavrine-catalogue";

// The turntable looks down on the stone by 12 key steps of pi/64 (about 34 degrees), so that the
// table shows as it turns.
constexpr int32_t kTurntableElevationSteps = 12;

// The delay of each turntable frame in 1/100 s: 36 frames make a turn of about three seconds.
constexpr int32_t kTurntableDelay = 8;

// How one design's run ended.
enum class DesignOutcome { Done, Refused, Skipped, Stopped, Failed };

struct DesignRun {
    DesignOutcome outcome = DesignOutcome::Failed;
    std::string message;  // Failed: the one-line problem; Refused: the reader's reason
    double seconds = 0.0;
};

// Stops a render or capture when a signal arrived.
class StopOnInterrupt : public CaptureObserver {
  public:
    bool abortRequested() override { return util::interrupted(); }
};

// Stops the renderings of the figures when a signal arrived.
class StopSweepOnInterrupt : public evaluate::SweepObserver {
  public:
    bool stopRequested() override { return util::interrupted(); }
};

// Stops the joining of the frames when a signal arrived.
class StopJoiningOnInterrupt : public AnimationObserver {
  public:
    bool abortRequested() override { return util::interrupted(); }
};

DesignRun failed(std::string message) { return {DesignOutcome::Failed, std::move(message), 0.0}; }

DesignRun stopped() { return {DesignOutcome::Stopped, "", 0.0}; }

std::string systemReason(int code) { return std::strerror(code); }

// Makes folder and its missing parents; false with message set when it is not a folder after.
bool makeFolder(const std::string& folder, std::string* message) {
    std::error_code problem;
    std::filesystem::create_directories(folder, problem);
    if (!problem && std::filesystem::is_directory(folder, problem)) return true;
    *message = util::cannotText("write", folder,
                                problem ? problem.message() : std::string("it is not a folder"));
    return false;
}

// Removes the file at path when there is one; false with message set when it stays.
bool removeFile(const std::string& path, std::string* message) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    *message = util::cannotText("write", path, systemReason(errno));
    return false;
}

// Removes the folder at path and everything in it (links themselves, never what they lead to).
void removeTree(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

bool writeText(const std::string& path, const std::string& text, std::string* message) {
    std::string reason;
    if (util::writeFileAtomically(path, text.data(), text.size(), &reason)) return true;
    *message = util::cannotText("write", path, reason);
    return false;
}

// Returns the text of the done mark in folder, or "" when there is none.
std::string doneMarkIn(const std::string& folder) {
    std::vector<uint8_t> bytes;
    if (!util::readWholeFile(folder + "/" + kDoneFile, 4096, bytes)) return "";
    return std::string(bytes.begin(), bytes.end());
}

// A folder of the run's own under the temporary folder ($TMPDIR, else /tmp) for the frames of
// the turntables: they are scratch, written and read once, and stay off the catalogue's file
// system, which may be a slow network one. Removed with everything in it when it goes.
class ScratchFolder {
  public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        if (!path_.empty()) removeTree(path_);
    }

    // Makes the folder; false with message set when it cannot be made.
    bool make(std::string* message) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                              "/tavrine-catalogue-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            *message = util::cannotText("write", util::parentFolder(pattern), systemReason(errno));
            return false;
        }
        path_ = pattern;
        return true;
    }

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Renders the design's figures, and writes the still (the face-up picture under the chosen
// lighting), the tilt sweep's rows and its plot into folder.
DesignRun renderEvaluation(Session& session, const CatalogueOptions& options,
                           const std::string& folder, const RenderExecution& execution,
                           DesignEvaluation& evaluation) {
    StopSweepOnInterrupt observer;
    evaluation = evaluateDesign(session, options.lighting, options.tilt, observer, execution);
    if (evaluation.status == RenderStatus::Failed) {
        return failed("cannot render: " + evaluation.error);
    }
    if (evaluation.status == RenderStatus::Aborted || util::interrupted()) return stopped();
    const PictureSaveResult saved = savePictureFile(
        evaluation.faceUp.get(), pictureTrimmingOf(session),
        static_cast<int32_t>(PictureFormat::Png24),
        imgctl::colourRef(renderSettingsOf(session).backdrop), folder + "/" + kStillFile);
    if (!saved.ok) return failed(saved.message);
    std::string message;
    if (!writeText(folder + "/" + kTiltCsvFile, evaluate::tiltCsv(evaluation.tilts), &message)) {
        return failed(message);
    }
    // A plot of an earlier run goes first, so that none stays that is not of these rows.
    const std::string plot = folder + "/" + kTiltPlotFile;
    if (!removeFile(plot, &message)) return failed(message);
    const std::string title = plot::tiltPlotTitle(
        session.design.path.substr(session.design.path.find_last_of('/') + 1), options.lighting);
    if (!plot::writeTiltPlot(evaluation.tilts, plot, &message, title)) return failed(message);
    return {DesignOutcome::Done, "", 0.0};
}

// Captures the turntable's frames into a folder of scratch and joins them into the animation in
// folder; the frames are removed whatever happens.
DesignRun renderTurntable(Session& session, const CatalogueOptions& options,
                          const std::string& folder, const std::string& scratch,
                          const RenderExecution& execution) {
    const std::string work = scratch + "/frames";
    removeTree(work);
    std::string message;
    if (!makeFolder(work, &message)) return failed(message);
    struct RemoveFrames {
        std::string path;
        ~RemoveFrames() { removeTree(path); }
    } removeFrames{work};

    PositionInfo record = newCaptureRecord(session, options.frames);
    CaptureScene scene = captureSceneOf(session, record);
    CaptureFiles files;
    files.infoPath = work + "/turntable.sqi";
    files.frameBase = work + "/turntable";
    files.format = FrameFormat::Gif;
    StopOnInterrupt captureObserver;
    const CaptureResult captured =
        captureFrames(scene, record, files, renderJobFunction(execution), captureObserver);
    if (captured.outcome == CaptureOutcome::Aborted) return stopped();
    if (captured.outcome == CaptureOutcome::Failed) return failed(captured.message);

    AnimationRequest request;
    request.frameBase = files.frameBase;
    request.frameExtension = frameExtension(files.format);
    request.frameCount = options.frames;
    request.timeWeight = kTurntableDelay;
    request.outputPath = folder + "/" + kTurntableFile;
    StopJoiningOnInterrupt joinObserver;
    const AnimationResult joined = compileAnimation(request, joinObserver);
    if (joined.aborted) return stopped();
    if (!joined.ok) return failed(joined.reason);
    return {DesignOutcome::Done, "", 0.0};
}

// Records design as refused with reason: its pictures of an earlier version go, figures.json
// and the done mark come.
DesignRun refuse(const DesignFile& design, const std::string& folder, const std::string& reason,
                 const CatalogueOptions& options, const std::string& mark,
                 std::chrono::steady_clock::time_point started) {
    std::string message;
    for (const char* name : {kStillFile, kTurntableFile, kTiltCsvFile, kTiltPlotFile}) {
        if (!removeFile(folder + "/" + name, &message)) return failed(message);
    }
    const DesignFigures figures = designFigures(design, nullptr, nullptr, reason, options, started);
    if (!writeText(folder + "/" + kFiguresFile, figuresJson(figures), &message) ||
        !writeText(folder + "/" + kDoneFile, mark, &message)) {
        return failed(message);
    }
    return {DesignOutcome::Refused, reason, figures.seconds};
}

// Renders one design into its folder unless its done mark matches.
DesignRun renderDesign(const DesignFile& design, const CatalogueOptions& options,
                       const std::string& optionsDigest, const std::string& scratch) {
    const auto started = std::chrono::steady_clock::now();
    const std::string folder = designFolderOf(options.out, design.name);
    // The digest of the bytes as they are now: a design changed while it is rendered has
    // another digest at the next run and is done again then.
    std::vector<uint8_t> bytes;
    const std::string designDigest = util::readWholeFile(design.path, kMaxDesignFileSize, bytes)
                                         ? sha256Hex(bytes.data(), bytes.size())
                                         : std::string("unreadable");
    const std::string mark = doneMarkText(designDigest, optionsDigest);

    std::string message;
    if (doneMarkIn(folder) == mark) return {DesignOutcome::Skipped, "", 0.0};
    if (!makeFolder(folder, &message)) return failed(message);
    if (!removeFile(folder + "/" + kDoneFile, &message)) return failed(message);

    // One session serves every picture: the design is read and built once, the figures are
    // rendered from its face-up view and the turntable turns its view.
    Session session;
    const SceneResult set = setUpScene(session, catalogueScene(design, options));
    if (!set.ok()) return refuse(design, folder, set.message, options, mark, started);
    RenderExecution execution;
    execution.threads = options.threads;
    DesignEvaluation evaluation;
    DesignRun run = renderEvaluation(session, options, folder, execution, evaluation);
    if (run.outcome != DesignOutcome::Done) return run;
    run = renderTurntable(session, options, folder, scratch, execution);
    if (run.outcome != DesignOutcome::Done) return run;

    const DesignFigures figures =
        designFigures(design, &session, &evaluation, "", options, started);
    if (!writeText(folder + "/" + kFiguresFile, figuresJson(figures), &message) ||
        !writeText(folder + "/" + kDoneFile, mark, &message)) {
        return failed(message);
    }
    return {DesignOutcome::Done, "", figures.seconds};
}

// Shows a line per design on a terminal: the design while it is in hand, then its outcome.
class DesignProgress {
  public:
    explicit DesignProgress(std::FILE* stream)
        : stream_(stream), terminal_(::isatty(::fileno(stream)) != 0) {}

    void starting(size_t i, size_t count, const std::string& name) {
        if (!terminal_) return;
        prefix_ = "[" + std::to_string(i + 1) + "/" + std::to_string(count) + "] " +
                  util::quotedPath(name);
        std::fprintf(stream_, "%s ...", prefix_.c_str());
        std::fflush(stream_);
    }

    void finished(const DesignRun& run) {
        if (!terminal_) return;
        std::fprintf(stream_, "\r\033[K%s: ", prefix_.c_str());
        switch (run.outcome) {
        case DesignOutcome::Done:
            std::fprintf(stream_, "done in %.2f s\n", run.seconds);
            break;
        case DesignOutcome::Refused:
            std::fprintf(stream_, "refused: %s\n", run.message.c_str());
            break;
        case DesignOutcome::Skipped:
            std::fprintf(stream_, "done before\n");
            break;
        case DesignOutcome::Stopped:
        case DesignOutcome::Failed:
            std::fprintf(stream_, "stopped\n");
            break;
        }
        std::fflush(stream_);
    }

  private:
    std::FILE* stream_;
    bool terminal_;
    std::string prefix_;
};

}  // namespace

SceneRequest catalogueScene(const DesignFile& design, const CatalogueOptions& options) {
    SceneRequest request;
    request.design = design.path;
    request.width = options.size;
    request.turntable = true;
    request.viewSteps = {{'U', kTurntableElevationSteps}};
    return request;
}

int runRenderCommand(const CatalogueOptions& options, std::FILE* out, std::FILE* err) {
    std::vector<DesignFile> designs;
    std::string reason;
    if (!listDesignFiles(options.designs, designs, &reason)) {
        std::fprintf(err, "%s: %s\n", kProgram,
                     util::cannotText("read", options.designs, reason).c_str());
        return util::kExitFileError;
    }
    std::vector<DesignFile> mine;
    for (DesignFile& design : designs) {
        if (shardOf(design.name, options.shard.count) == options.shard.index) {
            mine.push_back(std::move(design));
        }
    }
    std::string message;
    if (!makeFolder(options.out + "/" + kDesignsFolder, &message)) {
        std::fprintf(err, "%s: %s\n", kProgram, message.c_str());
        return util::kExitFileError;
    }

    ScratchFolder scratch;
    if (!scratch.make(&message)) {
        std::fprintf(err, "%s: %s\n", kProgram, message.c_str());
        return util::kExitFileError;
    }
    const std::string optionsText = outputOptionsText(options);
    const std::string optionsDigest = sha256Hex(optionsText.data(), optionsText.size());
    util::InterruptGuard guard;
    DesignProgress progress(err);
    size_t done = 0, refused = 0, skipped = 0;
    for (size_t i = 0; i < mine.size(); ++i) {
        progress.starting(i, mine.size(), mine[i].name);
        const DesignRun run = util::interrupted()
                                  ? stopped()
                                  : renderDesign(mine[i], options, optionsDigest, scratch.path());
        progress.finished(run);
        switch (run.outcome) {
        case DesignOutcome::Done:
            ++done;
            break;
        case DesignOutcome::Refused:
            ++refused;
            break;
        case DesignOutcome::Skipped:
            ++skipped;
            break;
        case DesignOutcome::Stopped:
            std::fprintf(err,
                         "%s: stopped at %s (%zu of %zu designs of shard %d/%d complete); run "
                         "the same command again to go on\n",
                         kProgram, util::quotedPath(mine[i].name).c_str(), done + refused + skipped,
                         mine.size(), options.shard.index, options.shard.count);
            return util::interruptExitCode();
        case DesignOutcome::Failed:
            std::fprintf(err, "%s: %s\n", kProgram, run.message.c_str());
            return util::kExitFileError;
        }
    }
    std::fprintf(out, "shard %d/%d: %zu design%s: %zu done, %zu refused, %zu done before\n",
                 options.shard.index, options.shard.count, mine.size(), mine.size() == 1 ? "" : "s",
                 done, refused, skipped);
    return util::finishOutput(kProgram, out, err) ? util::kExitOk : util::kExitFileError;
}

}  // namespace tavrine::catalogue
