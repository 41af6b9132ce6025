// Times the large window's frame and the sweeps of one design, in-process on all cores:
// - a 512 x 512 frame (Fire, depth 8, no HQ, the separate window's image scale) of every model
//   of the model list in its start-up view, with the Diamond's index, colour and spread;
// - a turntable of 36 frames (every 10 degrees of azimuth) and a tilt sweep of 13 frames (every
//   5 degrees of elevation from -30 to 30), both at 256 x 256, of a design file, rendered by one
//   render job per frame and from one prepared scene.
// Prints the shortest wall time of REPEAT runs of each.
//
// With --literal, each model's frame is also rendered once by the literal reference on one thread,
// and the ratio of the wall times is printed.
//
// Usage: tavrine-frame-bench [--repeat N] [--threads N] [--design FILE]
//                            [--models|--model N|--sweeps] [--literal]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>

#include "app/model/model_record.h"
#include "app/render/prepared_scene.h"
#include "app/render/render_job.h"
#include "app/session/session.h"
#include "app/view/orientation.h"

namespace {

using namespace tavrine;
using Clock = std::chrono::steady_clock;

// The processor time of every thread of the process so far, in seconds.
double processorTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The shortest wall time and the shortest processor time (seconds) of `repeat` runs of the work.
struct Times {
    double wall = 1e30;
    double processor = 1e30;
};

Times best(int32_t repeat, const std::function<void()>& work) {
    Times shortest;
    for (int32_t i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        const double startProcessor = processorTime();
        work();
        shortest.processor = std::min(shortest.processor, processorTime() - startProcessor);
        shortest.wall =
            std::min(shortest.wall, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return shortest;
}

RenderSettings frameSettings(const Session& session, int32_t width) {
    RenderSettings s = renderSettingsOf(session);
    s.renderFire = true;
    s.maxDepth = 8;
    s.highQuality = false;
    s.width = width;
    s.imageScale = imageScaleForWidth(width);
    return s;
}

void renderOnce(const RenderSettings& s, const RenderScene& scene, int32_t threads,
                bool literal = false) {
    RenderObserver quiet;
    RenderExecution execution;
    execution.threads = literal ? 1 : threads;
    execution.literal = literal;
    const RenderResult result = renderJob(s, scene, nullptr, quiet, execution);
    if (result.status != RenderStatus::Completed) {
        std::fprintf(stderr, "render failed: %s\n", result.error.c_str());
        std::exit(1);
    }
}

void timeModels(int32_t repeat, int32_t threads, int32_t only, bool literal) {
    if (literal) {
        std::printf("%-22s %10s %12s %10s %7s\n", "model (512 x 512)", "wall", "processor",
                    "literal", "ratio");
    } else {
        std::printf("%-22s %10s %12s\n", "model (512 x 512)", "wall", "processor");
    }
    for (int32_t model = 0; model < kModelCount; ++model) {
        if (model == kSeparatorModelIndex || (only >= 0 && model != only)) continue;
        Session session;
        chooseStone(session, 0);
        chooseModel(session, model);
        rebuildModel(session);
        resetView(session);
        prepareView(session);
        const RenderSettings s = frameSettings(session, 512);
        const RenderScene scene = renderSceneOf(session);
        renderOnce(s, scene, threads);  // the scratch warms up as in the viewer
        const Times t = best(repeat, [&] { renderOnce(s, scene, threads); });
        std::printf("%2d %-19s %8.1f ms %9.1f ms", model, modelCaption(model), t.wall * 1000.0,
                    t.processor * 1000.0);
        if (literal) {
            // The literal reference on one thread, once (it is slow and steady).
            const Times l = best(1, [&] { renderOnce(s, scene, 1, true); });
            std::printf(" %8.0f ms %6.1fx", l.wall * 1000.0, l.wall / t.wall);
        }
        std::printf("\n");
    }
}

// Renders the frames of a sweep, the turntable view at each pair of angles, one render job each.
void sweepByJobs(Session& session, const std::vector<TurntableAngles>& angles, int32_t threads) {
    const RenderSettings s = frameSettings(session, 256);
    for (const TurntableAngles& a : angles) {
        session.orientation.viewPose.turntableAngles = a;
        setViewFromTurntable(session.orientation.viewPose);
        prepareView(session);
        renderOnce(s, renderSceneOf(session), threads);
    }
}

// The same frames from one prepared scene, each frame's picture serving the next.
void sweepPrepared(Session& session, const std::vector<TurntableAngles>& angles, int32_t threads) {
    PreparedScene prepared(frameSettings(session, 256), RenderExecution{threads, false});
    imgctl::DibPtr picture;
    for (const TurntableAngles& a : angles) {
        session.orientation.viewPose.turntableAngles = a;
        setViewFromTurntable(session.orientation.viewPose);
        prepareView(session);
        RenderResult result = prepared.render(renderSceneOf(session), std::move(picture));
        if (result.status != RenderStatus::Completed) {
            std::fprintf(stderr, "render failed: %s\n", result.error.c_str());
            std::exit(1);
        }
        picture = std::move(result.picture);
    }
}

void timeSweeps(int32_t repeat, int32_t threads, const std::string& design) {
    Session session;
    chooseStone(session, 0);
    std::string error;
    if (!openDesign(session, design, &error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", design.c_str(), error.c_str());
        std::exit(1);
    }
    rebuildModel(session);
    resetView(session);
    setTurntable(session, true);
    const TurntableAngles start = session.orientation.viewPose.turntableAngles;
    const double degree = 3.141592653589793 / 180.0;
    std::vector<TurntableAngles> turns;
    for (int32_t k = 0; k < 36; ++k) {
        TurntableAngles a = start;
        a.elevation = 20.0 * degree;
        a.azimuth += k * 10.0 * degree;
        turns.push_back(a);
    }
    std::vector<TurntableAngles> tilts;
    for (int32_t k = 0; k < 13; ++k) {
        TurntableAngles a = start;
        a.elevation = (-30.0 + 5.0 * k) * degree;
        tilts.push_back(a);
    }
    struct Sweep {
        const char* name;
        const std::vector<TurntableAngles>& angles;
    };
    for (const Sweep& w :
         {Sweep{"turntable, 36 frames", turns}, Sweep{"tilt sweep, 13 frames", tilts}}) {
        const Times jobs = best(repeat, [&] { sweepByJobs(session, w.angles, threads); });
        const Times prepared = best(repeat, [&] { sweepPrepared(session, w.angles, threads); });
        std::printf(
            "%-22s of 256 x 256: render jobs %6.3f s (processor %6.3f s), prepared scene "
            "%6.3f s (processor %6.3f s)\n",
            w.name, jobs.wall, jobs.processor, prepared.wall, prepared.processor);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int32_t repeat = 5;
    int32_t threads = 0;
    int32_t only = -1;
    bool literal = false;
    bool models = true;
    bool sweeps = true;
    std::string design = "examples/round-brilliant.asc";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--threads" && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
        } else if (a == "--design" && i + 1 < argc) {
            design = argv[++i];
        } else if (a == "--model" && i + 1 < argc) {
            only = std::atoi(argv[++i]);
            sweeps = false;
        } else if (a == "--literal") {
            literal = true;
        } else if (a == "--models") {
            sweeps = false;
        } else if (a == "--sweeps") {
            models = false;
        } else {
            std::fprintf(stderr,
                         "usage: tavrine-frame-bench [--repeat N] [--threads N] [--design FILE] "
                         "[--models|--model N|--sweeps] [--literal]\n");
            return 2;
        }
    }
    if (models) timeModels(repeat, threads, only, literal);
    if (sweeps) timeSweeps(repeat, threads, design);
    return 0;
}
