#pragma once
// The menu commands of the picture outputs as the main window runs them: "Save (&S)" and
// "Restore Position (&R)" of the screen-shot menu, and "New (&N)", "Resume (&R)" and "Make
// Animated-GIF (&A)" of the capture menu. Each asks its questions and dialogs on the window
// thread and leaves the long work to the engine thread through the host.

#include <cstdint>
#include <string>

#include "app/dialogs/capture/capture_windows.h"
#include "app/engine/engine_ids.h"
#include "app/engine/notification_sink.h"
#include "app/engine/output_jobs.h"
#include "app/output/file_names.h"
#include "app/session/session.h"
#include "app/settings/settings_file.h"
#include "imgctl/imgctl.h"

class QWidget;

namespace tavrine {

// What the commands need of the main window. Every call is made on the window thread.
class OutputHost {
  public:
    virtual ~OutputHost() = default;
    // Returns the window that owns the dialogs and message boxes.
    virtual QWidget* ownerWindow() = 0;
    // Returns whether a rendering (or another engine job) runs.
    virtual bool renderBusy() = 0;
    // Posts a command with its argument to the engine thread.
    virtual void postEngine(EngineCommand command, int64_t argument) = 0;
    // Hands the restored position (the session's saved view) to the engine.
    virtual void postRestoredPosition() = 0;
    // Checks the refractive index field (with its own message); false stops the command.
    virtual bool checkRefractiveIndex() = 0;
    // Switches "SY" off and repaints its button.
    virtual void switchTurnStoneOff() = 0;
    // Shows the separate render window without moving or resizing it (size mode 1 only).
    virtual void showRenderWindow() = 0;
    // Applies the record's settings to the panel as Restore Position does (the "HQ", "SY" and
    // "GM" buttons, the three lists, the index field, the model rebuilt and turned by the stone
    // pose, the light, the indicator layers, and the size and trimming update from
    // previousTrimming); the view is left to the caller. Returns false, having told the user,
    // when the record cannot be applied (its design file cannot be opened); nothing changed then
    // and the command ends.
    virtual bool applyRecord(const PositionInfo& record, const Trimming& previousTrimming) = 0;
    // Shows the main window's render progress display (before a check-mode run).
    virtual void showRenderProgress() {}
};

// The five commands over the session, the settings, the jobs the engine runs and the three file
// dialog states.
class OutputCommands {
  public:
    OutputCommands(OutputHost& host, Session& session, OutputJobs& jobs);

    // "Save (&S)" (and the render window's "Screen Shot (&S)").
    void saveScreenShot();
    // "Restore Position (&R)".
    void restorePosition();
    // Restores the Position-Info File at path as "Restore Position (&R)" does once its file
    // dialog returned it (a file dropped onto the main window): asks first while a rendering
    // runs, and shows the reader's message for a file it cannot read.
    void restorePositionFrom(const std::string& path);
    // "New (&N)" of the capture menu.
    void newCapture();
    // "Resume (&R)" of the capture menu.
    void resumeCapture();
    // "Make Animated-GIF (&A)".
    void makeAnimatedGif();

    // Takes an engine notification meant for a progress window (NOTIFY_PROGRESS,
    // NOTIFY_CAPTURE_ENDED, NOTIFY_GIF_ENDED); returns whether an open window took it.
    bool notify(NotifyWindow window, int32_t code, int64_t lParam);

    // The dialog states, kept in the settings file as far as it holds them.
    FileDialogState& screenShotState() { return shotState_; }
    FileDialogState& captureState() { return captureState_; }

  private:
    bool busy(const char* question);
    void restoreChosenPosition(const std::string& path);
    int runCapture(int32_t checkMode);
    void finishCapture();
    // Shows text in a "Confirmation" box; with keepNamesWhole, a wrapped line never breaks a
    // double-quoted name.
    void message(const std::string& text, bool warning, bool keepNamesWhole = false);

    OutputHost& host_;
    Session& session_;
    OutputJobs& jobs_;
    FileDialogState shotState_;
    FileDialogState captureState_;
    FileDialogState gifState_;
    CaptureProgressWindow* captureWindow_ = nullptr;
    AnimationProgressWindow* gifWindow_ = nullptr;
};

}  // namespace tavrine
