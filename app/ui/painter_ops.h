#pragma once
// The drawing operations of the library button painter, backed by a QPainter: fonts are
// QFont addresses and regions QRegion addresses.

#include <QColor>
#include <QPainter>
#include <cstdint>

#include "tracer/owner_draw_button.h"

namespace tavrine::ui {

// Returns the QColor of a COLORREF value (red in the low byte).
inline QColor colourFromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

// A table of drawing operations that paints through painter, which must outlive it. The
// painter's antialiasing is switched off so that frames and corners fall on whole pixels.
class PainterOps {
  public:
    explicit PainterOps(QPainter& painter);
    PainterOps(const PainterOps&) = delete;
    PainterOps& operator=(const PainterOps&) = delete;

    // Returns the table to put into an OwnerDrawItem.
    const OwnerDrawOps* ops() const { return &ops_; }

  private:
    QPainter& painter_;
    OwnerDrawOps ops_;
};

}  // namespace tavrine::ui
