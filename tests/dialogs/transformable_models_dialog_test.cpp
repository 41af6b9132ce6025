#include "app/dialogs/transformable_models_dialog.h"

#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "app/model/model_record.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/dialogs/recording_host.h"

using namespace tavrine;
using namespace tavrine::test;

namespace {

QTabWidget* tabsOf(QWidget* dialog) { return dialog->findChild<QTabWidget*>(); }

void clickButton(QWidget* dialog, const char* name) {
    QTest::mouseClick(control<QPushButton>(dialog, name), Qt::LeftButton);
}

}  // namespace

class TransformableModelsDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void selectOnThePyramidPageMakesItCurrent();
    void selectWhileRenderingAsksAndKeepsTheModel();
    void reopensOnThePageLastShown();
    void cuttingRatiosAreStoredAsHundredMinusShown();
    void defaultResetsThePageOrAllPages();
    void sketchFollowsTheControls();
};

void TransformableModelsDialogTest::selectOnThePyramidPageMakesItCurrent() {
    Settings settings = testSettings();
    RecordingHost host;
    whenModal(QStringLiteral("ModelSettingWnd"), [](QWidget* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Transformable Models"));
        QCOMPARE(dialog->size(), QSize(480, 442));
        tabsOf(dialog)->setCurrentIndex(2);
        QCOMPARE(tabsOf(dialog)->currentWidget()->objectName(),
                 QStringLiteral("ModelSettingWnd_TabP3_Conic"));
        typeInto(control<QLineEdit>(dialog, "pyramidSidesEdit"), QStringLiteral("9"));
        clickButton(dialog, "SelectButton");
    });
    QCOMPARE(openTransformableModels(nullptr, settings, host), kModelDialogSelect);
    QCOMPARE(settings.modelIndex, 25);
    QCOMPARE(QString::fromUtf8(modelCaption(settings.modelIndex)), QStringLiteral("Pyramid *"));
    QCOMPARE(settings.look.transformable.pyramidSides, 9);  // Select stores as OK does
    QCOMPARE(host.calls, QStringList({"makeModelCurrent(25)", "bringMainWindowToFront"}));
}

