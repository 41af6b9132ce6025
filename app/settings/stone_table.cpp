#include "app/settings/stone_table.h"

namespace tavrine {

namespace {

constexpr const char* kColourCaptions[kColourCount] = {
    "Colorless", "Red",  "Green",  "Blue",      "Yellow",       "Purple",
    "Orange",    "Pink", "Violet", "Dark Blue", "Light Yellow",
};

constexpr const char* kJapaneseColourCaptions[kColourCount] = {
    "無色",
    "赤",
    "緑",
    "青",
    "黄",
    "紫",
    "オレンジ",
    "ピンク",
    "バイオレット",
    "ダークブルー",
    "ライトイエロー",
};

}  // namespace

double stoneRefractiveIndex(int32_t stoneIndex) {
    const StoneEntry& entry =
        stoneTable[static_cast<size_t>(isStoneIndex(stoneIndex) ? stoneIndex : 0)];
    return entry.refractiveIndex100 / 100.0;
}

const char* stoneCaption(int32_t stoneIndex, bool japanese) {
    if (!isStoneIndex(stoneIndex)) {
        return "";
    }
    const StoneEntry& entry = stoneTable[static_cast<size_t>(stoneIndex)];
    return japanese ? entry.japaneseName : entry.name;
}

const char* colourCaption(int32_t colourIndex, bool japanese) {
    if (!isColourIndex(colourIndex)) {
        return "";
    }
    return japanese ? kJapaneseColourCaptions[colourIndex] : kColourCaptions[colourIndex];
}

}  // namespace tavrine
