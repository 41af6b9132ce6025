// tavrine: the viewer. Reads the settings (and the Position-Info File or GemCad design named on
// the command line, and the designs opened last), builds the main window and the stored model,
// starts the engine and keyboard threads, runs the window loop, and on exit ends and joins the
// threads and writes the settings file whole. SIGTERM, SIGINT and SIGHUP close the window as its
// close box would, aborting a running rendering without asking.

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QThread>
#include <QWindow>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/session/session.h"
#include "app/settings/recent_designs.h"
#include "app/settings/settings_file.h"
#include "app/ui/app_icon.h"
#include "app/ui/design_opener.h"
#include "app/ui/main_window.h"
#include "app/ui/start_position.h"
#include "app/ui/threaded_engine.h"

namespace {

int signalPipe[2] = {-1, -1};

// Only writes one byte: the window loop does the rest.
void onSignal(int) {
    const char byte = 1;
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

void printUsage(std::FILE* to) {
    std::fprintf(
        to,
        "Usage: tavrine [FILE.gpi | FILE.asc | FILE.gem]\n"
        "Starts the Tavrine viewer; with a Position-Info File, at the stone, view and light it\n"
        "describes (as \"Restore Position\" would); with a GemCad design (.asc or .gem),\n"
        "showing that design (as \"Open Design...\" would).\n");
}

// Lets the window loop run until window is on screen (for a second at most), so that the
// window manager has placed it.
void waitUntilShown(QWidget& window) {
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 1000 &&
           (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QCoreApplication::processEvents();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Help needs no display: it is answered before the window system is opened.
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        // The text must have reached standard output (not a full disk, not a closed pipe).
        if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
            std::fprintf(stderr, "tavrine: cannot write standard output: %s\n",
                         std::strerror(errno != 0 ? errno : EIO));
            return 1;
        }
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavrine"));
    QApplication::setDesktopFileName(QStringLiteral("tavrine"));
    QApplication::setWindowIcon(tavrine::ui::appIcon());

    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 2 || (arguments.size() == 2 && arguments[1].startsWith('-'))) {
        printUsage(stderr);
        return 2;
    }
    // A write beyond the file size limit (ulimit -f) fails with "File too large" and leaves the
    // old file, instead of killing the viewer halfway through it.
    std::signal(SIGXFSZ, SIG_IGN);

    // The settings first: the window is built from them.
    const tavrine::SettingsLocations locations = tavrine::settingsLocationsForThisProgram();
    tavrine::Session session;
    session.settings =
        tavrine::defaultSettings(locations.screenShotFolder, locations.captureFolder);
    tavrine::readSettings(locations.settingsFile, session.settings);

    // A Position-Info File: its settings now (and the design it names), its view when the model
    // is built. A design file: the design, with the view reset for it.
    tavrine::ui::StartPosition position;
    QString refusal;
    if (arguments.size() == 2) {
        const std::string path = arguments[1].toStdString();
        position = tavrine::ui::isDesignFileName(path)
                       ? tavrine::ui::takeStartDesign(path, session)
                       : tavrine::ui::takeStartPosition(path, session);
        if (!position.refusal.empty()) {
            std::fprintf(stderr, "tavrine: %s\n", position.refusal.c_str());
            refusal = QStringLiteral("Failed to open file.\n\n%1")
                          .arg(QString::fromStdString(position.refusal));
        }
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
    }

    int result = 0;
    {
        tavrine::ui::ThreadedEngine engine(session);
        if (position.info) {
            engine.startAtPosition(*position.info);
        }
        tavrine::ui::MainWindow window(session.settings, engine);
        tavrine::ui::DesignOpener designOpener(
            window, session, tavrine::recentDesignsFile(locations.settingsFolder));
        window.setDesignOpener(&designOpener);
        QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &window, [&window] {
            char byte = 0;
            const ssize_t ignored = ::read(signalPipe[0], &byte, 1);
            (void)ignored;
            window.closeWithoutQuestion();
        });
        window.show();
        if (!refusal.isEmpty()) {
            // The box is centred over the window once the window manager has placed it, not
            // over the spot the window held before.
            waitUntilShown(window);
            QMessageBox::warning(&window, QStringLiteral("Confirmation"), refusal);
        }
        window.startEngine();
        result = QApplication::exec();
        // The workers end before the settings they read are written.
        engine.shutdown();
    }

    std::string error;
    // A design on show is kept as the stone's own cut: the file cannot name the design.
    if (!tavrine::writeSettings(locations.settingsFile, tavrine::settingsToKeep(session), &error)) {
        std::fprintf(stderr, "tavrine: %s (%s)\n", error.c_str(), locations.settingsFile.c_str());
        return 1;
    }
    return result;
}
