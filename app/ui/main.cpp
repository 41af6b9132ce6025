// tavrine: the viewer. Reads the settings, builds the main window, starts the workers, runs
// the window loop, and on exit ends the workers and writes the settings file whole.

#include <QApplication>
#include <cstdio>

#include "app/settings/settings_file.h"
#include "app/ui/main_window.h"
#include "app/ui/null_engine.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavrine"));

    const tavrine::SettingsLocations locations = tavrine::settingsLocationsForThisProgram();
    tavrine::Settings settings =
        tavrine::defaultSettings(locations.screenShotFolder, locations.captureFolder);
    tavrine::readSettings(locations.settingsFile, settings);

    tavrine::ui::NullEngine engine;
    tavrine::ui::MainWindow window(settings, engine);
    window.show();
    window.startEngine();
    const int result = QApplication::exec();

    engine.shutdown();
    std::string error;
    if (!tavrine::writeSettings(locations.settingsFile, settings, &error)) {
        std::fprintf(stderr, "tavrine: %s (%s)\n", error.c_str(), locations.settingsFile.c_str());
    }
    return result;
}
