#pragma once
// Answers the modal windows of a window test as they open, one step per window, in order; the
// progress windows run on their own and are only noted.

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <utility>

namespace tavrine::ui::test {

class ModalAnswers {
  public:
    using Step = std::function<void(QWidget*)>;
    explicit ModalAnswers(std::deque<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    bool done() const { return steps_.empty(); }
    // Whether a progress window of this object name was open at a poll.
    bool sawProgress(const QString& name) const { return progressSeen_.contains(name); }

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        // A window answered before is skipped; a new one may take a closed one's address.
        if (modal == nullptr || modal == last_.data() || steps_.empty()) return;
        if (modal->objectName() == "AutoCapProgressWnd" ||
            modal->objectName() == "MakeAniGifProgressWnd") {
            if (!progressSeen_.contains(modal->objectName())) {
                progressSeen_ += modal->objectName() + ";";
            }
            return;
        }
        last_ = modal;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }
    QTimer timer_;
    std::deque<Step> steps_;
    QPointer<QWidget> last_;
    QString progressSeen_;
};

// Chooses name in the file dialog's folder (after picking filter filterIndex, 1-based, when
// given) and accepts; *title receives the dialog's title when title is not null.
inline ModalAnswers::Step chooseFile(const QString& name, int filterIndex = 0,
                                     std::string* title = nullptr) {
    return [name, filterIndex, title](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog == nullptr) {
            ADD_FAILURE() << "expected a file dialog, got " << w->objectName().toStdString();
            w->close();
            return;
        }
        if (title != nullptr) *title = dialog->windowTitle().toStdString();
        if (filterIndex > 0) dialog->selectNameFilter(dialog->nameFilters()[filterIndex - 1]);
        dialog->selectFile(dialog->directory().filePath(name));
        static_cast<QDialog*>(dialog)->accept();
    };
}

// Notes what opened (a file dialog's title, a message box's text, or else the window name) and
// dismisses it: Cancel, the given message-box button, or the window's "cancel" button.
inline ModalAnswers::Step dismiss(std::string* seen,
                                  QMessageBox::StandardButton button = QMessageBox::No) {
    return [seen, button](QWidget* w) {
        if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            *seen = dialog->windowTitle().toStdString();
            dialog->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
            *seen = box->text().toStdString();
            box->button(button)->click();
        } else if (auto* cancel = w->findChild<QPushButton*>("cancel")) {
            *seen = w->objectName().toStdString();
            cancel->click();
        } else {
            *seen = w->objectName().toStdString();
            w->close();
        }
    };
}

// Types editText into the window's "edit" (when given) and presses its button of that name.
inline ModalAnswers::Step press(const char* button, const QString& editText = QString()) {
    return [button, editText](QWidget* w) {
        if (!editText.isEmpty()) w->findChild<QLineEdit*>("edit")->setText(editText);
        auto* b = w->findChild<QPushButton*>(QString::fromLatin1(button));
        if (b == nullptr) {
            ADD_FAILURE() << "no button " << button << " on " << w->objectName().toStdString();
            w->close();
            return;
        }
        b->click();
    };
}

}  // namespace tavrine::ui::test
