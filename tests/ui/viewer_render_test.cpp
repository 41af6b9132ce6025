// The whole viewer in one process: the real engine and keyboard threads behind the main window,
// Space pressed, and the render area compared with the headless renderer's picture of the same
// scene.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <thread>

#include "app/session/session.h"
#include "app/ui/main_window.h"
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
