#pragma once
// An engine side that does nothing: the window works, the boxes stay black. Used where no
// worker threads may run (tests, and a viewer built without the engine).

#include "app/ui/viewer_engine.h"

namespace tavrine::ui {

class NullEngine : public ViewerEngine {
  public:
    void prepare(QWidget*, QWidget*, QWidget*) override {}
    void start() override {}
    void shutdown() override {}
    void post(EngineCommand, int64_t) override {}
    void stopTurning() override {}
    void pauseKeys() override {}
    void resumeKeys() override {}
    void setHeldKeys(const HeldKeys&) override {}
    bool isIdle() override { return true; }
    void resetIdle() override {}
    bool waitIdle(int) override { return true; }
    void resetViewAndLight() override {}
    void turnFaceUp() override {}
    void setTurnStone(bool) override {}
    void setTurntableView(bool) override {}
    void selectPolygonColour(int) override {}
    void showTrail(bool) override {}
    void setRenderWindow(QWidget*) override {}
    void replaceRenderPicture(int) override {}
    void paintBoxes(QPainter&, const QRect&) override {}
};

}  // namespace tavrine::ui
