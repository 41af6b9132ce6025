#pragma once
// The session: the process-wide state of one viewer or tavrine-render run (settings, model
// record, orientation states, view-space vertices) and the operations that change it, shared by
// the viewer and the command-line tool.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/evaluate/tilt_render.h"
#include "app/model/gemcad_design.h"
#include "app/model/model_record.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/render/render_settings.h"
#include "app/session/shared_picture.h"
#include "app/settings/settings_file.h"
#include "app/view/orientation.h"
#include "app/view/panel_geometry.h"

namespace tavrine {

// One turn of a key sequence: the key letter (R, L, U, D, X or Z) and how often it is applied.
struct KeyStep {
    char key = 'R';
    int32_t count = 1;
};

// What a sequence of key steps turns: the view (freely or on the turntable, as "GM" says), the
// stone (as the "SY" switch does) or the light ray.
enum class KeyStepTarget { View, Stone, Light };

// The design file opened last: it stays the model list's row kDesignModelIndex until another
// design is opened.
struct OpenDesign {
    std::string path;  // absolute
    GemCadDesign design;
    DesignSummary summary;
    std::unique_ptr<ModelRecord> model;  // the design as built; null until one is opened
};

// The process-wide state. The settings hold the stone panel's choices (stone, model, colour,
// refractive index), the switches, the render and picture settings and the transformable
// parameters; the model record is the model last built from them; the orientation holds the
// view, the stone pose, the light and the "SY" / "GM" switches; the polygon colour is the RGB
// of settings.polygonColour; the trail and the live layer belong to the indicator box. Not
// thread-safe except the render picture: one thread changes the rest at a time, as the engine
// protocol arranges (the window thread only while the engine is idle).
struct Session {
    Settings settings;
    OpenDesign design;
    std::unique_ptr<ModelRecord> model = std::make_unique<ModelRecord>();
    std::vector<Vertex> viewVertices = std::vector<Vertex>(kMaxVertices);
    OrientationState orientation;
    PolygonColour polygonRgb = polygonColour(1);
    SharedPicture renderPicture;
    // The live view's picture of the current view while its full render is not complete (none
    // otherwise); the render area shows it instead of the render picture.
    SharedPicture livePicture;
    ViewPointTrail trail;
    int32_t liveLayer = -1;          // the indicator's live layer: 1 sketch, 2 trail, 3 light, -1
    int32_t previousLiveLayer = -1;  // the live layer of the previous frame
    int32_t drawnFacets = 0;         // facets the preview drew in its last pass
};

// Selects polygon colour |index| (0 to 7; others are clamped) into the settings and takes over
// its RGB; the preview shows it at the next refresh.
void selectPolygonColour(Session& session, int32_t index);

// Chooses entry stone of the stone table: sets the stone and proposes its model, colour and
// refractive index. The model is not rebuilt (call rebuildModel). stone must be in the table.
void chooseStone(Session& session, int32_t stone);

// Chooses model modelIndex (0 to 27, not 22, or kDesignModelIndex once a design is open) for
// the next rebuildModel.
void chooseModel(Session& session, int32_t modelIndex);

// Reads and builds the design file at path, makes it the chosen model and proposes its
// refractive index (when it gives one within 1.00 to 3.00), as choosing a stone proposes one.
// The model record itself changes at the next rebuildModel. On refusal nothing changes and
// error receives the reader's message, which names the file and the line.
bool openDesign(Session& session, const std::string& path, std::string* error);

// Chooses colour colourIndex of the colour list; it takes effect at the next render.
void chooseColour(Session& session, int32_t colourIndex);

// Takes refractive index value, brought into 1.00 to 3.00; it takes effect at the next render.
void chooseRefractiveIndex(Session& session, double value);

// Records the "HQ" switch; it takes effect at the next render.
void chooseHighQuality(Session& session, bool on);

// Records the "SY" (turn the stone) or "GM" (turntable) switch as their buttons set them:
// switching one on switches the other off. The orientation follows separately (setSyOn and
// setGmOn, on the engine's side).
void chooseTurnStone(Session& session, bool on);
void chooseTurntableView(Session& session, bool on);

// The viewer's switches of its menus that the settings file keeps.
enum class ViewerSwitch { ShowTitle, RenderWindowTopMost, LiveRayTrace };

// Records one of the viewer's menu switches.
void chooseViewerSwitch(Session& session, ViewerSwitch which, bool on);

// Chooses the lighting of the renders to come (the "Lighting" of the View menu); the head shadow
// of ISO and COS is the settings' own.
void chooseLighting(Session& session, Lighting lighting);

// Returns the face-up view of the session's stone in its pose: the table towards the viewer
// along the line of sight, and towards the top of the picture the gear's index 0 of a design, or
// a built-in cut's first crown facet.
ViewPose faceUpViewOf(const Session& session);

// Turns the view face-up (faceUpViewOf) with "GM" switched off, since the turntable cannot hold
// that view, and prepares the view; the stone pose and the light stay.
void turnFaceUp(Session& session);

// Returns the scene that evaluateAtTilt renders for the session's stone: its model in its pose,
// its face-up view, the render settings and the light. The model stays the session's: the scene
// is good while the session keeps it.
evaluate::EvaluationScene evaluationSceneOf(const Session& session);

// Takes every setting a Position-Info record holds, as reading a record into the live settings
// does: stone, model, colour, refractive index, the "SY" and "GM" switches ("GM" only without
// "SY"), "HQ", "Fire", backdrop, lights, size mode and width, the four trimming values with
// trimming in force and its check box (also when none is in force), the transformable
// parameters and the frame count. The orientation and the open design are not touched.
void takeRecordSettings(Session& session, const PositionInfo& info);

// Starts at a Position-Info record, as the viewer's start-up from a record and tavrine-render's
// --position do: the design the record names (when it is of a design) is opened first, so that
// the record's own index stays, then its settings are taken (takeRecordSettings). The view,
// stone pose and light follow once the model is built (restoreOrientation). Returns false when
// the design cannot be opened; nothing changes then and error receives the reader's message.
bool startAtPosition(Session& session, const PositionInfo& info, std::string* error);

// Applies a record as Restore Position and a capture's Resume do before they decide the view:
// startAtPosition, then the model rebuilt and turned by the record's stone pose, and the
// switches, the light and the saved position restored; the current view stays. Returns false,
// nothing changed, as startAtPosition does.
bool applyRecord(Session& session, const PositionInfo& info, std::string* error);

// Restores a record as Restore Position does: applyRecord, then the saved position becomes the
// current view (call prepareView before rendering). Returns false, nothing changed, as
// startAtPosition does.
bool restorePosition(Session& session, const PositionInfo& info, std::string* error);

// Builds the chosen model into the model record with the session's transformable parameters;
// the open design for kDesignModelIndex, or the stone's own model when no design is open.
void rebuildModel(Session& session);

// Resets the view for the chosen model (a design's as the brilliant's), and the stone pose and
// light for the current stone, as choosing from the lists does; the switches stay.
void resetView(Session& session);

// Restores the switches, the view, the stone pose and the light of a Position-Info record, as
// Restore Position does: the built model is turned by the stone pose and the saved view becomes
// current. Call once after rebuildModel.
void restoreOrientation(Session& session, const PositionInfo& info);

// Makes the record's saved position the session's saved and current view, the part of
// restoreOrientation the viewer does before the engine applies it.
void takeSavedPosition(Session& session, const PositionInfo& info);

// Switches the turntable view ("GM") on or off for the current model.
void setTurntable(Session& session, bool on);

// Turns the model into view space for the current view and computes the facet normals and
// planes of that view.
void prepareView(Session& session);

// Applies the key steps to the target; the switches are as they were afterwards. View steps
// turn the view also when "SY" is on; stone steps turn the stone also when "SY" is off.
void applyKeySteps(Session& session, const std::vector<KeyStep>& steps, KeyStepTarget target);

// Returns the picture width W: the separate window's width in that mode, else 199.
int32_t renderWidth(const Settings& settings);

// Returns the settings as the settings file keeps them at the end of a run. The file cannot name
// a design, so a design on show is kept as the stone's own cut with the stone's refractive index,
// which the next start then shows; every other setting is kept as it stands.
Settings settingsToKeep(const Session& session);

// Returns the render settings of the session's current choices (colour absorption, refractive
// index and its spread, depth, switches, backdrop, lights, W and its image scale).
RenderSettings renderSettingsOf(const Session& session);

// Returns a fingerprint (never 0) of everything that sets a rendering's pixels: the render
// settings, the model in view space and the light. Two sessions with the same fingerprint render
// the same picture (up to the fingerprint's chance collisions).
uint64_t sceneFingerprint(const Session& session);

// Returns the scene the render job reads: the session's view-space model and light. The
// arrays stay the session's: copy them when the session may change during the render.
RenderScene renderSceneOf(const Session& session);

// Returns the trimming a saved picture gets (none unless trimming is active).
PictureTrimming pictureTrimmingOf(const Session& session);

// Returns the record a screen shot with the Position-Info flag writes for the session.
PositionInfo positionInfoOf(const Session& session);

}  // namespace tavrine
