#pragma once
// Fakes for the engine's interfaces: a notification sink that records and can be waited on, a
// confirmation that answers by itself, a drawer that counts, and a sleeper that records.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/engine/abort_confirmation.h"
#include "app/engine/notification_sink.h"
#include "app/engine/panel_drawing.h"
#include "app/engine/turning.h"

namespace tavrine {

// Records every notification; any thread.
class RecordingSink : public NotificationSink {
  public:
    struct Note {
        NotifyWindow window;
        int32_t code;
        int64_t lParam;
    };

    void post(NotifyWindow window, int32_t code, int64_t lParam) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            notes_.push_back(Note{window, code, lParam});
        }
        changed_.notify_all();
    }
    void showTitle() override {}
    void bringToForeground() override {}
    void rowDrawn(NotifyWindow, int32_t) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ++rows_;
    }
    void invalidate(const PanelRect&) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++invalidations_;
        }
        changed_.notify_all();
    }

    // Waits until |count| repaints were asked for (one per turn frame); returns whether they were.
    bool waitForInvalidations(int32_t count,
                              std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return invalidations_ >= count; });
    }

    // Waits until |count| notifications with the code have arrived; returns whether they did.
    bool waitFor(int32_t code, int32_t count = 1,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return countLocked(code) >= count; });
    }
    int32_t count(int32_t code) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return countLocked(code);
    }
    std::vector<Note> notes() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return notes_;
    }
    int32_t rows() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return rows_;
    }

  private:
    int32_t countLocked(int32_t code) const {
        int32_t n = 0;
        for (const Note& note : notes_) n += note.code == code ? 1 : 0;
        return n;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Note> notes_;
    int32_t rows_ = 0;
    int32_t invalidations_ = 0;
};

// Answers every question with |answer| and keeps the texts asked.
class AnsweringConfirmation : public AbortConfirmation {
  public:
    explicit AnsweringConfirmation(bool answer) : answer_(answer) {}
    bool askAbort(const char* text) override {
        asked.emplace_back(text);
        return answer_;
    }
    std::vector<std::string> asked;

  private:
    bool answer_;
};

// Counts the drawing calls; reports every facet as drawn.
class CountingDrawing : public NullPanelDrawing {
  public:
    int32_t drawSurfaceModel(const ModelRecord& model, const Vertex* v, const Vec3& l,
                             const PolygonColour& c, const PreviewFrame& f) override {
        ++surfaces;
        return NullPanelDrawing::drawSurfaceModel(model, v, l, c, f);
    }
    void clearComposition() override { ++clears; }
    void drawTrail(const ViewPointTrail&, bool restarted) override {
        restarts += restarted ? 1 : 0;
    }
    void compose(int32_t liveLayer, bool full, bool) override {
        lastLive = liveLayer;
        fullCompositions += full ? 1 : 0;
    }
    int32_t surfaces = 0;
    int32_t clears = 0;
    int32_t restarts = 0;
    int32_t fullCompositions = 0;
    int32_t lastLive = -2;
};

// Records the pauses and runs a hook after each (a test ends a turn loop from there).
class RecordingSleeper : public Sleeper {
  public:
    void sleepMs(int32_t milliseconds) override {
        pauses.push_back(milliseconds);
        if (afterSleep) afterSleep(static_cast<int32_t>(pauses.size()));
    }
    std::vector<int32_t> pauses;
    std::function<void(int32_t)> afterSleep;
};

}  // namespace tavrine
