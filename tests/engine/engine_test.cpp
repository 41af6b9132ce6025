#include "app/engine/engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "app/engine/keyboard_thread.h"
#include "app/engine/window_protocol.h"
#include "tests/engine/engine_fakes.h"

namespace tavrine {
namespace {

using std::chrono::milliseconds;

// A Diamond in its start-up view, rendered in a separate window of |width| pixels without Fire.
void setUpDiamond(Session& session, int32_t width) {
    chooseStone(session, 0);
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = width;
    session.settings.look.renderFire = 0;
    rebuildModel(session);
    resetView(session);
    prepareView(session);
}

// A render job that reports like the real one and polls every 2 ms for up to ten seconds.
struct PollingJob {
    std::atomic<int32_t> runs{0};
    std::atomic<bool> sawAbort{false};

    RenderRunner runner() {
        return [this](const RenderSettings&, const RenderScene&, RenderObserver& observer,
                      const RenderExecution&) {
            ++runs;
            observer.renderStarted();
            observer.progress(0);
            RenderResult result;
            result.status = RenderStatus::Completed;
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (std::chrono::steady_clock::now() < end) {
                if (observer.abortRequested()) {
                    sawAbort = true;
                    result.status = RenderStatus::Aborted;
                    break;
                }
                std::this_thread::sleep_for(milliseconds(2));
            }
            observer.renderEnded();
            return result;
        };
    }
};

TEST(EngineProtocol, SpaceTwiceAsksAndYesEndsTheRenderWithItsEndNotice) {
    Session session;
    setUpDiamond(session, 48);
    RecordingSink sink;
    NullPanelDrawing drawing;
    AnsweringConfirmation yes(true);
    PollingJob job;
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    engine.setRenderRunner(job.runner());
    ASSERT_TRUE(engine.start());
    WindowProtocol window(engine.port(), yes);

    EXPECT_TRUE(window.requestRender());
    EXPECT_TRUE(window.renderBusy());
    EXPECT_FALSE(engine.idleEvent().isSet());
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_STARTED));
    // The second press asks; Yes posts Abort and does not render again.
    EXPECT_FALSE(window.requestRender());
    ASSERT_EQ(1u, yes.asked.size());
    EXPECT_EQ("Now rendering, Abort current process?", yes.asked[0]);
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_ENDED, 1, milliseconds(3000)));
    EXPECT_TRUE(job.sawAbort);
    EXPECT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
    EXPECT_TRUE(window.renderBusy());  // until the window handles the notice
    window.notified(NOTIFY_RENDER_ENDED, 0);
    EXPECT_FALSE(window.renderBusy());
    engine.stop();
    engine.join();
    EXPECT_EQ(1, job.runs);
    // Started, progress 0, ended: all to the separate render window.
    const auto notes = sink.notes();
    ASSERT_GE(notes.size(), 3u);
    EXPECT_EQ(NOTIFY_RENDER_STARTED, notes.front().code);
    EXPECT_EQ(NOTIFY_RENDER_ENDED, notes.back().code);
    for (const auto& note : notes) EXPECT_EQ(NotifyWindow::Render, note.window);
}

TEST(EngineProtocol, CommandsPostedDuringARenderAreLostAndAbortWithoutAJobIsIgnored) {
    Session session;
    setUpDiamond(session, 48);
    RecordingSink sink;
    CountingDrawing drawing;
    AnsweringConfirmation no(false);
    PollingJob job;
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    engine.setRenderRunner(job.runner());
    ASSERT_TRUE(engine.start());
    WindowProtocol window(engine.port(), no);

    // An Abort with no job running does nothing; the Render after it still runs.
    window.post(EngineCommand::Abort);
    ASSERT_TRUE(window.requestRender());
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_STARTED));
    // No answers No: nothing is posted and the render goes on.
    EXPECT_FALSE(window.readyForAction());
    EXPECT_EQ(1u, no.asked.size());
    // A RefreshView posted now is taken out by the job's poll and dropped.
    window.post(EngineCommand::RefreshView);
    for (int i = 0; i < 500 && engine.queue().size() > 0; ++i) {
        std::this_thread::sleep_for(milliseconds(2));
    }
    EXPECT_EQ(0u, engine.queue().size());
    EXPECT_FALSE(job.sawAbort);
    window.post(EngineCommand::Abort);
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_ENDED));
    ASSERT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
    engine.stop();
    engine.join();
    EXPECT_TRUE(job.sawAbort);
    EXPECT_EQ(1, job.runs);
    EXPECT_EQ(0, drawing.clears);  // the refresh never ran
    EXPECT_EQ(0, drawing.surfaces);
}

