#include "cli/tables.h"

#include <cstdint>
#include <memory>

#include "app/model/model_record.h"
#include "app/settings/stone_table.h"

namespace tavrine::cli {

namespace {

// Returns whether a code point is shown two columns wide (the East Asian wide and full-width
// ranges: CJK, Hangul, the full-width forms such as the digits of the model list).
bool isWide(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Writes a UTF-8 text padded with spaces to `columns` terminal columns; printf pads by bytes,
// which the three-byte, two-column full-width digits of the model list would throw off.
void printPadded(std::FILE* out, const char* text, int columns) {
    std::fputs(text, out);
    for (int used = displayWidth(text); used < columns; ++used) std::fputc(' ', out);
}

}  // namespace

int displayWidth(const char* text) {
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0;) {
        const int length = *p < 0x80 ? 1 : *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC0 ? 2 : 1;
        uint32_t c = length == 1 ? *p : *p & (0x7Fu >> length);
        int taken = 1;
        for (; taken < length && (p[taken] & 0xC0) == 0x80; ++taken) {
            c = (c << 6) | (p[taken] & 0x3Fu);
        }
        p += taken;
        width += isWide(c) ? 2 : 1;
    }
    return width;
}

void printStoneTable(std::FILE* out) {
    std::fprintf(out, "%5s  %-12s %6s %7s  %-20s %s\n", "stone", "name", "index", "spread", "model",
                 "colour");
    for (int32_t i = 0; i < kStoneCount; ++i) {
        const StoneEntry& e = stoneTable[static_cast<size_t>(i)];
        std::fprintf(out, "%5d  ", i);
        printPadded(out, e.name, 12);
        std::fprintf(out, " %6.2f %7.3f  ", stoneRefractiveIndex(i), e.dispersionSpread);
        printPadded(out, modelCaption(e.defaultModel), 20);
        std::fprintf(out, " %s\n", colourCaption(e.defaultColour, false));
    }
    std::fputs(
        "--stone N sets the model, colour and index shown; --model, --colour and --ri "
        "change them.\n",
        out);
}

void printColourTable(std::FILE* out) {
    std::fprintf(out, "%6s  %s\n", "colour", "name");
    for (int32_t i = 0; i < kColourCount; ++i) {
        std::fprintf(out, "%6d  %s\n", i, colourCaption(i, false));
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
    std::fputs(
        "(R) round and (O) oval: one cut in two outlines.\n"
        "* transformable: shown with its default parameters, which the viewer's dialog "
        "changes.\n",
        out);
    std::fprintf(out, "%d is not a model: it is the separator line of the viewer's model list.\n",
                 kSeparatorModelIndex);
}

}  // namespace tavrine::cli
