#include "catalogue/catalogue_options.h"

#include <charconv>
#include <optional>

#include "app/settings/value_ranges.h"
#include "catalogue/number_text.h"

namespace tavrine::catalogue {

namespace {

// Raised whenever the outputs of a design change for the same options (new files, new
// figures), so that the done marks of older outputs no longer match and their designs are
// done again.
constexpr int32_t kOutputsRevision = 2;

// The largest shard count a command line may ask for.
constexpr int32_t kMaxShardCount = 1000000;

bool parseWhole(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    const char* end = text.data() + text.size();
    const auto [last, problem] = std::from_chars(text.data(), end, value);
    return problem == std::errc() && last == end;
}

// A value as messages quote it: long values by their start only.
std::string quoted(const std::string& value) {
    return "'" + (value.size() > 60 ? value.substr(0, 57) + "..." : value) + "'";
}

std::optional<std::string> parseShard(const std::string& text, Shard& shard) {
    const std::string expected =
        "--shard must be K/N with 0 <= K < N <= 1000000 (got " + quoted(text) + ")";
    const size_t slash = text.find('/');
    int64_t k = 0, n = 0;
    if (slash == std::string::npos || !parseWhole(text.substr(0, slash), k) ||
        !parseWhole(text.substr(slash + 1), n) || n < 1 || n > kMaxShardCount || k < 0 || k >= n) {
        return expected;
    }
    shard.index = static_cast<int32_t>(k);
    shard.count = static_cast<int32_t>(n);
    return std::nullopt;
}

std::optional<std::string> parseTilt(const std::string& text, evaluate::TiltRange& tilt) {
    std::string problem;
    if (evaluate::parseTiltRange(text, tilt, &problem)) return std::nullopt;
    return "--tilt: " + problem;
}

std::optional<std::string> parseRanged(const std::string& option, const std::string& text,
                                       const IntRange& range, int32_t& value) {
    int64_t v = 0;
    if (!parseWhole(text, v) || !range.contains(v)) {
        return option + " must be a whole number from " + std::to_string(range.low) + " to " +
               std::to_string(range.high) + " (got " + quoted(text) + ")";
    }
    value = static_cast<int32_t>(v);
    return std::nullopt;
}

}  // namespace

CatalogueParse parseCatalogueOptions(const std::vector<std::string>& args) {
    CatalogueParse result;
    CatalogueOptions& o = result.options;
    auto fail = [&](const std::string& message) {
        result.error = message;
        return result;
    };
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            o.command = Command::Help;
            return result;
        }
    }
    for (const std::string& arg : args) {
        if (arg == "--version") {
            o.command = Command::Version;
            return result;
        }
    }
    if (args.empty()) return fail("give a command: render DESIGNS OUT or index OUT (see --help)");
    const std::string& command = args[0];
    if (command == "render") {
        o.command = Command::Render;
    } else if (command == "index") {
        o.command = Command::Index;
    } else {
        return fail("unknown command " + quoted(command) +
                    "; the commands are render and index (see --help)");
    }

    std::vector<std::string> operands;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.size() < 2 || arg.rfind("--", 0) != 0) {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1,
                            args.end());
            break;
        }
        std::optional<std::string> value;
        const size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        }
        static const char* const kRenderOptions[] = {"--shard", "--frames",   "--size",
                                                     "--tilt",  "--lighting", "--threads"};
        bool known = false;
        for (const char* name : kRenderOptions) known = known || arg == name;
        if (!known) return fail("unknown option " + quoted(args[i]) + " (see --help)");
        if (o.command != Command::Render) return fail(arg + " goes with render, not index");
        if (!value) {
            if (i + 1 >= args.size()) return fail(arg + " needs a value (see --help)");
            value = args[++i];
        }
        std::optional<std::string> problem;
        if (arg == "--shard") {
            problem = parseShard(*value, o.shard);
        } else if (arg == "--frames") {
            problem = parseRanged(arg, *value, ranges::kFrameCount, o.frames);
        } else if (arg == "--size") {
            problem = parseRanged(arg, *value, ranges::kImageWidth, o.size);
        } else if (arg == "--tilt") {
            problem = parseTilt(*value, o.tilt);
        } else if (arg == "--threads") {
            problem = parseRanged(arg, *value, ranges::kThreads, o.threads);
        } else if (*value == "iso") {
            o.lighting = Lighting::Iso;
        } else if (*value == "cos") {
            o.lighting = Lighting::Cos;
        } else {
            problem = "--lighting must be iso or cos (got " + quoted(*value) + ")";
        }
        if (problem) return fail(*problem);
    }

    const size_t wanted = o.command == Command::Render ? 2 : 1;
    const char* usage = o.command == Command::Render ? "render DESIGNS OUT" : "index OUT";
    if (operands.size() != wanted) {
        return fail(std::string(usage) + " takes " + std::to_string(wanted) +
                    (wanted == 1 ? " folder" : " folders") + ", got " +
                    std::to_string(operands.size()) + " (see --help)");
    }
    for (const std::string& operand : operands) {
        if (operand.empty()) return fail(std::string(usage) + ": a folder name is empty");
    }
    if (o.command == Command::Render) o.designs = operands[0];
    o.out = operands.back();
    return result;
}

