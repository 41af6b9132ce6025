#include "app/engine/keyboard_thread.h"

#include <system_error>

#include "app/engine/engine_ids.h"

namespace tavrine {

KeyboardThread::KeyboardThread(const HeldKeysRecord& keys, ThreadQueue& engineQueue,
                               std::chrono::milliseconds interval)
    : keys_(keys), engineQueue_(engineQueue), interval_(interval) {}

KeyboardThread::~KeyboardThread() {
    stop();
    join();
}

bool KeyboardThread::start() {
    if (thread_.joinable()) return false;
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void KeyboardThread::stop() { queue_.close(); }

void KeyboardThread::join() {
    if (thread_.joinable()) thread_.join();
}

void KeyboardThread::run() {
    KeyboardTurnTracker tracker;
    for (;;) {
        ThreadMessage message;
        if (queue_.peek(message)) {
            if (message.id == MSG_PAUSE_KEYS) {
                // Paused: everything but the resume is dropped.
                do {
                    if (!queue_.get(message)) return;
                } while (message.id != MSG_RESUME_KEYS);
            }
        } else if (queue_.closed()) {
            return;
        }
        const KeyboardActions actions = tracker.poll(keys_.snapshot());
        if (actions.postStopTurning) engineQueue_.post(MSG_STOP_TURNING);
        if (actions.postTurnWhileHeld) {
            engineQueue_.post(MSG_ENGINE_COMMAND,
                              static_cast<int64_t>(EngineCommand::TurnWhileHeld),
                              actions.turnButtonId);
        }
        if (queue_.waitUntilClosed(interval_)) return;
    }
}

}  // namespace tavrine
