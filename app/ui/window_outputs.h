#pragma once
// The picture outputs as the main window offers them: "Save (&S)" and "Restore Position (&R)" of
// the screen-shot menu (also the "s.shot" button and the render window's "Screen Shot (&S)"),
// and "New (&N)", "Resume (&R)" and "Make Animated-GIF (&A)" of the capture menu. Runs the
// output commands over the main window, the session and the engine's capture and GIF jobs.

#include <cstdint>

#include "app/dialogs/capture/output_commands.h"
#include "app/engine/output_jobs.h"

namespace tavrine::ui {

class WindowPort;
class RenderWindow;
class ViewerEngine;

class WindowOutputs : public OutputHost {
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

    QWidget* ownerWindow() override;
    bool renderBusy() override;
    void postEngine(EngineCommand command, int64_t argument) override;
    void postRestoredPosition() override;
    bool checkRefractiveIndex() override;
    void switchTurnStoneOff() override;
    void showRenderWindow() override;
    bool applyRecord(const PositionInfo& record, const Trimming& previousTrimming) override;
    void showRenderProgress() override;

  private:
    WindowPort& window_;
    Session& session_;
    ViewerEngine& engine_;
    OutputJobs jobs_;
    OutputCommands commands_;
};

}  // namespace tavrine::ui
