// tavrine: the viewer. Reads the settings (and the Position-Info File or GemCad design named on
// the command line, and the designs opened last), builds the main window and the stored model,
// starts the engine and keyboard threads, runs the window loop, and on exit ends and joins the
// threads and writes the settings file whole. SIGTERM, SIGINT and SIGHUP end the viewer from
// whatever window is open, modal ones included: a running rendering or capture stops at its
// current row (a capture records the frames it has), the settings file is written as at a normal
// exit, and the exit status is 128 + the signal.

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
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/engine/start_up.h"
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

// Only writes the signal's number: the window loop does the rest.
void onSignal(int number) {
    const auto byte = static_cast<unsigned char>(number);
    const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    (void)ignored;
}

// Writes the settings file whole; a design on show is kept as the stone's own cut, since the
// file cannot name the design. Returns false, with a line on standard error, when it cannot.
bool keepSettings(const tavrine::SettingsLocations& locations, const tavrine::Session& session) {
    std::string error;
    if (!tavrine::writeSettings(locations.settingsFile, tavrine::settingsToKeep(session), &error)) {
        std::fprintf(stderr, "tavrine: %s (%s)\n", error.c_str(), locations.settingsFile.c_str());
        return false;
    }
    return true;
}

void printUsage(std::FILE* to) {
    std::fprintf(
        to,
        "Usage: tavrine [FILE.gpi | FILE.sqi | FILE.asc | FILE.gem]\n"
        "Starts the Tavrine viewer; with a Position-Info File (or a capture's Capture-Info\n"
        "File), at the stone, view and light it describes (as \"Restore Position\" would);\n"
        "with a GemCad design (.asc or .gem), showing that design (as \"Open Design...\"\n"
        "would).\n"
        "\n"
        "  -h, --help     print this text\n"
        "  --version      print the program's name and version\n");
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
    // Help and the version need no display: they are answered before the window system is opened.
    const bool help =
        argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    const bool version = argc == 2 && std::strcmp(argv[1], "--version") == 0;
    if (help || version) {
        if (help) {
            printUsage(stdout);
        } else {
            std::fputs("tavrine " TAVRINE_VERSION "\n", stdout);
        }
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
    tavrine::readStartUpSettings(session, locations);

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
        tavrine::ui::MainWindow window(session, engine);
        tavrine::ui::DesignOpener designOpener(
            window, session, tavrine::recentDesignsFile(locations.settingsFolder));
        window.setDesignOpener(&designOpener);
        QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &window, [&] {
            unsigned char number = 0;
            if (::read(signalPipe[0], &number, 1) != 1) return;
            // The process ends here, from whichever loop runs, a modal window's included: nothing
            // returns to a loop that could keep a window (and the process) alive.
            window.keepIndexFieldValue();
            engine.shutdown();
            keepSettings(locations, session);
            std::fflush(nullptr);
            std::_Exit(128 + number);
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

    return keepSettings(locations, session) ? result : 1;
}
