#include "app/output/capture_job.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/output/file_names.h"
#include "app/session/capture_session.h"
#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

// A capture of a small picture: a session set up for it, its record and files.
class SmallCapture {
  public:
    SmallCapture(const std::string& folder, const std::string& name, int32_t frames,
                 bool turntable = false) {
        Session& chosen = live;
        chooseStone(chosen, 2);
        chosen.settings.look.sizeMode = 1;
        chosen.settings.look.imageWidth = 40;
        rebuildModel(chosen);
        resetView(chosen);
        if (turntable) setTurntable(chosen, true);
        prepareView(chosen);
        applyKeySteps(chosen, {{'L', 3}, {'U', 2}}, KeyStepTarget::View);
        record = newCaptureRecord(chosen, frames);
        files.infoPath = folder + "/" + name + ".sqi";
        files.frameBase = folder + "/" + name;
    }
    SmallCapture(const SmallCapture&) = delete;
    SmallCapture& operator=(const SmallCapture&) = delete;

    // Runs the capture of the record with a fresh session, as a resume does.
    CaptureResult run(const RenderFunction& render, CaptureObserver& observer) {
        Session session;
        EXPECT_TRUE(resumeCapture(session, record, nullptr));
        CaptureScene scene = captureSceneOf(session, record);
        return captureFrames(scene, record, files, render, observer);
    }
    CaptureResult run(const RenderFunction& render) {
        CaptureObserver quiet;
        return run(render, quiet);
    }

    std::string frame(int32_t k) const {
        return frameFileName(files.frameBase, k, record.frameCount);
    }

    // Runs the capture on the session it was chosen in, as the viewer's New does.
    CaptureResult runLive(const RenderFunction& render) {
        CaptureObserver quiet;
        CaptureScene scene = captureSceneOf(live, record);
        return captureFrames(scene, record, files, render, quiet);
    }

    Session live;
    PositionInfo record;
    CaptureFiles files;
};

// The render job with one thread, counting its calls.
struct CountingRender {
    int32_t calls = 0;
    int32_t abortAt = -1;  // the call that is aborted, or -1
    RenderFunction function() {
        return [this](const RenderSettings& s, const RenderScene& scene, RenderObserver& observer) {
            if (calls++ == abortAt) {
                RenderResult aborted;
                aborted.status = RenderStatus::Aborted;
                return aborted;
            }
            RenderExecution execution;
            execution.threads = 1;
            return renderJob(s, scene, nullptr, observer, execution);
        };
    }
};

PositionInfo recordOnDisk(const std::string& path) {
    PositionInfo info;
    EXPECT_TRUE(readPositionInfo(path, info, false, nullptr));
    return info;
}

void expectSameOrientation(const Orientation& a, const Orientation& b, const char* what) {
    EXPECT_EQ(a.order, b.order) << what;
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(a.cosines[i], b.cosines[i], 1e-12) << what << " cosine " << i;
        EXPECT_NEAR(a.sines[i], b.sines[i], 1e-12) << what << " sine " << i;
    }
}

