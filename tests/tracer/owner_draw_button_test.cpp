#include "tracer/owner_draw_button.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A surface that records every drawing call as one line of text. Text cells are 7 pixels a
// byte wide and 12 pixels high.
struct Recorder {
    std::vector<std::string> calls;

    static std::string rect(OwnerDrawRect r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + "," +
               std::to_string(r.right) + "," + std::to_string(r.bottom);
    }
    static std::string hex(uint32_t c) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%06X", c);
        return buffer;
    }
    static Recorder& of(void* context) { return *static_cast<Recorder*>(context); }

    static void fill(void* c, OwnerDrawRect r, uint32_t colour) {
        of(c).calls.push_back("fill " + rect(r) + " " + hex(colour));
    }
    static void roundRect(void* c, OwnerDrawRect r, int32_t w, int32_t h, uint32_t pen,
                          uint32_t brush) {
        of(c).calls.push_back("round " + rect(r) + " " + std::to_string(w) + "x" +
                              std::to_string(h) + " " + hex(pen) + " " + hex(brush));
    }
    static void setPixel(void* c, int32_t x, int32_t y, uint32_t colour) {
        of(c).calls.push_back("pixel " + std::to_string(x) + "," + std::to_string(y) + " " +
                              hex(colour));
    }
    static void textOut(void* c, void* font, int32_t x, int32_t y, const char* text, int32_t length,
                        uint32_t colour) {
        of(c).calls.push_back("text " + std::string(static_cast<const char*>(font)) + " " +
                              std::to_string(x) + "," + std::to_string(y) + " \"" +
                              std::string(text, static_cast<size_t>(length)) + "\" " + hex(colour));
    }
    static void textExtent(void*, void*, const char*, int32_t length, int32_t* w, int32_t* h) {
        *w = 7 * length;
        *h = 12;
    }
    static void clip(void* c, void* region, OwnerDrawRect excluded) {
        of(c).calls.push_back("clip " + std::string(static_cast<const char*>(region)) + " - " +
                              rect(excluded));
    }
};

constexpr uint32_t kPanel = 0x123456;

class ButtonPainter : public ::testing::Test {
  protected:
    Recorder recorder;
    OwnerDrawOps ops{&recorder,          Recorder::fill,    Recorder::roundRect,
                     Recorder::setPixel, Recorder::textOut, Recorder::textExtent,
                     Recorder::clip};
    std::vector<const char*> captions = {"ray-trace",
                                         "R",
                                         "L",
                                         "U",
                                         "D",
                                         "x",
                                         "z",
                                         "R",
                                         "L",
                                         "U",
                                         "D",
                                         "s.shot",
                                         "",
                                         "HQ",
                                         "SY",
                                         "GM",
                                         "-> Render Window",
                                         "Back Color &  Light Volume",
                                         "Size"};
    char percentText[TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE] = {};
    char captionFont[8] = "caption";
    char buttonFont[8] = "button";
    char percentRegion[8] = "pRgn";
    char captionRegion[8] = "cRgn";

    OwnerDrawButtonParams params(const OwnerDrawItem& item) {
        OwnerDrawButtonParams p{};
        p.drawItem = &item;
        p.captionFont = captionFont;
        p.buttonFont = buttonFont;
        p.percentRegion = percentRegion;
        p.captionRegion = captionRegion;
        p.captions = captions.data();
        p.percentText = percentText;
        p.panelColour = kPanel;
        p.percent = 42;
        p.percentWidth = 56;
        p.percentHeight = 21;
        p.captionWidth = 140;
        p.captionHeight = 21;
        p.baseId = 1005;
        p.percentId = 1017;
        p.captionId = 1021;
        p.switchId1 = 1018;
        p.switchId2 = 1019;
        p.switchId3 = 1020;
        return p;
    }

    std::vector<std::string> paint(int32_t id, uint32_t state, OwnerDrawRect rect,
                                   int32_t switchOn2 = 0) {
        recorder.calls.clear();
        OwnerDrawItem item{id, state, &ops, rect};
        OwnerDrawButtonParams p = params(item);
        p.switchOn2 = switchOn2;
        EXPECT_EQ(OwnerDrawButton_CPP(&p), 1);
        return recorder.calls;
    }
};

