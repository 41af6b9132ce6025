#pragma once
// The "Transformable Models" dialog: one tab page per transformable model (ellipsoid, prism,
// pyramid, 14 hedron, 26 hedron) with its parameters and a small shaded sketch of the shape.

#include <QDialog>
#include <QPolygonF>
#include <QWidget>
#include <vector>

#include "app/dialogs/dialog_host.h"
#include "app/settings/settings_file.h"

class QTabWidget;

namespace tavrine {

class LinkedValue;

// Model-list index of the first transformable model (the ellipsoid); the five follow in the
// order of the dialog's tab pages.
inline constexpr int32_t kFirstTransformableModel = 23;
// Results of the Transformable Models dialog.
inline constexpr int kModelDialogOk = 1;
inline constexpr int kModelDialogCancel = 2;
inline constexpr int kModelDialogSelect = 6;

// A 96 x 96 flat-shaded picture of a transformable model, seen from above one side, built with
// the model builders from the parameters given. GUI thread only.
class ShapeSketch : public QWidget {
  public:
    explicit ShapeSketch(QWidget* parent = nullptr);

    // Builds model modelIndex (23 to 27) with params and repaints.
    void setShape(int32_t modelIndex, const TransformableParams& params);
    // Returns the number of facets drawn (those facing the eye).
    int visibleFacets() const { return static_cast<int>(faces_.size()); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Face {
        QPolygonF outline;
        int shade;  // 0 to 255
    };
    std::vector<Face> faces_;
};

// The modal window "ModelSettingWnd" with the tab pages "ModelSettingWnd_TabP1_Ellipsoid" to
// "ModelSettingWnd_TabP5_Cube26". The controls of a value are named after the parameter it
// sets: "<name>Slider", "<name>Edit" and "<name>UpDown", with name one of
// ellipsoidCompressionRatio, ellipsoidDiameterRatio, ellipsoidSurfaces, ellipsoidRows,
// prismSides, prismHeightRatio, pyramidSides, pyramidHeightRatio, hedron14Cut, hedron26Cut (the
// two cutting ratios as shown: 100 minus the stored value). The buttons are "DefaultButton",
// "SelectButton", "OkButton" and "CancelButton"; the sketches "<page name>_Sketch".
class TransformableModelsDialog : public QDialog {
    Q_OBJECT
  public:
    TransformableModelsDialog(Settings& settings, QWidget* parent = nullptr);

    // "OK": stores the ten values and closes with result 1. Nothing is rebuilt.
    void accept() override;
    // "CANCEL", Escape or the close box: closes with result 2; nothing is stored.
    void reject() override;
    // "Select": stores as "OK" and closes with result 6.
    void select();

    // Returns the index (0 to 4) of the page shown.
    int currentPage() const;

  private:
    TransformableParams valuesShown() const;
    void showValues(const TransformableParams& params, int page);
    void updateSketch(int page);
    void restoreDefaults();
    void store();

    Settings& settings_;
    QTabWidget* tabs_;
    LinkedValue* values_[10];
    ShapeSketch* sketches_[5];
};

// Opens "ModelSettingWnd" modally over parent on the page last shown in this run. On "Select"
// with no rendering running it makes model 23 + page current (settings.modelIndex and
// host.makeModelCurrent); while a rendering runs it asks "Now rendering, Abort current
// process?" instead and the model stays. Then brings the main window to the foreground.
// Returns 1 (OK), 2 (CANCEL or close box) or 6 (Select).
int openTransformableModels(QWidget* parent, Settings& settings, DialogHost& host);

}  // namespace tavrine
