#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "app/plot/plot_names.h"
#include "app/render/picture_formats.h"
#include "app/settings/value_ranges.h"

namespace tavrine::cli {

namespace {

// The options that take no value.
constexpr const char* kFlags[] = {"--help",    "-h",     "--list",    "--literal",   "--quiet",
                                  "--version", "--info", "--face-up", "--brightness"};

bool parseInt(const std::string& text, int32_t& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return false;
    if (std::isspace(static_cast<unsigned char>(text[0]))) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool parseDouble(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !(v == v)) return false;
    value = v;
    return true;
}

bool parseIntList(const std::string& text, size_t count, int32_t lo, int32_t hi,
                  std::vector<int32_t>& values) {
    values.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        int32_t v = 0;
        if (!parseInt(item, v) || v < lo || v > hi) return false;
        values.push_back(v);
    }
    return values.size() == count && text.back() != ',';
}

std::string rangeError(const std::string& option, const std::string& allowed,
                       const std::string& got) {
    // A value of thousands of characters is shown by its start only.
    const std::string shown = got.size() > 60 ? got.substr(0, 57) + "..." : got;
    return option + " must be " + allowed + " (got '" + shown + "')";
}

}  // namespace

bool parseTurnSequence(const std::string& text, const std::string& allowedKeys,
                       std::vector<TurnStep>& steps) {
    steps.clear();
    int64_t total = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (allowedKeys.find(key) == std::string::npos) return false;
        ++i;
        size_t digitsEnd = i;
        while (digitsEnd < text.size() && std::isdigit(static_cast<unsigned char>(text[digitsEnd])))
            ++digitsEnd;
        int32_t count = 1;
        if (digitsEnd > i) {
            if (digitsEnd - i > 6) return false;
            count = std::atoi(text.substr(i, digitsEnd - i).c_str());
            if (!ranges::kTurnCount.contains(count)) return false;
        }
        // The work is bounded by the argument's length, never by the numbers in it.
        total += count;
        if (total > ranges::kMaxTurnStepsPerOption) return false;
        steps.push_back({key, count});
        i = digitsEnd;
    }
    return true;
}

int32_t formatIndexFromPath(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return 0;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "bmp") return 1;
    if (ext == "png") return 4;
    if (ext == "gif") return 7;
    return 0;
}

