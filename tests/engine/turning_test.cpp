#include "app/engine/turning.h"

#include <gtest/gtest.h>

#include "app/engine/engine_ids.h"
#include "app/engine/start_up.h"
#include "app/view/keyboard_mapping.h"
#include "app/view/view_space.h"
#include "tests/engine/engine_fakes.h"
#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

void setUpDiamond(Session& session) {
    chooseStone(session, 0);
    rebuildModel(session);
    resetView(session);
    prepareView(session);
}

// Runs TurnWhileHeld for |frames| frames: the sleeper posts MSG_STOP_TURNING after the last.
void turnFrames(TurningModel& turning, RecordingSleeper& sleeper, int32_t id, int32_t frames) {
    ThreadQueue queue;
    ThreadMessage record;
    const size_t already = sleeper.pauses.size();
    sleeper.afterSleep = [&](int32_t n) {
        // Light frames sleep twice; count frames by the pauses of this run.
        (void)n;
        const int32_t perFrame = turnFlagsForId(id).light ? 2 : 1;
        if (static_cast<int32_t>(sleeper.pauses.size() - already) == frames * perFrame) {
            queue.post(MSG_STOP_TURNING);
        }
    };
    turning.turnWhileHeld(id, queue, record);
    sleeper.afterSleep = nullptr;
    EXPECT_EQ(MSG_STOP_TURNING, record.id);
}

bool sameOrientation(const Orientation& a, const Orientation& b) {
    if (a.order != b.order) return false;
    for (int i = 0; i < 3; ++i) {
        if (a.cosines[i] != b.cosines[i] || a.sines[i] != b.sines[i]) return false;
    }
    return true;
}

TEST(Turning, PacingFollowsTheDelayAndTheFacetsDrawnAndTheLightAlwaysWaits) {
    EXPECT_EQ(20, framePause(50, 120));
    EXPECT_EQ(0, framePause(50, 400));
    EXPECT_EQ(49, framePause(50, 3));  // 49.25 truncates
    Session session;
    setUpDiamond(session);
    session.settings.turnDelay = 0;
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    // Delay 0: no pause at all for the view and the stone.
    turnFrames(turning, sleeper, kTurnViewRightId, 3);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0}), sleeper.pauses);
    session.orientation.syOn = true;
    turnFrames(turning, sleeper, kTurnViewUpId, 2);
    EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 0, 0}), sleeper.pauses);
    EXPECT_EQ(1, drawing.lastLive);
    // The light still waits 40 ms per frame.
    sleeper.pauses.clear();
    turnFrames(turning, sleeper, kTurnLightLeftId, 2);
    EXPECT_EQ((std::vector<int32_t>{40, 0, 40, 0}), sleeper.pauses);
    EXPECT_EQ(3, drawing.lastLive);
    // Delay 50 with every facet drawn: 50 - facets / 4, truncated.
    session.orientation.syOn = false;
    session.settings.turnDelay = 50;
    sleeper.pauses.clear();
    turnFrames(turning, sleeper, kTurnViewRightId, 1);
    EXPECT_EQ(framePause(50, session.model->facetCount), sleeper.pauses[0]);
    EXPECT_EQ(50 - (session.model->facetCount + 3) / 4, sleeper.pauses[0]);
}

TEST(Turning, TurntableWithXRedrawsEveryFrameWithoutTurning) {
    Session session;
    setUpDiamond(session);
    setTurntable(session, true);
    prepareView(session);
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    const ViewPose before = session.orientation.viewPose;
    turnFrames(turning, sleeper, kTurnViewXId, 4);
    EXPECT_EQ(4, drawing.surfaces);
    EXPECT_TRUE(sameOrientation(before.orientation, session.orientation.viewPose.orientation));
    EXPECT_EQ(before.turntableAngles.azimuth, session.orientation.viewPose.turntableAngles.azimuth);
    // Unknown ids run the loop without turning as well.
    turnFrames(turning, sleeper, 0, 2);
    EXPECT_EQ(6, drawing.surfaces);
    EXPECT_TRUE(sameOrientation(before.orientation, session.orientation.viewPose.orientation));
}

TEST(Turning, TheTurnLoopDropsEveryOtherMessage) {
    Session session;
    setUpDiamond(session);
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    ThreadQueue queue;
    queue.post(MSG_ENGINE_COMMAND, static_cast<int64_t>(EngineCommand::RebuildModel));
    queue.post(MSG_ENGINE_COMMAND, static_cast<int64_t>(EngineCommand::Render));
    queue.post(MSG_STOP_TURNING);
    ThreadMessage record;
    turning.turnWhileHeld(kTurnViewLeftId, queue, record);
    EXPECT_EQ(2, drawing.surfaces);  // two frames, one per dropped message
    EXPECT_EQ(0u, queue.size());
}

