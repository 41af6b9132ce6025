#include "app/dialogs/size_setting_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "tests/dialogs/dialog_test_support.h"
#include "tests/dialogs/recording_host.h"

using namespace tavrine;
using namespace tavrine::test;

namespace {

const QString kInvalidTrimming = QStringLiteral(
    "Invalid trimming value.\n\nSum of the paired two values (i.e. left side + right side)\nmust "
    "be lower than the length (/height) of the rendering image.\n\nShorten the trimming length.");

// Types the four trimming values (top, bottom, left, right) into their edits.
void typeTrimming(QWidget* dialog, int top, int bottom, int left, int right) {
    typeInto(control<QLineEdit>(dialog, "1032"), QString::number(top));
    typeInto(control<QLineEdit>(dialog, "1047"), QString::number(bottom));
    typeInto(control<QLineEdit>(dialog, "1056"), QString::number(left));
    typeInto(control<QLineEdit>(dialog, "1059"), QString::number(right));
}

void clickOk(QWidget* dialog) {
    QTest::mouseClick(control<QPushButton>(dialog, "1005"), Qt::LeftButton);
}

}  // namespace

class SizeSettingDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void trimmingMustLeaveAPictureInTheFixedMode();
    void trimmingMustLeaveAPictureOfTheSeparateWidth();
    void widthChangeRecreatesAndRedrawsOnlyWithTrimming();
    void modeSwitchesShowAndHideTheRenderWindow();
    void groupsFollowTheirSwitchesAndDefaultsStayUnstored();
    void busyRenderAsksInsteadOfOpening();
};

void SizeSettingDialogTest::trimmingMustLeaveAPictureInTheFixedMode() {
    Settings settings = testSettings();
    RecordingHost host;
    {
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        SizeSettingDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);
        typeTrimming(&dialog, 100, 99, 0, 0);  // 199 is not below 199
        clickOk(&dialog);
        QCOMPARE(answerer.texts, QStringList{kInvalidTrimming});
        QCOMPARE(answerer.icons.value(0), QMessageBox::NoIcon);
        QVERIFY(dialog.isVisible());                 // stays open
        QCOMPARE(settings.look.trimming.bottom, 0);  // a rejected value is never stored
        QCOMPARE(settings.look.trimmingCheckBox, 0);
        QVERIFY(host.calls.isEmpty());

        typeInto(control<QLineEdit>(&dialog, "1047"), QStringLiteral("98"));
        clickOk(&dialog);
        QCOMPARE(dialog.result(), 1);
        QCOMPARE(answerer.texts.size(), 1);
    }
    QCOMPARE(settings.look.trimming.top, 100);
    QCOMPARE(settings.look.trimming.bottom, 98);
    QCOMPARE(settings.look.trimmingActive, 1);
    QCOMPARE(settings.look.trimmingCheckBox, 1);
    QCOMPARE(host.count(QStringLiteral("postRedrawPreview")), 1);

    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.trimming.top, 100);
    QCOMPARE(read.look.trimming.bottom, 98);
    QCOMPARE(read.look.trimmingActive, 1);
    QCOMPARE(read.look.trimmingCheckBox, 1);
}

void SizeSettingDialogTest::trimmingMustLeaveAPictureOfTheSeparateWidth() {
    Settings settings = testSettings();
    RecordingHost host;
    MessageBoxAnswerer answerer({QMessageBox::Ok});
    SizeSettingDialog dialog(settings, host);
    dialog.show();
    QTest::mouseClick(control<QRadioButton>(&dialog, "1044"), Qt::LeftButton);
    QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);
    // Below the range the width's up-down stays at 32.
    auto* width = control<QLineEdit>(&dialog, "1003");
    typeInto(width, QStringLiteral("20"));
    clickArrow(control<UpDown>(&dialog, "1004"), -1);
    QCOMPARE(width->text(), QStringLiteral("32"));

    typeTrimming(&dialog, 0, 0, 16, 16);
    clickOk(&dialog);
    QCOMPARE(answerer.texts, QStringList{kInvalidTrimming});
    QCOMPARE(settings.look.sizeMode, 0);
    QCOMPARE(settings.look.imageWidth, 270);

    typeInto(control<QLineEdit>(&dialog, "1059"), QStringLiteral("15"));
    clickOk(&dialog);
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(settings.look.sizeMode, 1);
    QCOMPARE(settings.look.imageWidth, 32);
    QCOMPARE(settings.look.trimming.left, 16);
    QCOMPARE(settings.look.trimming.right, 15);

    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.sizeMode, 1);
    QCOMPARE(read.look.imageWidth, 32);
    QCOMPARE(read.look.trimming.right, 15);
}

void SizeSettingDialogTest::widthChangeRecreatesAndRedrawsOnlyWithTrimming() {
    for (const bool trimmed : {true, false}) {
        Settings settings = testSettings();
        settings.look.sizeMode = 1;
        settings.look.trimming = {trimmed ? 10 : 0, 0, 0, 0};
        settings.look.trimmingActive = trimmed ? 1 : 0;
        RecordingHost host;
        host.layout = {1, 270};
        SizeSettingDialog dialog(settings, host);
        dialog.show();
        typeInto(control<QLineEdit>(&dialog, "1003"), QStringLiteral("300"));
        clickOk(&dialog);
        QCOMPARE(dialog.result(), 1);
        QStringList expected = {
            QStringLiteral("showRenderWindowButton(1)"),
            QStringLiteral("recreateRenderWindow(300)"),
            QStringLiteral("setRenderGeometry(1,300)"),
            QStringLiteral("replaceRenderPicture(300)"),
            QStringLiteral("raiseRenderWindow"),
        };
        if (trimmed) expected << QStringLiteral("postRedrawPreview");
        QCOMPARE(host.calls, expected);
    }

    // Only a trimming value changed: the render window stays, the preview is redrawn.
    Settings settings = testSettings();
    RecordingHost host;
    applySizeAndTrimming(settings, Trimming{0, 0, 3, 0}, Trimming{}, true, host);
    QCOMPARE(host.count(QStringLiteral("recreateRenderWindow")), 0);
    QCOMPARE(host.count(QStringLiteral("replaceRenderPicture")), 0);
    QCOMPARE(host.count(QStringLiteral("postRedrawPreview")), 1);
}

