#pragma once
// The "Size Setting" dialog: fixed size on the main window or a separate render window of width
// W, and the trimming of saved screen shots; and applySizeAndTrimming, which lays the render
// area out for the stored size and trimming.

#include <QDialog>

#include "app/dialogs/dialog_host.h"
#include "app/settings/settings_file.h"

class QCheckBox;
class QLabel;
class QRadioButton;

namespace tavrine {

class LinkedValue;
class NumberEdit;
class UpDown;

// Returns whether trimming leaves a picture of width (= height) limit: top + bottom and left +
// right both below limit.
bool trimmingFits(const Trimming& trimming, int32_t limit);

// Lays the render area out for settings.look.sizeMode and settings.look.imageWidth and tells the
// preview about a trimming change: shows or hides the "-> Render Window" button; re-creates the
// render window when the separate-window mode is new or its width changed, hides it when the fixed
// mode is new; sets the render geometry and, when the picture width (199 in the fixed mode, else W)
// changed, replaces the render picture; raises the render window in the separate-window mode;
// clears the main window's render area when the mode changed to the separate window; posts
// RedrawPreview when any of newTrimming differs from previousTrimming, or when trimmingInForce
// and the picture width changed. Also used when a Position-Info File is restored and when a
// capture is resumed.
void applySizeAndTrimming(const Settings& settings, const Trimming& newTrimming,
                          const Trimming& previousTrimming, bool trimmingInForce, DialogHost& host);

// The modal window "SizeSettingWnd". Every control's objectName is its control id as text; the
// OK button keeps the name "1005" and CANCEL "1006". The settings change only on an "OK" whose
// trimming fits.
class SizeSettingDialog : public QDialog {
    Q_OBJECT
  public:
    SizeSettingDialog(Settings& settings, DialogHost& host, QWidget* parent = nullptr);

    // "OK": checks the trimming against the picture size; when it fits, stores the controls'
    // values, runs applySizeAndTrimming and closes with result 1; otherwise shows the
    // "Invalid trimming value." message and stays open.
    void accept() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void updateEnabled();
    void restoreDefaults();

    Settings& settings_;
    DialogHost& host_;
    QRadioButton* fixedSize_;
    QRadioButton* changeSize_;
    LinkedValue* width_;
    QLabel* widthLabel_;
    QLabel* widthDefault_;
    QCheckBox* trimmingBox_;
    LinkedValue* trim_[4];  // top, bottom, left, right
    QLabel* sideLabels_[4];
    Trimming previousTrimming_;
    bool centred_ = false;
};

// Opens "SizeSettingWnd" modally over parent, then brings the main window to the foreground.
// While a rendering runs it asks the size question instead (and posts Abort on Yes) and
// returns 0 without opening. Returns 1 after a successful "OK", else 0.
int openSizeSetting(QWidget* parent, Settings& settings, DialogHost& host);

}  // namespace tavrine
