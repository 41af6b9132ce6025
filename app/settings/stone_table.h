#pragma once
// The stone table and the captions of the stone and colour lists.

#include <array>
#include <cstddef>
#include <cstdint>

#include "tracer/colour_absorption.h"

namespace tavrine {

// Number of entries of the stone list.
inline constexpr int kStoneCount = 8;

// One stone of the stone list: its captions and the settings choosing it proposes.
struct StoneEntry {
    const char* name;            // English caption
    const char* japaneseName;    // Japanese caption, UTF-8
    int32_t defaultColour;       // index into the colour list
    int32_t defaultModel;        // modelIndex proposed for the stone
    int32_t refractiveIndex100;  // refractive index times 100
    double dispersionSpread;     // relative index spread of the Fire mode
};

// Builds the stone table; "Mandarin T." takes its refractive index and spread from "Tavrine".
constexpr std::array<StoneEntry, kStoneCount> makeStoneTable() {
    std::array<StoneEntry, kStoneCount> table = {{
        {"Diamond", "ダイアモンド", 0, 0, 242, 0.025},
        {"Sapphire", "サファイア", 3, 6, 177, 0.02},
        {"Emerald", "エメラルド", 2, 7, 158, 0.03},
        {"Topaz", "トパーズ", 4, 8, 163, 0.02},
        {"Tavrine", "タヴリン", 1, 12, 189, 0.035},
        {"Crystal", "クリスタル", 5, 10, 155, 0.02},
        {"Glass", "ガラス", 0, 14, 142, 0.01},
        {"Mandarin T.", "マンダリン T.", 6, 2, 0, 0.0},
    }};
    table[7].refractiveIndex100 = table[4].refractiveIndex100;
    table[7].dispersionSpread = table[4].dispersionSpread;
    return table;
}

// The stone table, indexed by the stone index of the settings and of Position-Info Files.
inline constexpr std::array<StoneEntry, kStoneCount> stoneTable = makeStoneTable();

// Returns whether stoneIndex names an entry of the stone table.
constexpr bool isStoneIndex(int32_t stoneIndex) {
    return stoneIndex >= 0 && stoneIndex < kStoneCount;
}

// Returns whether colourIndex names an entry of the colour list.
constexpr bool isColourIndex(int32_t colourIndex) {
    return colourIndex >= 0 && colourIndex < kColourCount;
}

// Returns the refractive index a stone proposes (its table value divided by 100), or the value
// of stone 0 for an index outside the table.
double stoneRefractiveIndex(int32_t stoneIndex);

// Returns the caption of entry stoneIndex of the stone list, Japanese (UTF-8) when asked, or ""
// outside the table.
const char* stoneCaption(int32_t stoneIndex, bool japanese);

// Returns the caption of entry colourIndex of the colour list, Japanese (UTF-8) when asked, or
// "" outside the list.
const char* colourCaption(int32_t colourIndex, bool japanese);

}  // namespace tavrine