void SizeSettingDialogTest::modeSwitchesShowAndHideTheRenderWindow() {
    Settings settings = testSettings();
    RecordingHost host;
    {
        SizeSettingDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QRadioButton>(&dialog, "1044"), Qt::LeftButton);
        clickOk(&dialog);
    }
    QCOMPARE(host.calls, QStringList({"showRenderWindowButton(1)", "recreateRenderWindow(270)",
                                      "setRenderGeometry(1,270)", "replaceRenderPicture(270)",
                                      "raiseRenderWindow", "clearMainRenderArea"}));
    host.calls.clear();
    {
        SizeSettingDialog dialog(settings, host);
        dialog.show();
        QVERIFY(control<QRadioButton>(&dialog, "1044")->isChecked());
        QTest::mouseClick(control<QRadioButton>(&dialog, "1043"), Qt::LeftButton);
        clickOk(&dialog);
    }
    // The main window's render area keeps what it showed: nothing clears it.
    QCOMPARE(host.calls, QStringList({"showRenderWindowButton(0)", "hideRenderWindow",
                                      "setRenderGeometry(0,270)", "replaceRenderPicture(199)"}));
    QCOMPARE(settings.look.sizeMode, 0);

    // The trimming box only unlocks the edits: non-zero values are in force while it is off.
    settings.look.trimming = {4, 0, 0, 0};
    settings.look.trimmingCheckBox = 0;
    SizeSettingDialog dialog(settings, host);
    dialog.show();
    clickOk(&dialog);
    QCOMPARE(settings.look.trimmingActive, 1);
}

void SizeSettingDialogTest::groupsFollowTheirSwitchesAndDefaultsStayUnstored() {
    Settings settings = testSettings();
    settings.look.sizeMode = 1;
    settings.look.imageWidth = 400;
    settings.look.trimming = {1, 2, 3, 4};
    settings.look.trimmingCheckBox = 1;
    settings.look.trimmingActive = 1;
    RecordingHost host;
    host.layout = {1, 400};
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    SizeSettingDialog dialog(settings, host);
    dialog.show();
    const char* widthGroup[] = {"1003", "1004", "1024", "1025"};
    const char* trimGroup[] = {"1032", "1033", "1047", "1048", "1056", "1057",
                               "1059", "1060", "1026", "1027", "1028", "1065"};
    for (const char* id : widthGroup) QVERIFY2(control<QWidget>(&dialog, id)->isEnabled(), id);
    for (const char* id : trimGroup) QVERIFY2(control<QWidget>(&dialog, id)->isEnabled(), id);

    QTest::mouseClick(control<QPushButton>(&dialog, "1007"), Qt::LeftButton);
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("Restore default settings?")});
    QCOMPARE(answerer.icons.value(0), QMessageBox::Warning);
    for (const char* id : widthGroup) QVERIFY2(!control<QWidget>(&dialog, id)->isEnabled(), id);
    for (const char* id : trimGroup) QVERIFY2(!control<QWidget>(&dialog, id)->isEnabled(), id);
    QVERIFY(control<QWidget>(&dialog, "1018")->isEnabled());
    QVERIFY(control<QWidget>(&dialog, "1066")->isEnabled());
    QCOMPARE(control<QLineEdit>(&dialog, "1003")->text(), QStringLiteral("270"));
    QCOMPARE(control<QLineEdit>(&dialog, "1059")->text(), QStringLiteral("0"));

    // A trimming value past the range becomes 512 after the wait.
    QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);
    auto* top = control<QLineEdit>(&dialog, "1032");
    typeInto(top, QStringLiteral("9999"));
    QTRY_COMPARE_WITH_TIMEOUT(top->text(), QStringLiteral("512"), 1000);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), 0);
    QCOMPARE(settings.look.sizeMode, 1);
    QCOMPARE(settings.look.imageWidth, 400);
    QCOMPARE(settings.look.trimming.right, 4);
    QCOMPARE(settings.look.trimmingCheckBox, 1);
    QVERIFY(host.calls.isEmpty());
}

void SizeSettingDialogTest::busyRenderAsksInsteadOfOpening() {
    Settings settings = testSettings();
    RecordingHost host;
    host.busy = true;
    QCOMPARE(openSizeSetting(nullptr, settings, host), 0);
    QCOMPARE(host.abortQuestions,
             QStringList{QStringLiteral("Now rendering. Change the size after the preceding "
                                        "process is finnished.\n\nAbort current process?")});

    host.busy = false;
    host.calls.clear();
    whenModal(QStringLiteral("SizeSettingWnd"), [](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Size Setting"));
        QCOMPARE(dialog->size(), QSize(353, 388));
        QTest::keyClick(control<QLineEdit>(dialog, "1003"), Qt::Key_Return);
    });
    QCOMPARE(openSizeSetting(nullptr, settings, host), 1);
    QCOMPARE(host.calls.last(), QStringLiteral("bringMainWindowToFront"));
}

QTEST_MAIN(SizeSettingDialogTest)
#include "size_setting_dialog_test.moc"