void TransformableModelsDialogTest::selectWhileRenderingAsksAndKeepsTheModel() {
    Settings settings = testSettings();
    settings.modelIndex = 7;
    RecordingHost host;
    host.busy = true;
    whenModal(QStringLiteral("ModelSettingWnd"),
              [](QWidget* dialog) { clickButton(dialog, "SelectButton"); });
    QCOMPARE(openTransformableModels(nullptr, settings, host), kModelDialogSelect);
    QCOMPARE(settings.modelIndex, 7);
    QCOMPARE(host.abortQuestions,
             QStringList{QStringLiteral("Now rendering, Abort current process?")});
    QCOMPARE(host.count(QStringLiteral("makeModelCurrent")), 0);

    // OK and CANCEL never change the model.
    host.busy = false;
    whenModal(QStringLiteral("ModelSettingWnd"),
              [](QWidget* dialog) { clickButton(dialog, "OkButton"); });
    QCOMPARE(openTransformableModels(nullptr, settings, host), kModelDialogOk);
    whenModal(QStringLiteral("ModelSettingWnd"),
              [](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(openTransformableModels(nullptr, settings, host), kModelDialogCancel);
    QCOMPARE(settings.modelIndex, 7);
    QCOMPARE(host.count(QStringLiteral("makeModelCurrent")), 0);
}

void TransformableModelsDialogTest::reopensOnThePageLastShown() {
    Settings settings = testSettings();
    {
        TransformableModelsDialog dialog(settings);
        tabsOf(&dialog)->setCurrentIndex(3);
        dialog.reject();
    }
    TransformableModelsDialog dialog(settings);
    dialog.show();
    QCOMPARE(dialog.currentPage(), 3);
    QVERIFY(tabsOf(&dialog)->widget(3)->isVisible());
    QVERIFY(!tabsOf(&dialog)->widget(0)->isVisible());
    tabsOf(&dialog)->setCurrentIndex(0);
}

void TransformableModelsDialogTest::cuttingRatiosAreStoredAsHundredMinusShown() {
    Settings settings = testSettings();
    settings.look.transformable.hedron26Keep = 60;
    settings.look.transformable.hedron14Keep = 70;
    {
        TransformableModelsDialog dialog(settings);
        dialog.show();
        auto* edit26 = control<QLineEdit>(&dialog, "hedron26CutEdit");
        QCOMPARE(edit26->text(), QStringLiteral("40"));
        QCOMPARE(control<QLineEdit>(&dialog, "hedron14CutEdit")->text(), QStringLiteral("30"));
        typeInto(edit26, QStringLiteral("13"));
        QTRY_COMPARE_WITH_TIMEOUT(control<QSlider>(&dialog, "hedron26CutSlider")->value(), 13,
                                  1000);
        // The compression slider runs the other way: its left end is 100.
        QTest::keyClick(control<QSlider>(&dialog, "ellipsoidCompressionRatioSlider"), Qt::Key_Home);
        QCOMPARE(control<QLineEdit>(&dialog, "ellipsoidCompressionRatioEdit")->text(),
                 QStringLiteral("100"));
        // Numbers stay within their ranges.
        typeInto(control<QLineEdit>(&dialog, "ellipsoidSurfacesEdit"), QStringLiteral("30"));
        QTRY_COMPARE_WITH_TIMEOUT(control<QLineEdit>(&dialog, "ellipsoidSurfacesEdit")->text(),
                                  QStringLiteral("24"), 1000);
        clickButton(&dialog, "CancelButton");
        QCOMPARE(dialog.result(), kModelDialogCancel);
    }
    QCOMPARE(settings.look.transformable.hedron26Keep, 60);  // CANCEL stores nothing
    QCOMPARE(settings.look.transformable.ellipsoidSurfaces, 16);
    {
        TransformableModelsDialog dialog(settings);
        dialog.show();
        typeInto(control<QLineEdit>(&dialog, "hedron26CutEdit"), QStringLiteral("13"));
        typeInto(control<QLineEdit>(&dialog, "ellipsoidRowsEdit"), QStringLiteral("1"));
        clickButton(&dialog, "OkButton");
        QCOMPARE(dialog.result(), kModelDialogOk);
    }
    QCOMPARE(settings.look.transformable.hedron26Keep, 87);
    QCOMPARE(settings.look.transformable.hedron14Keep, 70);
    QCOMPARE(settings.look.transformable.ellipsoidRows, 2);  // typed 1, the up-down keeps 2 to 16

    bool ok = false;
    const Settings read = roundTrip(settings, ok);
    QVERIFY(ok);
    QCOMPARE(read.look.transformable.hedron26Keep, 87);
    QCOMPARE(read.look.transformable.ellipsoidRows, 2);
}

void TransformableModelsDialogTest::defaultResetsThePageOrAllPages() {
    Settings settings = testSettings();
    settings.look.transformable.prismSides = 12;
    settings.look.transformable.pyramidSides = 4;
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        TransformableModelsDialog dialog(settings);
        dialog.show();
        tabsOf(&dialog)->setCurrentIndex(1);
        clickButton(&dialog, "DefaultButton");
        QCOMPARE(answerer.texts,
                 QStringList{QStringLiteral("Restore this tab page to default settings?")});
        QCOMPARE(control<QLineEdit>(&dialog, "prismSidesEdit")->text(), QStringLiteral("6"));
        QCOMPARE(control<QLineEdit>(&dialog, "pyramidSidesEdit")->text(), QStringLiteral("4"));
        QCOMPARE(settings.look.transformable.prismSides, 12);  // only the controls changed
    }
    {
        MessageBoxAnswerer answerer({QMessageBox::No, QMessageBox::Yes});
        TransformableModelsDialog dialog(settings);
        dialog.show();
        clickButton(&dialog, "DefaultButton");
        QCOMPARE(answerer.texts.value(1),
                 QStringLiteral("Restore all 5 tab pages to default settings?"));
        QCOMPARE(control<QLineEdit>(&dialog, "pyramidSidesEdit")->text(), QStringLiteral("6"));
        QCOMPARE(control<QLineEdit>(&dialog, "prismSidesEdit")->text(), QStringLiteral("6"));
        clickButton(&dialog, "OkButton");
    }
    QCOMPARE(settings.look.transformable.prismSides, 6);
    QCOMPARE(settings.look.transformable.pyramidSides, 6);
}

void TransformableModelsDialogTest::sketchFollowsTheControls() {
    Settings settings = testSettings();
    TransformableModelsDialog dialog(settings);
    dialog.show();
    auto* sketch =
        dialog.findChild<ShapeSketch*>(QStringLiteral("ModelSettingWnd_TabP2_Prism_Sketch"));
    QVERIFY(sketch);
    const int sixSides = sketch->visibleFacets();
    QVERIFY(sixSides > 0);
    clickArrow(control<UpDown>(&dialog, "prismSidesUpDown"), 1);
    clickArrow(control<UpDown>(&dialog, "prismSidesUpDown"), 1);
    QVERIFY(sketch->visibleFacets() > sixSides);  // eight sides show more facets than six
}

QTEST_MAIN(TransformableModelsDialogTest)
#include "transformable_models_dialog_test.moc"