ParseResult parseOptions(const std::vector<std::string>& args, bool requireOutput) {
    ParseResult result;
    CliOptions& o = result.options;
    auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        // "--option=value" is the same as "--option value".
        std::optional<std::string> attached;
        const size_t equals = arg.find('=');
        if (arg.rfind("--", 0) == 0 && equals != std::string::npos) {
            attached = arg.substr(equals + 1);
            arg.resize(equals);
            if (std::find(std::begin(kFlags), std::end(kFlags), arg) != std::end(kFlags)) {
                return fail(arg + " takes no value (got '" + args[i] + "')");
            }
        }
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        if (arg == "--list") {
            o.list = true;
            continue;
        }
        if (arg == "--literal") {
            o.literal = true;
            continue;
        }
        if (arg == "--info") {
            o.info = true;
            continue;
        }
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (arg == "--version") {
            o.version = true;
            continue;
        }
        if (arg == "--face-up") {
            o.faceUp = true;
            continue;
        }
        if (arg == "--brightness") {
            o.brightness = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) return fail("unexpected argument '" + arg + "'");
        static const char* const valued[] = {
            "--out",        "--format",        "--stone",     "--model",     "--colour",
            "--ri",         "--size",          "--depth",     "--hq",        "--fire",
            "--backdrop",   "--lights",        "--narrow",    "--gm",        "--turn",
            "--stone-turn", "--light-turn",    "--trim",      "--threads",   "--export-obj",
            "--position",   "--save-position", "--design",    "--lighting",  "--head-shadow",
            "--tilt-sweep", "--tilt-csv",      "--tilt-plot", "--tilt-strip"};
        if (std::find(std::begin(valued), std::end(valued), arg) == std::end(valued)) {
            return fail("unknown option " + arg + " (see --help)");
        }
        if (!attached && i + 1 >= args.size()) return fail(arg + " needs a value (see --help)");
        const std::string& value = attached ? *attached : args[++i];
        int32_t n = 0;
        double d = 0.0;
        auto intIn = [&](int32_t lo, int32_t hi) {
            return parseInt(value, n) && n >= lo && n <= hi;
        };
        auto range = [&](int32_t lo, int32_t hi) {
            return "an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
        };

        if (arg == "--out") {
            if (value.empty()) return fail("--out must name a file");
            o.out = value;
        } else if (arg == "--format") {
            o.formatIndex = pictureFormatByName(value);
            if (o.formatIndex == 0) {
                return fail(
                    rangeError(arg, "one of bmp24, bmp16, bmp8, png24, png16, png8, gif", value));
            }
        } else if (arg == "--stone") {
            if (!intIn(ranges::kStone.low, ranges::kStone.high)) {
                return fail(rangeError(arg, range(ranges::kStone.low, ranges::kStone.high), value));
            }
            o.stone = n;
        } else if (arg == "--model") {
            if (!parseInt(value, n) || !models::isChoosable(n)) {
                return fail(rangeError(arg, "an integer from 0 to 21 or 23 to 27", value));
            }
            o.model = n;
        } else if (arg == "--colour") {
            if (!intIn(ranges::kColour.low, ranges::kColour.high)) {
                return fail(
                    rangeError(arg, range(ranges::kColour.low, ranges::kColour.high), value));
            }
            o.colour = n;
        } else if (arg == "--ri") {
            if (!parseDouble(value, d) || !ranges::kRefractiveIndex.contains(d)) {
                return fail(rangeError(arg, "a number from 1.00 to 3.00", value));
            }
            o.refractiveIndex = d;
        } else if (arg == "--size") {
            if (!intIn(32, kLargestToolSize)) {
                return fail(rangeError(arg, range(32, kLargestToolSize), value));
            }
            o.size = n;
        } else if (arg == "--depth") {
            const IntRange& depth = ranges::kRecursionDepth;
            if (!intIn(depth.low, depth.high)) {
                return fail(rangeError(arg, range(depth.low, depth.high), value));
            }
            o.depth = n;
        } else if (arg == "--hq" || arg == "--fire" || arg == "--narrow" || arg == "--gm") {
            if (!intIn(ranges::kFlag.low, ranges::kFlag.high)) {
                return fail(rangeError(arg, "0 or 1", value));
            }
            if (arg == "--hq") o.highQuality = n;
            if (arg == "--fire") o.fire = n;
            if (arg == "--narrow") o.narrow = n;
            if (arg == "--gm") o.gm = n;
        } else if (arg == "--lighting") {
            if (value == "studio") {
                o.lighting = Lighting::Studio;
            } else if (value == "iso") {
                o.lighting = Lighting::Iso;
            } else if (value == "cos") {
                o.lighting = Lighting::Cos;
            } else {
                return fail(rangeError(arg, "one of studio, iso, cos", value));
            }
        } else if (arg == "--head-shadow") {
            const IntRange& shadow = ranges::kHeadShadow;
            if (!intIn(shadow.low, shadow.high)) {
                return fail(rangeError(arg, range(shadow.low, shadow.high) + " degrees", value));
            }
            o.headShadow = n;
        } else if (arg == "--tilt-sweep") {
            evaluate::TiltRange tilts;
            std::string problem;
            if (!evaluate::parseTiltRange(value, tilts, &problem)) {
                return fail("--tilt-sweep: " + problem);
            }
            o.tiltSweep = tilts;
        } else if (arg == "--tilt-csv" || arg == "--tilt-plot" || arg == "--tilt-strip") {
            if (value.empty()) return fail(arg + " must name a file");
            const plot::PlotFormat format = plot::plotFormatOf(value);
            if (arg == "--tilt-plot" && format == plot::PlotFormat::Unknown) {
                return fail(rangeError(arg, "a file ending in .svg or .png", value));
            }
            if (arg == "--tilt-strip" && format != plot::PlotFormat::Png) {
                return fail(rangeError(arg, "a file ending in .png", value));
            }
            (arg == "--tilt-csv"    ? o.tiltCsv
             : arg == "--tilt-plot" ? o.tiltPlot
                                    : o.tiltStrip) = value;
        } else if (arg == "--backdrop") {
            std::vector<int32_t> v;
            if (!parseIntList(value, 3, ranges::kBackdropChannel.low, ranges::kBackdropChannel.high,
                              v)) {
                return fail(rangeError(arg, "R,G,B with each from 0 to 255", value));
            }
            o.backdrop = v;
        } else if (arg == "--lights") {
            std::vector<int32_t> v;
            if (!parseIntList(value, 3, ranges::kMainLight.low, ranges::kMainLight.high, v)) {
                return fail(rangeError(arg, "M,B,F with each from 0 to 200", value));
            }
            o.lights = v;
        } else if (arg == "--turn" || arg == "--stone-turn") {
            if (!parseTurnSequence(value, "RLUDXZ", arg == "--turn" ? o.viewTurns : o.stoneTurns)) {
                return fail(rangeError(arg,
                                       "letters R, L, U, D, X, Z, each optionally followed by a "
                                       "count from 1 to 100000, at most 1000000 steps in all "
                                       "(like L5U3Z2)",
                                       value));
            }
        } else if (arg == "--light-turn") {
            if (!parseTurnSequence(value, "RLUD", o.lightTurns)) {
                return fail(rangeError(arg,
                                       "letters R, L, U, D, each optionally followed by a count "
                                       "from 1 to 100000, at most 1000000 steps in all (like "
                                       "R5U3)",
                                       value));
            }
        } else if (arg == "--trim") {
            std::vector<int32_t> v;
            if (!parseIntList(value, 4, 0, kLargestToolSize - 1, v)) {
                return fail(rangeError(
                    arg, "T,B,L,R with each from 0 to " + std::to_string(kLargestToolSize - 1),
                    value));
            }
            o.trim = v;
        } else if (arg == "--threads") {
            if (!intIn(ranges::kThreads.low, ranges::kThreads.high)) {
                return fail(
                    rangeError(arg, range(ranges::kThreads.low, ranges::kThreads.high), value));
            }
            o.threads = n;
        } else if (arg == "--export-obj") {
            if (value.empty()) return fail("--export-obj must name a file");
            o.exportObj = value;
        } else if (arg == "--position") {
            if (value.empty()) return fail("--position must name a file");
            o.position = value;
        } else if (arg == "--design") {
            if (value.empty()) return fail("--design must name a file");
            o.design = value;
        } else if (arg == "--save-position") {
            if (value.empty()) return fail("--save-position must name a file");
            o.savePosition = value;
        }
    }

    if (o.help || o.list || o.version) return result;
    if (!o.design.empty() && o.model) {
        return fail("--design and --model each choose the stone's shape: give one of them");
    }
    if (o.info) {
        if (o.design.empty()) return fail("--info describes a design: give --design FILE");
        return result;
    }
    if (o.faceUp && o.gm && *o.gm != 0) {
        return fail(
            "--face-up and --gm 1 do not go together: the turntable cannot hold the "
            "face-up view");
    }
    const std::pair<const char*, const std::string*> tiltFiles[] = {
        {"--tilt-csv", &o.tiltCsv}, {"--tilt-plot", &o.tiltPlot}, {"--tilt-strip", &o.tiltStrip}};
    for (const auto& [option, file] : tiltFiles) {
        if (!file->empty() && !o.tiltSweep) {
            return fail(std::string(option) + " writes a tilt sweep: give --tilt-sweep MAX:STEP");
        }
    }
    if (requireOutput && o.out.empty() && o.exportObj.empty() && !o.brightness && !o.tiltSweep) {
        return fail(
            "--out FILE is required (or --export-obj FILE, --brightness or --tilt-sweep; see "
            "--help)");
    }
    if (!o.savePosition.empty() && o.out.empty()) {
        return fail("--save-position needs --out: it records the render it makes");
    }
    if (!o.savePosition.empty() && o.size && *o.size > kLargestRecordSize) {
        return fail("--save-position records sizes up to " + std::to_string(kLargestRecordSize) +
                    " only: a Position-Info File cannot hold --size " + std::to_string(*o.size));
    }
    if (o.out == kStandardOutput && o.formatIndex == 0) {
        o.formatIndex = static_cast<int32_t>(PictureFormat::Png24);
    }
    if (!o.out.empty() && o.formatIndex == 0) {
        o.formatIndex = formatIndexFromPath(o.out);
        if (o.formatIndex == 0) {
            return fail(
                "--format must be given when --out does not end in .bmp, .png or .gif "
                "(got '" +
                o.out + "')");
        }
    }
    return result;
}

