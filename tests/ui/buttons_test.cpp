#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <memory>

#include "app/ui/button_pictures.h"
#include "app/ui/owner_draw_button.h"
#include "app/ui/painter_ops.h"
#include "app/ui/stone_panel.h"
#include "tests/ui/ui_test_support.h"
#include "tracer/owner_draw_button.h"

namespace tavrine::ui {
namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

// Returns whether a pixel is mostly red (antialiased text included).
bool reddish(QRgb pixel) { return qRed(pixel) > 128 && qGreen(pixel) < 64 && qBlue(pixel) < 64; }

int countReddish(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += reddish(image.pixel(x, y)) ? 1 : 0;
        }
    }
    return count;
}

int countPixels(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

class ButtonsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::application();
        style.captionFont = panelFont(6);
        style.pictures = drawButtonPictures();
        owner = std::make_unique<QWidget>();
        parent = owner.get();
    }

    QImage render(OwnerDrawButton& button) {
        return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    ButtonStyle style;
    std::unique_ptr<QWidget> owner;
    QWidget* parent = nullptr;
};

TEST_F(ButtonsTest, ButtonFrameAndCaptionTurnWhiteOnBlueWhileDown) {
    OwnerDrawButton button(kRayTraceButton, ControlKind::Button, &style, parent);
    button.resize(80, 21);
    QImage normal = render(button);
    EXPECT_EQ(normal.pixel(0, 0), kBlack);      // a corner takes the panel colour
    EXPECT_EQ(normal.pixel(40, 0), kRed);       // the frame in the text colour
    EXPECT_EQ(normal.pixel(3, 10), kBlack);     // filled with the panel colour
    EXPECT_GT(countPixels(normal, kRed), 200);  // frame and caption
    EXPECT_EQ(countPixels(normal, kBlue), 0);

    button.setDown(true);
    QImage pressed = render(button);
    EXPECT_EQ(pressed.pixel(0, 0), kBlack);
    EXPECT_EQ(pressed.pixel(40, 0), kWhite);
    EXPECT_EQ(pressed.pixel(3, 10), kBlue);
    EXPECT_EQ(countPixels(pressed, kRed), 0);
    // A focused or checked button that is not down is not pressed here.
    button.setDown(false);
    button.setFocus();
    EXPECT_EQ(render(button).pixel(3, 10), kBlack);
}

TEST_F(ButtonsTest, SwitchCaptionIsWhiteOnlyWhileOn) {
    OwnerDrawButton sy(kSySwitch, ControlKind::Switch, &style, parent);
    sy.resize(32, 21);
    EXPECT_TRUE(sy.isCheckable());
    const QImage off = render(sy);
    sy.setChecked(true);
    const QImage on = render(sy);
    EXPECT_EQ(off.pixel(16, 0), kRed);
    EXPECT_EQ(on.pixel(16, 0), kWhite);
    EXPECT_EQ(on.pixel(3, 10), kBlack);  // on is not pressed: still the panel colour
    EXPECT_EQ(countPixels(on, kRed), 0);
}

TEST_F(ButtonsTest, ArrowButtonsCopyTheirPictureAndThePressedOneBeside) {
    OwnerDrawButton arrow(kViewUpButton, ControlKind::Arrow, &style, parent);
    arrow.resize(32, 21);
    const QPoint source = pictureSource(kViewUpButton);
    EXPECT_EQ(render(arrow), style.pictures.copy(QRect(source, QSize(32, 21))));
    arrow.setDown(true);
    EXPECT_EQ(render(arrow), style.pictures.copy(QRect(source + QPoint(32, 0), QSize(32, 21))));
    EXPECT_NE(style.pictures.copy(QRect(source, QSize(32, 21))),
              style.pictures.copy(QRect(source + QPoint(32, 0), QSize(32, 21))));
}

TEST_F(ButtonsTest, PercentageDisplayCentresItsTextInsideAClippedFrame) {
    OwnerDrawButton display(kProgressDisplay, ControlKind::Display, &style, parent);
    display.resize(56, 21);
    display.cutCorners();
    display.setPercent(100);
    EXPECT_EQ(display.caption(), "100%");
    const QImage image = render(display);
    // The text's red pixels lie in the middle; the frame runs along the edges.
    int left = 56;
    int right = 0;
    for (int y = 2; y < 19; ++y) {
        for (int x = 2; x < 54; ++x) {
            if (reddish(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_LT(left, right);
    EXPECT_LE(std::abs(left - (55 - right)), 2) << left << " " << right;
    EXPECT_EQ(image.pixel(28, 20), kRed);  // bottom edge of the frame
}

// The library painter drawn once through a QPainter-backed table.
TEST_F(ButtonsTest, LibraryPainterDrawsThroughAQPainterTable) {
    QImage image(56, 21, QImage::Format_RGB32);
    image.fill(Qt::green);
    QFont font = panelFont(6);
    QRegion region(0, 0, 56, 21);
    char percentText[TAVRINE_OWNER_DRAW_PERCENT_TEXT_SIZE] = {};
    const char* captions[19] = {"ray-trace"};
    {
        QPainter painter(&image);
        PainterOps ops(painter);
        OwnerDrawItem item{1017, 0, ops.ops(), {0, 0, 56, 21}};
        OwnerDrawButtonParams params{};
        params.drawItem = &item;
        params.captionFont = &font;
        params.buttonFont = &font;
        params.percentRegion = &region;
        params.captionRegion = &region;
        params.captions = captions;
        params.percentText = percentText;
        params.panelColour = 0x000000;
        params.percent = 7;
        params.percentWidth = 56;
        params.percentHeight = 21;
        params.baseId = 1005;
        params.percentId = 1017;
        params.captionId = 1021;
        EXPECT_EQ(OwnerDrawButton_CPP(&params), 1);
    }
    EXPECT_STREQ(percentText, "7%");
    EXPECT_EQ(image.pixel(28, 0), kRed);                     // frame
    EXPECT_EQ(image.pixel(2, 10), kBlack);                   // frame fill outside the text
    EXPECT_GT(countReddish(image.copy(18, 3, 20, 15)), 10);  // the text
    // Everything but the rounded corners is painted.
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_LE(countPixels(image, qRgb(0, 255, 0)), 8);
}

}  // namespace
}  // namespace tavrine::ui
