// tavrine-catalogue: turns a folder of designs into a catalogue, shard by shard.

#include <cstdio>
#include <string>
#include <vector>

#include "catalogue/catalogue_index.h"
#include "catalogue/catalogue_options.h"
#include "catalogue/render_shard.h"
#include "util/interrupts.h"
#include "util/program_exit.h"

int main(int argc, char** argv) {
    using namespace tavrine;
    util::ignoreFileSizeSignal();
    const catalogue::CatalogueParse parsed =
        catalogue::parseCatalogueOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "tavrine-catalogue: %s\n", parsed.error.c_str());
        return util::kExitUsage;
    }
    const catalogue::CatalogueOptions& options = parsed.options;
    switch (options.command) {
    case catalogue::Command::Help:
        std::fputs(catalogue::catalogueUsage(), stdout);
        break;
    case catalogue::Command::Version:
        std::fputs(catalogue::catalogueVersion(), stdout);
        break;
    case catalogue::Command::Render:
        return catalogue::runRenderCommand(options, stdout, stderr);
    case catalogue::Command::Index:
        return catalogue::runIndexCommand(options.out, stdout, stderr);
    }
    return util::finishOutput("tavrine-catalogue", stdout, stderr) ? util::kExitOk
                                                                   : util::kExitFileError;
}
