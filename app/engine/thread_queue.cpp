#include "app/engine/thread_queue.h"

namespace tavrine {

void ThreadQueue::post(uint32_t id, int64_t wParam, int64_t lParam) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) return;
        messages_.push_back(ThreadMessage{id, wParam, lParam});
    }
    ready_.notify_one();
}

bool ThreadQueue::get(ThreadMessage& message) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return closed_ || !messages_.empty(); });
    if (closed_) return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

bool ThreadQueue::getFor(ThreadMessage& message, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!ready_.wait_for(lock, timeout, [this] { return closed_ || !messages_.empty(); })) {
        return false;
    }
    if (closed_) return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

bool ThreadQueue::peek(ThreadMessage& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (closed_ || messages_.empty()) return false;
    message = messages_.front();
    messages_.pop_front();
    return true;
}

bool ThreadQueue::waitUntilClosed(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return ready_.wait_for(lock, timeout, [this] { return closed_; });
}

void ThreadQueue::close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
        messages_.clear();
    }
    ready_.notify_all();
}

bool ThreadQueue::closed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return closed_;
}

size_t ThreadQueue::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_.size();
}

void ManualResetEvent::set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void ManualResetEvent::reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
}

bool ManualResetEvent::isSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return signalled_;
}

bool ManualResetEvent::waitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
}

}  // namespace tavrine
