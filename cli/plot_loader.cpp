#include "cli/plot_loader.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>

#include "util/error.h"

namespace tavrine::cli {

namespace {

// The outcome of the one attempt to load the module.
struct Loaded {
    PlotModule module;
    std::string error;  // empty when the module was loaded
};

// The one line that says why the module named (or found at) `module` cannot be used.
std::string loadFailure(const std::string& module, const std::string& reason) {
    return "cannot load the plot module " + module + ": " + reason;
}

// The text of the last failed dl call.
std::string lastDlError() {
    const char* text = ::dlerror();
    return text != nullptr ? text : "unknown reason";
}

// The file the loader chose for handle (its real path), or the module's bare name when it
// cannot tell.
std::string loadedPath(void* handle) {
    link_map* map = nullptr;
    if (::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr ||
        map->l_name[0] == '\0') {
        return plot::kPlotModuleFile;
    }
    std::string path = map->l_name;
    if (char* real = ::realpath(map->l_name, nullptr)) {
        path = real;
        std::free(real);
    }
    return path;
}

Loaded load() {
    Loaded loaded;
    // Its names stay local to it, and every name it needs is bound now, so that a missing one
    // fails here rather than in the middle of drawing.
    void* handle = ::dlopen(plot::kPlotModuleFile, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        loaded.error = loadFailure(plot::kPlotModuleFile, lastDlError());
        return loaded;
    }
    const std::string path = loadedPath(handle);
    auto* version = reinterpret_cast<plot::PlotModuleVersionFunction>(
        ::dlsym(handle, plot::kPlotModuleVersionEntry));
    const std::string expected = plot::plotModuleVersion(TAVRINE_VERSION);
    if (version == nullptr || expected != version()) {
        const std::string found = version == nullptr ? "no version" : version();
        loaded.error = loadFailure(path, "it comes from another build (" + found +
                                             "; this program needs " + expected + ")");
        ::dlclose(handle);
        return loaded;
    }
    loaded.module.writeTiltPlot =
        reinterpret_cast<plot::WriteTiltPlotFunction>(::dlsym(handle, plot::kWriteTiltPlotEntry));
    loaded.module.writeTiltStrip =
        reinterpret_cast<plot::WriteTiltStripFunction>(::dlsym(handle, plot::kWriteTiltStripEntry));
    if (loaded.module.writeTiltPlot == nullptr || loaded.module.writeTiltStrip == nullptr) {
        loaded.error = loadFailure(path, lastDlError());
        ::dlclose(handle);
    }
    // The module stays loaded: the Qt application it makes lives until the process ends.
    return loaded;
}

}  // namespace

const PlotModule* loadPlotModule(std::string* error) {
    static const Loaded loaded = load();
    if (!loaded.error.empty()) {
        util::fail(error, loaded.error);
        return nullptr;
    }
    return &loaded.module;
}

}  // namespace tavrine::cli
