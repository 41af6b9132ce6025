// write_start_settings FILE [hq] [window512] [live]: writes the viewer's default settings file
// with the title window switched off, so that a viewer started by a test opens straight at its main
// window; with "hq", the "HQ" switch is on as well; with "window512", pictures are rendered 512
// pixels wide on the separate render window, kept on top of other windows; with "live", the live
// ray-traced view is on.

#include <cstdio>
#include <string>

#include "app/settings/settings_file.h"

int main(int argc, char* argv[]) {
    bool usage = argc < 2;
    bool hq = false;
    bool window512 = false;
    bool live = false;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "hq") {
            hq = true;
        } else if (option == "window512") {
            window512 = true;
        } else if (option == "live") {
            live = true;
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr, "Usage: write_start_settings FILE [hq] [window512] [live]\n");
        return 2;
    }
    const std::string file = argv[1];
    const size_t slash = file.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "./" : file.substr(0, slash + 1);
    tavrine::Settings settings =
        tavrine::defaultSettings(folder + "ScreenShots/", folder + "AutoCaps/");
    settings.showTitle = 0;
    settings.look.highQuality = hq ? 1 : 0;
    settings.liveRayTrace = live ? 1 : 0;
    if (window512) {
        settings.look.sizeMode = 1;
        settings.look.imageWidth = 512;
        settings.renderWindowTopMost = 1;
    }
    std::string error;
    if (!tavrine::writeSettings(file, settings, &error)) {
        std::fprintf(stderr, "write_start_settings: %s (%s)\n", error.c_str(), file.c_str());
        return 1;
    }
    return 0;
}
