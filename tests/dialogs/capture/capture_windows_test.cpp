#include "app/dialogs/capture/capture_windows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "app/dialogs/dialog_controls.h"

namespace tavrine {
namespace {

// Answers the next message box with the given button once it shows.
void answerNextMessageBox(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [button] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                box->button(button)->click();
                return;
            }
        }
        answerNextMessageBox(button);
    });
}

template <typename T>
T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(NewCaptureDialog, TypedCountsAreBroughtIntoRangeAndDefaultRestores128) {
    NewCaptureDialog dialog(300);
    EXPECT_EQ(dialog.objectName(), "HeaderSettingWnd");
    EXPECT_EQ(dialog.windowTitle(), "New Automatic Screen Capture");
    EXPECT_EQ(dialog.size(), QSize(385, 205));
    auto* edit = child<QLineEdit>(&dialog, "edit");
    EXPECT_EQ(edit->text(), "300");
    edit->setText("0");
    EXPECT_EQ(dialog.frameCount(), 1);
    edit->setText("999999999999999");
    EXPECT_EQ(dialog.frameCount(), 4096);
    edit->setText("4096");
    child<UpDown>(&dialog, "updown")->step(1);
    EXPECT_EQ(edit->text(), "4096");
    child<UpDown>(&dialog, "updown")->step(-1);
    EXPECT_EQ(dialog.frameCount(), 4095);

    answerNextMessageBox(QMessageBox::No);
    child<QPushButton>(&dialog, "default")->click();
    EXPECT_EQ(dialog.frameCount(), 4095);
    answerNextMessageBox(QMessageBox::Yes);
    child<QPushButton>(&dialog, "default")->click();
    EXPECT_EQ(dialog.frameCount(), 128);

    QTimer::singleShot(0, [&] { child<QPushButton>(&dialog, "ok")->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    QTimer::singleShot(0, [&] { child<QPushButton>(&dialog, "cancel")->click(); });
    EXPECT_EQ(dialog.exec(), 0);

    // "OK" refuses 0 (and 4097) frames with the range and stays open; 5 then passes.
    QStringList refusals;
    QTimer::singleShot(0, [&] {
        for (const char* typed : {"0", "4097", ""}) {
            edit->setText(QString::fromLatin1(typed));
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (box == nullptr) return;
                refusals << box->text();
                box->button(QMessageBox::Ok)->click();
            });
            child<QPushButton>(&dialog, "ok")->click();
            EXPECT_TRUE(dialog.isVisible()) << typed;
        }
        edit->setText("5");
        child<QPushButton>(&dialog, "ok")->click();
    });
    EXPECT_EQ(dialog.exec(), 1);
    EXPECT_EQ(dialog.frameCount(), 5);
    ASSERT_EQ(refusals.size(), 3);
    EXPECT_EQ(refusals[0], "Number of frames must be set within the range of 1 to 4096.");
}

TEST(MakeAnimationDialog, DelayDirectionAndDefaults) {
    MakeAnimationDialog dialog(100, true);
    EXPECT_EQ(dialog.objectName(), "GifAniFileSettingWnd");
    EXPECT_EQ(dialog.size(), QSize(347, 286));
    EXPECT_EQ(dialog.timeWeight(), 100);
    EXPECT_TRUE(dialog.clockwise());
    child<QLineEdit>(&dialog, "edit")->setText("70000");
    EXPECT_EQ(dialog.timeWeight(), 65535);
    answerNextMessageBox(QMessageBox::Yes);
    child<QPushButton>(&dialog, "default")->click();
    EXPECT_EQ(dialog.timeWeight(), 4);
    EXPECT_FALSE(dialog.clockwise());
    EXPECT_EQ(child<QRadioButton>(&dialog, "clockwise")->text(), "Clockwise (&C)");
}

TEST(CaptureProgressWindow, ShowsTheFrameAndStaysUntilTheEngineEnds) {
    CaptureProgressWindow window(128);
    EXPECT_EQ(window.objectName(), "AutoCapProgressWnd");
    EXPECT_EQ(window.windowTitle(), "Automatic Screen Capturing");
    window.showProgress(64 | (128 << 16));
    EXPECT_EQ(child<QLabel>(&window, "progressText")->text(), "64 / 128        50 %");
    int aborts = 0;
    QObject::connect(&window, &CaptureProgressWindow::abortRequested, [&] { ++aborts; });
    answerNextMessageBox(QMessageBox::No);
    child<QPushButton>(&window, "abort")->click();
    EXPECT_EQ(aborts, 0);
    answerNextMessageBox(QMessageBox::Yes);
    child<QPushButton>(&window, "abort")->click();
    EXPECT_EQ(aborts, 1);
    QTimer::singleShot(0, [&] {
        answerNextMessageBox(QMessageBox::No);
        window.close();  // asks, and stays
        QTimer::singleShot(0, [&] { window.captureEnded(2); });
    });
    EXPECT_EQ(window.exec(), 2);
}

TEST(AnimationProgressWindow, ShowsThePercentageAndClosesWithTheResult) {
    AnimationProgressWindow window(128);
    EXPECT_EQ(window.objectName(), "MakeAniGifProgressWnd");
    EXPECT_EQ(window.size(), QSize(304, 70));
    window.showProgress(32 | (128 << 16));
    EXPECT_EQ(child<QLabel>(&window, "progressText")->text(), "25 %");
    QTimer::singleShot(0, [&] { window.compileEnded(1); });
    EXPECT_EQ(window.exec(), 1);
    AnimationProgressWindow closed(10);
    QTimer::singleShot(0, [&] { closed.close(); });
    EXPECT_EQ(closed.exec(), 0);
}

}  // namespace
}  // namespace tavrine

int main(int argc, char** argv) {
    // The windows are checked headless, also when the test list is discovered at build time.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
