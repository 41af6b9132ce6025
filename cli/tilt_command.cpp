#include "cli/tilt_command.h"

#include <utility>

#include "app/evaluate/tilt_sweep.h"
#include "app/plot/plot_names.h"
#include "app/settings/stone_table.h"
#include "cli/plot_loader.h"
#include "cli/progress_bar.h"
#include "util/atomic_file.h"
#include "util/interrupts.h"
#include "util/path_text.h"
#include "util/program_exit.h"

namespace tavrine::cli {

namespace {

// Shows the sweep's progress, a tilt at a time, on the progress bar and stops it at a signal.
class SweepProgress : public evaluate::SweepObserver {
  public:
    explicit SweepProgress(std::FILE* err) : bar_(err) {}
    void tiltStarted(int32_t index, int32_t count) override {
        if (index == 0) bar_.renderStarted();
        bar_.progress(count > 0 ? index * 100 / count : 0);
    }
    bool stopRequested() override { return util::interrupted(); }
    // Completes the bar's line once it was shown.
    void finished() {
        bar_.progress(100);
        bar_.renderEnded();
    }

  private:
    ProgressBar bar_;
};

// The plot's title: what is judged (the design's file name, else the stone) and in which light.
std::string plotTitle(const CliOptions& o, const Session& session) {
    std::string subject = stoneCaption(session.settings.stoneIndex, false);
    if (!o.design.empty()) subject = o.design.substr(o.design.find_last_of('/') + 1);
    return plot::tiltPlotTitle(subject, renderSettingsOf(session).lighting);
}

}  // namespace

int runTiltSweep(const CliOptions& o, const Session& session, const RenderExecution& execution,
                 std::FILE* out, std::FILE* report, std::FILE* err,
                 const std::function<void(const std::string&)>& wrote) {
    const evaluate::EvaluationScene scene = evaluationSceneOf(session);
    SweepProgress progress(err);
    const evaluate::Sweep sweep = evaluate::sweepTilts(
        scene, *o.tiltSweep, progress, execution,
        o.tiltStrip.empty() ? evaluate::KeptPictures::None : evaluate::KeptPictures::All);
    progress.finished();
    if (sweep.status == RenderStatus::Failed) {
        std::fprintf(err, "tavrine-render: cannot render the tilt sweep: %s\n",
                     sweep.error.c_str());
        return util::kExitFileError;
    }
    if (sweep.status == RenderStatus::Aborted || util::interrupted()) {
        std::fprintf(err, "tavrine-render: stopped; the tilt sweep was not finished\n");
        return util::interruptExitCode();
    }

    for (const evaluate::TiltRow& row : sweep.rows) {
        std::fprintf(report, "%s\n", evaluate::tiltRowText(row).c_str());
    }
    std::fprintf(report, "tilt-averaged brightness: %.2f%%\n",
                 evaluate::averageBrightness(sweep.rows));

    std::string error;
    if (!o.tiltCsv.empty()) {
        const std::string csv = evaluate::tiltCsv(sweep.rows);
        if (o.tiltCsv == kStandardOutput) {
            std::fwrite(csv.data(), 1, csv.size(), out);
        } else {
            std::string reason;
            if (!util::writeFileAtomically(o.tiltCsv, csv.data(), csv.size(), &reason)) {
                std::fprintf(err, "tavrine-render: %s\n",
                             util::cannotText("write", o.tiltCsv, reason).c_str());
                return util::kExitFileError;
            }
            wrote(o.tiltCsv);
        }
    }
    // A signal that arrived while a file was written lets it finish but starts no other.
    const std::pair<const std::string*, bool> drawings[] = {{&o.tiltPlot, true},
                                                            {&o.tiltStrip, false}};
    for (const auto& [path, isPlot] : drawings) {
        if (path->empty()) continue;
        if (util::interrupted()) {
            std::fprintf(err, "tavrine-render: stopped; %s was not written\n",
                         util::quotedPath(*path).c_str());
            return util::interruptExitCode();
        }
        const PlotModule* module = loadPlotModule(&error);
        const std::string title = isPlot ? plotTitle(o, session) : std::string();
        const bool written =
            module != nullptr &&
            (isPlot ? module->writeTiltPlot(&sweep.rows, path, &error, &title)
                    : module->writeTiltStrip(&sweep.rows, &sweep.pictures, path, &error));
        if (!written) {
            std::fprintf(err, "tavrine-render: %s\n", error.c_str());
            return util::kExitFileError;
        }
        wrote(*path);
    }
    return util::kExitOk;
}

}  // namespace tavrine::cli
