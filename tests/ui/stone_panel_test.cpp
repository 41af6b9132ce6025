#include "app/ui/stone_panel.h"

#include <gtest/gtest.h>

#include <QImage>

#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

TEST(RefractiveIndexField, StepsByHundredthsWithinRange) {
    EXPECT_EQ(stepRefractiveIndex("2.99", 1), "3.00");
    EXPECT_EQ(stepRefractiveIndex("3.00", 1), "3.00");
    EXPECT_EQ(stepRefractiveIndex("1.00", -1), "1.00");
    EXPECT_EQ(stepRefractiveIndex("2.4", 1), "2.41");  // 3 characters: tenths
    EXPECT_EQ(stepRefractiveIndex("2.42", -1), "2.41");
    EXPECT_EQ(stepRefractiveIndex("", 1), "1.00");       // nothing readable: lower limit
    EXPECT_EQ(stepRefractiveIndex("9.99", -1), "3.00");  // clamped after the step
}

TEST(RefractiveIndexField, WritesAndReadsValues) {
    EXPECT_EQ(formatRefractiveIndex(2.42), "2.42");
    EXPECT_EQ(formatRefractiveIndex(1.15), "1.15");
    EXPECT_EQ(formatRefractiveIndex(3.0), "3.00");
    EXPECT_DOUBLE_EQ(readRefractiveIndex(" 1.77"), 1.77);
    EXPECT_DOUBLE_EQ(readRefractiveIndex("2.42 "), 2.42);
    EXPECT_DOUBLE_EQ(readRefractiveIndex(" 2.42x"), 0.0) << "trailing text is not a number";
    EXPECT_DOUBLE_EQ(readRefractiveIndex("abc"), 0.0);
    EXPECT_TRUE(refractiveIndexInRange(1.0));
    EXPECT_TRUE(refractiveIndexInRange(3.0));
    EXPECT_FALSE(refractiveIndexInRange(0.99));
    EXPECT_FALSE(refractiveIndexInRange(3.01));
}

TEST(StonePanel, ListsHoldTheirRowsAndTheSeparator) {
    const QStringList models = modelListCaptions(false);
    ASSERT_EQ(models.size(), 28);
    EXPECT_EQ(models[6], "Antiq CushionCut");
    EXPECT_EQ(models[19], QString::fromUtf8("reg. ８ hedron"));
    EXPECT_EQ(models[kSeparatorRow], "---------------");
    EXPECT_EQ(models[27], "26 hedron *");
    EXPECT_EQ(stoneListCaptions(false)[7], "Mandarin T.");
    EXPECT_EQ(colourListCaptions(false)[3], "Blue");
    EXPECT_EQ(modelListCaptions(true)[2], QString::fromUtf8("ブリリアントⅡ(R)"));
}

TEST(StonePanel, LayoutFollowsFontAndLanguage) {
    PanelLayout plain = panelLayout(false, false);
    EXPECT_EQ(plain.stoneList.left(), 564);
    EXPECT_EQ(plain.stoneList.width(), 91);
    EXPECT_EQ(plain.modelList.left(), 564);
    EXPECT_EQ(plain.modelList.width(), 117);
    EXPECT_EQ(plain.indexField.left(), 576);
    EXPECT_EQ(plain.indexUpDown.left(), 630);
    PanelLayout larger = panelLayout(true, true);
    EXPECT_EQ(larger.stoneList.left(), 572);
    EXPECT_EQ(larger.stoneList.width(), 103);
    EXPECT_EQ(larger.modelList.left(), 548);
    EXPECT_EQ(larger.colourList.width(), 107);
}

TEST(StonePanel, PaintsFramesAndTheStoneBox) {
    test::application();
    QImage surface(728, 508, QImage::Format_RGB32);
    paintPanel(surface, true, false, true);
    const QRgb red = qRgb(255, 0, 0);
    const QRgb orange = qRgb(255, 200, 0);
    EXPECT_EQ(surface.pixel(32, 300), red);   // left of the render area
    EXPECT_EQ(surface.pixel(232, 300), red);  // right of the render area
    EXPECT_EQ(surface.pixel(380, 244), red);  // above the preview box
    EXPECT_EQ(surface.pixel(100, 300), qRgb(0, 0, 0));
    EXPECT_EQ(surface.pixel(600, 75), orange);   // top edge of the stone box
    EXPECT_EQ(surface.pixel(695, 150), orange);  // right edge (R)
}

}  // namespace
}  // namespace tavrine::ui
