#include "cli/progress_bar.h"

#include <unistd.h>

#include "util/interrupts.h"

namespace tavrine::cli {

namespace {
constexpr int kBarWidth = 40;
constexpr auto kShowAfter = std::chrono::seconds(1);
}  // namespace

ProgressBar::ProgressBar(std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) != 0) {}

void ProgressBar::renderStarted() { start_ = std::chrono::steady_clock::now(); }

void ProgressBar::progress(int32_t percent) {
    percent_ = percent;
    if (!terminal_) return;
    if (!shown_ && std::chrono::steady_clock::now() - start_ < kShowAfter) return;
    shown_ = true;
    draw(percent);
}

void ProgressBar::renderEnded() {
    if (!shown_) return;
    draw(percent_);
    std::fputc('\n', stream_);
    std::fflush(stream_);
}

bool ProgressBar::abortRequested() { return util::interrupted(); }

void ProgressBar::draw(int32_t percent) {
    const int filled = percent * kBarWidth / 100;
    std::fputs("\rrendering [", stream_);
    for (int i = 0; i < kBarWidth; ++i) std::fputc(i < filled ? '#' : '.', stream_);
    std::fprintf(stream_, "] %3d%%", percent);
    std::fflush(stream_);
}

}  // namespace tavrine::cli
