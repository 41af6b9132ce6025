#pragma once
// The stone panel's own controls: a drop-down list that tells when its list opens and closes,
// and the up-down control beside the refractive-index field.

#include <QComboBox>
#include <QWidget>
#include <cstdint>

class QToolButton;

namespace tavrine::ui {

// A drop-down list (QComboBox) whose objectName is its id and which reports the opening and
// closing of its list.
class PanelList : public QComboBox {
    Q_OBJECT
  public:
    PanelList(int32_t id, QWidget* parent);
    void showPopup() override;
    void hidePopup() override;

  signals:
    // Emitted before the list opens and after it closed.
    void popupOpened();
    void popupClosed();
};

// Two small arrow buttons, up over down, that step the refractive-index field; the control keeps
// no position of its own.
class UpDownControl : public QWidget {
    Q_OBJECT
  public:
    UpDownControl(int32_t id, QWidget* parent);
    // Returns the up (+1) or down (-1) button.
    QToolButton* button(int step) const { return step > 0 ? up_ : down_; }

  signals:
    // Emitted with +1 for the up arrow and -1 for the down arrow.
    void stepped(int step);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace tavrine::ui