TEST_F(ButtonPainter, ButtonPaintsCornersFrameAndCaptionInOrder) {
    const std::vector<std::string> expected = {
        "pixel 0,0 123456",
        "pixel 79,0 123456",
        "pixel 0,20 123456",
        "pixel 79,20 123456",
        "round 0,0,80,21 4x4 0000FF 123456",
        "fill 9,2,72,14 123456",
        "text caption 9,2 \"ray-trace\" 0000FF",
    };
    EXPECT_EQ(paint(1005, 0, {0, 0, 80, 21}), expected);
}

TEST_F(ButtonPainter, AnyStateBitPaintsWhiteOnBlue) {
    // State 0x10 is the focus bit alone: it still counts as pressed.
    const std::vector<std::string> calls = paint(1006, 0x10, {2, 3, 34, 24});
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0], "pixel 2,3 123456");
    EXPECT_EQ(calls[3], "pixel 33,23 123456");
    EXPECT_EQ(calls[4], "round 2,3,34,24 4x4 FFFFFF FF0000");
    EXPECT_EQ(calls[5], "fill 12,8,19,20 FF0000");
    EXPECT_EQ(calls[6], "text button 12,8 \"R\" FFFFFF");
}

TEST_F(ButtonPainter, SwitchCaptionsFollowTheirSwitchAndPlacement) {
    // "SY" (switch 2) on and not pressed: white on the panel colour, 2 pixels left, 1 lower.
    std::vector<std::string> calls = paint(1019, 0, {0, 0, 32, 21}, 1);
    EXPECT_EQ(calls[4], "round 0,0,32,21 4x4 FFFFFF 123456");
    EXPECT_EQ(calls[6], "text caption 7,3 \"SY\" FFFFFF");
    // "GM" with only switch 2 on stays red and moves one more pixel left.
    calls = paint(1020, 0, {0, 0, 32, 21}, 1);
    EXPECT_EQ(calls[6], "text caption 6,3 \"GM\" 0000FF");
    // "x" and "z" sit 3 pixels further right; "Size" is orange at (16, 12).
    EXPECT_EQ(paint(1010, 0, {0, 0, 32, 21})[6], "text caption 12,2 \"x\" 0000FF");
    EXPECT_EQ(paint(1023, 0, {0, 0, 60, 40})[6], "text caption 16,12 \"Size\" 00C8FF");
}

TEST_F(ButtonPainter, IndexSeventeenSplitsItsCaptionAndLosesAnOddLastCharacter) {
    std::vector<std::string> calls = paint(1022, 0, {0, 0, 120, 40});
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[6], "text caption 16,4 \"Back Color & \" 00C8FF");
    EXPECT_EQ(calls[8], "text caption 16,19 \" Light Volume\" 00C8FF");

    captions[17] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0";  // 27 characters
    calls = paint(1022, 0, {0, 0, 120, 40});
    EXPECT_EQ(calls[6], "text caption 16,4 \"ABCDEFGHIJKLM\" 00C8FF");
    EXPECT_EQ(calls[8], "text caption 16,19 \"NOPQRSTUVWXYZ\" 00C8FF");
}

TEST_F(ButtonPainter, DisplaysCentreTheirTextAndClipTheFrameAroundIt) {
    // "42%" is 21 x 12: x = (56 - 21) / 2 = 17, y = (21 - 12) / 2 = 4 (both truncated).
    std::vector<std::string> expected = {
        "fill 17,4,38,16 123456",
        "text caption 17,4 \"42%\" 0000FF",
        "clip pRgn - 17,4,38,16",
        "round 0,0,56,21 4x4 0000FF 123456",
    };
    EXPECT_EQ(paint(1017, 0, {0, 0, 56, 21}), expected);
    EXPECT_STREQ(percentText, "42%");

    // The fixed caption, pressed: white on blue, centred in 140 x 21.
    expected = {
        "fill 14,4,126,16 FF0000",
        "text caption 14,4 \"-> Render Window\" FFFFFF",
        "clip cRgn - 14,4,126,16",
        "round 0,0,140,21 4x4 FFFFFF FF0000",
    };
    EXPECT_EQ(paint(1021, 1, {0, 0, 140, 21}), expected);
}

}  // namespace
