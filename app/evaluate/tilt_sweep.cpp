#include "app/evaluate/tilt_sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "util/error.h"

namespace tavrine::evaluate {

namespace {

// Reads a whole decimal number of text; false for anything else.
bool readNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

// The count of steps on each side of 0.
int32_t stepsEachSide(const TiltRange& range) {
    if (range.maxDegrees <= 0.0) return 0;
    return static_cast<int32_t>(std::floor(range.maxDegrees / range.stepDegrees + 1e-9));
}

// Hands a sweep's stop request to each rendering.
class RowObserver : public RenderObserver {
  public:
    explicit RowObserver(SweepObserver& sweep) : sweep_(sweep) {}
    bool abortRequested() override { return sweep_.stopRequested(); }

  private:
    SweepObserver& sweep_;
};

}  // namespace

bool parseTiltRange(const std::string& text, TiltRange& range, std::string* error) {
    const size_t colon = text.find(':');
    TiltRange read;
    if (colon == std::string::npos || !readNumber(text.substr(0, colon), read.maxDegrees) ||
        !readNumber(text.substr(colon + 1), read.stepDegrees)) {
        return util::fail(error, "expected MAX:STEP in degrees, e.g. 30:5, not \"" + text + "\"");
    }
    if (read.maxDegrees < 0.0 || read.maxDegrees > kMostTiltDegrees)
        return util::fail(error, "the largest tilt must be 0 to 90 degrees");
    if (read.maxDegrees > 0.0 && read.stepDegrees <= 0.0)
        return util::fail(error, "the step must be above 0 degrees");
    if (read.maxDegrees > 0.0 && 2.0 * std::floor(read.maxDegrees / read.stepDegrees + 1e-9) + 1.0 >
                                     static_cast<double>(kMostTilts)) {
        return util::fail(error, "a sweep holds at most 181 tilts");
    }
    range = read;
    return true;
}

std::vector<double> tiltsOf(const TiltRange& range) {
    const int32_t n = stepsEachSide(range);
    std::vector<double> tilts;
    tilts.reserve(static_cast<size_t>(2 * n + 1));
    for (int32_t k = -n; k <= n; ++k) tilts.push_back(k * range.stepDegrees);
    return tilts;
}

Sweep sweepTilts(const EvaluationScene& scene, const TiltRange& range, SweepObserver& observer,
                 const RenderExecution& execution, KeptPictures kept) {
    Sweep sweep;
    const std::vector<double> tilts = tiltsOf(range);
    RowObserver rowObserver(observer);
    PreparedScene prepared(scene.settings, execution);
    for (size_t i = 0; i < tilts.size(); ++i) {
        observer.tiltStarted(static_cast<int32_t>(i), static_cast<int32_t>(tilts.size()));
        if (observer.stopRequested()) {
            sweep.status = RenderStatus::Aborted;
            return sweep;
        }
        Evaluation e = evaluateAtTilt(prepared, scene, tilts[i], rowObserver);
        if (e.status != RenderStatus::Completed) {
            sweep.status = e.status;
            sweep.error = e.error;
            return sweep;
        }
        sweep.rows.push_back(TiltRow{tilts[i], e.figures});
        if (kept == KeptPictures::All || (kept == KeptPictures::FaceUp && tilts[i] == 0.0)) {
            sweep.pictures.push_back(std::move(e.picture));
        } else if (kept == KeptPictures::FaceUp) {
            sweep.pictures.emplace_back();  // this tilt's picture is let go here
        }
        observer.tiltFinished(static_cast<int32_t>(i), sweep.rows.back());
    }
    sweep.status = RenderStatus::Completed;
    return sweep;
}

double averageBrightness(const std::vector<TiltRow>& rows) {
    if (rows.empty()) return 0.0;
    double sum = 0.0;
    for (const TiltRow& row : rows) sum += row.figures.brightness;
    return sum / static_cast<double>(rows.size());
}

std::string tiltText(double tiltDegrees) {
    // A tilt of -0.0 prints as 0.0; a tilt of a finer step keeps the decimals that make it.
    const double tilt = tiltDegrees == 0.0 ? 0.0 : tiltDegrees;
    char text[64];
    for (int decimals = 1; decimals <= 6; ++decimals) {
        std::snprintf(text, sizeof text, "%.*f", decimals, tilt);
        if (std::fabs(std::strtod(text, nullptr) - tilt) <= 1e-9 * std::max(1.0, std::fabs(tilt)))
            break;
    }
    return text;
}

std::string tiltCsv(const std::vector<TiltRow>& rows) {
    std::string csv = "tilt_deg,brightness_percent,dark_percent\n";
    char figures[64];
    for (const TiltRow& row : rows) {
        std::snprintf(figures, sizeof figures, ",%.2f,%.2f\n", row.figures.brightness,
                      row.figures.darkArea);
        csv += tiltText(row.tiltDegrees) + figures;
    }
    return csv;
}

std::string tiltRowText(const TiltRow& row) {
    char figures[80];
    std::snprintf(figures, sizeof figures, "  brightness: %.2f%%  dark: %.2f%%",
                  row.figures.brightness, row.figures.darkArea);
    return "tilt " + tiltText(row.tiltDegrees) + figures;
}

}  // namespace tavrine::evaluate
