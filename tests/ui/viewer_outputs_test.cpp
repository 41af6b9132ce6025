// The picture outputs from the viewer with its real threads: a screen shot of a rendering with
// its Position-Info File, Restore Position of that file, and a capture from "New (&N)" whose
// frames and Capture-Info File match the headless renderer's capture of the same record.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <string>

#include "app/output/file_names.h"
#include "app/output/screen_shot.h"
#include "app/session/session.h"
#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "app/ui/start_position.h"
#include "app/ui/threaded_engine.h"
#include "tests/support/byte_files.h"
#include "tests/ui/modal_answers.h"
#include "tests/ui/ui_test_support.h"

namespace tavrine::ui {
namespace {

using test::chooseFile;
using test::ModalAnswers;

// Notes a message box's text and presses OK.
ModalAnswers::Step acknowledge(std::string* text) {
    return [text](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr) {
            ADD_FAILURE() << "expected a message box, got " << w->objectName().toStdString();
            w->close();
            return;
        }
        *text = box->text().toStdString();
        box->button(QMessageBox::Ok)->click();
    };
}

bool sameOrientation(const Orientation& a, const Orientation& b) {
    if (a.order != b.order) return false;
    for (int i = 0; i < 3; ++i) {
        if (a.cosines[i] != b.cosines[i] || a.sines[i] != b.sines[i]) return false;
    }
    return true;
}

// The render picture as an image (24-bit rows, bottom-up).
QImage renderPictureOf(Session& session) {
    QImage image;
    session.renderPicture.read([&](const imgctl::DibData* data) {
        if (data == nullptr || data->bitCount != 24) return;
        image = QImage(data->width, data->height, QImage::Format_RGB32);
        for (int row = 0; row < data->height; ++row) {
            const uint8_t* stored = data->rows + static_cast<size_t>(data->height - 1 - row) *
                                                     static_cast<size_t>(data->stride);
            for (int x = 0; x < data->width; ++x) {
                image.setPixel(x, row, qRgb(stored[3 * x + 2], stored[3 * x + 1], stored[3 * x]));
            }
        }
    });
    return image;
}

TEST(ViewerOutputs, AScreenShotOfARenderingAndRestorePositionOfItsPositionFile) {
    test::application();
    tavrine::test::TempFolder folder("tavrine-viewer-shot");
    const std::string dir = folder.path() + "/";

    // A sapphire seen from a turned view, in a 48-pixel render window.
    Session start;
    start.settings = defaultSettings(dir, dir);
    chooseStone(start, 1);
    start.settings.look.sizeMode = 1;
    start.settings.look.imageWidth = 48;
    rebuildModel(start);
    resetView(start);
    applyKeySteps(start, {{'L', 5}, {'U', 3}}, KeyStepTarget::View);
    const std::string startFile = folder.file("start.gpi");
    ASSERT_TRUE(writePositionInfo(startFile, positionInfoOf(start), nullptr));

    Session session;
    session.settings = defaultSettings(dir, dir);
    session.settings.showTitle = 0;
    const StartPosition position = takeStartPosition(startFile, session);
    ASSERT_TRUE(position.info.has_value()) << position.refusal;
    ThreadedEngine engine(session);
    engine.startAtPosition(*position.info);
    MainWindow w(session, engine);
    w.show();
    w.startEngine();
    w.requestRender();
    ASSERT_TRUE(test::waitUntil([&] { return !w.renderBusy(); }, 120000));
    const Orientation shotView = session.orientation.viewPose.orientation;

    // Save as "PNG 24bit FullColor": the picture and its position file beside it.
    std::string title;
    std::string said;
    {
        ModalAnswers answers({chooseFile("shot.png", 4, &title), acknowledge(&said)});
        w.action(kMenuSaveScreenShot)->trigger();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(title, "Save Screen Shot");
    EXPECT_EQ(said, kScreenShotWithPositionSavedText);
    const QImage saved(QString::fromStdString(folder.file("shot.png")));
    const QImage rendered = renderPictureOf(session);
    ASSERT_EQ(saved.size(), QSize(48, 48));
    ASSERT_EQ(rendered.size(), QSize(48, 48));
    int lit = 0;
    int different = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const QRgb a = saved.pixel(x, y) & 0xFFFFFF;
            lit += a != (rendered.pixel(0, 0) & 0xFFFFFF) ? 1 : 0;
            different += a != (rendered.pixel(x, y) & 0xFFFFFF) ? 1 : 0;
        }
    }
    EXPECT_EQ(different, 0);
    EXPECT_GT(lit, 300) << "the picture shows no stone";
    PositionInfo written;
    ASSERT_TRUE(readPositionInfo(folder.file("shot.gpi"), written, false, nullptr));
    EXPECT_EQ(written.stoneIndex, 1);
    EXPECT_TRUE(sameOrientation(written.savedPosition.orientation, shotView));

