// Developer program: opens one settings dialog by its window name, for looking at it (for
// example under Xvfb with a screenshot). Usage: show_dialog WindowName [page]
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dialogs/settings_dialogs.h"
#include "tests/dialogs/recording_host.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: show_dialog SettingWnd|SizeSettingWnd|BackColorSettingWnd|"
                     "ModelSettingWnd [page]\n");
        return 2;
    }
    tavrine::Settings settings = tavrine::defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/");
    tavrine::test::RecordingHost host;
    const char* name = argv[1];
    int result = -1;
    if (std::strcmp(name, "SettingWnd") == 0) {
        result = tavrine::openGeneralSettings(nullptr, settings, host);
    } else if (std::strcmp(name, "SizeSettingWnd") == 0) {
        result = tavrine::openSizeSetting(nullptr, settings, host);
    } else if (std::strcmp(name, "BackColorSettingWnd") == 0) {
        result = tavrine::openBackColorSettings(nullptr, settings, host);
    } else if (std::strcmp(name, "ModelSettingWnd") == 0) {
        if (argc > 2) {
            // Open once on the page asked for, so that the real opening shows it.
            tavrine::TransformableModelsDialog first(settings);
            first.findChild<QTabWidget*>()->setCurrentIndex(std::atoi(argv[2]));
        }
        result = tavrine::openTransformableModels(nullptr, settings, host);
    } else {
        std::fprintf(stderr, "show_dialog: unknown window name %s\n", name);
        return 2;
    }
    std::printf("result %d\n", result);
    return 0;
}
