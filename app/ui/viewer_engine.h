#pragma once
// What the main window asks of the engine side: the engine's port (commands to the engine thread
// and the idle signal, which the window protocol runs over), the keyboard thread's pause and
// held-keys record, the view resets the window makes while the engine is idle, and the pictures
// of the three boxes. One implementation drives the real worker threads; tests use a recording
// one.

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "app/engine/engine_ids.h"
#include "app/engine/engine_port.h"
#include "app/engine/notification_sink.h"
#include "app/session/shared_picture.h"
#include "app/view/keyboard_mapping.h"

namespace tavrine {
struct OutputJobs;
struct Session;
}  // namespace tavrine

namespace tavrine::ui {

// Takes an engine notification meant for a progress window, on the GUI thread.
using OutputNotify = std::function<void(NotifyWindow window, int32_t code, int64_t lParam)>;

// The engine side as the window sees it. Every call is made on the GUI thread.
class ViewerEngine : public EnginePort {
  public:
    virtual ~ViewerEngine() = default;

    // Builds the stored model, resets the view, stone pose and light and draws the boxes once
    // (on the calling thread, before the workers exist). Notifications go to mainWindow, whose
    // client area shows the boxes, or to renderWindow (nullptr in the fixed-size mode) when the
    // job reports there.
    virtual void prepare(QWidget* mainWindow, QWidget* clientArea, QWidget* renderWindow) = 0;
    // Starts the engine and keyboard threads.
    virtual void start() = 0;
    // Ends both worker threads and waits for them.
    virtual void shutdown() = 0;

    // Posts the stop of a hold-to-turn loop to the engine thread.
    virtual void stopTurning() = 0;
    // Pauses and resumes the keyboard thread's polling.
    virtual void pauseKeys() = 0;
    virtual void resumeKeys() = 0;
    // Replaces the record of held keys the keyboard thread reads.
    virtual void setHeldKeys(const HeldKeys& keys) = 0;

    // Resets the view for the current model and the stone pose and light for the current stone.
    virtual void resetViewAndLight() = 0;
    // Turns the view face-up onto the current stone with "GM" off (the session's turnFaceUp).
    virtual void turnFaceUp() = 0;
    // Turns the "SY" (stone) or "GM" (turntable) switch on or off; switching one on switches
    // the other off and resets the view.
    virtual void setTurnStone(bool on) = 0;
    virtual void setTurntableView(bool on) = 0;
    // Takes polygon colour index (0 to 7) for the preview.
    virtual void selectPolygonColour(int index) = 0;

    // Recomposes the indicator at once with the view-point trail shown or hidden and repaints
    // it; changes no setting. Only while the engine is idle.
    virtual void showTrail(bool shown) = 0;
    // Sets the render window notifications go to (nullptr for none).
    virtual void setRenderWindow(QWidget* renderWindow) = 0;
    // Replaces the render picture by an empty width x width one.
    virtual void replaceRenderPicture(int width) = 0;

    // Switches the live ray-traced view on or off (the setting is the window's to store).
    virtual void setLiveView(bool on) { (void)on; }

    // Paints the render area, the preview box and the indicator box into painter (client
    // coordinates) for the part of the client area in clip.
    virtual void paintBoxes(QPainter& painter, const QRect& clip) = 0;
    // Returns what the main window's render area shows against the current scene; the current
    // scene while a live picture or the separate render window stands in for it.
    virtual PictureShows renderAreaShows() { return PictureShows::CurrentScene; }

    // The picture outputs (screen shot, capture, animated GIF). An engine side without a session
    // has none, and the window leaves their menu items disabled.
    // Returns the session the engine works on, or nullptr.
    virtual Session* session() { return nullptr; }
    // Lets StartCapture, CompileGif and TiltSweep run over jobs and hands the progress windows'
    // notifications to notify on the GUI thread, in the order the engine posted them among the
    // windows' own; receiver's lifetime bounds the delivery. Before start().
    virtual void connectOutputs(OutputJobs& jobs, QObject* receiver, OutputNotify notify) {
        (void)jobs;
        (void)receiver;
        (void)notify;
    }
    // Redraws the light-ray and model-sketch layers of the indicator box from the session,
    // rebuilds its cache and repaints it (after a record was applied). Only while the engine is
    // idle.
    virtual void redrawIndicator() {}
};

}  // namespace tavrine::ui
