#include "app/dialogs/general_settings_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "tests/dialogs/dialog_test_support.h"
#include "tests/dialogs/recording_host.h"

using namespace tavrine;
using namespace tavrine::test;

class GeneralSettingsDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void speedEditMovesTrackBarAfterHalfSecondAndOkStoresDelay();
    void fastEndStoresNoDelayAndDepthStaysInRange();
    void drawActsAtOnceAndCancelPutsTheTrailBack();
    void restartNoticeOnlyForStartUpSettings();
    void defaultThenCancelChangesNothingDefaultThenOkStoresDefaults();
    void keyboardAndResultsOfTheModalRun();
};

void GeneralSettingsDialogTest::speedEditMovesTrackBarAfterHalfSecondAndOkStoresDelay() {
    Settings settings = testSettings();
    RecordingHost host;
    GeneralSettingsDialog dialog(settings, host);
    dialog.show();
    auto* track = control<QSlider>(&dialog, "1030");
    auto* edit = control<QLineEdit>(&dialog, "1003");
    QVERIFY(track && edit);
    QCOMPARE(track->value(), 150);  // 200 - the default delay of 50

    typeInto(edit, QStringLiteral("75"));
    QTest::qWait(200);
    QCOMPARE(track->value(), 150);  // nothing happens before the wait ends
    typeInto(edit, QStringLiteral("75"));
    QTest::qWait(350);
    QCOMPARE(track->value(), 150);  // every keystroke restarts the wait
    QTRY_COMPARE_WITH_TIMEOUT(track->value(), 75, 1000);
    QCOMPARE(settings.turnDelay, 50);  // nothing stored before OK

    // Letters never reach the edit.
    QTest::keyClicks(edit, QStringLiteral("x"));
    QCOMPARE(edit->text(), QStringLiteral("75"));

    QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(settings.turnDelay, 125);

    bool ok = false;
    QCOMPARE(roundTrip(settings, ok).turnDelay, 125);
    QVERIFY(ok);
}

void GeneralSettingsDialogTest::fastEndStoresNoDelayAndDepthStaysInRange() {
    Settings settings = testSettings();
    RecordingHost host;
    GeneralSettingsDialog dialog(settings, host);
    dialog.show();
    auto* track = control<QSlider>(&dialog, "1030");
    QTest::keyClick(track, Qt::Key_End);  // fully to "Fast"
    QCOMPARE(control<QLineEdit>(&dialog, "1003")->text(), QStringLiteral("200"));

    // A speed above the range is clamped by both controls.
    auto* speedEdit = control<QLineEdit>(&dialog, "1003");
    typeInto(speedEdit, QStringLiteral("999"));
    QTRY_COMPARE_WITH_TIMEOUT(speedEdit->text(), QStringLiteral("200"), 1000);
    QCOMPARE(track->value(), 200);

    // The depth's up-down keeps 1 to 20, whatever is typed or clicked.
    auto* depthEdit = control<QLineEdit>(&dialog, "1032");
    auto* depth = control<UpDown>(&dialog, "1033");
    typeInto(depthEdit, QStringLiteral("35"));
    clickArrow(depth, 1);
    QCOMPARE(depthEdit->text(), QStringLiteral("20"));
    typeInto(depthEdit, QStringLiteral("1"));
    clickArrow(depth, -1);
    QCOMPARE(depthEdit->text(), QStringLiteral("1"));
    // A depth beyond the range shows what counts once the edit is left.
    QApplication::setActiveWindow(&dialog);
    depthEdit->setFocus();
    typeInto(depthEdit, QStringLiteral("25"));
    QTest::keyClick(depthEdit, Qt::Key_Tab);
    QCOMPARE(depthEdit->text(), QStringLiteral("20"));
    typeInto(depthEdit, QStringLiteral("12"));  // typed and OK at once: the up-down reads it

    QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
    QCOMPARE(settings.turnDelay, 0);
    QCOMPARE(settings.recursionDepth, 12);

    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.turnDelay, 0);
    QCOMPARE(read.recursionDepth, 12);
}

void GeneralSettingsDialogTest::drawActsAtOnceAndCancelPutsTheTrailBack() {
    Settings settings = testSettings();
    RecordingHost host;
    {
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QCheckBox>(&dialog, "1019"), Qt::LeftButton);
        QCOMPARE(host.calls, QStringList{QStringLiteral("showTrailPreview(0)")});
        QTest::mouseClick(control<QPushButton>(&dialog, "1006"), Qt::LeftButton);
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(settings.drawTrail, uint8_t{1});
        QVERIFY(host.trailShown);  // the panel shows the trail again
    }
    host.calls.clear();
    {
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QCheckBox>(&dialog, "1019"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
        QCOMPARE(settings.drawTrail, uint8_t{0});
        QCOMPARE(host.calls, QStringList{QStringLiteral("showTrailPreview(0)")});
        bool ok = false;
        QCOMPARE(roundTrip(settings, ok).drawTrail, uint8_t{0});
        QVERIFY(ok);
    }
}

