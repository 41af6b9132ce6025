#pragma once
// Helpers for the dialog tests: answering message boxes, reaching controls by name, acting on
// a dialog that runs its own modal loop, and a settings-file round trip.

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "app/dialogs/dialog_controls.h"
#include "app/settings/settings_file.h"

namespace tavrine::test {

// Answers the message boxes that open from now on, one answer each in order, and keeps their
// texts and icons.
class MessageBoxAnswerer : public QObject {
  public:
    explicit MessageBoxAnswerer(QList<QMessageBox::StandardButton> answers)
        : answers_(std::move(answers)) {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || answers_.isEmpty()) return;
            texts << box->text();
            icons << box->icon();
            titles << box->windowTitle();
            box->button(answers_.takeFirst())->click();
        });
        timer_.start(5);
    }

    QStringList texts;
    QStringList titles;
    QList<QMessageBox::Icon> icons;

  private:
    QList<QMessageBox::StandardButton> answers_;
    QTimer timer_;
};

// Runs action on the dialog named name once it is the active modal window.
inline void whenModal(const QString& name, std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, name, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->objectName() != name) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start(5);
}

// Returns the child of window named name (a control id such as "1003"), or null.
template <class T>
T* control(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

// Replaces the text of edit as the user would type it.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Clicks the up (delta > 0) or down arrow of an up-down control.
inline void clickArrow(UpDown* upDown, int delta) {
    const auto arrows = upDown->findChildren<QToolButton*>();
    for (QToolButton* arrow : arrows) {
        if (arrow->arrowType() == (delta > 0 ? Qt::UpArrow : Qt::DownArrow)) {
            QTest::mouseClick(arrow, Qt::LeftButton);
        }
    }
}

// Returns settings after writing them to a settings file and reading it back, as a restart
// does; ok is false when either step failed.
inline Settings roundTrip(const Settings& settings, bool& ok) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("Setting.ini")).toStdString();
    Settings read = settings;
    ok = folder.isValid() && writeSettings(path, settings, nullptr) && readSettings(path, read);
    return read;
}

// Returns the defaults with picture folders that a round trip keeps.
inline Settings testSettings() { return defaultSettings("/tmp/ScreenShots/", "/tmp/AutoCaps/"); }

}  // namespace tavrine::test