TEST(EngineProtocol, CloseWhileRenderingEndsAfterTheWaitEvenIfTheJobNeverPolls) {
    Session session;
    setUpDiamond(session, 48);
    RecordingSink sink;
    NullPanelDrawing drawing;
    AnsweringConfirmation yes(true);
    std::atomic<bool> release{false};
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    engine.setRenderRunner([&](const RenderSettings&, const RenderScene&, RenderObserver& observer,
                               const RenderExecution&) {
        observer.renderStarted();
        for (int i = 0; i < 1500 && !release; ++i) std::this_thread::sleep_for(milliseconds(2));
        observer.renderEnded();
        return RenderResult{};
    });
    ASSERT_TRUE(engine.start());
    WindowProtocol window(engine.port(), yes);
    ASSERT_TRUE(window.requestRender());
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_STARTED));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(window.requestClose(milliseconds(300)));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, milliseconds(290));
    EXPECT_LT(waited, milliseconds(2000));
    ASSERT_EQ(1u, yes.asked.size());
    EXPECT_EQ("Now rendering. Abort current process to exit the program?", yes.asked[0]);
    release = true;
    engine.stop();
    engine.join();

    // Answering No keeps the window open; without a render it closes at once.
    AnsweringConfirmation no(false);
    ManualResetEvent idle(false);
    ThreadQueue queue;
    QueueEnginePort port(queue, idle);
    WindowProtocol other(port, no);
    ASSERT_TRUE(other.requestRender());
    EXPECT_FALSE(other.requestClose(milliseconds(10)));
    other.notified(NOTIFY_RENDER_ENDED, 0);
    EXPECT_TRUE(other.requestClose(milliseconds(10)));
    // A render refused before its post (a bad refractive index) leaves the engine free.
    idle.set();
    const size_t posted = queue.size();
    EXPECT_FALSE(other.requestRender([] { return false; }));
    EXPECT_FALSE(other.renderBusy());
    EXPECT_TRUE(idle.isSet());
    EXPECT_EQ(posted, queue.size());
}

// Returns the engine command of the next waiting message and its point.
std::pair<int64_t, int64_t> nextCommand(ThreadQueue& queue) {
    ThreadMessage message;
    if (!queue.peek(message)) return {-1, 0};
    return {message.wParam, message.lParam};
}

TEST(EngineProtocol, BusyEngineIgnoresPressesInTheBoxesButAPressElsewhereStillTakesTheFocus) {
    ThreadQueue queue;
    ManualResetEvent idle(false);  // a render, drag or restore runs
    QueueEnginePort port(queue, idle);
    AnsweringConfirmation no(false);
    WindowProtocol window(port, no);

    EXPECT_EQ(PressResult::Ignored, window.mousePressed(300, 260));
    EXPECT_EQ(PressResult::Ignored, window.mousePressed(600, 300));
    EXPECT_EQ(PressResult::Elsewhere, window.mousePressed(20, 20));
    EXPECT_EQ(PressResult::Elsewhere, window.mousePressed(281, 300));  // on the box's edge
    EXPECT_EQ(PressResult::RenderArea, window.mousePressed(100, 300));
    EXPECT_EQ(0u, queue.size());
    EXPECT_FALSE(window.mouseMoved(310, 262));

    // Idle: the drag starts, one step at a time, and ends with the release.
    idle.set();
    EXPECT_EQ(PressResult::LightDrag, window.mousePressed(600, 300));
    EXPECT_EQ(std::make_pair(int64_t{7090}, packPoint(600, 300)), nextCommand(queue));
    EXPECT_TRUE(window.mouseMoved(610, 302));
    EXPECT_EQ(std::make_pair(int64_t{7110}, packPoint(610, 302)), nextCommand(queue));
    EXPECT_FALSE(window.mouseMoved(620, 304));  // the step still runs
    idle.set();
    window.mouseReleased();
    EXPECT_FALSE(window.mouseMoved(630, 306));
    EXPECT_EQ(0u, queue.size());
}

