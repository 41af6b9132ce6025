#pragma once
// Helpers of the window tests: one QApplication, an engine side that records what the window
// asks of it, and answering the next message box.

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <string>
#include <utility>
#include <vector>

#include "app/ui/viewer_engine.h"

namespace tavrine::ui::test {

// Returns the process's QApplication, created on first use.
inline QApplication& application() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Records every request; idle unless told otherwise.
class RecordingEngine : public ViewerEngine {
  public:
    std::vector<std::pair<int32_t, int64_t>> posts;  // (command, argument)
    std::vector<std::string> calls;
    bool idle = true;
    HeldKeys keys;

    void prepare(QWidget*, QWidget*, QWidget*) override { calls.push_back("prepare"); }
    void start() override { calls.push_back("start"); }
    void shutdown() override { calls.push_back("shutdown"); }
    void post(EngineCommand command, int64_t argument) override {
        posts.emplace_back(static_cast<int32_t>(command), argument);
    }
    void stopTurning() override { calls.push_back("stopTurning"); }
    void pauseKeys() override { calls.push_back("pauseKeys"); }
    void resumeKeys() override { calls.push_back("resumeKeys"); }
    void setHeldKeys(const HeldKeys& held) override { keys = held; }
    bool isIdle() override { return idle; }
    void resetIdle() override {
        idle = false;
        calls.push_back("resetIdle");
    }
    bool waitIdle(int) override { return idle; }
    void resetViewAndLight() override { calls.push_back("resetViewAndLight"); }
    void turnFaceUp() override { calls.push_back("turnFaceUp"); }
    void setTurnStone(bool on) override { calls.push_back(on ? "sy on" : "sy off"); }
    void setTurntableView(bool on) override { calls.push_back(on ? "gm on" : "gm off"); }
    void selectPolygonColour(int index) override {
        calls.push_back("polygon " + std::to_string(index));
    }
    void showTrail(bool shown) override { calls.push_back(shown ? "trail on" : "trail off"); }
    void setRenderWindow(QWidget*) override { calls.push_back("setRenderWindow"); }
    void replaceRenderPicture(int width) override {
        calls.push_back("picture " + std::to_string(width));
    }
    void setLiveView(bool on) override { calls.push_back(on ? "live on" : "live off"); }
    void paintBoxes(QPainter&, const QRect&) override {}

    bool called(const std::string& name) const {
        for (const std::string& call : calls) {
            if (call == name) {
                return true;
            }
        }
        return false;
    }
};

// What a message box showed and how it was answered.
struct MessageSeen {
    bool shown = false;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Arranges for the next modal message box to be read into *seen and answered with answer.
inline void answerNextMessageBox(MessageSeen* seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen->shown = true;
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->icon = box->icon();
        QAbstractButton* preferred = box->defaultButton();
        seen->defaultButton =
            preferred != nullptr ? box->standardButton(preferred) : QMessageBox::NoButton;
        box->button(answer)->click();
    });
}

// Processes events until done() holds or timeoutMs passed; returns done().
template <typename Done>
bool waitUntil(Done done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(10);
    }
    return done();
}

}  // namespace tavrine::ui::test
