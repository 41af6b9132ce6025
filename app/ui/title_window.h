#pragma once
// The title window "Welcome", shown at start when "Show Title (&T)" is on.

#include <QDialog>

namespace tavrine::ui {

// A modal window named "TitleWnd" with the title, the version, two credit lines and an "OK"
// button; it closes with result 0.
class TitleWindow : public QDialog {
    Q_OBJECT
  public:
    explicit TitleWindow(QWidget* owner);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace tavrine::ui
