// Times the default view of the viewer through the render job: the stone list's first stone
// with its model, colour and index, the start-up view and light, 199 x 199 pixels, Fire, depth 8.
//
//   build/bench/render/tavrine-render-bench [--benchmark_repetitions=5]

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/model/model_record.h"
#include "app/render/render_job.h"
#include "app/settings/stone_table.h"
#include "app/view/orientation.h"
#include "app/view/view_space.h"
#include "tracer/colour_absorption.h"

namespace tavrine {
namespace {

// The default view, built once.
struct DefaultView {
    std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    std::vector<Vertex> view = std::vector<Vertex>(kMaxVertices);
    OrientationState state;
    RenderScene scene;
    RenderSettings settings;

    DefaultView() {
        const StoneEntry& stone = stoneTable[0];
        record->modelIndex = stone.defaultModel;
        buildModel(*record, TransformableParams{});
        resetOrientationState(state, record->modelIndex, 0);
        refreshViewSpace(state, *record, view.data());
        scene.vertices = view.data();
        scene.vertexCount = record->vertexCount;
        scene.facets = record->facets;
        scene.facetCount = record->facetCount;
        scene.lightDirection = state.lightDirection;
        const ColourAbsorption& a = colourAbsorption[stone.defaultColour];
        settings.absorption[0] = a.r;
        settings.absorption[1] = a.g;
        settings.absorption[2] = a.b;
        settings.stoneIndex = stoneRefractiveIndex(0);
        settings.dispersionSpread = stone.dispersionSpread;
        settings.maxDepth = 8;
        settings.renderFire = true;
        settings.width = 199;
        settings.imageScale = imageScaleForWidth(settings.width);
    }
};

const DefaultView& defaultView() {
    static const DefaultView view;
    return view;
}

void renderDefaultView(benchmark::State& state, int32_t threads, bool literal) {
    const DefaultView& v = defaultView();
    RenderObserver quiet;
    RenderExecution execution;
    execution.threads = threads;
    execution.literal = literal;
    for (auto _ : state) {
        // The job makes its own picture; making it is part of every render.
        RenderResult result = renderJob(v.settings, v.scene, nullptr, quiet, execution);
        if (result.status != RenderStatus::Completed) {
            state.SkipWithError(result.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(result.picture.get());
    }
}

void BM_DefaultViewAllCores(benchmark::State& state) { renderDefaultView(state, 0, false); }
void BM_DefaultViewOneCore(benchmark::State& state) { renderDefaultView(state, 1, false); }
void BM_DefaultViewLiteralOneCore(benchmark::State& state) { renderDefaultView(state, 1, true); }

// Wall time, and the processor time of every thread of the process beside it (on a machine
// shared with other work the wall time of the all-core run is only as good as the cores are free).
BENCHMARK(BM_DefaultViewAllCores)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_DefaultViewOneCore)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_DefaultViewLiteralOneCore)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace
}  // namespace tavrine

BENCHMARK_MAIN();
