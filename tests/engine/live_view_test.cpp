#include "app/engine/live_view.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "app/engine/engine.h"
#include "app/engine/window_protocol.h"
#include "tests/engine/engine_fakes.h"

namespace tavrine {
namespace {

using std::chrono::milliseconds;

// A Diamond in its start-up view in the main window's render area (fixed size, no Fire).
void setUpFixedDiamond(Session& session, bool live) {
    chooseStone(session, 0);
    session.settings.look.sizeMode = 0;
    session.settings.look.renderFire = 0;
    session.settings.liveRayTrace = live ? 1 : 0;
    rebuildModel(session);
    resetView(session);
    prepareView(session);
}

// A normal render of the session's current view.
imgctl::DibPtr referenceRender(const Session& session) {
    RenderObserver quiet;
    RenderResult result =
        renderJob(renderSettingsOf(session), renderSceneOf(session), nullptr, quiet, {});
    EXPECT_EQ(RenderStatus::Completed, result.status);
    return std::move(result.picture);
}

bool samePixels(const imgctl::DibPtr& a, const imgctl::DibPtr& b) {
    const imgctl::DibData* x = a ? imgctl::DataDIB(a.get()) : nullptr;
    const imgctl::DibData* y = b ? imgctl::DataDIB(b.get()) : nullptr;
    if (x == nullptr || y == nullptr || x->width != y->width || x->height != y->height) {
        return false;
    }
    return std::memcmp(x->rows, y->rows, static_cast<size_t>(x->stride) * x->height) == 0;
}

// Waits up to |limit| for |done|.
template <typename Done>
bool waitUntil(Done done, milliseconds limit = milliseconds(20000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(milliseconds(2));
    }
    return true;
}

void postCommand(Engine& engine, EngineCommand command, int64_t lParam = 0) {
    engine.queue().post(MSG_ENGINE_COMMAND, static_cast<int64_t>(command), lParam);
}

TEST(LiveView, TheCoarsePictureHoldsTheFullRendersPixelsAtEveryOtherPixel) {
    Session session;
    setUpFixedDiamond(session, true);
    const RenderSettings full = renderSettingsOf(session);
    ASSERT_EQ(199, full.width);
    const imgctl::DibPtr reference = referenceRender(session);
    RenderObserver quiet;
    RenderResult coarse =
        renderJob(coarseSettingsOf(full), renderSceneOf(session), nullptr, quiet, {});
    ASSERT_EQ(RenderStatus::Completed, coarse.status);
    const int32_t offset = coarseOffset(full);
    imgctl::DibPtr enlarged = enlargeCoarse(*imgctl::DataDIB(coarse.picture.get()), 199, offset);
    ASSERT_NE(nullptr, enlarged);
    const imgctl::DibData* a = imgctl::DataDIB(reference.get());
    const imgctl::DibData* b = imgctl::DataDIB(enlarged.get());
    ASSERT_EQ(199, b->width);
    ASSERT_EQ(199, b->height);
    int32_t compared = 0;
    int32_t lit = 0;
    for (int32_t row = 0; row < 199; ++row) {
        for (int32_t column = 0; column < 199; ++column) {
            if ((column - offset) % 2 != 0 || (row - offset) % 2 != 0) continue;
            const size_t at = static_cast<size_t>(198 - row) * a->stride + 3 * column;
            ASSERT_EQ(0, std::memcmp(a->rows + at, b->rows + at, 3)) << column << "," << row;
            ++compared;
            lit += a->rows[at] + a->rows[at + 1] + a->rows[at + 2] > 0 ? 1 : 0;
        }
    }
    EXPECT_GE(compared, 99 * 99);
    EXPECT_GT(lit, 1000);  // the stone is in the picture
}

TEST(LiveView, ANewerDragStepAbandonsTheStaleRenderAndTheLastFrameIsTheFullRender) {
    Session session;
    setUpFixedDiamond(session, true);
    RecordingSink sink;
    NullPanelDrawing drawing;
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    std::atomic<bool> held{false};
    std::atomic<bool> released{false};
    std::mutex lock;
    std::vector<RenderStatus> fullRuns;
    bool shotPictureUntouched = false;
    bool coarseShown = false;
    Vertex heldVertex{};
    // The first full render waits until a newer drag step is queued, then runs for real.
    engine.setLiveRenderRunner([&](const RenderSettings& settings, const RenderScene& scene,
                                   RenderObserver& observer, const RenderExecution& how) {
        const bool isFull = settings.width == 199;
        if (isFull && !held.exchange(true)) {
            shotPictureUntouched = session.renderPicture.copy() == nullptr;
            coarseShown = session.livePicture.copy() != nullptr;
            heldVertex = session.viewVertices[0];
            EXPECT_TRUE(waitUntil([&] { return released.load(); }));
        }
        RenderResult result = renderJob(settings, scene, nullptr, observer, how);
        if (isFull) {
            std::lock_guard<std::mutex> guard(lock);
            fullRuns.push_back(result.status);
        }
        return result;
    });
    ASSERT_TRUE(engine.start());
    postCommand(engine, EngineCommand::BeginViewDrag, packPoint(380, 344));
    engine.idleEvent().reset();
    postCommand(engine, EngineCommand::DragView, packPoint(400, 350));
    ASSERT_TRUE(waitUntil([&] { return held.load(); }));
    engine.idleEvent().reset();
    postCommand(engine, EngineCommand::DragView, packPoint(430, 320));
    released = true;
    ASSERT_TRUE(waitUntil([&] { return engine.liveView().fullShown() >= 1; }));
    ASSERT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
    engine.stop();
    engine.join();

    // The coarse picture showed first, and never as the screen shot's picture.
    EXPECT_TRUE(coarseShown);
    EXPECT_TRUE(shotPictureUntouched);
    EXPECT_GE(engine.liveView().coarseShown(), 2);
    ASSERT_EQ(2u, fullRuns.size());
    EXPECT_EQ(RenderStatus::Aborted, fullRuns[0]);
    EXPECT_EQ(RenderStatus::Completed, fullRuns[1]);
    EXPECT_EQ(1, engine.liveView().fullShown());
    // The newer step was not lost, and what stays is the full render of its view.
    EXPECT_NE(0, std::memcmp(&heldVertex, &session.viewVertices[0], sizeof(Vertex)));
    EXPECT_TRUE(samePixels(referenceRender(session), session.renderPicture.copy()));
    EXPECT_EQ(nullptr, session.livePicture.copy());
    EXPECT_EQ(0, sink.count(NOTIFY_RENDER_STARTED));
    EXPECT_EQ(0, sink.count(NOTIFY_RENDER_ENDED));
}

// In the main window's render area, and in the separate render window (told to repaint for every
// picture shown) at another width.
TEST(LiveView, TurningShowsCoarseFramesAndStopsOnTheFullRenderOfTheLastView) {
    for (const int32_t sizeMode : {0, 1}) {
        SCOPED_TRACE(sizeMode == 0 ? "render area" : "render window");
        Session session;
        setUpFixedDiamond(session, true);
        session.settings.turnDelay = 50;
        session.settings.look.sizeMode = sizeMode;
        session.settings.look.imageWidth = 240;
        RecordingSink sink;
        NullPanelDrawing drawing;
        Engine engine(session, sink, drawing);
        engine.setQuickStart(true);
        ASSERT_TRUE(engine.start());
        postCommand(engine, EngineCommand::TurnWhileHeld, 1006);
        ASSERT_TRUE(waitUntil([&] { return engine.liveView().coarseShown() >= 3; }));
        // No full render while the view keeps turning.
        EXPECT_EQ(0, engine.liveView().fullShown());
        EXPECT_EQ(nullptr, session.renderPicture.copy());
        engine.queue().post(MSG_STOP_TURNING);
        ASSERT_TRUE(waitUntil([&] { return engine.liveView().fullShown() >= 1; }));
        engine.stop();
        engine.join();
        const imgctl::DibPtr shown = session.renderPicture.copy();
        ASSERT_NE(nullptr, shown);
        EXPECT_EQ(sizeMode == 0 ? 199 : 240, imgctl::DataDIB(shown.get())->width);
        EXPECT_TRUE(samePixels(referenceRender(session), shown));
        EXPECT_EQ(nullptr, session.livePicture.copy());
        int32_t repaints = 0;
        for (const RecordingSink::Note& note : sink.notes()) {
            repaints += note.window == NotifyWindow::Render && note.code == NOTIFY_LIVE_PICTURE;
        }
        EXPECT_EQ(sizeMode == 0 ? 0 : engine.liveView().coarseShown() + 1, repaints);
    }
}

TEST(LiveView, SpaceRendersAsBeforeWithTheLiveViewOffAndStillRendersWithItOn) {
    for (const bool live : {false, true}) {
        SCOPED_TRACE(live ? "live view on" : "live view off");
        Session session;
        setUpFixedDiamond(session, false);
        session.settings.turnDelay = 5;
        RecordingSink sink;
        NullPanelDrawing drawing;
        AnsweringConfirmation no(false);
        Engine engine(session, sink, drawing);
        engine.setQuickStart(true);
        std::atomic<int32_t> liveRuns{0};
        engine.setLiveRenderRunner([&](const RenderSettings& settings, const RenderScene& scene,
                                       RenderObserver& observer, const RenderExecution& how) {
            ++liveRuns;
            return renderJob(settings, scene, nullptr, observer, how);
        });
        ASSERT_TRUE(engine.start());
        WindowProtocol window(engine.port(), no);
        // Turn a little, then ask for a render right after switching (the switch only wakes).
        window.post(EngineCommand::TurnWhileHeld, 1006);
        ASSERT_TRUE(sink.waitForInvalidations(3));
        engine.queue().post(MSG_STOP_TURNING);
        if (live) engine.setLiveView(true);
        ASSERT_TRUE(window.requestRender());
        ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_ENDED, 1, milliseconds(20000)));
        ASSERT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
        window.notified(NOTIFY_RENDER_ENDED, 0);
        // Nothing more is due after the requested render: it is what stays.
        std::this_thread::sleep_for(milliseconds(50));
        engine.stop();
        engine.join();

        if (!live) {
            EXPECT_EQ(0, liveRuns.load());
        }
        const std::vector<RecordingSink::Note> notes = sink.notes();
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(NOTIFY_RENDER_STARTED, notes.front().code);
        EXPECT_EQ(NOTIFY_RENDER_ENDED, notes.back().code);
        EXPECT_EQ(1, sink.count(NOTIFY_RENDER_STARTED));
        EXPECT_EQ(199, sink.rows());
        EXPECT_FALSE(window.renderBusy());
        EXPECT_TRUE(samePixels(referenceRender(session), session.renderPicture.copy()));
        EXPECT_EQ(nullptr, session.livePicture.copy());
    }
}

}  // namespace
}  // namespace tavrine
