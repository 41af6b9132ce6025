#pragma once
// The render window "RenderWnd" of the separate-window size mode: a square client holding the
// picture with a margin, its own progress display, moved by dragging anywhere, hidden (never
// destroyed) by its close box, with a popup menu on the right button.

#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "app/ui/owner_draw_button.h"

class QMenu;
class QAction;

namespace tavrine::ui {

// Returns the margin around a picture of width W: 16, or (128 - W) / 2 when W + 32 < 128.
int renderWindowMargin(int imageWidth);

class RenderWindow : public QWidget {
    Q_OBJECT
  public:
    // Creates the window for pictures imageWidth pixels wide, topmost or not; owner is the main
    // window. It is not shown.
    RenderWindow(int imageWidth, bool topMost, QWidget* owner);

    // Makes the window stay on top of others or not, without moving or resizing it.
    void setTopMost(bool topMost);
    // Returns whether the window stays on top of others.
    bool isTopMost() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
    // Returns whether the window has been on screen, so that pos() is where the user last saw it.
    bool hasBeenShown() const { return shown_; }
    // Returns the progress display (id 1005).
    OwnerDrawButton* progressDisplay() const { return progress_; }
    // Returns the "Screen Shot (&S)" item of the popup menu.
    QAction* screenShotAction() const { return screenShot_; }
    // Returns the client-sized surface and the lock that guards it; the picture stands at
    // (margin, margin).
    QImage& surface() { return surface_; }
    QMutex& surfaceLock() { return surfaceLock_; }
    // Returns the picture's place in the client area.
    QRect pictureRect() const;
    // Shows the window in front without moving or sizing it and repaints it.
    void bringToFront();
    // Sets what paints the rendered picture over the surface: called with the picture's
    // top-left corner and the part of the client area to paint. GUI thread.
    void setPicturePainter(std::function<void(QPainter&, const QPoint&, const QRect&)> painter) {
        picturePainter_ = std::move(painter);
    }

  signals:
    // Emitted when the progress display is clicked (the abort confirmation follows).
    void progressClicked();
    // Emitted when "Screen Shot (&S)" is chosen.
    void screenShotRequested();
    // Emitted when a rendering that reported here has ended.
    void renderEnded();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    int imageWidth_;
    int margin_;
    ButtonStyle style_;
    OwnerDrawButton* progress_;
    QMenu* popup_;
    QAction* screenShot_;
    QImage surface_;
    QMutex surfaceLock_;
    std::function<void(QPainter&, const QPoint&, const QRect&)> picturePainter_;
    bool shown_ = false;
};

}  // namespace tavrine::ui