TEST(Turning, AViewDragBackToItsStartRestoresThePressOrientationExactly) {
    for (bool sy : {false, true}) {
        Session session;
        setUpDiamond(session);
        session.orientation.syOn = sy;
        NullNotificationSink sink;
        CountingDrawing drawing;
        RecordingSleeper sleeper;
        TurningModel turning(session, drawing, sink, sleeper);
        const Orientation view = session.orientation.viewPose.orientation;
        const Orientation stone = session.orientation.stonePose.orientation;
        turning.beginViewDrag(DragPoint{100, 100});
        turning.dragView(DragPoint{190, 100});
        turning.dragView(DragPoint{150, 37});
        EXPECT_FALSE(
            sameOrientation(sy ? stone : view, sy ? session.orientation.stonePose.orientation
                                                  : session.orientation.viewPose.orientation));
        turning.dragView(DragPoint{100, 100});
        EXPECT_TRUE(sameOrientation(view, session.orientation.viewPose.orientation)) << sy;
        EXPECT_TRUE(sameOrientation(stone, session.orientation.stonePose.orientation)) << sy;
        EXPECT_EQ(sy ? 1 : 2, drawing.lastLive);
        EXPECT_EQ((std::vector<int32_t>{1, 1, 1}), sleeper.pauses);
        // A stone drag moves the stone into its base copy; back at the start it is the model.
        if (sy) {
            const ModelRecord& m = *session.model;
            EXPECT_EQ(m.modelVertices[5].x, m.baseVertices[5].x);
        }
    }
}

TEST(Turning, RefreshRestartsTheTrailAndTurnsAddToIt) {
    Session session;
    setUpDiamond(session);
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    turnFrames(turning, sleeper, kTurnViewUpId, 10);
    const ViewPointTrail& trail = session.trail;
    EXPECT_NE(trail.y[static_cast<size_t>(trail.indexFromOldest(0))],
              trail.y[static_cast<size_t>(trail.newest)]);
    // A light drag leaves the trail alone.
    const ViewPointTrail kept = trail;
    turning.beginLightDrag(DragPoint{100, 100});
    turning.dragLight(DragPoint{130, 130});
    EXPECT_EQ(kept.newest, trail.newest);
    EXPECT_EQ(kept.y, trail.y);
    EXPECT_NEAR(0.4363323129985824 - 30.0 / 90.0, session.orientation.lightAngles.elevation, 1e-15);

    turning.refreshView();
    int32_t x = 0;
    int32_t y = 0;
    trailPointOf(session.orientation.viewPose.axisVector, x, y);
    for (int32_t i = 0; i < kTrailLength; ++i) {
        EXPECT_EQ(x, trail.x[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(y, trail.y[static_cast<size_t>(i)]) << i;
    }
    EXPECT_EQ(-1, session.liveLayer);
    EXPECT_EQ(-1, session.previousLiveLayer);
    EXPECT_EQ(-1, drawing.lastLive);
    EXPECT_EQ(1, drawing.restarts);
}

TEST(Turning, RestoredPositionAndRefreshLeaveTheFacetsReadyForTheTracer) {
    Session session;
    setUpDiamond(session);
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    // Turn, keep the position, turn away, restore it: the view space is that of the kept view.
    applyKeySteps(session, {KeyStep{'L', 9}, KeyStep{'U', 4}}, KeyStepTarget::View);
    const PositionInfo kept = positionInfoOf(session);
    std::vector<Vertex> keptVertices(session.viewVertices.begin(),
                                     session.viewVertices.begin() + session.model->vertexCount);
    applyKeySteps(session, {KeyStep{'R', 20}}, KeyStepTarget::View);
    session.orientation.viewPose.orientation = kept.savedPosition.orientation;
    turning.applyRestoredPosition();
    for (int32_t v = 0; v < session.model->vertexCount; ++v) {
        ASSERT_EQ(keptVertices[static_cast<size_t>(v)].x,
                  session.viewVertices[static_cast<size_t>(v)].x);
    }
    EXPECT_EQ(-1, session.liveLayer);
    // The facet planes belong to this view: each first corner lies on its plane.
    for (int32_t f = 0; f < session.model->facetCount; ++f) {
        const Facet& facet = session.model->facets[f];
        const Vertex& p = session.viewVertices[static_cast<size_t>(facet.vertexIndex[0])];
        const double d = facet.plane[0] * p.x + facet.plane[1] * p.y + facet.plane[2] * p.z;
        EXPECT_NEAR(facet.plane[3] == 0.0 ? 0.0 : -1.0, d, 1e-12) << f;
    }
}

TEST(Turning, TrimmingFrameIsScaledToThePreview) {
    Session session;
    session.settings.look.trimmingActive = 1;
    session.settings.look.trimming.left = 20;
    session.settings.look.trimming.top = 10;
    session.settings.look.trimming.right = 40;
    session.settings.look.trimming.bottom = 0;
    session.settings.look.sizeMode = 0;
    PreviewFrame f = previewFrameOf(session);
    EXPECT_TRUE(f.active);
    EXPECT_EQ(20, f.left);
    EXPECT_EQ(10, f.top);
    EXPECT_EQ(159, f.right);
    EXPECT_EQ(199, f.bottom);
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 398;  // half scale
    f = previewFrameOf(session);
    EXPECT_EQ(10, f.left);
    EXPECT_EQ(5, f.top);
    EXPECT_EQ(179, f.right);
    session.settings.look.trimmingActive = 0;
    EXPECT_FALSE(previewFrameOf(session).active);
}

}  // namespace
}  // namespace tavrine

