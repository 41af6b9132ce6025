// Times a tilt sweep of a design as tavrine-render --tilt-sweep runs it: the face-up stone at
// -30 to +30 degrees by 5 (13 tilts), 256 x 256 pixels, Fire at depth 8, under ISO, on all cores
// and on one, with the pictures kept as for a strip. Prints the wall and processor time of each
// run, the shortest and the median, and the tilt-averaged brightness.
//
// Usage: tavrine-tilt-sweep [RUNS] [DESIGN.asc]   (defaults 9 and examples/round-brilliant.asc)

#include "app/evaluate/tilt_sweep.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/session/scene_request.h"
#include "app/session/session.h"

namespace {

using namespace tavrine;

// The processor time of the whole process (all threads), in seconds.
double processSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void measure(const evaluate::EvaluationScene& scene, int32_t threads, int runs) {
    RenderExecution execution;
    execution.threads = threads;
    std::vector<double> walls;
    std::vector<double> processors;
    double average = 0.0;
    for (int i = 0; i < runs; ++i) {
        evaluate::SweepObserver quiet;
        const double cpu = processSeconds();
        const auto start = std::chrono::steady_clock::now();
        const evaluate::Sweep sweep = evaluate::sweepTilts(
            scene, evaluate::TiltRange{30.0, 5.0}, quiet, execution, evaluate::KeptPictures::All);
        walls.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        processors.push_back(processSeconds() - cpu);
        if (sweep.status != RenderStatus::Completed || sweep.rows.size() != 13) {
            std::fprintf(stderr, "the sweep failed: %s\n", sweep.error.c_str());
            std::exit(1);
        }
        average = evaluate::averageBrightness(sweep.rows);
    }
    std::vector<double> sorted = walls;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%s: wall", threads == 0 ? "all cores" : "1 thread ");
    for (const double w : walls) std::printf(" %.3f", w);
    std::printf(" s; shortest %.3f s, median %.3f s; processor", sorted.front(),
                sorted[sorted.size() / 2]);
    for (const double p : processors) std::printf(" %.2f", p);
    std::printf(" s; tilt-averaged brightness %.2f%%\n", average);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const std::string design =
        argc > 2 ? argv[2] : std::string(TAVRINE_EXAMPLES_DIR) + "/round-brilliant.asc";
    Session session;
    SceneRequest request;
    request.design = design;
    request.width = 256;
    request.fire = 1;
    request.depth = 8;
    request.lighting = Lighting::Iso;
    const SceneResult set = setUpScene(session, request);
    if (!set.ok()) {
        std::fprintf(stderr, "%s\n", set.message.c_str());
        return 1;
    }
    const evaluate::EvaluationScene scene = evaluationSceneOf(session);
    std::printf("%s, 13 tilts (-30 to +30 by 5), 256 x 256, Fire, depth 8, ISO\n", design.c_str());
    measure(scene, 0, runs);
    measure(scene, 1, runs);
    return 0;
}
