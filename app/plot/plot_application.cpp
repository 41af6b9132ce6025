#include "app/plot/plot_application.h"

#include <QApplication>

#include "util/atomic_file.h"
#include "util/error.h"
#include "util/path_text.h"

namespace tavrine::plot {

namespace {

QtMessageHandler qtHandler = nullptr;

// Keeps Qt's notes and warnings (such as a missing XDG_RUNTIME_DIR) off a program's standard
// error, whose lines are its own; critical and fatal messages still reach Qt's handler.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        if (qtHandler != nullptr) qtHandler(type, context, message);
    }
}

}  // namespace

bool ensurePlotApplication(std::string* error) {
    if (QCoreApplication::instance() != nullptr) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) return true;
        return util::fail(error, "drawing a plot needs a Qt Widgets application");
    }
    // The arguments must outlive the application; the platform is chosen here so that a set
    // DISPLAY or QT_QPA_PLATFORM is never used.
    static int argc = 3;
    static char program[] = "tavrine";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, platformOption, platform, nullptr};
    // Kept for the rest of the process: reachable, and never torn down after main returns.
    static QApplication* application = [] {
        qtHandler = qInstallMessageHandler(quietHandler);
        return new QApplication(argc, argv);
    }();
    return application != nullptr;
}

bool writePlotFile(const std::string& path, const QByteArray& bytes, std::string* error) {
    std::string reason;
    if (!util::writeFileAtomically(path, bytes.constData(), static_cast<size_t>(bytes.size()),
                                   &reason)) {
        return util::fail(error, util::cannotText("write", path, reason));
    }
    return true;
}

}  // namespace tavrine::plot