// Passes every report on, holding the job after its start until |release| is set.
class HeldAtStart : public RenderObserver {
  public:
    HeldAtStart(RenderObserver& to, std::atomic<bool>& release) : to_(to), release_(release) {}
    void renderStarted() override {
        to_.renderStarted();
        for (int i = 0; i < 2500 && !release_; ++i) std::this_thread::sleep_for(milliseconds(2));
    }
    void progress(int32_t percent) override { to_.progress(percent); }
    void rowFinished(int32_t row, const imgctl::DibData& picture) override {
        to_.rowFinished(row, picture);
    }
    bool abortRequested() override { return to_.abortRequested(); }
    void renderEnded() override { to_.renderEnded(); }

  private:
    RenderObserver& to_;
    std::atomic<bool>& release_;
};

TEST(EngineProtocol, TheRenderReadsItsOwnCopyWhileTheSessionChanges) {
    Session session;
    setUpDiamond(session, 64);
    RenderExecution execution;
    execution.threads = 2;
    RenderObserver quiet;
    RenderResult reference =
        renderJob(renderSettingsOf(session), renderSceneOf(session), nullptr, quiet, execution);
    ASSERT_EQ(RenderStatus::Completed, reference.status);

    RecordingSink sink;
    NullPanelDrawing drawing;
    AnsweringConfirmation yes(true);
    // The real job, held after its start until the session has changed.
    std::atomic<bool> changed{false};
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    engine.setRenderExecution(execution);
    engine.setRenderRunner([&](const RenderSettings& settings, const RenderScene& scene,
                               RenderObserver& observer, const RenderExecution& how) {
        HeldAtStart held(observer, changed);
        return renderJob(settings, scene, nullptr, held, how);
    });
    ASSERT_TRUE(engine.start());
    WindowProtocol window(engine.port(), yes);
    ASSERT_TRUE(window.requestRender());
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_STARTED));
    // The user turns, changes the colour and the light while it renders.
    applyKeySteps(session, {KeyStep{'L', 7}}, KeyStepTarget::View);
    chooseColour(session, 5);
    session.orientation.lightDirection = {0.0, 1.0, 0.0};
    std::memset(session.model->facets, 0, sizeof(Facet) * 4);
    changed = true;
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_ENDED, 1, milliseconds(20000)));
    ASSERT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
    engine.stop();
    engine.join();

    imgctl::DibPtr shown = session.renderPicture.copy();
    ASSERT_NE(nullptr, shown);
    const imgctl::DibData* a = imgctl::DataDIB(reference.picture.get());
    const imgctl::DibData* b = imgctl::DataDIB(shown.get());
    ASSERT_EQ(a->width, b->width);
    EXPECT_EQ(0, std::memcmp(a->rows, b->rows, static_cast<size_t>(a->stride) * a->height));
    EXPECT_EQ(64, sink.rows());  // every row was shown as it finished
}

TEST(EngineProtocol, StopEndsATurnAndTheThreadJoins) {
    Session session;
    setUpDiamond(session, 48);
    session.settings.turnDelay = 5;
    RecordingSink sink;
    CountingDrawing drawing;
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    ASSERT_TRUE(engine.start());
    engine.queue().post(MSG_ENGINE_COMMAND, static_cast<int64_t>(EngineCommand::TurnWhileHeld),
                        1006);
    ASSERT_TRUE(sink.waitForInvalidations(3));
    engine.stop();
    engine.join();
    EXPECT_GT(drawing.surfaces, 0);
}

// Takes the next message the keyboard thread posted to the engine, waiting up to a second.
ThreadMessage nextPosted(ThreadQueue& queue) {
    ThreadMessage message;
    EXPECT_TRUE(queue.getFor(message, milliseconds(1000)));
    return message;
}