std::string outputOptionsText(const CatalogueOptions& o) {
    return "frames=" + std::to_string(o.frames) + " size=" + std::to_string(o.size) +
           " tilt=" + numberText(o.tilt.maxDegrees) + ":" + numberText(o.tilt.stepDegrees) +
           " lighting=" + lightingName(o.lighting) + " outputs=" + std::to_string(kOutputsRevision);
}

const char* lightingName(Lighting lighting) { return lighting == Lighting::Cos ? "cos" : "iso"; }

const char* catalogueUsage() {
    return R"(Usage: tavrine-catalogue render DESIGNS OUT [options]
       tavrine-catalogue index OUT
Turns a folder of GemCad designs into a catalogue: for each design a still picture, a
turntable animation and its figures, and one page that shows them all side by side.

render DESIGNS OUT        render every .asc and .gem file of the folder DESIGNS (in the order
                          of their names) into OUT/designs/NAME/ (NAME: the design's file
                          name): still.png (face up under the chosen lighting),
                          turntable.gif, tilt.csv (the tilt sweep) and figures.json (the
                          brightness face up under ISO and COS with a head shadow of 10
                          degrees, the dark area and the tilt-averaged brightness under the
                          chosen lighting), then the mark `done`, written last, holding
                          digests of the design file and of the options. A design whose mark matches is skipped, so a stopped or
                          repeated run simply goes on; a design changed since is done again.
                          A design the reader refuses gets figures.json with status "refused"
                          and the reader's reason, and the run goes on.
  --shard K/N             render only the designs of shard K of N (0 <= K < N; default 0/1):
                          the design whose file name has the SHA-256 digest D falls to shard
                          (the first 8 bytes of D as a big-endian number) mod N, on any machine
                          and whatever else the folder holds
  --frames N              frames of the turntable, 1..4096 (default 36)
  --size S                width and height of the pictures, 32..512 (default 256)
  --tilt MAX:STEP         the tilt sweep from -MAX to +MAX degrees in steps of STEP, MAX
                          0..90, at most 181 tilts (default 30:5)
  --lighting iso|cos      the lighting of the still, the dark area and the tilt sweep
                          (default iso)
  --threads N             render workers, 1..256 (default: every core); pictures do not
                          depend on it
index OUT                 gather OUT/designs/*/ into OUT/catalogue.csv (one row a design) and
                          OUT/index.html (a static page with no network resources, cards
                          sortable by any figure)
--help, --version

Exit status: 0 when every design of the shard is done or refused (render) or the index is
written; 1 when a folder cannot be read or an output cannot be written; 2 for bad usage; 128 +
the signal when Ctrl-C, SIGTERM or SIGHUP stopped the run (run it again to go on).
)";
}

const char* catalogueVersion() { return "tavrine-catalogue " TAVRINE_VERSION "\n"; }

}  // namespace tavrine::catalogue
