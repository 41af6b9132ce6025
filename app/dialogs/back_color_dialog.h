#pragma once
// The "BackColor / Light Volume Settings" dialog: the backdrop colour that rays leaving the
// stone see, the three light volumes and the narrow main light, and the head shadow of the ISO
// and COS lightings.

#include <QColor>
#include <QDialog>

#include "app/dialogs/dialog_host.h"
#include "app/settings/settings_file.h"

class QCheckBox;
class QLabel;

namespace tavrine {

class LinkedValue;

// The modal window "BackColorSettingWnd". Every control's objectName is its control id as text;
// the OK button keeps the name "1005" and CANCEL "1006". The swatch at (52, 60)-(152, 140)
// shows the colour being edited; nothing is stored before "OK".
class BackColorDialog : public QDialog {
    Q_OBJECT
  public:
    BackColorDialog(Settings& settings, QWidget* parent = nullptr);

    // "OK": stores the backdrop colour, the "Light Volumes" box, the three volumes, the narrow
    // box and the head shadow, and closes with result 1. The head shadow's controls are greyed
    // in the Studio lighting, whose lights it does not touch.
    void accept() override;

    // Returns the colour the swatch shows.
    QColor workingColour() const { return QColor(working_[0], working_[1], working_[2]); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void updateLightGroup();
    void restoreDefaults();

    Settings& settings_;
    LinkedValue* colour_[3];  // red, green, blue
    int working_[3];          // the working colour
    QCheckBox* lightBox_;
    LinkedValue* light_[3];  // main, back, fill
    QLabel* lightLabels_[7];
    QCheckBox* narrow_;
    LinkedValue* headShadow_;  // degrees, 0 to 45
    bool centred_ = false;
};

// Opens "BackColorSettingWnd" modally over parent, then brings the main window to the
// foreground. Returns 1 after "OK", else 0.
int openBackColorSettings(QWidget* parent, Settings& settings, DialogHost& host);

}  // namespace tavrine
