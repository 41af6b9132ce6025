// Measures the live ray-traced view on the engine thread as the viewer runs it: the Diamond's
// brilliant in the default view (199 x 199, Fire, depth 8), the viewer's pictures, the real
// sleeper and the given turn delay. Holds a turn for a few seconds and counts the turn frames and
// the coarse live pictures shown per second, with the live view off and on; then lets go and times
// how long the full picture of the last view takes to appear.
//
// With a width, the pictures go to the separate render window at that width instead.
//
// Usage: tavrine-live-view [SECONDS] [TURN_DELAY_MS] [WIDTH]   (defaults 4 and 50, the render area)

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "app/engine/engine.h"
#include "app/ui/pictures/panel_pictures.h"
#include "app/view/keyboard_mapping.h"

namespace {

using namespace tavrine;
using Clock = std::chrono::steady_clock;

// Counts the turn frames (one repaint of the turn strip each).
class FrameCountingSink : public NullNotificationSink {
  public:
    void invalidate(const PanelRect& rect) override {
        if (rect.left == kTurnStrip.left && rect.right == kTurnStrip.right) ++turnFrames;
    }
    std::atomic<int64_t> turnFrames{0};
};

void measure(bool live, double seconds, int32_t turnDelay, int32_t width) {
    Session session;
    chooseStone(session, 0);
    rebuildModel(session);
    resetView(session);
    prepareView(session);
    session.settings.turnDelay = turnDelay;
    if (width > 0) {
        session.settings.look.sizeMode = 1;
        session.settings.look.imageWidth = width;
    }
    session.settings.liveRayTrace = live ? 1 : 0;
    PanelPictures pictures;
    pictures.drawBackground();
    FrameCountingSink sink;
    Engine engine(session, sink, pictures);
    engine.setQuickStart(true);
    if (!engine.start()) {
        std::fprintf(stderr, "cannot start the engine thread\n");
        std::exit(1);
    }
    engine.queue().post(MSG_ENGINE_COMMAND, static_cast<int64_t>(EngineCommand::TurnWhileHeld),
                        kTurnViewLeftId);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double held = std::chrono::duration<double>(Clock::now() - start).count();
    const int64_t frames = sink.turnFrames;
    const int64_t coarse = engine.liveView().coarseShown();
    const auto letGo = Clock::now();
    engine.queue().post(MSG_STOP_TURNING);
    double toFull = -1.0;
    if (live) {
        while (engine.liveView().fullShown() == 0 &&
               Clock::now() - letGo < std::chrono::seconds(10)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        toFull = std::chrono::duration<double, std::milli>(Clock::now() - letGo).count();
    }
    engine.stop();
    engine.join();
    std::printf("live view %-3s turn delay %3d ms: %6.1f turn frames/s, %6.1f live frames/s",
                live ? "on" : "off", turnDelay, frames / held, coarse / held);
    if (live) std::printf(", full picture %.1f ms after letting go", toFull);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
    const int32_t delay = argc > 2 ? std::atoi(argv[2]) : 50;
    const int32_t width = argc > 3 ? std::atoi(argv[3]) : 0;
    measure(false, seconds, delay, width);
    measure(true, seconds, delay, width);
    return 0;
}
