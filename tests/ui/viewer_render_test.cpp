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
#include "app/ui/render_area_note.h"
#include "app/ui/start_position.h"
#include "app/ui/threaded_engine.h"
#include "tests/support/byte_files.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

// Returns the colour (0xRRGGBB) of pixel (x, y) of the session's render picture, -1 without one.
int64_t savedPixel(const Session& session, int x, int y) {
    int64_t colour = -1;
    session.renderPicture.read([&](const imgctl::DibData* data) {
        if (data == nullptr || x >= data->width || y >= data->height) return;
        const uint8_t* p = data->rows + static_cast<size_t>(data->height - 1 - y) * data->stride +
                           static_cast<size_t>(x) * 3;
        colour = (int64_t{p[2]} << 16) | (int64_t{p[1]} << 8) | p[0];
    });
    return colour;
}

TEST(Viewer, SpaceRendersTheHeadlessRenderersPixelsIntoTheRenderArea) {
    const char* renderer = TAVRINE_RENDER_PATH;
    test::application();
    tavrine::test::TempFolder folder;
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
        MainWindow window(session, engine);
        window.show();
        window.startEngine();
        const QRect area(33, 245, 199, 199);
        // At first the empty area shows a hint, which the render picture does not hold.
        QApplication::processEvents();
        const QImage empty = window.clientArea()->grab(area).toImage();
        int hinted = 0;
        int savedLit = 0;
        for (int y = 0; y < 199; ++y) {
            for (int x = 0; x < 199; ++x) {
                hinted += (empty.pixel(x, y) & 0xFFFFFF) != 0 ? 1 : 0;
                savedLit += savedPixel(session, x, y) > 0 ? 1 : 0;  // -1: no picture yet
            }
        }
        EXPECT_EQ(savedLit, 0);
        EXPECT_GT(hinted, 50) << "no hint in the empty render area";
        QTest::keyClick(window.clientArea(), Qt::Key_Space);
        ASSERT_TRUE(window.renderBusy());
        ASSERT_TRUE(test::waitUntil([&] { return !window.renderBusy(); }, 120000));

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

        // A turn leaves the picture of the old view: a tag marks it on screen only, and the
        // picture a screen shot saves is still the rendering, pixel for pixel.
        window.clientArea()->setFocus();
        QTest::keyPress(window.clientArea(), Qt::Key_Left);
        QTest::qWait(400);
        QTest::keyRelease(window.clientArea(), Qt::Key_Left);
        ASSERT_TRUE(test::waitUntil(
            [&] { return engine.renderAreaShows() == PictureShows::OtherScene; }, 5000));
        ASSERT_TRUE(test::waitUntil([&] { return engine.isIdle(); }, 5000));
        QTest::qWait(300);
        const QImage stale = window.clientArea()->grab(area).toImage();
        const QRect tag = staleTagRect().translated(-area.topLeft());
        int tagged = 0;
        int elsewhere = 0;
        int savedChanged = 0;
        for (int y = 0; y < 199; ++y) {
            for (int x = 0; x < 199; ++x) {
                const QRgb want = expected.pixel(x, y) & 0xFFFFFF;
                savedChanged += savedPixel(session, x, y) != static_cast<int64_t>(want) ? 1 : 0;
                const bool same = (stale.pixel(x, y) & 0xFFFFFF) == want;
                (tag.contains(x, y) ? tagged : elsewhere) += same ? 0 : 1;
            }
        }
        EXPECT_EQ(savedChanged, 0) << "the saved picture changed";
        EXPECT_GT(tagged, 50) << "no tag on the picture of the old view";
        EXPECT_EQ(elsewhere, 0) << "the tag covers more than its corner";

        // The next rendering is current again: no tag.
        QTest::keyClick(window.clientArea(), Qt::Key_Space);
        ASSERT_TRUE(test::waitUntil([&] { return !window.renderBusy(); }, 120000));
        EXPECT_EQ(engine.renderAreaShows(), PictureShows::CurrentScene);
        const QImage again = window.clientArea()->grab(area).toImage();
        int unlike = 0;
        for (int y = 0; y < 199; ++y) {
            for (int x = 0; x < 199; ++x) {
                unlike +=
                    static_cast<int64_t>(again.pixel(x, y) & 0xFFFFFF) != savedPixel(session, x, y)
                        ? 1
                        : 0;
            }
        }
        EXPECT_EQ(unlike, 0);
        engine.shutdown();
    }
}

}  // namespace
}  // namespace tavrine::ui

namespace tavrine::ui {
namespace {

TEST(Viewer, EndsItsThreadsWhenTheLoopEndsBeforeTheTitleWindowOpens) {
    test::application();
    tavrine::test::TempFolder folder;
    Session session;
    session.settings = defaultSettings(folder.path() + "/", folder.path() + "/");
    session.settings.showTitle = 1;
    ThreadedEngine engine(session);
    MainWindow window(session, engine);
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
    tavrine::test::TempFolder folder;

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
        MainWindow window(session, engine);
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
