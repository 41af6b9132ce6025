#pragma once
// The owner-drawn buttons, switches and displays of the main window and the render window.

#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <cstdint>

#include "app/ui/control_table.h"

namespace tavrine::ui {

// What every owner-drawn control of one window shares: the caption font, the panel colour
// (COLORREF), the picture sheet of the arrow buttons and the ids of the two displays.
struct ButtonStyle {
    QFont captionFont;
    uint32_t panelColour = 0;
    QImage pictures;
    int32_t baseId = kFirstButtonId;
    int32_t percentId = kProgressDisplay;
    int32_t captionId = kRenderWindowButton;
};

// One owner-drawn control. Its objectName is its id. It paints by the panel's rules: arrow
// buttons copy their picture (the pressed one while down) and draw no frame; every other
// control goes through the library painter's colour and placement rules, where only "down"
// counts as pressed. Switches are checkable and show a white caption while checked; the
// percentage display shows percent() as "%d%%".
class OwnerDrawButton : public QAbstractButton {
    Q_OBJECT
  public:
    // Creates control id of the given kind; style must outlive the button.
    OwnerDrawButton(int32_t id, ControlKind kind, const ButtonStyle* style, QWidget* parent);

    // Returns the control id.
    int32_t id() const { return id_; }
    // Returns the kind of control.
    ControlKind kind() const { return kind_; }
    // Returns the value the percentage display shows.
    int32_t percent() const { return percent_; }
    // Stores the value shown by the percentage display and repaints it.
    void setPercent(int32_t percent);
    // Cuts one pixel off each corner (the union of (0, 1)-(w, h - 1) and (1, 0)-(w - 1, h)).
    void cutCorners();
    // Returns the caption drawn on the control (UTF-8 of the caption table).
    QString caption() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int32_t id_;
    ControlKind kind_;
    const ButtonStyle* style_;
    int32_t percent_ = 0;
};

}  // namespace tavrine::ui