namespace tavrine {
namespace {

TEST(StartUp, BuildsTheStoredModelAndItsFirstViewFromTheSettingsFile) {
    tavrine::test::TempFolder folder;
    SettingsLocations locations;
    locations.settingsFolder = folder.path() + "/";
    locations.settingsFile = folder.file("Setting.ini");
    locations.screenShotFolder = folder.path() + "/ScreenShots/";
    locations.captureFolder = folder.path() + "/AutoCaps/";

    // No file: the defaults (Diamond, its brilliant, the red polygon colour).
    Session fresh;
    CountingDrawing drawing;
    NullNotificationSink sink;
    EXPECT_FALSE(readStartUpSettings(fresh, locations));
    startUpSession(fresh, drawing, sink);
    EXPECT_EQ(0, fresh.model->modelIndex);
    EXPECT_GT(fresh.model->facetCount, 0);
    EXPECT_EQ(1.0, fresh.polygonRgb.red);
    EXPECT_EQ(0.0, fresh.polygonRgb.green);
    EXPECT_EQ(-1, fresh.liveLayer);
    EXPECT_EQ(1, drawing.surfaces);
    EXPECT_EQ(1, drawing.restarts);
    // The view of a fresh start: the brilliant's tilt, derived with order 1.
    EXPECT_NEAR(0.857729, fresh.orientation.viewPose.axisVector.y, 1e-6);
    EXPECT_EQ(1, fresh.orientation.viewPose.orientation.order);

    // A stored Emerald with the yellow polygon colour and the turntable on.
    Settings stored = defaultSettings(locations.screenShotFolder, locations.captureFolder);
    stored.stoneIndex = 2;
    stored.modelIndex = 7;
    stored.polygonColour = 4;
    stored.look.turntableView = 1;
    ASSERT_TRUE(writeSettings(locations.settingsFile, stored, nullptr));
    Session session;
    EXPECT_TRUE(readStartUpSettings(session, locations));
    startUpSession(session, drawing, sink);
    EXPECT_EQ(7, session.model->modelIndex);
    EXPECT_EQ(0.98, session.polygonRgb.red);
    EXPECT_EQ(0.89, session.polygonRgb.green);
    EXPECT_TRUE(session.orientation.gmOn);
    // The turntable view never rolls: the side vector stays horizontal.
    EXPECT_EQ(0.0, session.orientation.viewPose.sideVector.y);
    // The facets are ready for the tracer in that view.
    const Facet& f = session.model->facets[0];
    const Vertex& p = session.viewVertices[static_cast<size_t>(f.vertexIndex[0])];
    EXPECT_NEAR(-1.0, f.plane[0] * p.x + f.plane[1] * p.y + f.plane[2] * p.z, 1e-12);
}

}  // namespace
}  // namespace tavrine

namespace tavrine {
namespace {

TEST(Turning, RebuildTakesTheOpenDesignAndFallsBackWithoutOne) {
    tavrine::test::TempFolder folder;
    const std::string design = folder.file("cube.asc");
    {
        std::ofstream out(design);
        out << "GemCad 5.0\ng 96 0.0\ny 4 n\nI 1.50\nH Cube\n"
               "a 0 1 96\na -0 1 96\na 90 1 96 24 48 72\n";
    }
    Session session;
    setUpDiamond(session);
    std::string error;
    ASSERT_TRUE(openDesign(session, design, &error)) << error;
    NullNotificationSink sink;
    CountingDrawing drawing;
    RecordingSleeper sleeper;
    TurningModel turning(session, drawing, sink, sleeper);
    turning.rebuildModel();
    EXPECT_EQ(session.model->modelIndex, kDesignModelIndex);
    EXPECT_EQ(session.model->facetCount, 6);
    EXPECT_EQ(session.model->vertexCount, 8);

    // A design choice with no design open (a stale settings value) builds the stone's cut.
    Session stale;
    setUpDiamond(stale);
    chooseModel(stale, 15);
    chooseModel(stale, kDesignModelIndex);
    TurningModel other(stale, drawing, sink, sleeper);
    other.rebuildModel();
    EXPECT_EQ(stale.model->modelIndex, 0);
    EXPECT_EQ(stale.settings.modelIndex, 0);
    EXPECT_GT(stale.model->facetCount, 50);
}

}  // namespace
}  // namespace tavrine
