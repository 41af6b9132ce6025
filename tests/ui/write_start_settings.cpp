// write_start_settings FILE [hq]: writes the viewer's default settings file with the title window
// switched off, so that a viewer started by a test opens straight at its main window; with
// "hq", the "HQ" switch is on as well.

#include <cstdio>
#include <string>

#include "app/settings/settings_file.h"

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "hq")) {
        std::fprintf(stderr, "Usage: write_start_settings FILE [hq]\n");
        return 2;
    }
    const std::string file = argv[1];
    const size_t slash = file.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "./" : file.substr(0, slash + 1);
    tavrine::Settings settings =
        tavrine::defaultSettings(folder + "ScreenShots/", folder + "AutoCaps/");
    settings.showTitle = 0;
    settings.highQuality = argc == 3 ? 1 : 0;
    std::string error;
    if (!tavrine::writeSettings(file, settings, &error)) {
        std::fprintf(stderr, "write_start_settings: %s (%s)\n", error.c_str(), file.c_str());
        return 1;
    }
    return 0;
}
