#pragma once
// The scene request: what a headless door (tavrine-render, the catalogue) asks the session to
// show, and the one operation that turns it into a scene in the order the viewer's user would
// set it up before pressing "ray-trace".

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/output/position_info.h"
#include "app/session/session.h"

namespace tavrine {

// The picture width of a scene that names none: the size dialog's default.
inline constexpr int32_t kDefaultSceneWidth = 270;

// A scene to set up; every unset part keeps the record's value, else the stone's proposal, else
// the default setting. Values are in their ranges (the door checks them).
struct SceneRequest {
    // A position to start at: its settings first, and its view, stone pose and light unless a
    // stone, a cut or a design is chosen below, which resets them as the lists do.
    std::optional<PositionInfo> record;
    std::optional<int32_t> stone;   // the stone (0 without a record); proposes cut, colour, index
    std::optional<int32_t> model;   // a cut of the list
    std::string design;             // a GemCad design file instead of a cut ("" for none)
    std::optional<int32_t> colour;  // the colour list's entry
    std::optional<double> refractiveIndex;
    std::optional<int32_t> width;                    // the picture width; the record's, else 270
    std::optional<int32_t> depth;                    // the recursion depth
    std::optional<int32_t> highQuality;              // "HQ", 0/1
    std::optional<int32_t> fire;                     // "Fire", 0/1
    std::optional<std::array<int16_t, 3>> backdrop;  // red, green, blue
    std::optional<std::array<int32_t, 3>> lights;    // main, back, fill in percent
    std::optional<int32_t> narrowHighlight;          // 0/1
    std::optional<Trimming> trimming;                // of saved pictures; all 0 for none
    std::optional<bool> turntable;                   // the "GM" switch
    std::optional<Lighting> lighting;                // Studio, ISO or COS
    std::optional<int32_t> headShadow;               // ISO and COS: degrees, 0 to 45
    bool faceUp = false;  // the face-up view (turnFaceUp) before the key steps; "GM" goes off
    std::vector<KeyStep> viewSteps;
    std::vector<KeyStep> stoneSteps;
    std::vector<KeyStep> lightSteps;
};

// Why a scene could not be set up.
enum class SceneProblem {
    None,
    RecordDesign,  // the design the record names cannot be opened
    Design,        // the requested design cannot be opened
    Trimming,      // the trimming leaves no picture at the width
};

// The outcome of setUpScene: a problem and its message (the reader's, naming file and line, or
// the widths involved), or none.
struct SceneResult {
    SceneProblem problem = SceneProblem::None;
    std::string message;
    bool ok() const { return problem == SceneProblem::None; }
};

// Sets the session (a fresh one) up as request says, always rendering as the separate render
// window does: the record (its design opened first), the stone, the cut or design, colour,
// index, size, switches, backdrop, lights, lighting and trimming; then the model is built, the
// view restored from the record or reset, the turntable switch set, the view prepared (turned
// face-up when asked) and the key steps applied (view, stone, light) and the view prepared again.
// On a problem the session is left half set up and is not to be rendered.
SceneResult setUpScene(Session& session, const SceneRequest& request);

}  // namespace tavrine
