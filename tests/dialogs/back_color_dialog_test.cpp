#include "app/dialogs/back_color_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "tests/dialogs/dialog_test_support.h"
#include "tests/dialogs/recording_host.h"

using namespace tavrine;
using namespace tavrine::test;

class BackColorDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void redTrackBarToTheTopPaintsTheSwatchRed();
    void editsAreClampedAfterTheWait();
    void lightGroupFollowsItsBoxAndDefaultsAreStoredByOk();
    void cancelAfterMovingEveryControlChangesNothing();
    void headShadowIsGreyedInStudioAndStoredByOk();
};

void BackColorDialogTest::redTrackBarToTheTopPaintsTheSwatchRed() {
    Settings settings = testSettings();
    BackColorDialog dialog(settings);
    dialog.show();
    auto* red = control<QSlider>(&dialog, "1030");
    QTest::keyClick(red, Qt::Key_End);  // thumb to the top end
    QCOMPARE(control<QLineEdit>(&dialog, "1003")->text(), QStringLiteral("255"));
    QCOMPARE(dialog.workingColour(), QColor(255, 0, 0));
    // The grab may hold fewer than 8 bits per channel: compare to within a few steps.
    const QImage picture = dialog.grab().toImage();
    auto isRed = [&](int x, int y) {
        const QColor c = picture.pixelColor(x, y);
        return c.red() > 240 && c.green() < 8 && c.blue() < 8;
    };
    QVERIFY(isRed(100, 100));  // inside the swatch
    QVERIFY(isRed(52, 60));    // its outline

    // The blue up-down moves its track bar and the swatch.
    clickArrow(control<UpDown>(&dialog, "1048"), 1);
    QCOMPARE(control<QSlider>(&dialog, "1046")->value(), 1);
    QCOMPARE(dialog.workingColour(), QColor(255, 0, 1));

    QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(settings.look.backdrop[0], int16_t{255});
    QCOMPARE(settings.look.backdrop[2], int16_t{1});
    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.backdrop[0], int16_t{255});
    QCOMPARE(read.look.backdrop[1], int16_t{0});
    QCOMPARE(read.look.backdrop[2], int16_t{1});
}

void BackColorDialogTest::editsAreClampedAfterTheWait() {
    Settings settings = testSettings();
    settings.lightVolumesCheck = 1;
    BackColorDialog dialog(settings);
    dialog.show();
    auto* green = control<QLineEdit>(&dialog, "1032");
    auto* main = control<QLineEdit>(&dialog, "1056");
    typeInto(green, QStringLiteral("300"));
    typeInto(main, QStringLiteral("250"));
    QTRY_COMPARE_WITH_TIMEOUT(green->text(), QStringLiteral("255"), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(main->text(), QStringLiteral("200"), 1000);
    QCOMPARE(control<QSlider>(&dialog, "1045")->value(), 255);
    QCOMPARE(control<QSlider>(&dialog, "1055")->value(), 200);
    QCOMPARE(dialog.workingColour(), QColor(0, 255, 0));

    // The fill light's track bar sets its edit; its up-down stops at 0.
    QTest::keyClick(control<QSlider>(&dialog, "1061"), Qt::Key_Home);
    QCOMPARE(control<QLineEdit>(&dialog, "1062")->text(), QStringLiteral("0"));
    clickArrow(control<UpDown>(&dialog, "1063"), -1);
    QCOMPARE(control<QLineEdit>(&dialog, "1062")->text(), QStringLiteral("0"));

    QTest::keyClick(main, Qt::Key_Return);  // Enter is OK
    QCOMPARE(dialog.result(), 1);
    QCOMPARE(settings.look.backdrop[1], int16_t{255});
    QCOMPARE(settings.look.mainLight, 200);
    QCOMPARE(settings.look.fillLight, 0);
    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.mainLight, 200);
    QCOMPARE(read.look.fillLight, 0);
}