TEST(CaptureTurn, FrameZeroIsTheSavedViewAndAFullTurnComesBackToIt) {
    for (const bool turntable : {false, true}) {
        Session session;
        chooseStone(session, 0);
        rebuildModel(session);
        resetView(session);
        if (turntable) setTurntable(session, true);
        applyKeySteps(session, {{'L', 5}, {'D', 3}, {'Z', 2}}, KeyStepTarget::View);
        const PositionInfo record = newCaptureRecord(session, 7);
        const SavedPosition& saved = record.savedPosition;
        ViewPose view;
        turnViewForFrame(view, saved, turntable, 0, 7);
        EXPECT_EQ(view.orientation.order, saved.orientation.order);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(view.orientation.cosines[i], saved.orientation.cosines[i])
                << "frame 0 must be the saved view bit for bit";
            EXPECT_EQ(view.orientation.sines[i], saved.orientation.sines[i])
                << "frame 0 must be the saved view bit for bit";
        }
        turnViewForFrame(view, saved, turntable, 7, 7);
        expectSameOrientation(view.orientation, saved.orientation, "theta = 2 pi");
        // Half a turn looks from the other side: the axis is reversed.
        turnViewForFrame(view, saved, turntable, 2, 4);
        const Vec3 start = applyOrientation(saved.orientation, Vec3{0.0, 0.0, -1.0});
        const Vec3 half = applyOrientation(view.orientation, Vec3{0.0, 0.0, -1.0});
        if (turntable) {
            EXPECT_NEAR(half.y, start.y, 1e-12);
            EXPECT_NEAR(half.x, -start.x, 1e-12);
            EXPECT_NEAR(half.z, -start.z, 1e-12);
        } else {
            const Vec3 up = applyOrientation(saved.orientation, Vec3{0.0, 1.0, 0.0});
            const double along = half.x * up.x + half.y * up.y + half.z * up.z;
            const double startAlong = start.x * up.x + start.y * up.y + start.z * up.z;
            EXPECT_NEAR(along, startAlong, 1e-12) << "the turn is about the view's vertical";
            EXPECT_NEAR(half.x + start.x, 2 * along * up.x, 1e-12);
        }
    }
}

TEST(Capture, AnAbortLeavesItsFrameUnwrittenAndAResumeFinishesTheSameFrames) {
    tavrine::test::TempFolder folder("tavrine-capture");
    SmallCapture whole(folder.path(), "whole", 6);
    CountingRender plain;
    const CaptureResult done = whole.run(plain.function());
    ASSERT_EQ(done.outcome, CaptureOutcome::Complete) << done.message;
    EXPECT_EQ(done.framesRendered, 6);
    EXPECT_EQ(recordOnDisk(whole.files.infoPath).framesDone, 6);

    SmallCapture parts(folder.path(), "parts", 6);
    CountingRender aborting;
    aborting.abortAt = 3;
    const CaptureResult stopped = parts.run(aborting.function());
    EXPECT_EQ(stopped.outcome, CaptureOutcome::Aborted);
    EXPECT_EQ(parts.record.framesDone, 3);
    EXPECT_EQ(recordOnDisk(parts.files.infoPath).framesDone, 3);
    EXPECT_TRUE(fs::exists(parts.frame(2)));
    EXPECT_FALSE(fs::exists(parts.frame(3)));

    // The resume reads the record back from its file, as a new process would.
    parts.record = recordOnDisk(parts.files.infoPath);
    CountingRender resumed;
    ASSERT_EQ(parts.run(resumed.function()).outcome, CaptureOutcome::Complete);
    EXPECT_EQ(resumed.calls, 3);
    for (int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(test::readBytes(parts.frame(k)), test::readBytes(whole.frame(k)))
            << "frame " << k;
    }
    EXPECT_EQ(test::readBytes(parts.files.infoPath), test::readBytes(whole.files.infoPath));
}

// Checks after every render that the Capture-Info File records the frames written before it,
// and that the trail restarts on the run's first frame only.
class RecordWatcher : public CaptureObserver {
  public:
    explicit RecordWatcher(const std::string& infoPath) : infoPath_(infoPath) {}
    void renderStarted() override {
        EXPECT_EQ(recordOnDisk(infoPath_).framesDone, frame_) << "before frame " << frame_;
    }
    void frameStarting(int32_t k, int32_t) override { frame_ = k; }
    void viewTurned(int32_t k, bool restartTrail) override {
        turns.push_back(k);
        if (restartTrail) restarts.push_back(k);
    }
    std::vector<int32_t> turns;
    std::vector<int32_t> restarts;

  private:
    std::string infoPath_;
    int32_t frame_ = 0;
};

