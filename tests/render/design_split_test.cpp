// A design facet of more than 16 corners is split into coplanar pieces; the split must not show.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/model/gemcad_design.h"
#include "app/render/render_job.h"
#include "app/view/view_space.h"
#include "imgctl/imgctl.h"

namespace tavrine {
namespace {

// A 24-sided prism; its table and culet have 24 corners each.
std::unique_ptr<ModelRecord> prism() {
    auto record = std::make_unique<ModelRecord>();
    GemCadDesign design;
    std::string error;
    EXPECT_TRUE(
        parseGemCadDesign("GemCad 5.0\ng 96 0\ny 24 n\na 90 1 96\na 0 0.5 96\n"
                          "a -0 0.5 96\n",
                          "prism.asc", design, &error))
        << error;
    EXPECT_TRUE(buildDesignModel(design, "prism.asc", record->modelVertices, record->facets,
                                 record->vertexCount, record->facetCount, nullptr, &error))
        << error;
    return record;
}

// Rejoins the two pieces of the table (the facets whose corners all lie highest) and splits the
// 24 corners again from another corner, so that the cut runs elsewhere.
void resplitTable(ModelRecord& r, int32_t shift) {
    double top = -2.0;
    for (int32_t i = 0; i < r.vertexCount; ++i) top = std::max(top, r.modelVertices[i].y);
    std::vector<int32_t> pieces;
    for (int32_t i = 0; i < r.facetCount; ++i) {
        bool onTop = true;
        for (int32_t k = 0; k < r.facets[i].vertexCount; ++k) {
            onTop = onTop && r.modelVertices[r.facets[i].vertexIndex[k]].y == top;
        }
        if (onTop) pieces.push_back(i);
    }
    ASSERT_EQ(2u, pieces.size());
    const Facet& a = r.facets[pieces[0]];
    const Facet& b = r.facets[pieces[1]];
    // Both pieces fan out from one shared corner: a = (c0, c1 .. cm), b = (c0, cm .. c23), up
    // to where each list starts.
    std::vector<int32_t> ring;
    std::vector<int32_t> ca(a.vertexIndex, a.vertexIndex + a.vertexCount);
    std::vector<int32_t> cb(b.vertexIndex, b.vertexIndex + b.vertexCount);
    for (size_t s = 0; s < ca.size(); ++s) {
        std::rotate(ca.begin(), ca.begin() + 1, ca.end());
        auto at = std::find(cb.begin(), cb.end(), ca.back());
        if (at == cb.end()) continue;
        std::rotate(cb.begin(), at, cb.end());
        if (cb.back() != ca.front()) continue;
        ring = ca;
        ring.insert(ring.end(), cb.begin() + 1, cb.end() - 1);
        break;
    }
    ASSERT_EQ(24u, ring.size());
    std::rotate(ring.begin(), ring.begin() + shift, ring.end());
    Facet& first = r.facets[pieces[0]];
    Facet& second = r.facets[pieces[1]];
    first.vertexCount = 13;
    std::copy(ring.begin(), ring.begin() + 13, first.vertexIndex);
    second.vertexCount = 13;
    second.vertexIndex[0] = ring[0];
    std::copy(ring.begin() + 12, ring.end(), second.vertexIndex + 1);
}

imgctl::DibPtr renderFromAbove(ModelRecord& r) {
    // Table towards the eye, turned a little so that rays meet the table and culet slantwise.
    std::vector<Vertex> view(static_cast<size_t>(r.vertexCount));
    const double c = 0.96;
    const double s = 0.28;
    for (int32_t i = 0; i < r.vertexCount; ++i) {
        const Vertex& v = r.modelVertices[i];
        const Vertex lying{v.x, v.z, -v.y};
        view[static_cast<size_t>(i)] = {lying.x * c + lying.z * s, lying.y,
                                        -lying.x * s + lying.z * c};
    }
    computeFacetPlanes(r, view.data());
    RenderSettings settings;
    settings.width = 96;
    settings.imageScale = imageScaleForWidth(96);
    settings.renderFire = false;
    RenderScene scene;
    scene.vertices = view.data();
    scene.vertexCount = r.vertexCount;
    scene.facets = r.facets;
    scene.facetCount = r.facetCount;
    scene.lightDirection = {0.3, 0.5, -0.8};
    RenderObserver quiet;
    return renderJob(settings, scene, nullptr, quiet, {1, false}).picture;
}

TEST(DesignSplit, TheSplitLineDoesNotShow) {
    auto reference = prism();
    const imgctl::DibPtr picture = renderFromAbove(*reference);
    for (int32_t shift : {3, 6, 11}) {
        SCOPED_TRACE(shift);
        auto other = prism();
        resplitTable(*other, shift);
        const imgctl::DibPtr resplit = renderFromAbove(*other);
        int32_t stone = 0;
        for (int32_t y = 0; y < 96; ++y) {
            for (int32_t x = 0; x < 96; ++x) {
                const uint32_t p = imgctl::PixelDIB(picture.get(), x, y);
                stone += p != 0 ? 1 : 0;
                ASSERT_EQ(p, imgctl::PixelDIB(resplit.get(), x, y)) << "pixel " << x << ", " << y;
            }
        }
        EXPECT_GT(stone, 96 * 96 / 4);
    }
}

}  // namespace
}  // namespace tavrine
