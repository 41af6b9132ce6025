#include "app/engine/start_up.h"

#include "app/engine/turning.h"

namespace tavrine {

namespace {

// Start-up does not pause between its steps.
class NoSleep : public Sleeper {
  public:
    void sleepMs(int32_t) override {}
};

}  // namespace

bool startUpSession(Session& session, PanelDrawing& drawing, NotificationSink& sink,
                    const SettingsLocations& locations) {
    session.settings = defaultSettings(locations.screenShotFolder, locations.captureFolder);
    const bool read = readSettings(locations.settingsFile, session.settings);

    // The preview's fixed drawing data: the indicator background is drawn once.
    drawing.drawBackground();

    selectPolygonColour(session, session.settings.polygonColour);
    session.orientation.syOn = session.settings.turnStone != 0;
    session.orientation.gmOn = session.settings.turntableView != 0 && !session.orientation.syOn;

    // The stored model, its first view and light, drawn once on this thread.
    rebuildModel(session);
    resetView(session);
    NoSleep noSleep;
    TurningModel(session, drawing, sink, noSleep).refreshView();
    return read;
}

}  // namespace tavrine