const char* versionText() { return "tavrine-render " TAVRINE_VERSION "\n"; }

const char* usageText() {
    return R"(Usage: tavrine-render --out FILE [options]
Renders a faceted gemstone by ray tracing and saves the picture.
Every option taking a value may also be written --option=value.

Output:
  --out FILE              picture to write; - writes it to standard output
  --format NAME           bmp24|bmp16|bmp8|png24|png16|png8|gif
                          (default: from the extension .bmp, .png or .gif; png24 for -)
  --trim T,B,L,R          cut T, B, L, R pixels off the top, bottom, left and right edges
  --export-obj FILE       also write the model as a Wavefront OBJ file (alone: no render;
                          - writes it to standard output)
  --save-position FILE    write the Position-Info File (.gpi) of this render (size up to 512)
  --position FILE         render what a Position-Info File (.gpi) describes; the options
                          given with it override the file
Stone:
  --stone N               0 Diamond, 1 Sapphire, 2 Emerald, 3 Topaz, 4 Tavrine, 5 Crystal,
                          6 Glass, 7 Mandarin T. (default 0); sets model, colour, index, spread
  --model N               0..21 or 23..27 (default: the stone's; see --list)
  --design FILE           a GemCad design (.asc or .gem) instead of a model of the list; its
                          refractive index is proposed as a stone's is
  --info                  with --design: print the design's heading, symmetry, index and
                          facets per tier instead of rendering
  --colour N              0..10 (default: the stone's)
  --ri X                  refractive index 1.00..3.00 (default: the stone's)
Picture:
  --size W                width and height in pixels, 32..4096 (default 270); the viewer
                          and a Position-Info File go up to 512
  --depth N               recursion depth 1..20 (default 8)
  --hq 0|1                render at twice the size and shrink (default 0)
  --fire 0|1              dispersion, three indexes per pixel (default 1)
  --backdrop R,G,B        backdrop colour, 0..255 each (default 0,0,0)
  --lights M,B,F          main, back and fill light in percent, 0..200 each (default 100,100,100)
  --narrow 0|1            narrow main-light highlight (default 0)
  --lighting NAME         studio (the lights and backdrop above, default), iso (an even dome
                          of light on the viewer's side) or cos (that dome brightest overhead)
  --head-shadow DEG       with iso and cos: the viewer's head shadow, the cone of DEG degrees
                          about the line of sight that gets no light, 0..45 (default 10, 0 none)
View:
  --turn SEQ              view key steps, e.g. L5U3Z2 (R, L, U, D, X, Z; each step pi/64)
  --gm 0|1                turntable mode: --turn steps azimuth and elevation with R, L,
                          U, D; X and Z turn nothing there (default 0)
  --stone-turn SEQ        the same letters, turning the stone itself
  --light-turn SEQ        R, L, U, D, turning the light ray
  --face-up               look straight down onto the table, the design's index 0 (a built-in
                          cut's first crown facet) at the top; --turn then starts from there
Figures:
  --brightness            print "brightness: B%  dark: D%" after rendering: the mean light
                          (0.2126 R + 0.7152 G + 0.0722 B, 100% = white) of the pixels that
                          show the stone, and the share of them darker than 25%; without
                          --out no picture is written (with --out - the line goes to
                          standard error)
  --tilt-sweep MAX:STEP   tilt the face-up stone about the picture's horizontal axis from
                          -MAX to +MAX degrees in steps of STEP (e.g. 30:5; MAX 0..90, at
                          most 181 tilts; positive: the top of the stone away from the
                          viewer), the lighting staying with the viewer, and print each
                          tilt's figures as --brightness does, then the tilt-averaged
                          brightness; --turn does not move the sweep, which starts face-up
  --tilt-csv FILE         with --tilt-sweep: write its rows as CSV, the header
                          tilt_deg,brightness_percent,dark_percent first (- writes them to
                          standard output and the figures' lines to standard error)
  --tilt-plot FILE        with --tilt-sweep: draw brightness and dark area against tilt,
                          the face-up value marked, into FILE.svg or FILE.png (800 x 500)
  --tilt-strip FILE       with --tilt-sweep: lay the tilts' pictures side by side, each at
                          most 128 pixels wide, tilt and brightness under each, in FILE.png
Running:
  --threads N             worker threads (default: all cores)
  --literal               trace every ray with the exported reference tracer (same pixels)
  --quiet                 print no "wrote FILE" lines
  --list                  print the stone, colour and model tables
  -h, --help              print this text
  --version               print the program's name and version
Files: a regular file is replaced whole (written beside it, synced, then renamed; its mode
is kept; other hard links to it keep the old contents); a symbolic link is followed and
stays a link; a device, FIFO or socket is written in place.
Errors read "tavrine-render: cannot write FILE: REASON" (or "cannot read").
Exit status: 0 done, 1 a file could not be read or written, 2 bad usage, 128 + the signal
when one stopped the run (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
)";
}

}  // namespace tavrine::cli
