#pragma once
// The command line of tavrine-catalogue: `render DESIGNS OUT [options]` and `index OUT`.

#include <cstdint>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/render/render_settings.h"

namespace tavrine::catalogue {

// What the command line asks for.
enum class Command { Help, Version, Render, Index };

// The share of a design library one run takes: shard `index` of `count` (0 <= index < count).
struct Shard {
    int32_t index = 0;
    int32_t count = 1;
};

// The defaults of the render options.
inline constexpr int32_t kDefaultTurntableFrames = 36;
inline constexpr int32_t kDefaultCatalogueSize = 256;

// Everything the command line says.
struct CatalogueOptions {
    Command command = Command::Help;
    std::string designs;  // render: the folder of .asc and .gem files
    std::string out;      // render and index: the catalogue's folder
    Shard shard;
    int32_t frames = kDefaultTurntableFrames;  // of the turntable, 1 to 4096
    int32_t size = kDefaultCatalogueSize;      // of the pictures, 32 to 512
    evaluate::TiltRange tilt;                  // the tilt sweep, 30:5 by default
    Lighting lighting = Lighting::Iso;  // of the still, the dark area and the sweep: Iso or Cos
    int32_t threads = 0;                // render workers; 0 = all cores
};

// The outcome of parsing: the options, or a one-line message naming the bad argument.
struct CatalogueParse {
    CatalogueOptions options;
    std::string error;  // empty when the command line is valid
};

// Parses the arguments after the program's name. Options take their value as `--option value`
// or `--option=value`; --help and --version may stand anywhere and win over the rest.
CatalogueParse parseCatalogueOptions(const std::vector<std::string>& args);

// Returns the text of every option that changes a design's outputs (frames, size, tilt sweep,
// lighting and the revision of the outputs), the same for the same outputs on any machine; the
// done mark holds its digest. The shard and the thread count are not part of it.
std::string outputOptionsText(const CatalogueOptions& options);

// Returns the name of a lighting as the command line spells it: "iso" or "cos" (Studio is
// never the catalogue's).
const char* lightingName(Lighting lighting);

// The usage text printed by --help.
const char* catalogueUsage();

// The line printed by --version: the program's name and version.
const char* catalogueVersion();

}  // namespace tavrine::catalogue
