#pragma once
// The message queue of one worker thread: any thread posts, the owning thread takes messages in
// the order they were posted, waiting for one or only looking.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace tavrine {

// One thread message: its id and two arguments.
struct ThreadMessage {
    uint32_t id = 0;
    int64_t wParam = 0;
    int64_t lParam = 0;
};

// A first-in first-out queue of thread messages. Every member may be called from any thread.
// Closing the queue is how its thread is told to end: waiting calls then return false.
class ThreadQueue {
  public:
    ThreadQueue() = default;
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // Appends a message; messages posted after close() are dropped. Never waits beyond the
    // queue's short internal lock.
    void post(uint32_t id, int64_t wParam = 0, int64_t lParam = 0);

    // Waits for the next message and removes it into |message|; returns false (leaving |message|
    // alone) once the queue is closed, even if messages are still waiting.
    bool get(ThreadMessage& message);

    // Like get, but waits at most |timeout|; returns false on time-out or when closed.
    bool getFor(ThreadMessage& message, std::chrono::milliseconds timeout);

    // Removes the next message, if any, into |message| without waiting; returns whether one was
    // removed. Returns false once the queue is closed.
    bool peek(ThreadMessage& message);

    // Waits up to |timeout| without taking anything; returns true at once when the queue is or
    // becomes closed, false when the time passed.
    bool waitUntilClosed(std::chrono::milliseconds timeout);

    // Closes the queue: wakes every waiting get; later posts are dropped. Idempotent.
    void close();

    // Returns whether close() was called.
    bool closed() const;

    // Returns the number of waiting messages.
    size_t size() const;

  private:
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ThreadMessage> messages_;
    bool closed_ = false;
};

// A manual-reset event: stays signalled from set() until reset(). Every member may be called from
// any thread.
class ManualResetEvent {
  public:
    // Creates the event signalled or not.
    explicit ManualResetEvent(bool signalled = true) : signalled_(signalled) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    // Signals the event and wakes every waiter.
    void set();

    // Clears the signal.
    void reset();

    // Returns whether the event is signalled (a wait with a zero timeout).
    bool isSet() const;

    // Waits until the event is signalled or |timeout| has passed; returns whether it is signalled.
    bool waitFor(std::chrono::milliseconds timeout) const;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool signalled_;
};

}  // namespace tavrine
