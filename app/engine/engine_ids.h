#pragma once
// The numbers of the engine protocol: thread messages, engine commands, window notifications, the
// panel rectangles of the main window, and the packing of a mouse point into a message argument.
// Plain constants; usable from every thread.

#include <cstdint>

namespace tavrine {

// Thread messages. MSG_PAUSE_KEYS and MSG_RESUME_KEYS go to the keyboard thread, the other two to
// the engine thread.
inline constexpr uint32_t MSG_PAUSE_KEYS = 7000;
inline constexpr uint32_t MSG_RESUME_KEYS = 7010;
inline constexpr uint32_t MSG_ENGINE_COMMAND = 7020;
inline constexpr uint32_t MSG_STOP_TURNING = 7030;

// The value the engine writes over the message id of its record after running a command, so that
// a message is never run twice; it is none of the ids above.
inline constexpr uint32_t kNoMessage = 0;

// The commands carried in the wParam of MSG_ENGINE_COMMAND; the lParam is the command's argument
// (a turn button id, a packed point, or the capture's skip-existing mode).
enum class EngineCommand : int32_t {
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
    StartCapture = 8000,
    CompileGif = 8030,
    TiltSweep = 8060,
};

// The window message that carries every notification; the code goes in wParam.
inline constexpr uint32_t WM_APP = 32768;

// Notification codes. NOTIFY_SHOW_TITLE is sent (the engine waits); the others are posted.
inline constexpr int32_t NOTIFY_SHOW_TITLE = 5600;
inline constexpr int32_t NOTIFY_RENDER_STARTED = 5605;
inline constexpr int32_t NOTIFY_RENDER_ENDED = 5610;
inline constexpr int32_t NOTIFY_PROGRESS = 5620;
// The live view's picture changed: the render window repaints its picture.
inline constexpr int32_t NOTIFY_LIVE_PICTURE = 5630;
inline constexpr int32_t NOTIFY_CAPTURE_ENDED = 8020;
inline constexpr int32_t NOTIFY_GIF_ENDED = 8050;
inline constexpr int32_t NOTIFY_TILT_ENDED = 8070;  // lParam 1 done, 2 stopped, 3 failed

// A rectangle of the main window's client area: left and top inside, right and bottom outside.
struct PanelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The three 199 x 199 boxes (left, top, right, bottom as the hit test reads them: a point is
// strictly inside when left < x < right and top < y < bottom).
inline constexpr PanelRect kRenderArea{33, 245, 231, 443};
inline constexpr PanelRect kPreviewBox{281, 245, 479, 443};
inline constexpr PanelRect kIndicatorBox{497, 245, 695, 443};

// What a turn or drag frame repaints: the strip over the three boxes; and what a preview redraw
// repaints: the preview box.
inline constexpr PanelRect kTurnStrip{33, 245, 696, 444};
inline constexpr PanelRect kPreviewRepaint{281, 245, 480, 444};

// Returns whether (x, y) lies strictly inside the box.
constexpr bool strictlyInside(const PanelRect& box, int32_t x, int32_t y) {
    return box.left < x && x < box.right && box.top < y && y < box.bottom;
}

// Packs a point of the main window's client area into a message argument: x in the low 16 bits,
// y in the high 16 bits.
constexpr int64_t packPoint(int32_t x, int32_t y) {
    return static_cast<int64_t>((static_cast<uint32_t>(x) & 0xFFFFu) |
                                ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

// Returns the x of a packed point, read as an unsigned 16-bit value.
constexpr int32_t pointX(int64_t lParam) { return static_cast<int32_t>(lParam & 0xFFFF); }

// Returns the y of a packed point, read as an unsigned 16-bit value.
constexpr int32_t pointY(int64_t lParam) { return static_cast<int32_t>((lParam >> 16) & 0xFFFF); }

// Returns the progress message's lParam for frame (or tilt) k of n: (k & 0xFFFF) | (n << 16).
constexpr int64_t frameProgressParam(int32_t k, int32_t n) {
    return static_cast<int64_t>((static_cast<uint32_t>(k) & 0xFFFFu) |
                                (static_cast<uint32_t>(n) << 16));
}

}  // namespace tavrine
