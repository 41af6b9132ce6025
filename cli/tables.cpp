#include "cli/tables.h"

#include <memory>

#include "app/engine/stone_table.h"
#include "app/model/model_record.h"

namespace tavrine::cli {

void printStoneTable(std::FILE* out) {
    std::fprintf(out, "%5s  %-12s %6s %7s  %-20s %s\n", "stone", "name", "index", "spread", "model",
                 "colour");
    for (int32_t i = 0; i < kStoneCount; ++i) {
        const StoneEntry& e = stoneTable[static_cast<size_t>(i)];
        std::fprintf(out, "%5d  %-12s %6.2f %7.3f  %-20s %s\n", i, e.name, stoneRefractiveIndex(i),
                     e.dispersionSpread, modelCaption(e.defaultModel),
                     colourCaption(e.defaultColour, false));
    }
}

void printModelTable(std::FILE* out) {
    std::fprintf(out, "%5s  %-20s %8s %7s\n", "model", "name", "vertices", "facets");
    auto record = std::make_unique<ModelRecord>();
    const TransformableParams params;
    for (int32_t index = 0; index < kModelCount; ++index) {
        if (index == kSeparatorModelIndex) continue;
        record->vertexCount = 0;
        record->facetCount = 0;
        record->modelIndex = index;
        buildModel(*record, params);
        std::fprintf(out, "%5d  %-20s %8d %7d\n", index, modelCaption(index), record->vertexCount,
                     record->facetCount);
    }
}

}  // namespace tavrine::cli
