#include "app/engine/output_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/output/file_names.h"
#include "app/session/capture_session.h"
#include "tests/engine/engine_fakes.h"
#include "tests/support/byte_files.h"

namespace tavrine {
namespace {

namespace fs = std::filesystem;

// The progress notes posted to one window, as frame numbers and counts.
std::vector<int64_t> progressTo(const RecordingSink& sink, NotifyWindow window) {
    std::vector<int64_t> params;
    for (const auto& note : sink.notes()) {
        if (note.window == window && note.code == NOTIFY_PROGRESS) params.push_back(note.lParam);
    }
    return params;
}

TEST(OutputJobs, TheCaptureReportsEveryFrameDrawsTheTrailAndMakesTheFilesTheToolMakes) {
    tavrine::test::TempFolder folder("tavrine-engine-capture");
    Session session;
    chooseStone(session, 3);
    session.settings.look.sizeMode = 1;
    session.settings.look.imageWidth = 36;
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    OutputJobs jobs;
    jobs.captureRecord = newCaptureRecord(session, 3);
    jobs.captureFiles.infoPath = folder.file("eng.sqi");
    jobs.captureFiles.frameBase = folder.file("eng");
    RecordingSink sink;
    CountingDrawing drawing;
    const EngineJob capture =
        captureEngineJob(session, sink, drawing, jobs, nullptr, RenderExecution{1, false});
    ASSERT_EQ(capture([] { return false; }, 0), 1) << jobs.captureResult.message;
    EXPECT_EQ(progressTo(sink, NotifyWindow::CaptureProgress),
              (std::vector<int64_t>{3 << 16, 1 | (3 << 16), 2 | (3 << 16), 3 | (3 << 16)}));
    EXPECT_EQ(drawing.surfaces, 4);
    EXPECT_EQ(drawing.restarts, 1);
    EXPECT_EQ(drawing.lastLive, 2) << "the trail is the live layer";
    EXPECT_EQ(sink.count(NOTIFY_RENDER_STARTED), 3);
    EXPECT_GT(sink.rows(), 0);

    // The same record captured as tavrine-render does gives the same frames.
    PositionInfo again = jobs.captureRecord;
    again.framesDone = 0;
    Session tool;
    ASSERT_TRUE(resumeCapture(tool, again, nullptr));
    CaptureScene scene = captureSceneOf(tool, again);
    CaptureFiles files{folder.file("tool.sqi"), folder.file("tool"), FrameFormat::Gif};
    CaptureObserver quiet;
    ASSERT_EQ(captureFrames(scene, again, files, renderJobFunction({1, false}), quiet).outcome,
              CaptureOutcome::Complete);
    for (int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(test::readBytes(frameFileName(folder.file("eng"), k, 3)),
                  test::readBytes(frameFileName(folder.file("tool"), k, 3)))
            << "frame " << k;
    }

    // An abort stops at the frame and records it.
    jobs.captureRecord.framesDone = 1;
    EXPECT_EQ(capture([] { return true; }, 0), 0);
    EXPECT_EQ(jobs.captureResult.outcome, CaptureOutcome::Aborted);
    EXPECT_EQ(jobs.captureRecord.framesDone, 1);

    // The compile reports each frame and the end to its own window.
    jobs.animation.frameBase = folder.file("eng");
    jobs.animation.frameCount = 3;
    jobs.animation.outputPath = folder.file("eng_ANI.gif");
    ASSERT_EQ(gifEngineJob(sink, jobs)([] { return false; }, 0), 1) << jobs.animationResult.reason;
    EXPECT_EQ(progressTo(sink, NotifyWindow::GifProgress),
              (std::vector<int64_t>{3 << 16, 1 | (3 << 16), 2 | (3 << 16), 3 | (3 << 16)}));
    EXPECT_TRUE(fs::exists(folder.file("eng_ANI.gif")));
}

}  // namespace
}  // namespace tavrine
