#pragma once
// A progress bar on standard error for renders that take longer than about a second.

#include <chrono>
#include <cstdio>

#include "app/render/render_job.h"

namespace tavrine::cli {

// Draws a one-line bar on the given stream once the render has run for a second, and only when
// the stream is a terminal. Called by the render job one call at a time.
class ProgressBar : public RenderObserver {
  public:
    // Shows the bar on `stream` if it is a terminal.
    explicit ProgressBar(std::FILE* stream);

    void renderStarted() override;
    void progress(int32_t percent) override;
    void renderEnded() override;
    // Stops the render when an interrupt arrived (see interrupts.h).
    bool abortRequested() override;

  private:
    void draw(int32_t percent);

    std::FILE* stream_;
    bool terminal_;
    bool shown_ = false;
    int32_t percent_ = 0;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace tavrine::cli