TEST(Capture, TheViewersLiveSessionAndARecordReadBackMakeTheSameFrames) {
    tavrine::test::TempFolder folder("tavrine-capture");
    SmallCapture viewer(folder.path(), "viewer", 4);
    applyKeySteps(viewer.live, {{'R', 5}}, KeyStepTarget::Stone);
    applyKeySteps(viewer.live, {{'U', 4}}, KeyStepTarget::Light);
    viewer.record = newCaptureRecord(viewer.live, 4);
    CountingRender render;
    ASSERT_EQ(viewer.runLive(render.function()).outcome, CaptureOutcome::Complete);

    SmallCapture tool(folder.path(), "tool", 4);
    tool.record = recordOnDisk(viewer.files.infoPath);
    tool.record.framesDone = 0;
    ASSERT_EQ(tool.run(render.function()).outcome, CaptureOutcome::Complete);
    for (int32_t k = 0; k < 4; ++k) {
        EXPECT_EQ(test::readBytes(tool.frame(k)), test::readBytes(viewer.frame(k)))
            << "frame " << k;
    }
}

TEST(Capture, TheRecordFollowsEveryFrameAndCheckModeRendersOnlyMissingFrames) {
    tavrine::test::TempFolder folder("tavrine-capture");
    SmallCapture capture(folder.path(), "turn", 8, true);
    CountingRender first;
    RecordWatcher watcher(capture.files.infoPath);
    ASSERT_EQ(capture.run(first.function(), watcher).outcome, CaptureOutcome::Complete);
    EXPECT_EQ(watcher.turns, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(watcher.restarts, std::vector<int32_t>{0});
    const std::vector<uint8_t> frame2 = test::readBytes(capture.frame(2));
    const std::vector<uint8_t> frame5 = test::readBytes(capture.frame(5));

    fs::remove(capture.frame(2));
    fs::remove(capture.frame(5));
    capture.record.checkMode = 1;
    capture.record.framesDone = 0;
    CountingRender check;
    const CaptureResult result = capture.run(check.function());
    ASSERT_EQ(result.outcome, CaptureOutcome::Complete) << result.message;
    EXPECT_EQ(check.calls, 2);
    EXPECT_EQ(result.framesKept, 6);
    EXPECT_EQ(test::readBytes(capture.frame(2)), frame2);
    EXPECT_EQ(test::readBytes(capture.frame(5)), frame5);

    // Over a complete folder, check mode renders nothing.
    capture.record.framesDone = 0;
    CountingRender none;
    ASSERT_EQ(capture.run(none.function()).outcome, CaptureOutcome::Complete);
    EXPECT_EQ(none.calls, 0);
}

TEST(Capture, AFrameThatCannotBeWrittenStopsTheCaptureThereAndSaysWhy) {
    tavrine::test::TempFolder folder("tavrine-capture");
    SmallCapture capture(folder.path(), "blocked", 5);
    capture.files.format = FrameFormat::Png24;
    const std::string blocked = frameFileName(capture.files.frameBase, 2, 5, ".png");
    fs::create_directory(blocked);
    CountingRender render;
    const CaptureResult result = capture.run(render.function());
    EXPECT_EQ(result.outcome, CaptureOutcome::Failed);
    EXPECT_NE(result.message.find(blocked), std::string::npos) << result.message;
    EXPECT_EQ(capture.record.framesDone, 2);
    EXPECT_EQ(recordOnDisk(capture.files.infoPath).framesDone, 2);
    EXPECT_EQ(render.calls, 3);
    const std::vector<uint8_t> png =
        test::readBytes(frameFileName(capture.files.frameBase, 1, 5, ".png"));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
}

TEST(CaptureTexts, ProgressAndCompletion) {
    EXPECT_EQ(captureProgressText(64, 128), "64 / 128        50 %");
    EXPECT_EQ(captureProgressText(1, 3), "1 / 3        33 %");
    EXPECT_NE(captureCompleteText("gem").find("Select this \"gem.sqi\" file."), std::string::npos);
}

}  // namespace
}  // namespace tavrine
