#pragma once
// The engine as the window thread drives it: commands posted to the engine thread and the idle
// signal. The engine offers it over its queue; the viewer's engine side forwards to that one.

#include <cstdint>

#include "app/engine/engine_ids.h"
#include "app/engine/thread_queue.h"

namespace tavrine {

// What the window thread's protocol needs of the engine. Every call is made on the window thread.
class EnginePort {
  public:
    virtual ~EnginePort() = default;

    // Posts a command with its argument to the engine thread.
    virtual void post(EngineCommand command, int64_t argument = 0) = 0;
    // Returns whether the idle signal is set (the engine holds no render, drag or restore).
    virtual bool isIdle() = 0;
    // Clears the idle signal, before a command that sets it when finished is posted.
    virtual void resetIdle() = 0;
    // Waits up to timeoutMs for the idle signal; returns whether it is set.
    virtual bool waitIdle(int timeoutMs) = 0;
};

// The port over an engine thread's queue and its manual-reset idle event.
class QueueEnginePort : public EnginePort {
  public:
    QueueEnginePort(ThreadQueue& queue, ManualResetEvent& idleEvent)
        : queue_(queue), idleEvent_(idleEvent) {}

    void post(EngineCommand command, int64_t argument = 0) override;
    bool isIdle() override;
    void resetIdle() override;
    bool waitIdle(int timeoutMs) override;

  private:
    ThreadQueue& queue_;
    ManualResetEvent& idleEvent_;
};

}  // namespace tavrine