void BackColorDialogTest::lightGroupFollowsItsBoxAndDefaultsAreStoredByOk() {
    Settings settings = testSettings();
    settings.look.backdrop[0] = 40;
    settings.lightVolumesCheck = 1;
    settings.look.mainLight = 150;
    settings.look.backLight = 20;
    settings.look.fillLight = 180;
    settings.look.narrowHighlight = 1;
    MessageBoxAnswerer answerer({QMessageBox::Yes});
    BackColorDialog dialog(settings);
    dialog.show();
    const char* lightGroup[] = {"1049", "1050", "1051", "1052", "1053", "1054",
                                "1055", "1056", "1057", "1058", "1059", "1060",
                                "1061", "1062", "1063", "1064", "1019"};
    for (const char* id : lightGroup) QVERIFY2(control<QWidget>(&dialog, id)->isEnabled(), id);
    QVERIFY(control<QCheckBox>(&dialog, "1019")->isChecked());

    QTest::mouseClick(control<QPushButton>(&dialog, "1007"), Qt::LeftButton);
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("Restore default settings?")});
    for (const char* id : lightGroup) QVERIFY2(!control<QWidget>(&dialog, id)->isEnabled(), id);
    QCOMPARE(dialog.workingColour(), QColor(0, 0, 0));
    QCOMPARE(settings.look.mainLight, 150);  // only the controls changed

    QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);
    for (const char* id : lightGroup) QVERIFY2(control<QWidget>(&dialog, id)->isEnabled(), id);
    QTest::mouseClick(control<QCheckBox>(&dialog, "1018"), Qt::LeftButton);

    QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
    QCOMPARE(settings.look.backdrop[0], int16_t{0});
    QCOMPARE(settings.lightVolumesCheck, 0);
    QCOMPARE(settings.look.mainLight, 100);
    QCOMPARE(settings.look.backLight, 100);
    QCOMPARE(settings.look.fillLight, 100);
    QCOMPARE(settings.look.narrowHighlight, 0);
}

void BackColorDialogTest::cancelAfterMovingEveryControlChangesNothing() {
    Settings settings = testSettings();
    settings.look.backdrop[0] = 10;
    settings.look.backdrop[1] = 20;
    settings.look.backdrop[2] = 30;
    settings.look.mainLight = 110;
    settings.look.backLight = 90;
    settings.look.fillLight = 70;
    const Settings before = settings;
    RecordingHost host;
    whenModal(QStringLiteral("BackColorSettingWnd"), [](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("BackColor / Light Volume Settings"));
        QCOMPARE(dialog->size(), QSize(360, 512));
        QTest::mouseClick(control<QCheckBox>(dialog, "1018"), Qt::LeftButton);
        for (const char* id : {"1030", "1045", "1046", "1055", "1058", "1061"}) {
            QTest::keyClick(control<QSlider>(dialog, id), Qt::Key_PageUp);
        }
        for (const char* id : {"1004", "1033", "1048", "1057", "1060", "1063"}) {
            clickArrow(control<UpDown>(dialog, id), 1);
        }
        typeInto(control<QLineEdit>(dialog, "1003"), QStringLiteral("200"));
        QTest::mouseClick(control<QCheckBox>(dialog, "1019"), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(openBackColorSettings(nullptr, settings, host), 0);
    QCOMPARE(host.calls, QStringList{QStringLiteral("bringMainWindowToFront")});
    for (int i = 0; i < 3; ++i) QCOMPARE(settings.look.backdrop[i], before.look.backdrop[i]);
    QCOMPARE(settings.lightVolumesCheck, before.lightVolumesCheck);
    QCOMPARE(settings.look.mainLight, before.look.mainLight);
    QCOMPARE(settings.look.backLight, before.look.backLight);
    QCOMPARE(settings.look.fillLight, before.look.fillLight);
    QCOMPARE(settings.look.narrowHighlight, before.look.narrowHighlight);

    // Opened again, the swatch shows the stored colour, not the forgotten one.
    BackColorDialog dialog(settings);
    dialog.show();
    QCOMPARE(dialog.workingColour(), QColor(10, 20, 30));
}

void BackColorDialogTest::headShadowIsGreyedInStudioAndStoredByOk() {
    Settings settings = testSettings();
    {
        BackColorDialog studio(settings);
        for (const char* id : {"1065", "1066", "1067", "1068"}) {
            QVERIFY2(!control<QWidget>(&studio, id)->isEnabled(), id);
        }
    }
    settings.lighting = 1;  // ISO
    BackColorDialog dialog(settings);
    dialog.show();
    QCOMPARE(control<QLineEdit>(&dialog, "1066")->text(), QStringLiteral("10"));
    typeInto(control<QLineEdit>(&dialog, "1066"), QStringLiteral("60"));
    QTRY_COMPARE_WITH_TIMEOUT(control<QLineEdit>(&dialog, "1066")->text(), QStringLiteral("45"),
                              1000);
    clickArrow(control<UpDown>(&dialog, "1067"), -1);
    QTest::mouseClick(control<QPushButton>(&dialog, "1005"), Qt::LeftButton);
    QCOMPARE(settings.headShadow, 44);
}

QTEST_MAIN(BackColorDialogTest)
#include "back_color_dialog_test.moc"
