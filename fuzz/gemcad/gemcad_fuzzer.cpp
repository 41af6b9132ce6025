// Feeds arbitrary text to the GemCad design reader and checks every model it accepts against
// the model record's invariants and for a closed surface: every edge used once in each
// direction, and V - E + F = 2. Any crash, sanitizer report or trap is a finding.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/model/gemcad_design.h"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

// Whether the facets bound a closed solid, checked on their own edges.
bool closedSurface(const Facet* facets, int32_t facetCount, int32_t vertexCount) {
    std::vector<std::pair<int32_t, int32_t>> edges;
    std::vector<bool> used(static_cast<size_t>(vertexCount), false);
    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = facets[i];
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            const int32_t a = f.vertexIndex[k];
            edges.emplace_back(a, f.vertexIndex[(k + 1) % f.vertexCount]);
            used[static_cast<size_t>(a)] = true;
        }
    }
    std::sort(edges.begin(), edges.end());
    if (std::adjacent_find(edges.begin(), edges.end()) != edges.end()) return false;
    for (const auto& [a, b] : edges) {
        if (a == b || !std::binary_search(edges.begin(), edges.end(), std::make_pair(b, a))) {
            return false;
        }
    }
    if (std::find(used.begin(), used.end(), false) != used.end()) return false;
    const auto e = static_cast<int64_t>(edges.size() / 2);
    return vertexCount - e + facetCount == 2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tavrine;
    static const std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    const std::string text(reinterpret_cast<const char*>(data), size);
    GemCadDesign design;
    std::string error;
    if (!parseGemCadDesign(text, "fuzz.asc", design, &error)) {
        require(error.rfind("cannot read fuzz.asc: line ", 0) == 0);
        return 0;
    }
    DesignSummary summary;
    int32_t vertexCount = -1;
    int32_t facetCount = -1;
    if (!buildDesignModel(design, "fuzz.asc", record->modelVertices, record->facets, vertexCount,
                          facetCount, &summary, &error)) {
        require(error.rfind("cannot read fuzz.asc: line ", 0) == 0);
        require(vertexCount == -1 && facetCount == -1);
        return 0;
    }
    require(vertexCount >= 4 && vertexCount <= kMaxVertices);
    require(facetCount >= 4 && facetCount <= kMaxFacets);
    for (int32_t i = 0; i < vertexCount; ++i) {
        const Vertex& v = record->modelVertices[i];
        require(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) <= 1.0 + 1e-9);
    }
    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = record->facets[i];
        require(f.vertexCount >= 3 && f.vertexCount <= 16);
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            require(f.vertexIndex[k] >= 0 && f.vertexIndex[k] < vertexCount);
        }
    }
    require(closedSurface(record->facets, facetCount, vertexCount));
    return 0;
}
