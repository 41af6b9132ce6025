#pragma once
// The keyboard thread: every 100 ms it reads the held keys and posts turn commands to the engine;
// MSG_PAUSE_KEYS and MSG_RESUME_KEYS on its own queue pause and resume it.

#include <chrono>
#include <thread>

#include "app/engine/held_keys.h"
#include "app/engine/thread_queue.h"

namespace tavrine {

// The keyboard thread. Construct and start on the window thread; post MSG_PAUSE_KEYS and
// MSG_RESUME_KEYS to queue() from any thread. The record and the engine queue must outlive it.
class KeyboardThread {
  public:
    KeyboardThread(const HeldKeysRecord& keys, ThreadQueue& engineQueue,
                   std::chrono::milliseconds interval = std::chrono::milliseconds(100));
    // Stops and joins the thread.
    ~KeyboardThread();
    KeyboardThread(const KeyboardThread&) = delete;
    KeyboardThread& operator=(const KeyboardThread&) = delete;

    // Starts the thread. Window thread; once. Returns false when the thread cannot start.
    bool start();

    // Asks the thread to end (closes its queue). Any thread; returns at once.
    void stop();

    // Waits until the thread has ended (after stop()). Window thread.
    void join();

    // The keyboard thread's own queue. Any thread.
    ThreadQueue& queue() { return queue_; }

  private:
    void run();

    const HeldKeysRecord& keys_;
    ThreadQueue& engineQueue_;
    std::chrono::milliseconds interval_;
    ThreadQueue queue_;
    std::thread thread_;
};

}  // namespace tavrine
