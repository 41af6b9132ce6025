#pragma once
// Controls and mechanics shared by the settings dialogs: the digits-only edit with its deferred
// parsing, the up-down control bound to an edit, the coupling of a track bar, an edit and an
// up-down, centring, and the dialogs' message boxes.

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QSlider>
#include <QTimer>
#include <QWidget>

class QLabel;
class QGroupBox;
class QPushButton;

namespace tavrine {

// Time in milliseconds an edit waits after the last keystroke before its text is read.
inline constexpr int kDeferredParseMs = 500;

// Returns the font of the settings dialogs: DejaVu Sans (or fontconfig's nearest face) with a
// character height of 12 pixels.
QFont dialogFont();

// Returns the number written at the start of text (its first four characters at most): the
// leading decimal digits, 0 when there are none.
int parseEditNumber(const QString& text);

// Places the caret of edit after its last character.
void caretToEnd(QLineEdit* edit);

// Moves window, without resizing it, to the middle of the available desktop area (to 0 on an
// axis where it does not fit).
void centreWindow(QWidget* window);

// Shows a modal message box with caption "Confirmation" and returns the button pressed.
QMessageBox::StandardButton askConfirmation(QWidget* parent, const QString& text,
                                            QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton);

// Returns a child of parent named by its control id, placed at (x, y) with size w x h.
QLabel* makeLabel(QWidget* parent, int id, const QString& text, int x, int y, int w, int h);
QGroupBox* makeGroup(QWidget* parent, int id, const QString& title, int x, int y, int w, int h);
QPushButton* makeButton(QWidget* parent, int id, const QString& text, int x, int y, int w, int h);
QCheckBox* makeCheckBox(QWidget* parent, int id, const QString& text, int x, int y, int w, int h);

// A right-aligned edit that accepts digits only (at most four) and, 500 ms after the user last
// changed its text, reports the number it holds. Every keystroke restarts the wait.
class NumberEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit NumberEdit(QWidget* parent = nullptr);

    // Stops a pending deferred parse, as if the text had not been edited.
    void cancelPendingParse();
    // Returns whether a deferred parse is waiting for its timer.
    bool parsePending() const { return timer_.isActive(); }

  signals:
    // Emitted when the wait after the last change ends, with parseEditNumber of the text.
    void parsed(int value);

  private:
    QTimer timer_;
};

// An up-down control: a pair of arrow buttons beside an edit (its buddy) that steps an integer
// position within a range and shows it as the buddy's text. Clicking an arrow, or pressing the
// Up or Down key in the buddy, first takes over the number the buddy shows; so does the end of
// an edit of a NumberEdit buddy (Enter, or the focus leaving it), which then shows the position.
class UpDown : public QWidget {
    Q_OBJECT
  public:
    UpDown(QLineEdit* buddy, int minimum, int maximum, QWidget* parent);

    // Sets the range and brings the position into it.
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    // Sets the position, clamped to the range, and writes it into the buddy.
    void setPosition(int position);
    // Returns the position, after taking over the buddy's number (clamped to the range) when the
    // buddy holds digits, so that a value typed just before "OK" counts.
    int position();
    // Steps the position by delta as an arrow click does and emits clicked.
    void step(int delta);

  signals:
    // Emitted after an arrow click or arrow key changed the position (also at the range's end).
    void clicked(int position);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    QLineEdit* buddy_;
    int minimum_;
    int maximum_;
    int position_;
};

// A check box that a click anywhere in its rectangle toggles, caption included.
class CheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool hitButton(const QPoint& pos) const override;
};

// A check box whose caption wraps onto further lines within the box's width.
class WrappingCheckBox : public CheckBox {
  public:
    using CheckBox::CheckBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Couples an optional track bar, a digits-only edit and its up-down to one integer value. The
// up-down's position is the value; the track bar's position is the value, or reverseBase minus
// the value when reverseBase is not 0. Moving the track bar sets the up-down; clicking the
// up-down moves the track bar; an edit's number (after the deferred wait) is clamped to the
// range and sets both.
class LinkedValue : public QObject {
    Q_OBJECT
  public:
    LinkedValue(QSlider* trackBar, int reverseBase, NumberEdit* edit, UpDown* upDown,
                bool parseEdit, QObject* parent);

    // Sets every control to value, clamped to the up-down's range.
    void setValue(int value);
    // Returns the up-down's position.
    int value() const { return upDown_->position(); }

    QSlider* trackBar() const { return trackBar_; }
    NumberEdit* edit() const { return edit_; }
    UpDown* upDown() const { return upDown_; }
    // Enables or disables every control of the value.
    void setEnabled(bool enabled);

  signals:
    // Emitted when the user changed the value through any of the controls.
    void changed(int value);

  private:
    int trackPosition(int value) const { return reverseBase_ ? reverseBase_ - value : value; }
    void setTrackBar(int value);

    QSlider* trackBar_;
    int reverseBase_;
    NumberEdit* edit_;
    UpDown* upDown_;
};

}  // namespace tavrine
