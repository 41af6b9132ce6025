// The Tilt Performance window from the viewer with its real threads: it sweeps the current stone
// on the engine thread to the figures tavrine-render prints for the same scene, saves them, and
// stops a sweep at Cancel.

#include "app/ui/tilt_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QtCharts/QChartView>
#include <algorithm>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/session/session.h"
#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "app/ui/threaded_engine.h"
#include "app/ui/window_outputs.h"
#include "tests/support/byte_files.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/modal_answers.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

TEST(TiltPerformanceWindow, SweepsAsTheCommandLineSavesAndCancels) {
    test::application();
    tavrine::test::TempFolder folder("tavrine-tilt-window");
    const std::string dir = folder.path() + "/";
    Session session;
    session.settings = defaultSettings(dir, dir);
    session.settings.showTitle = 0;
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 48;
    chooseLighting(session, Lighting::Iso);
    ThreadedEngine engine(session);
    MainWindow w(session, engine);
    w.show();
    w.startEngine();

    w.action(kMenuTiltPerformance)->trigger();
    TiltPerformanceWindow* tilt = w.outputs()->tiltWindow();
    ASSERT_NE(tilt, nullptr);
    EXPECT_TRUE(tilt->isVisible());
    EXPECT_TRUE(tilt->running());
    ASSERT_TRUE(test::waitUntil([&] { return !tilt->running(); }, 60000));
    auto* cancel = tilt->findChild<QPushButton*>("cancel");
    EXPECT_FALSE(cancel->isEnabled());

    // The figures read line for line as tavrine-render prints them for the same stone.
    QProcess render;
    render.start(QString::fromUtf8(TAVRINE_RENDER_PATH),
                 {"--size", "48", "--lighting", "iso", "--tilt-sweep", "30:5"});
    ASSERT_TRUE(render.waitForFinished(60000));
    EXPECT_EQ(tilt->findChild<QPlainTextEdit*>("figures")->toPlainText() + "\n",
              QString::fromUtf8(render.readAllStandardOutput()));
    ASSERT_NE(tilt->findChild<QChartView*>("chart")->chart(), nullptr);
    EXPECT_GT(tilt->findChild<QChartView*>("chart")->chart()->series().size(), 1);
    EXPECT_GT(tilt->strip().width(), 13 * 48);

    // The CSV saved is the command line's.
    {
        test::ModalAnswers answers({test::chooseFile("tilt")});
        tilt->findChild<QPushButton*>("saveCsv")->click();
        EXPECT_TRUE(answers.done());
    }
    const std::vector<uint8_t> csv = tavrine::test::readBytes(folder.file("tilt.csv"));
    const std::string expected = evaluate::tiltCsv(w.outputs()->tiltSweep().rows);
    EXPECT_EQ(std::string(csv.begin(), csv.end()), expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 14);

    // A long sweep stops at Cancel; nothing is offered for saving then.
    tilt->findChild<QLineEdit*>("range")->setText("90:1");
    tilt->findChild<QPushButton*>("run")->click();
    ASSERT_TRUE(tilt->running());
    cancel->click();
    ASSERT_TRUE(test::waitUntil([&] { return !tilt->running(); }, 60000));
    EXPECT_TRUE(tilt->findChild<QLabel*>("status")->text().startsWith("Cancelled"))
        << tilt->findChild<QLabel*>("status")->text().toStdString();
    EXPECT_LT(w.outputs()->tiltSweep().rows.size(), 181u);
    EXPECT_FALSE(tilt->findChild<QPushButton*>("saveCsv")->isEnabled());
    EXPECT_TRUE(engine.isIdle());

    tilt->close();
    EXPECT_TRUE(test::waitUntil([&] { return w.outputs()->tiltWindow() == nullptr; }, 5000));
    engine.shutdown();
}

}  // namespace
}  // namespace tavrine::ui
