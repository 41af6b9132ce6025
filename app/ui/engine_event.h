#pragma once
// The notification the engine side posts to a window: a code (5605, 5610, 5620, ...) and its
// value, delivered on the GUI thread through the window's event queue.

#include <QEvent>
#include <cstdint>

namespace tavrine::ui {

class EngineEvent : public QEvent {
  public:
    // The event type of every engine notification.
    static QEvent::Type eventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    EngineEvent(int32_t code, int64_t value) : QEvent(eventType()), code_(code), value_(value) {}

    int32_t code() const { return code_; }
    int64_t value() const { return value_; }

  private:
    int32_t code_;
    int64_t value_;
};

}  // namespace tavrine::ui
