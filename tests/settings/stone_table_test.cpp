#include "app/settings/stone_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/model/model_record.h"

namespace tavrine {
namespace {

TEST(StoneTable, EveryStoneProposesAModelAndAColourThatExist) {
    for (int i = 0; i < kStoneCount; ++i) {
        const StoneEntry& stone = stoneTable[static_cast<size_t>(i)];
        EXPECT_TRUE(isColourIndex(stone.defaultColour)) << i;
        EXPECT_GE(stone.defaultModel, 0) << i;
        EXPECT_LT(stone.defaultModel, kModelCount) << i;
        EXPECT_NE(stone.defaultModel, kSeparatorModelIndex) << i;
        EXPECT_GE(stoneRefractiveIndex(i), 1.0) << i;
        EXPECT_LE(stoneRefractiveIndex(i), 3.0) << i;
        EXPECT_GT(stone.dispersionSpread, 0.0) << i;
    }
}

TEST(StoneTable, ProposalsMatchTheStoneList) {
    EXPECT_STREQ(modelCaption(stoneTable[1].defaultModel), "Antiq CushionCut");
    EXPECT_STREQ(colourCaption(stoneTable[1].defaultColour, false), "Blue");
    EXPECT_STREQ(modelCaption(stoneTable[4].defaultModel), "Double RoseCut");
    EXPECT_STREQ(colourCaption(stoneTable[4].defaultColour, false), "Red");
    EXPECT_STREQ(modelCaption(stoneTable[6].defaultModel), "Sphere");
    EXPECT_STREQ(modelCaption(stoneTable[7].defaultModel), "BrilliantCut 2 (R)");
    EXPECT_STREQ(colourCaption(stoneTable[7].defaultColour, false), "Orange");
    EXPECT_EQ(stoneRefractiveIndex(2), 1.58);
    EXPECT_EQ(stoneTable[2].dispersionSpread, 0.03);
}

TEST(StoneTable, DiamondProposesExactly242Hundredths) {
    EXPECT_EQ(stoneRefractiveIndex(0), 2.42);
    EXPECT_EQ(stoneTable[0].dispersionSpread, 0.025);
}

TEST(StoneTable, MandarinTakesTheIndexAndSpreadOfTavrine) {
    EXPECT_EQ(stoneTable[7].refractiveIndex100, stoneTable[4].refractiveIndex100);
    EXPECT_EQ(stoneTable[7].dispersionSpread, stoneTable[4].dispersionSpread);
    EXPECT_EQ(stoneRefractiveIndex(7), 1.89);
}

TEST(StoneTable, CaptionsInBothLanguages) {
    EXPECT_STREQ(stoneCaption(0, false), "Diamond");
    EXPECT_STREQ(stoneCaption(7, false), "Mandarin T.");
    EXPECT_STREQ(stoneCaption(4, true), "タヴリン");
    EXPECT_STREQ(stoneCaption(7, true), "マンダリン T.");
    EXPECT_STREQ(colourCaption(0, false), "Colorless");
    EXPECT_STREQ(colourCaption(10, false), "Light Yellow");
    EXPECT_STREQ(colourCaption(0, true), "無色");
    EXPECT_STREQ(colourCaption(10, true), "ライトイエロー");
}

TEST(StoneTable, IndexesOutsideTheListsGiveEmptyCaptions) {
    EXPECT_STREQ(stoneCaption(-1, false), "");
    EXPECT_STREQ(stoneCaption(kStoneCount, true), "");
    EXPECT_STREQ(colourCaption(kColourCount, false), "");
    EXPECT_STREQ(colourCaption(-1, true), "");
    EXPECT_EQ(stoneRefractiveIndex(99), 2.42);
}

}  // namespace
}  // namespace tavrine
