#include "cli/tables.h"

#include <memory>

#include "app/model/model_record.h"
#include "app/settings/stone_table.h"

namespace tavrine::cli {

namespace {

// Writes a UTF-8 caption padded to `columns` terminal columns; the full-width digits of the
// model list (three bytes, two columns each) would throw printf's byte count off.
void printPadded(std::FILE* out, const char* text, int columns) {
    int used = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
        if (*p < 0x80) {
            ++used;
            ++p;
        } else {
            const int length = *p >= 0xF0 ? 4 : (*p >= 0xE0 ? 3 : 2);
            used += length >= 3 ? 2 : 1;
            for (int i = 0; i < length && *p != 0; ++i) ++p;
        }
    }
    std::fputs(text, out);
    for (; used < columns; ++used) std::fputc(' ', out);
}

}  // namespace

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
        std::fprintf(out, "%5d  ", index);
        printPadded(out, modelCaption(index), 20);
        std::fprintf(out, " %8d %7d\n", record->vertexCount, record->facetCount);
    }
}

}  // namespace tavrine::cli
