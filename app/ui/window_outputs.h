#pragma once
// The picture outputs as the main window offers them: "Save (&S)" and "Restore Position (&R)" of
// the screen-shot menu (also the "s.shot" button and the render window's "Screen Shot (&S)"),
// "New (&N)", "Resume (&R)" and "Make Animated-GIF (&A)" of the capture menu, and "Tilt
// Performance... (&T)" of the View menu. Runs the output commands over the main window, the
// session and the engine's capture, GIF and tilt-sweep jobs.

#include <QPointer>
#include <QString>
#include <cstdint>

#include "app/dialogs/capture/output_commands.h"
#include "app/engine/output_jobs.h"
#include "app/ui/tilt_window.h"

namespace tavrine::ui {

class WindowPort;
class RenderWindow;
class ViewerEngine;

class WindowOutputs : public OutputHost, public TiltSweepHost {
  public:
    // Connects the engine's capture and GIF jobs (before the engine starts), enables the menu
    // items and the render window's item and takes the progress windows' notifications. The
    // session is the engine's; its settings are the window's.
    WindowOutputs(WindowPort& window, Session& session, ViewerEngine& engine);

    // Runs the output command of a menu item; returns false for any other command id.
    bool run(int32_t commandId);
    // Enables the "Screen Shot (&S)" item of a (new) render window and forwards it.
    void attachRenderWindow(RenderWindow* renderWindow);

    OutputCommands& commands() { return commands_; }
    OutputJobs& jobs() { return jobs_; }
    // Opens the Tilt Performance window over the current stone and starts its sweep; while a
    // rendering runs it asks to stop it instead.
    void openTiltPerformance();
    // Returns the open Tilt Performance window, or nullptr.
    TiltPerformanceWindow* tiltWindow() const { return tiltWindow_.data(); }

    QWidget* ownerWindow() override;
    bool renderBusy() override;
    void postEngine(EngineCommand command, int64_t argument) override;
    void postRestoredPosition() override;
    bool checkRefractiveIndex() override;
    void switchTurnStoneOff() override;
    void showRenderWindow() override;
    bool applyRecord(const PositionInfo& record, const Trimming& previousTrimming) override;
    void showRenderProgress() override;

    bool startTiltSweep(const evaluate::TiltRange& range) override;
    void stopTiltSweep() override;
    const evaluate::Sweep& tiltSweep() const override { return jobs_.tilt.sweep; }

  private:
    // Names the stone, cut, colour, index and lighting the window judges.
    QString tiltSubject() const;

    WindowPort& window_;
    Session& session_;
    ViewerEngine& engine_;
    OutputJobs jobs_;
    OutputCommands commands_;
    QPointer<TiltPerformanceWindow> tiltWindow_;
};

}  // namespace tavrine::ui
