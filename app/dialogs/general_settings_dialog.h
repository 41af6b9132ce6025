#pragma once
// The "General Settings" dialog: turning speed of the surface model, recursion depth, "Fire",
// the trail of the view point, the stone setting panel's appearance, the button placement and
// the Position-Info File switch.

#include <QDialog>

#include "app/dialogs/dialog_host.h"
#include "app/settings/settings_file.h"

class QCheckBox;
class QSlider;

namespace tavrine {

class LinkedValue;

// The modal window "SettingWnd". Every control's objectName is its control id as text ("1030"
// for the track bar); the OK button keeps the name "1005" and CANCEL "1006". Nothing is stored
// in settings before "OK".
class GeneralSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    GeneralSettingsDialog(Settings& settings, DialogHost& host, QWidget* parent = nullptr);

    // "OK": stores the controls' values in the settings, shows the restart notice when one of
    // the three start-up settings changed, and closes with result 1.
    void accept() override;
    // "CANCEL", Escape or the close box: shows the trail again as stored when "Draw" was
    // changed, and closes with result 0; no setting changes.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void restoreDefaults();
    void drawClicked(bool checked);

    Settings& settings_;
    DialogHost& host_;
    LinkedValue* speed_;
    LinkedValue* depth_;
    QCheckBox* fire_;
    QCheckBox* draw_;
    QCheckBox* largerFont_;
    QCheckBox* japanese_;
    QCheckBox* buttonPlacement_;
    QCheckBox* savePositionInfo_;
    // The three start-up settings as they were when the dialog opened.
    int32_t openedLargerFont_;
    int32_t openedJapanese_;
    int32_t openedButtonPlacement_;
    bool centred_ = false;
};

// Opens "SettingWnd" modally over parent, then brings the main window to the foreground.
// Allowed while a rendering runs. Returns 1 after "OK", else 0.
int openGeneralSettings(QWidget* parent, Settings& settings, DialogHost& host);

}  // namespace tavrine
