// tavrine: the viewer. Reads the settings, builds the main window and the stored model, starts
// the engine and keyboard threads, runs the window loop, and on exit ends and joins the threads
// and writes the settings file whole.

#include <QApplication>
#include <cstdio>
#include <string>

#include "app/session/session.h"
#include "app/settings/settings_file.h"
#include "app/ui/main_window.h"
#include "app/ui/threaded_engine.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavrine"));

    // The settings first: the window is built from them.
    const tavrine::SettingsLocations locations = tavrine::settingsLocationsForThisProgram();
    tavrine::Session session;
    session.settings =
        tavrine::defaultSettings(locations.screenShotFolder, locations.captureFolder);
    tavrine::readSettings(locations.settingsFile, session.settings);

    int result = 0;
    {
        tavrine::ui::ThreadedEngine engine(session);
        tavrine::ui::MainWindow window(session.settings, engine);
        window.show();
        window.startEngine();
        result = QApplication::exec();
        // The workers end before the settings they read are written.
        engine.shutdown();
    }

    std::string error;
    if (!tavrine::writeSettings(locations.settingsFile, session.settings, &error)) {
        std::fprintf(stderr, "tavrine: %s (%s)\n", error.c_str(), locations.settingsFile.c_str());
    }
    return result;
}
