#pragma once
// A tilt sweep: the face-up stone rendered at evenly spaced tilts about the picture's horizontal
// axis, the figures of each, and their average.

#include <cstdint>
#include <string>
#include <vector>

#include "app/evaluate/figures.h"
#include "app/evaluate/tilt_render.h"

namespace tavrine::evaluate {

// The tilts of a sweep: from -maxDegrees to +maxDegrees in steps of stepDegrees (0 included).
struct TiltRange {
    double maxDegrees = 30.0;
    double stepDegrees = 5.0;
};

// The largest tilt a sweep may reach and the most tilts it may hold.
inline constexpr double kMostTiltDegrees = 90.0;
inline constexpr int32_t kMostTilts = 181;

// Reads "MAX:STEP" (degrees, e.g. "30:5") into range; returns false with the problem in *error
// for another form, a MAX outside 0 to 90, a STEP not above 0 (unless MAX is 0) or more than 181
// tilts.
bool parseTiltRange(const std::string& text, TiltRange& range, std::string* error);

// Returns the tilts of the range in order, -MAX first; each is k * STEP exactly, so 0 is one.
std::vector<double> tiltsOf(const TiltRange& range);

// One row of a sweep: the tilt and the figures of the stone at it.
struct TiltRow {
    double tiltDegrees = 0.0;
    Figures figures;
};

// Reports the progress of a sweep and asks whether to stop it; called on the calling thread.
class SweepObserver {
  public:
    virtual ~SweepObserver() = default;
    // Called before tilt number index (0-based) of count is rendered.
    virtual void tiltStarted(int32_t index, int32_t count) {
        (void)index;
        (void)count;
    }
    // Returns true to stop the sweep before its next row of pixels.
    virtual bool stopRequested() { return false; }
    // Called when tilt number index has been rendered, with its row; the sweep's rows hold it
    // too once the call returns.
    virtual void tiltFinished(int32_t index, const TiltRow& row) {
        (void)index;
        (void)row;
    }
};

// Which of the tilts' pictures a sweep keeps: none, only the face-up one (tilt 0), or every one.
enum class KeptPictures { None, FaceUp, All };

// What a sweep gave: how it ended, its rows (of the tilts completed) and the pictures it was asked
// to keep: none, or one per row (with FaceUp, null but for the face-up row).
struct Sweep {
    RenderStatus status = RenderStatus::Failed;
    std::string error;
    std::vector<TiltRow> rows;
    std::vector<imgctl::DibPtr> pictures;
};

// Renders the scene at every tilt of range and returns the rows, with the pictures `kept` says.
// Stops (RenderStatus::Aborted) when the observer asks, and fails on the first rendering that
// fails.
Sweep sweepTilts(const EvaluationScene& scene, const TiltRange& range, SweepObserver& observer,
                 const RenderExecution& execution = {}, KeptPictures kept = KeptPictures::None);

// Returns the mean brightness of the rows, the tilt-averaged brightness (0 without rows).
double averageBrightness(const std::vector<TiltRow>& rows);

// Returns the rows as CSV: the header "tilt_deg,brightness_percent,dark_percent", then one line
// per row with the figures to two decimals and the tilt to one, or to as many more (up to six)
// as tell it apart from its neighbours (a step of 0.25 gives 0.25, not 0.2), each line ending
// in "\n".
std::string tiltCsv(const std::vector<TiltRow>& rows);

// Returns the text of a tilt in degrees as the CSV writes it: "-30.0", "0.0", "2.25".
std::string tiltText(double tiltDegrees);

// Returns the line that tavrine-render prints for a row, without a line end:
// "tilt -30.0  brightness: 52.11%  dark: 21.30%"; the part from "brightness" on reads as
// --brightness prints the figures of one rendering.
std::string tiltRowText(const TiltRow& row);

}  // namespace tavrine::evaluate
