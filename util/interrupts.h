#pragma once
// Stopping a long job of a program cleanly on Ctrl-C, SIGTERM or SIGHUP: while a guard lives,
// these signals only raise a flag that the job polls once per row or frame, so that it records
// where it got and removes any partial file before the process ends.

namespace tavrine::util {

// Routes SIGINT, SIGTERM and SIGHUP to the interrupt flag while it lives (clearing the flag
// when made) and restores the previous handlers when destroyed. One at a time; main thread.
class InterruptGuard {
  public:
    InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    ~InterruptGuard();
};

// Returns whether one of the signals arrived since the last guard was made.
bool interrupted();

// Returns the exit status that reports the signal that arrived, as shells do: 128 + its number
// (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP); 130 when none did.
int interruptExitCode();

// Makes a write beyond the file size limit (ulimit -f) fail with "File too large" instead of
// killing the process, so that the writer can remove its partial file and say why.
void ignoreFileSizeSignal();

}  // namespace tavrine::util
