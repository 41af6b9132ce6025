// Times one frame of the hold-to-turn loop (turn step, view space with facet planes, surface-model
// preview, trail, indicator composition) for the Diamond's brilliant and the 60 hedron, with the
// Qt pictures the viewer uses. Prints the best of three runs per model.
//
// Usage: tavrine-turning-frame [FRAMES] [--save DIR]   (DIR gets the last frame's pictures)

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/engine/engine_ids.h"
#include "app/engine/turning.h"
#include "app/ui/pictures/panel_pictures.h"
#include "app/view/keyboard_mapping.h"

namespace {

using namespace tavrine;

// Ends the turn loop after a number of frames, without sleeping.
class FrameCounter : public Sleeper {
  public:
    FrameCounter(ThreadQueue& queue, int32_t frames) : queue_(queue), frames_(frames) {}
    void sleepMs(int32_t) override {
        if (++done_ == frames_) queue_.post(MSG_STOP_TURNING);
    }

  private:
    ThreadQueue& queue_;
    int32_t frames_;
    int32_t done_ = 0;
};

double timeFrames(Session& session, PanelPictures& pictures, int32_t frames) {
    NullNotificationSink sink;
    ThreadQueue queue;
    FrameCounter counter(queue, frames);
    TurningModel turning(session, pictures, sink, counter);
    ThreadMessage record;
    const auto start = std::chrono::steady_clock::now();
    turning.turnWhileHeld(kTurnViewLeftId, queue, record);
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / frames;
}

}  // namespace

int main(int argc, char** argv) {
    int32_t frames = 500;
    std::string saveDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--save") == 0 && i + 1 < argc) {
            saveDir = argv[++i];
        } else {
            frames = std::max(1, std::atoi(argv[i]));
        }
    }
    struct Case {
        const char* name;
        int32_t stone;
        int32_t model;
    };
    const Case cases[] = {{"Diamond, BrilliantCut (R)", 0, 0}, {"Glass, 60 hedron", 6, 15}};
    for (const Case& c : cases) {
        Session session;
        chooseStone(session, c.stone);
        chooseModel(session, c.model);
        rebuildModel(session);
        resetView(session);
        PanelPictures pictures;
        pictures.drawBackground();
        {
            NullNotificationSink sink;
            ThreadQueue unused;
            FrameCounter none(unused, 0);
            TurningModel(session, pictures, sink, none).refreshView();
        }
        double best = 1e30;
        for (int run = 0; run < 3; ++run)
            best = std::min(best, timeFrames(session, pictures, frames));
        std::printf("%-28s %4d facets  %8.1f us per frame (best of 3 x %d frames)\n", c.name,
                    session.model->facetCount, best, frames);
        if (!saveDir.empty()) {
            const std::string base = saveDir + "/" + std::to_string(c.model);
            pictures.preview().frame().save(QString::fromStdString(base + "-preview.png"));
            pictures.indicator().frame().save(QString::fromStdString(base + "-indicator.png"));
        }
    }
    return 0;
}
