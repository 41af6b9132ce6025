#include "app/render/prepared_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "app/model/model_record.h"
#include "app/render/render_job.h"
#include "app/view/orientation.h"
#include "app/view/view_space.h"
#include "tracer/colour_absorption.h"

namespace tavrine {
namespace {

// A model in a view turned by some steps, with its own copy of the view's corners and of the
// facets (in reverse order when asked: another stone with the same facets).
struct View {
    std::vector<Vertex> vertices;
    std::vector<Facet> facets;
    RenderScene scene;

    View(int32_t modelIndex, int32_t turns, bool reversed) {
        auto record = std::make_unique<ModelRecord>();
        record->modelIndex = modelIndex;
        buildModel(*record, TransformableParams{});
        std::vector<Vertex> view(kMaxVertices);
        OrientationState state;
        resetOrientationState(state, modelIndex, 0);
        refreshViewSpace(state, *record, view.data());
        TurnFlags flags;
        flags.left = true;
        for (int32_t i = 0; i < turns; ++i) applyTurnStep(state, flags, *record, view.data());
        vertices.assign(view.begin(), view.begin() + record->vertexCount);
        facets.assign(record->facets, record->facets + record->facetCount);
        if (reversed) std::reverse(facets.begin(), facets.end());
        scene.vertices = vertices.data();
        scene.vertexCount = record->vertexCount;
        scene.facets = facets.data();
        scene.facetCount = record->facetCount;
        scene.lightDirection = state.lightDirection;
    }
};

std::vector<uint8_t> rowsOf(const RenderResult& result) {
    EXPECT_EQ(result.status, RenderStatus::Completed) << result.error;
    if (!result.picture) return {};
    const imgctl::DibData* data = imgctl::DataDIB(result.picture.get());
    return std::vector<uint8_t>(data->rows,
                                data->rows + static_cast<size_t>(data->stride) * data->height);
}

// Frames of one prepared scene (the brilliant in several views, then other stones of as many
// facets, the emerald cut with its facets in reverse order and the brilliant again), on one
// thread and on three, each equal byte for byte to the literal reference's single render of the
// same view: nothing kept from an earlier frame changes a later one.
TEST(PreparedScene, FramesEqualTheLiteralRenderOfEachView) {
    RenderSettings s;
    s.width = 48;
    s.imageScale = imageScaleForWidth(s.width);
    s.maxDepth = 12;
    s.absorption[0] = colourAbsorption[3].r;
    s.absorption[1] = colourAbsorption[3].g;
    s.absorption[2] = colourAbsorption[3].b;
    const std::vector<std::tuple<int32_t, int32_t, bool>> views = {
        {0, 0, false}, {0, 5, false}, {0, 11, false}, {1, 3, false}, {6, 2, false},
        {7, 4, false}, {7, 4, true},  {7, 6, false},  {0, 5, false}};
    for (const int32_t threads : {1, 3}) {
        PreparedScene prepared(s, RenderExecution{threads, false});
        for (const auto& [model, turns, reversed] : views) {
            const View v(model, turns, reversed);
            RenderObserver quiet;
            const std::vector<uint8_t> expected =
                rowsOf(renderJob(s, v.scene, nullptr, quiet, RenderExecution{1, true}));
            EXPECT_EQ(expected, rowsOf(prepared.render(v.scene)))
                << "model " << model << " turns " << turns << " reversed " << reversed
                << " threads " << threads;
        }
    }
}

}  // namespace
}  // namespace tavrine