void GeneralSettingsDialogTest::restartNoticeOnlyForStartUpSettings() {
    Settings settings = testSettings();
    RecordingHost host;
    {
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
        QCOMPARE(dialog.result(), 1);
        QVERIFY(answerer.texts.isEmpty());
        QCOMPARE(settings.look.renderFire, 0);
    }
    {
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QCheckBox>(&dialog, "1020"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
        QCOMPARE(answerer.texts,
                 QStringList{QStringLiteral(
                     "\"Appearence of Stone Setting Panel\"\n\"Button Placement\"\n\nChanges for "
                     "these settings will take effect at the next program launch.")});
        QCOMPARE(answerer.titles, QStringList{QStringLiteral("Confirmation")});
        QCOMPARE(answerer.icons.value(0), QMessageBox::NoIcon);
        QCOMPARE(settings.largerFont, 0);
    }
    {
        // Changed and changed back: no notice.
        MessageBoxAnswerer answerer({QMessageBox::Ok});
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        auto* placement = control<QCheckBox>(&dialog, "1040");
        QTest::mouseClick(placement, Qt::LeftButton);
        QTest::mouseClick(placement, Qt::LeftButton);
        QTest::mouseClick(control<QCheckBox>(&dialog, "1041"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
        QVERIFY(answerer.texts.isEmpty());
        QCOMPARE(settings.savePositionInfo, 0);
    }
    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.renderFire, 0);
    QCOMPARE(read.largerFont, 0);
    QCOMPARE(read.savePositionInfo, 0);
}

void GeneralSettingsDialogTest::defaultThenCancelChangesNothingDefaultThenOkStoresDefaults() {
    Settings settings = testSettings();
    settings.turnDelay = 180;
    settings.recursionDepth = 3;
    settings.look.renderFire = 0;
    settings.drawTrail = 0;
    settings.largerFont = 0;
    settings.japanese = 1;
    settings.buttonPlacement = 0;
    settings.savePositionInfo = 0;
    const Settings before = settings;
    RecordingHost host;
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QVERIFY(!control<QCheckBox>(&dialog, "1037")->isVisible());  // "Japanese" stays hidden
        QTest::mouseClick(control<QPushButton>(&dialog, "1007"), Qt::LeftButton);
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("Restore default settings?")});
        QCOMPARE(answerer.icons.value(0), QMessageBox::Warning);
        QCOMPARE(control<QSlider>(&dialog, "1030")->value(), 150);
        QCOMPARE(control<QLineEdit>(&dialog, "1032")->text(), QStringLiteral("8"));
        QVERIFY(host.trailShown);  // "Draw" was off: the panel shows the trail at once
        QTest::mouseClick(control<QPushButton>(&dialog, "1006"), Qt::LeftButton);
        QCOMPARE(dialog.result(), 0);
    }
    QCOMPARE(settings.turnDelay, before.turnDelay);
    QCOMPARE(settings.recursionDepth, before.recursionDepth);
    QCOMPARE(settings.look.renderFire, before.look.renderFire);
    QCOMPARE(settings.drawTrail, before.drawTrail);
    QCOMPARE(settings.largerFont, before.largerFont);
    QCOMPARE(settings.japanese, before.japanese);
    QCOMPARE(settings.buttonPlacement, before.buttonPlacement);
    QCOMPARE(settings.savePositionInfo, before.savePositionInfo);
    QVERIFY(!host.trailShown);  // CANCEL hid the trail again

    {
        // Yes, then OK (the restart notice is answered too).
        MessageBoxAnswerer answerer({QMessageBox::Yes, QMessageBox::Ok});
        GeneralSettingsDialog dialog(settings, host);
        dialog.show();
        QTest::mouseClick(control<QPushButton>(&dialog, "1007"), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
        QCOMPARE(answerer.texts.size(), 2);
    }
    const Settings defaults = testSettings();
    QCOMPARE(settings.turnDelay, defaults.turnDelay);
    QCOMPARE(settings.recursionDepth, defaults.recursionDepth);
    QCOMPARE(settings.look.renderFire, 1);
    QCOMPARE(settings.drawTrail, uint8_t{1});
    QCOMPARE(settings.largerFont, 1);
    QCOMPARE(settings.japanese, 0);
    QCOMPARE(settings.buttonPlacement, 1);
    QCOMPARE(settings.savePositionInfo, 1);
}

void GeneralSettingsDialogTest::keyboardAndResultsOfTheModalRun() {
    Settings settings = testSettings();
    RecordingHost host;
    host.busy = true;  // allowed while rendering
    whenModal(QStringLiteral("SettingWnd"), [](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("General Settings"));
        QCOMPARE(dialog->size(), QSize(353, 455));
        auto* edit = control<QLineEdit>(dialog, "1003");
        edit->setFocus();
        typeInto(edit, QStringLiteral("190"));
        QTest::keyClick(edit, Qt::Key_Return);  // Enter is OK
    });
    QCOMPARE(openGeneralSettings(nullptr, settings, host), 1);
    QCOMPARE(settings.turnDelay, 10);
    QCOMPARE(host.calls, QStringList{QStringLiteral("bringMainWindowToFront")});

    whenModal(QStringLiteral("SettingWnd"), [](QWidget* dialog) {
        QTest::mouseClick(control<QCheckBox>(dialog, "1018"), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);  // Escape is CANCEL
    });
    QCOMPARE(openGeneralSettings(nullptr, settings, host), 0);
    QCOMPARE(settings.look.renderFire, 1);

    // Tab runs through the controls in their creation order.
    GeneralSettingsDialog dialog(settings, host);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    control<QSlider>(&dialog, "1030")->setFocus();
    QStringList order;
    for (int i = 0; i < 11; ++i) {
        order << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"1030", "1003", "1032", "1018", "1019", "1020", "1040", "1041",
                                 "1005", "1006", "1007"}));
}

QTEST_MAIN(GeneralSettingsDialogTest)
#include "general_settings_dialog_test.moc"
