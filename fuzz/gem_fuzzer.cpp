// The .gem reader and the stone it builds: a refusal names the byte where reading stopped,
// within the file; an accepted design has sound planes and tiers and builds a model within the
// record's bounds or is refused by byte as well.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "app/model/gem_file.h"
#include "app/model/gemcad_design.h"
#include "fuzz/fuzz_support.h"

using namespace tavrine;

namespace {

// Whether error reads "cannot read fuzz.gem: byte N: ..." with N at most size.
bool namesAByte(const std::string& error, size_t size) {
    const std::string prefix = "cannot read fuzz.gem: byte ";
    if (error.rfind(prefix, 0) != 0) return false;
    size_t end = prefix.size();
    size_t offset = 0;
    while (end < error.size() && error[end] >= '0' && error[end] <= '9') {
        offset = offset * 10 + static_cast<size_t>(error[end] - '0');
        if (offset > size) return false;
        ++end;
    }
    return end > prefix.size() && error.compare(end, 2, ": ") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<ModelRecord> record = std::make_unique<ModelRecord>();
    isGemFile(data, size);
    GemCadDesign design;
    std::string error;
    if (!parseGemFile(data, size, "fuzz.gem", design, &error)) {
        fuzz::require(namesAByte(error, size), "refusal names a byte in the file: " + error);
        fuzz::require(design.planes.empty() && design.tiers.empty(), "refusal leaves the design");
        return 0;
    }
    const int32_t teeth = std::abs(design.gearTeeth);
    fuzz::require(teeth >= 1 && teeth <= 720, "gear");
    fuzz::require(design.symmetry >= 1 && design.symmetry <= teeth, "symmetry");
    fuzz::require(std::fabs(design.gearOffset) <= teeth, "gear offset");
    fuzz::require(design.refractiveIndex >= 1.0 && design.refractiveIndex <= 5.0, "index");
    fuzz::require(design.heading.size() <= 4 && design.footnotes.size() <= 4, "texts");
    fuzz::require(!design.planes.empty() && design.planes.size() <= 2400, "facet count");
    fuzz::require(!design.tiers.empty() && design.tiers.size() <= design.planes.size(), "tiers");
    for (const DesignFacetPlane& p : design.planes) {
        const Vec3& n = p.normal;
        fuzz::require(std::fabs(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z) - 1.0) <= 1e-12,
                      "unit normal");
        fuzz::require(p.distance >= 1e-9 && p.distance <= 1e6, "plane distance");
        fuzz::require(p.tier >= 0 && static_cast<size_t>(p.tier) < design.tiers.size(), "tier");
    }
    for (const DesignTier& t : design.tiers) {
        fuzz::require(t.line >= 0 && static_cast<size_t>(t.line) < size, "tier offset");
        fuzz::require(t.angle >= -90.0 && t.angle <= 90.0, "tier angle");
        for (double index : t.indexes) fuzz::require(index >= 0.0 && index < teeth, "index");
    }

    DesignSummary summary;
    int32_t vertexCount = -1;
    int32_t facetCount = -1;
    if (!buildDesignModel(design, "fuzz.gem", record->modelVertices, record->facets, vertexCount,
                          facetCount, &summary, &error)) {
        fuzz::require(namesAByte(error, size), "build refusal names a byte: " + error);
        fuzz::require(vertexCount == -1 && facetCount == -1, "refusal writes no counts");
        return 0;
    }
    fuzz::require(vertexCount >= 4 && vertexCount <= kMaxVertices, "vertex count");
    fuzz::require(facetCount >= 4 && facetCount <= kMaxFacets, "facet count of the model");
    for (int32_t i = 0; i < vertexCount; ++i) {
        const Vertex& v = record->modelVertices[i];
        fuzz::require(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) <= 1.0 + 1e-9, "unit sphere");
    }
    for (int32_t i = 0; i < facetCount; ++i) {
        const Facet& f = record->facets[i];
        fuzz::require(f.vertexCount >= 3 && f.vertexCount <= 16, "facet corners");
        for (int32_t k = 0; k < f.vertexCount; ++k) {
            fuzz::require(f.vertexIndex[k] >= 0 && f.vertexIndex[k] < vertexCount, "corner");
        }
    }
    return 0;
}
