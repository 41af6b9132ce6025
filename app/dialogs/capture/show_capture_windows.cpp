// Shows one of the capture windows with made-up values, for looking at it under a display.
// Usage: tavrine-capture-windows new|gif|capture|compile

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/dialogs/capture/capture_windows.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* which = argc > 1 ? argv[1] : "new";
    if (std::strcmp(which, "new") == 0) return tavrine::NewCaptureDialog(128).exec();
    if (std::strcmp(which, "gif") == 0) return tavrine::MakeAnimationDialog(4, false).exec();
    if (std::strcmp(which, "capture") == 0) {
        tavrine::CaptureProgressWindow window(128);
        window.showFrame(64, 128);
        return window.exec();
    }
    if (std::strcmp(which, "compile") == 0) {
        tavrine::AnimationProgressWindow window(128);
        window.showFrame(32, 128);
        return window.exec();
    }
    std::fprintf(stderr, "usage: %s new|gif|capture|compile\n", argv[0]);
    return 2;
}
