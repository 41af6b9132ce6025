#pragma once
// The figures of one design in the catalogue, and figures.json, the file that keeps them in the
// design's folder.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "app/session/session.h"
#include "catalogue/catalogue_options.h"
#include "catalogue/design_library.h"

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

// Computes the figures of design: from the session it was set up in (rendered at the
// catalogue's options) when it was accepted, or as refused with reason when session is null.
// seconds counts from started to the end of this call.
DesignFigures designFigures(const DesignFile& design, const Session* session,
                            const std::string& reason, const CatalogueOptions& options,
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
