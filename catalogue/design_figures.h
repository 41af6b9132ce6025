#pragma once
// The figures of one design in the catalogue, and figures.json, the file that keeps them in the
// design's folder.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/evaluate/figures.h"
#include "app/evaluate/tilt_sweep.h"
#include "app/render/render_job.h"
#include "app/session/session.h"
#include "catalogue/catalogue_options.h"
#include "catalogue/design_library.h"
#include "imgctl/imgctl.h"

namespace tavrine::catalogue {

// How a design's run ended.
enum class DesignStatus { Done, Refused };

// What the catalogue tells of a design. A figure that was not computed stays empty: figures.json
// holds null for it and catalogue.csv an empty cell.
struct DesignFigures {
    std::string file;   // the design's file name
    std::string title;  // the first line of its heading, else the file name
    DesignStatus status = DesignStatus::Done;
    std::string reason;                   // why the design was refused; empty when done
    std::optional<int32_t> facets;        // facets of the stone
    std::optional<double> ri;             // the refractive index it is rendered at
    std::optional<double> brightnessIso;  // percent, face up under the ISO lighting
    std::optional<double> brightnessCos;  // percent, face up under the COS lighting
    std::optional<double> tiltAverage;    // percent, the brightness averaged over the tilt sweep
    std::optional<double> dark;           // percent of the stone's face that is dark
    double seconds = 0.0;                 // wall time the design took, outputs included
};

// What the renderings for a design's figures gave: how they ended (and why they failed), the
// face-up figures under ISO and under COS, the tilt sweep under the chosen lighting and the
// face-up picture under it (the sweep's 0 degree row, which is the still).
struct DesignEvaluation {
    RenderStatus status = RenderStatus::Failed;
    std::string error;
    evaluate::Figures iso;
    evaluate::Figures cos;
    std::vector<evaluate::TiltRow> tilts;
    imgctl::DibPtr faceUp;
};

// Renders the figures of the stone the session holds at its render settings and head shadow:
// the tilt sweep of range under lighting (Iso or Cos), whose 0 degree row gives that lighting's
// face-up figures and picture, then the face-up view under the other one. The session's own
// lighting is as it was afterwards. Stops (RenderStatus::Aborted) when observer asks, on the
// calling thread.
DesignEvaluation evaluateDesign(Session& session, Lighting lighting,
                                const evaluate::TiltRange& range, evaluate::SweepObserver& observer,
                                const RenderExecution& execution);

// Returns the figures of design: from the session it was set up in and its completed
// evaluation when it was accepted (the dark area under options.lighting, every percentage to
// hundredths, as tavrine-render prints it), or as refused with reason when session or
// evaluation is null. seconds counts from started to the end of this call.
DesignFigures designFigures(const DesignFile& design, const Session* session,
                            const DesignEvaluation* evaluation, const std::string& reason,
                            const CatalogueOptions& options,
                            std::chrono::steady_clock::time_point started);

// Returns the name of a status as figures.json and catalogue.csv write it: "done" or "refused".
const char* statusName(DesignStatus status);

// Returns figures as the text of figures.json: one JSON object with the keys file, title,
// status, reason, facets, ri, brightness_iso, brightness_cos, tilt_avg, dark and seconds.
std::string figuresJson(const DesignFigures& figures);

// Reads figures.json text back; returns false with error set when it is not such an object (not
// JSON, a key missing or of another type, an unknown status).
bool parseFiguresJson(const std::string& text, DesignFigures& figures, std::string* error);

}  // namespace tavrine::catalogue
