#pragma once
// The command line of tavrine-render.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/session/session.h"

namespace tavrine::cli {

// The largest --size: renders only the command line makes (posters, print) may be this big.
inline constexpr int32_t kLargestToolSize = 4096;

// The largest size the viewer renders and a Position-Info File records.
inline constexpr int32_t kLargestRecordSize = 512;

// The output name that stands for standard output.
inline constexpr const char* kStandardOutput = "-";

// One turn of a key sequence: the key letter (R, L, U, D, X or Z) and how often it is applied.
using TurnStep = KeyStep;

// Everything the command line says; unset optionals take the stone's or the file's values.
struct CliOptions {
    bool help = false;
    bool list = false;
    bool version = false;
    bool quiet = false;       // no "wrote FILE" lines
    bool info = false;        // with design: describe the design instead of rendering it
    std::string design;       // a GemCad .asc or .gem file to render instead of a model of the list
    std::string out;          // "-" = standard output
    int32_t formatIndex = 0;  // 1 to 7 as the save dialog's filters; 0 = from the extension
    std::optional<int32_t> stone;
    std::optional<int32_t> model;
    std::optional<int32_t> colour;
    std::optional<double> refractiveIndex;
    std::optional<int32_t> size;
    std::optional<int32_t> depth;
    std::optional<int32_t> highQuality;
    std::optional<int32_t> fire;
    std::optional<std::vector<int32_t>> backdrop;  // R, G, B
    std::optional<std::vector<int32_t>> lights;    // main, back, fill
    std::optional<int32_t> narrow;
    std::optional<int32_t> gm;
    std::optional<Lighting> lighting;
    std::optional<int32_t> headShadow;             // degrees, 0 to 45
    bool faceUp = false;                           // the face-up view before the --turn steps
    bool brightness = false;                       // print the figures of the render
    std::optional<evaluate::TiltRange> tiltSweep;  // the face-up stone's tilts to judge
    std::string tiltCsv;                           // the sweep's rows; "-" = standard output
    std::string tiltPlot;                          // .svg or .png
    std::string tiltStrip;                         // .png
    std::vector<TurnStep> viewTurns;
    std::vector<TurnStep> stoneTurns;
    std::vector<TurnStep> lightTurns;
    std::optional<std::vector<int32_t>> trim;  // top, bottom, left, right
    int32_t threads = 0;                       // 0 = all cores
    bool literal = false;
    std::string exportObj;
    std::string position;
    std::string savePosition;
};

// The outcome of parsing: the options, or a one-line message naming the bad option.
struct ParseResult {
    CliOptions options;
    std::string error;  // empty when the command line is valid
};

// Parses argv (without checks that need the stone table or the picture size, which the render
// command makes once it knows them). Without requireOutput, no --out or --export-obj is needed
// (for commands that write other files); --brightness and --tilt-sweep need neither, as they
// print their figures.
ParseResult parseOptions(const std::vector<std::string>& args, bool requireOutput = true);

// Parses a key sequence such as "L5U3Z2" with the letters allowed; returns false for anything
// else (an unknown letter, a count of 0 or above 100000, more than 1000000 steps in all,
// stray characters).
bool parseTurnSequence(const std::string& text, const std::string& allowedKeys,
                       std::vector<TurnStep>& steps);

// The filter index implied by a file name's extension (.bmp 1, .png 4, .gif 7), or 0.
int32_t formatIndexFromPath(const std::string& path);

// The line printed by --version: the program's name and version.
const char* versionText();

// The usage text printed by --help.
const char* usageText();

}  // namespace tavrine::cli
