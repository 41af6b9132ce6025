#pragma once
// What the main window asks of the engine side: commands to the engine thread, the keyboard
// thread's pause and held-keys record, the idle signal, the view resets the window makes while
// the engine is idle, and the pictures of the three boxes. One implementation drives the real
// worker threads; tests use a recording one.

#include <QImage>
#include <QObject>
#include <QPainter>
#include <cstdint>

#include "app/view/keyboard_mapping.h"

namespace tavrine::ui {

// The engine commands (the wParam of a command message) the window posts.
enum class EngineRequest : int32_t {
    RefreshView = 7050,
    RebuildModel = 7055,
    Render = 7060,
    Abort = 7065,
    TurnWhileHeld = 7070,
    BeginViewDrag = 7080,
    BeginLightDrag = 7090,
    DragView = 7100,
    DragLight = 7110,
    RedrawPreview = 7120,
    ApplyRestoredPosition = 7130,
};

// Notification codes the engine side posts to a window.
inline constexpr int32_t kNotifyShowTitle = 5600;
inline constexpr int32_t kNotifyRenderStarted = 5605;
inline constexpr int32_t kNotifyRenderEnded = 5610;
inline constexpr int32_t kNotifyProgress = 5620;

// Returns a point of the client area packed as a command argument: x in the low 16 bits, y in
// the high 16 bits.
inline int32_t packPoint(int x, int y) {
    return static_cast<int32_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) |
                                static_cast<uint32_t>(x & 0xFFFF));
}

// The engine side as the window sees it. Every call is made on the GUI thread.
class ViewerEngine {
  public:
    virtual ~ViewerEngine() = default;

    // Builds the stored model, resets the view, stone pose and light and draws the boxes once
    // (on the calling thread, before the workers exist).
    virtual void prepare() = 0;
    // Starts the engine and keyboard threads; notifications go to mainWindow (and to the
    // render window when the job reports there).
    virtual void start(QObject* mainWindow, QObject* renderWindow) = 0;
    // Ends both worker threads and waits for them.
    virtual void shutdown() = 0;

    // Posts a command with its argument to the engine thread.
    virtual void post(EngineRequest request, int32_t argument = 0) = 0;
    // Posts the stop of a hold-to-turn loop to the engine thread.
    virtual void stopTurning() = 0;
    // Pauses and resumes the keyboard thread's polling.
    virtual void pauseKeys() = 0;
    virtual void resumeKeys() = 0;
    // Replaces the record of held keys the keyboard thread reads.
    virtual void setHeldKeys(const HeldKeys& keys) = 0;

    // The idle signal: set while the engine holds no render, drag or restore command.
    virtual bool isIdle() = 0;
    virtual void resetIdle() = 0;
    // Waits up to timeoutMs for the idle signal; returns whether it is set.
    virtual bool waitIdle(int timeoutMs) = 0;

    // Resets the view for the current model and the stone pose and light for the current stone.
    virtual void resetViewAndLight() = 0;
    // Turns the "SY" (stone) or "GM" (turntable) switch on or off; switching one on switches
    // the other off and resets the view.
    virtual void setTurnStone(bool on) = 0;
    virtual void setTurntableView(bool on) = 0;

    // Paints the render area, the preview box and the indicator box into painter (client
    // coordinates) for the part of the client area in clip.
    virtual void paintBoxes(QPainter& painter, const QRect& clip) = 0;
};

}  // namespace tavrine::ui
