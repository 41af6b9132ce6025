// Reading a design file of either form: the content, not the name, picks the reader (a .gem
// has no magic text). loadDesignFile is declared with the design in gemcad_design.h.

#include <algorithm>
#include <memory>
#include <vector>

#include "app/model/gem_file.h"
#include "app/model/gemcad_design.h"
#include "util/file_read.h"
#include "util/path_text.h"

namespace tavrine {

bool loadDesignFile(const std::string& path, GemCadDesign& design, ModelRecord& record,
                    DesignSummary* summary, std::string* error) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!util::readFileHead(path, kMaxDesignFileSize + 1, bytes, &reason)) {
        if (error != nullptr) *error = util::cannotText("read", path, reason);
        return false;
    }
    if (bytes.size() > kMaxDesignFileSize) {
        if (error != nullptr) {
            *error = util::cannotText("read", path, "larger than 4 MiB, not a design");
        }
        return false;
    }
    GemCadDesign parsed;
    if (isGemFile(bytes.data(), bytes.size())) {
        if (!parseGemFile(bytes.data(), bytes.size(), path, parsed, error)) return false;
    } else {
        const std::string text(bytes.begin(), bytes.end());
        if (!parseGemCadDesign(text, path, parsed, error)) return false;
    }
    auto built = std::make_unique<ModelRecord>();
    DesignSummary builtSummary;
    if (!buildDesignModel(parsed, path, built->modelVertices, built->facets, built->vertexCount,
                          built->facetCount, &builtSummary, error)) {
        return false;
    }
    record.modelIndex = kDesignModelIndex;
    record.vertexCount = built->vertexCount;
    record.facetCount = built->facetCount;
    std::copy(built->modelVertices, built->modelVertices + built->vertexCount,
              record.modelVertices);
    std::copy(built->modelVertices, built->modelVertices + built->vertexCount, record.baseVertices);
    std::copy(built->facets, built->facets + built->facetCount, record.facets);
    design = std::move(parsed);
    if (summary != nullptr) *summary = std::move(builtSummary);
    return true;
}

}  // namespace tavrine
