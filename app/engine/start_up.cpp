#include "app/engine/start_up.h"

#include "app/engine/turning.h"

namespace tavrine {

bool readStartUpSettings(Session& session, const SettingsLocations& locations) {
    session.settings = defaultSettings(locations.screenShotFolder, locations.captureFolder);
    return readSettings(locations.settingsFile, session.settings);
}

void startUpSession(Session& session, PanelDrawing& drawing, NotificationSink& sink,
                    const PositionInfo* startAt) {
    // The preview's fixed drawing data: the indicator background is drawn once.
    drawing.drawBackground();

    selectPolygonColour(session, session.settings.polygonColour);
    session.orientation.syOn = session.settings.look.turnStone != 0;
    session.orientation.gmOn =
        session.settings.look.turntableView != 0 && !session.orientation.syOn;

    // The stored model, its first view and light, drawn once on this thread without pauses.
    rebuildModel(session);
    NoSleep noSleep;
    TurningModel turning(session, drawing, sink, noSleep);
    if (startAt != nullptr) {
        // The saved view becomes current as it is, as Restore Position makes it.
        restoreOrientation(session, *startAt);
        const OrientationState& o = session.orientation;
        drawing.drawLightRay(o.lightAngles, o.lightDirection);
        drawing.drawModelSketch(*session.model);
        drawing.clearComposition();
        turning.applyRestoredPosition();
    } else {
        resetView(session);
        turning.refreshView();
    }
}

}  // namespace tavrine
