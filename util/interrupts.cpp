#include "util/interrupts.h"

#include <csignal>

namespace tavrine::util {

namespace {

// The signal that asked the job to stop, or 0.
volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void onInterrupt(int signal) { interruptSignal = signal; }

constexpr int kGuardedSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kGuardedCount = sizeof kGuardedSignals / sizeof kGuardedSignals[0];

struct sigaction previousActions[kGuardedCount];

}  // namespace

InterruptGuard::InterruptGuard() {
    interruptSignal = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kGuardedCount; ++i) {
        sigaction(kGuardedSignals[i], &action, &previousActions[i]);
    }
}

InterruptGuard::~InterruptGuard() {
    for (int i = 0; i < kGuardedCount; ++i) {
        sigaction(kGuardedSignals[i], &previousActions[i], nullptr);
    }
}

bool interrupted() { return interruptSignal != 0; }

int interruptExitCode() { return 128 + (interruptSignal != 0 ? interruptSignal : SIGINT); }

void ignoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace tavrine::util
