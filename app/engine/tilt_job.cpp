#include "app/engine/tilt_job.h"

#include <functional>

namespace tavrine {

namespace {

// Posts each tilt's start to the Tilt Performance window and asks the engine's poll for Abort.
class EngineSweepObserver : public evaluate::SweepObserver {
  public:
    EngineSweepObserver(NotificationSink& sink, const std::function<bool()>& abortPoll)
        : sink_(sink), abortPoll_(abortPoll) {}
    void tiltStarted(int32_t index, int32_t count) override {
        sink_.post(NotifyWindow::TiltPerformance, NOTIFY_PROGRESS,
                   frameProgressParam(index, count));
    }
    bool stopRequested() override { return abortPoll_(); }

  private:
    NotificationSink& sink_;
    const std::function<bool()>& abortPoll_;
};

}  // namespace

void prepareTiltJob(TiltJob& job, const Session& session) {
    job.scene = evaluationSceneOf(session);
    job.model = session.model ? std::make_unique<ModelRecord>(*session.model) : nullptr;
    job.scene.model = job.model.get();
    job.sweep = evaluate::Sweep{};
}

EngineJob tiltEngineJob(Session& session, NotificationSink& sink, TiltJob& job,
                        RenderExecution execution) {
    return [&session, &sink, &job, execution](const std::function<bool()>& abortPoll,
                                              int64_t) -> int32_t {
        prepareTiltJob(job, session);
        EngineSweepObserver observer(sink, abortPoll);
        job.sweep = evaluate::sweepTilts(job.scene, job.range, observer, execution,
                                         evaluate::KeptPictures::All);
        const auto count = static_cast<int32_t>(evaluate::tiltsOf(job.range).size());
        if (job.sweep.status == RenderStatus::Completed) {
            sink.post(NotifyWindow::TiltPerformance, NOTIFY_PROGRESS,
                      frameProgressParam(count, count));
            return 1;
        }
        return job.sweep.status == RenderStatus::Aborted ? 2 : 3;
    };
}

}  // namespace tavrine