    // Another stone resets the view; Restore Position brings stone and view back.
    w.onListChosen(kStoneList, 3);
    ASSERT_TRUE(engine.waitIdle(10000));
    QTest::qWait(50);
    ASSERT_TRUE(engine.waitIdle(10000));
    EXPECT_EQ(session.settings.stoneIndex, 3);
    EXPECT_FALSE(sameOrientation(session.orientation.viewPose.orientation, shotView));
    {
        ModalAnswers answers({chooseFile("shot.gpi", 0, &title)});
        w.action(kMenuRestorePosition)->trigger();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(title, "Open Position-Info File");
    ASSERT_TRUE(test::waitUntil([&] { return engine.isIdle(); }, 10000));
    EXPECT_EQ(session.settings.stoneIndex, 1);
    EXPECT_EQ(session.model->modelIndex, start.settings.modelIndex);
    EXPECT_EQ(w.findChild<QComboBox*>(controlName(kStoneList))->currentText(), "Sapphire");
    EXPECT_TRUE(sameOrientation(session.orientation.viewPose.orientation, shotView));
    // The restored view renders the same picture again.
    w.requestRender();
    ASSERT_TRUE(test::waitUntil([&] { return !w.renderBusy(); }, 120000));
    EXPECT_EQ(renderPictureOf(session), rendered);
    engine.shutdown();
}

TEST(ViewerOutputs, ACaptureFromNewMatchesTheHeadlessCaptureOfItsRecordAndCompiles) {
    const char* renderer = TAVRINE_RENDER_PATH;
    test::application();
    tavrine::test::TempFolder folder("tavrine-viewer-capture");
    const std::string dir = folder.path() + "/";
    Session session;
    session.settings = defaultSettings(dir, dir);
    session.settings.showTitle = 0;
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 32;
    ThreadedEngine engine(session);
    MainWindow w(session, engine);
    w.show();
    w.startEngine();

    std::string title;
    std::string said;
    bool sawProgress = false;
    {
        ModalAnswers answers(
            {test::press("ok", "4"), chooseFile("turn", 0, &title), acknowledge(&said)});
        w.action(kMenuCaptureNew)->trigger();
        EXPECT_TRUE(answers.done());
        sawProgress = answers.sawProgress("AutoCapProgressWnd");
    }
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(title, "Save Capture-Info File");
    EXPECT_NE(said.find("All frames have been captured."), std::string::npos) << said;
    EXPECT_NE(said.find("\"turn.sqi\""), std::string::npos) << said;
    PositionInfo record;
    ASSERT_TRUE(readPositionInfo(folder.file("turn.sqi"), record, false, nullptr));
    EXPECT_EQ(record.frameCount, 4);
    EXPECT_EQ(record.framesDone, 4);

    // The same record from frame 0, captured by the headless renderer.
    PositionInfo again = record;
    again.framesDone = 0;
    ASSERT_TRUE(writePositionInfo(folder.file("tool.sqi"), again, nullptr));
    ASSERT_EQ(QProcess::execute(
                  QString::fromUtf8(renderer),
                  {"--capture", QString::fromStdString(folder.file("tool.sqi")), "--quiet"}),
              0);
    for (int32_t k = 0; k < 4; ++k) {
        const auto viewer = tavrine::test::readBytes(frameFileName(folder.file("turn"), k, 4));
        ASSERT_FALSE(viewer.empty()) << "frame " << k;
        EXPECT_EQ(viewer, tavrine::test::readBytes(frameFileName(folder.file("tool"), k, 4)))
            << "frame " << k;
    }
    EXPECT_EQ(tavrine::test::readBytes(folder.file("turn.sqi")),
              tavrine::test::readBytes(folder.file("tool.sqi")));

    // The frames compile into an animated GIF from the capture menu.
    {
        ModalAnswers answers({chooseFile("turn.sqi"), test::press("ok", "7"),
                              chooseFile("turn_ANI.gif"), acknowledge(&said)});
        w.action(kMenuMakeGif)->trigger();
        EXPECT_TRUE(answers.done());
    }
    EXPECT_EQ(said, "Animation GIF file was saved.\n\n" + folder.file("turn_ANI.gif"));
    EXPECT_GT(tavrine::test::readBytes(folder.file("turn_ANI.gif")).size(), 100u);
    engine.shutdown();
}

}  // namespace
}  // namespace tavrine::ui