TEST(KeyboardThread, StopsTheRunningTurnBeforeTheNextAndPausesOnItsMessages) {
    HeldKeysRecord keys;
    ThreadQueue engineQueue;
    KeyboardThread keyboard(keys, engineQueue, milliseconds(5));
    ASSERT_TRUE(keyboard.start());

    keys.setHeld(TurnKey::Right, true);
    ThreadMessage m = nextPosted(engineQueue);
    EXPECT_EQ(MSG_ENGINE_COMMAND, m.id);
    EXPECT_EQ(static_cast<int64_t>(EngineCommand::TurnWhileHeld), m.wParam);
    EXPECT_EQ(1006, m.lParam);
    // A new combination: the stop comes first, then the next turn (Up beats Right).
    keys.setHeld(TurnKey::Up, true);
    EXPECT_EQ(MSG_STOP_TURNING, nextPosted(engineQueue).id);
    m = nextPosted(engineQueue);
    EXPECT_EQ(MSG_ENGINE_COMMAND, m.id);
    EXPECT_EQ(1008, m.lParam);
    // Shift alone changes nothing while the arrows stay.
    keys.setHeld(TurnKey::Shift, true);
    EXPECT_FALSE(engineQueue.getFor(m, milliseconds(50)));
    keys.releaseAll();
    EXPECT_EQ(MSG_STOP_TURNING, nextPosted(engineQueue).id);
    EXPECT_FALSE(engineQueue.getFor(m, milliseconds(30)));

    // Paused (a list is open): held keys turn nothing until the resume.
    keyboard.queue().post(MSG_PAUSE_KEYS);
    for (int i = 0; i < 200 && keyboard.queue().size() > 0; ++i) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    std::this_thread::sleep_for(milliseconds(20));
    keys.setHeld(TurnKey::Left, true);
    keyboard.queue().post(MSG_ENGINE_COMMAND);  // dropped while paused
    EXPECT_FALSE(engineQueue.getFor(m, milliseconds(100)));
    keyboard.queue().post(MSG_RESUME_KEYS);
    m = nextPosted(engineQueue);
    EXPECT_EQ(MSG_ENGINE_COMMAND, m.id);
    EXPECT_EQ(1007, m.lParam);
    keyboard.stop();
    keyboard.join();
}

TEST(KeyboardThread, AHeldKeyTurnsTheViewOnTheEngineUntilReleased) {
    Session session;
    setUpDiamond(session, 48);
    session.settings.turnDelay = 2;
    const Orientation before = session.orientation.viewPose.orientation;
    RecordingSink sink;
    CountingDrawing drawing;
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    HeldKeysRecord keys;
    KeyboardThread keyboard(keys, engine.queue(), milliseconds(5));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(keyboard.start());
    keys.setHeld(TurnKey::Left, true);
    ASSERT_TRUE(sink.waitForInvalidations(3));
    keys.setHeld(TurnKey::Left, false);
    std::this_thread::sleep_for(milliseconds(30));
    keyboard.stop();
    keyboard.join();
    engine.stop();
    engine.join();
    EXPECT_GT(drawing.surfaces, 1);
    EXPECT_EQ(2, drawing.lastLive);  // the view's layer
    EXPECT_NE(before.cosines[1], session.orientation.viewPose.orientation.cosines[1]);
}

}  // namespace
}  // namespace tavrine

namespace tavrine {
namespace {

TEST(EngineProtocol, AnAbortedRenderKeepsThePreviousPictureBelowTheRenderedRows) {
    Session session;
    const int32_t width = 120;
    setUpDiamond(session, width);
    // The picture shown before: every byte 0x33.
    imgctl::BitmapInfoHeader header;
    header.width = width;
    header.height = -width;
    imgctl::DibPtr old(imgctl::CreateDIB(header));
    const imgctl::DibData* od = imgctl::DataDIB(old.get());
    std::memset(od->rows, 0x33, static_cast<size_t>(od->stride) * width);
    session.renderPicture.replace(std::move(old));

    RecordingSink sink;
    NullPanelDrawing drawing;
    AnsweringConfirmation yes(true);
    Engine engine(session, sink, drawing);
    engine.setQuickStart(true);
    // The literal tracer on one thread, so that the rows take far longer (about 50 ms) than
    // posting the abort: the faster path could finish them all first.
    engine.setRenderExecution(RenderExecution{1, true});
    ASSERT_TRUE(engine.start());
    // Abort is already waiting when the job polls for its first rows.
    WindowProtocol window(engine.port(), yes);
    ASSERT_TRUE(window.requestRender());
    window.post(EngineCommand::Abort);
    ASSERT_TRUE(sink.waitFor(NOTIFY_RENDER_ENDED));
    ASSERT_TRUE(engine.idleEvent().waitFor(milliseconds(2000)));
    engine.stop();
    engine.join();
    imgctl::DibPtr shown = session.renderPicture.copy();
    ASSERT_NE(nullptr, shown);
    // The last row was never rendered: it is still the old picture.
    EXPECT_EQ(0x333333u, imgctl::PixelDIB(shown.get(), width / 2, width - 1));
    EXPECT_LT(sink.rows(), width);
}

}  // namespace
}  // namespace tavrine
