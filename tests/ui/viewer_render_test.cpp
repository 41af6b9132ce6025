// The whole viewer in one process: the real engine and keyboard threads behind the main window,
// Space pressed, and the render area compared with the headless renderer's picture of the same
// scene.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "app/session/session.h"
#include "app/ui/main_window.h"
#include "app/ui/start_position.h"
#include "app/ui/threaded_engine.h"
#include "tests/ui/ui_test_support.h"
#include "tests/util/temp_folder.h"

namespace tavrine::ui {
namespace {

// Processes events until done() holds or timeoutMs passed; returns done().
template <typename Done>
bool waitUntil(Done done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return done();
}

TEST(Viewer, SpaceRendersTheHeadlessRenderersPixelsIntoTheRenderArea) {
    const char* renderer = TAVRINE_RENDER_PATH;
    test::application();
    util::test::TempFolder folder;
    const QString expectedPath = QString::fromStdString(folder.path() + "/expected.bmp");
    ASSERT_EQ(
        QProcess::execute(QString::fromUtf8(renderer), {"--out", expectedPath, "--size", "199"}),
        0);
    QImage expected(expectedPath);
    ASSERT_EQ(expected.size(), QSize(199, 199));
    int lit = 0;
    for (int y = 0; y < 199; ++y) {
        for (int x = 0; x < 199; ++x) {
            lit += (expected.pixel(x, y) & 0xFFFFFF) != 0 ? 1 : 0;
        }
    }
    ASSERT_GT(lit, 10000) << "the expected picture shows no stone";

    Session session;
    session.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    session.settings.showTitle = 0;
    {
        ThreadedEngine engine(session);
        MainWindow window(session.settings, engine);
        window.show();
        window.startEngine();
        QTest::keyClick(window.clientArea(), Qt::Key_Space);
        ASSERT_TRUE(window.renderBusy());
        ASSERT_TRUE(waitUntil([&] { return !window.renderBusy(); }, 120000));

        const QImage shown = window.clientArea()->grab(QRect(33, 245, 199, 199)).toImage();
        ASSERT_EQ(shown.size(), QSize(199, 199));
        int different = 0;
        for (int y = 0; y < 199; ++y) {
            for (int x = 0; x < 199; ++x) {
                if ((shown.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF)) {
                    if (different++ < 5) {
                        ADD_FAILURE() << "pixel " << x << "," << y << ": shown " << std::hex
                                      << shown.pixel(x, y) << ", expected " << expected.pixel(x, y);
                    }
                }
            }
        }
        EXPECT_EQ(different, 0);
        engine.shutdown();
    }
}

}  // namespace
}  // namespace tavrine::ui

namespace tavrine::ui {
namespace {

TEST(Viewer, EndsItsThreadsWhenTheLoopEndsBeforeTheTitleWindowOpens) {
    test::application();
    util::test::TempFolder folder;
    Session session;
    session.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    session.settings.showTitle = 1;
    ThreadedEngine engine(session);
    MainWindow window(session.settings, engine);
    window.show();
    window.startEngine();
    // The engine asks for the title window within 20 ms; no event is processed any more.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    engine.shutdown();  // returns: the waiting engine thread is released
    SUCCEED();
}

}  // namespace
}  // namespace tavrine::ui

namespace tavrine::ui {
namespace {

TEST(Viewer, StartsAtAPositionFileAndRefusesADamagedOne) {
    test::application();
    util::test::TempFolder folder;

    // A record of a sapphire turned a little, as a screen shot would save it.
    Session saved;
    chooseStone(saved, 1);
    rebuildModel(saved);
    resetView(saved);
    applyKeySteps(saved, {{'L', 5}, {'U', 3}}, KeyStepTarget::View);
    const PositionInfo record = positionInfoOf(saved);
    const std::string good = folder.file("sapphire.gpi");
    std::string error;
    ASSERT_TRUE(writePositionInfo(good, record, &error)) << error;

    Session session;
    session.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    session.settings.showTitle = 0;
    const StartPosition start = takeStartPosition(good, session);
    ASSERT_TRUE(start.info.has_value()) << start.refusal;
    EXPECT_EQ(session.settings.stoneIndex, 1);
    EXPECT_EQ(session.settings.modelIndex, 6);
    {
        ThreadedEngine engine(session);
        engine.startAtPosition(*start.info);
        MainWindow window(session.settings, engine);
        EXPECT_EQ(window.findChild<QComboBox*>("1000")->currentText(), "Sapphire");
        EXPECT_EQ(window.findChild<QLineEdit*>("1003")->text(), "1.77");
        // The view is the saved one, not the reset one.
        const Orientation& now = session.orientation.viewPose.orientation;
        const Orientation& was = saved.orientation.viewPose.orientation;
        EXPECT_EQ(now.order, was.order);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(now.cosines[i], was.cosines[i]) << i;
            EXPECT_EQ(now.sines[i], was.sines[i]) << i;
        }
    }

    // A damaged file (cut short) is refused and changes nothing.
    const std::string bad = folder.file("bad.gpi");
    {
        std::ofstream out(bad, std::ios::binary);
        out << std::string(40, '\x07');
    }
    Session fresh;
    fresh.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    const StartPosition refused = takeStartPosition(bad, fresh);
    EXPECT_FALSE(refused.info.has_value());
    EXPECT_NE(refused.refusal.find("cannot read " + bad + ": the file is 40 bytes"),
              std::string::npos);
    EXPECT_EQ(fresh.settings.stoneIndex, 0);
}

}  // namespace
}  // namespace tavrine::ui
