#include "app/dialogs/transformable_models_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <algorithm>
#include <cmath>
#include <memory>

#include "app/dialogs/dialog_controls.h"
#include "app/engine/abort_confirmation.h"
#include "app/model/model_record.h"

namespace tavrine {

namespace {

// The page shown last; it lasts while the program runs.
int lastPage = 0;

// The ten values in the order of values_: name, page, range, whether a slider comes with the
// number and, for the two cutting ratios, that the stored value is 100 minus the shown one.
enum Value {
    kCompression,
    kDiameter,
    kSurfaces,
    kRows,
    kPrismSides,
    kPrismHeight,
    kPyramidSides,
    kPyramidHeight,
    kHedron14,
    kHedron26,
    kValueCount
};

struct ValueSpec {
    const char* name;
    int page;
    int minimum;
    int maximum;
    bool slider;
};

const ValueSpec kValues[kValueCount] = {
    {"ellipsoidCompressionRatio", 0, 5, 100, true},
    {"ellipsoidDiameterRatio", 0, 5, 100, true},
    {"ellipsoidSurfaces", 0, 3, 24, false},
    {"ellipsoidRows", 0, 2, 16, false},
    {"prismSides", 1, 3, 16, false},
    {"prismHeightRatio", 1, 5, 95, true},
    {"pyramidSides", 2, 3, 16, false},
    {"pyramidHeightRatio", 2, 5, 95, true},
    {"hedron14Cut", 3, 5, 95, true},
    {"hedron26Cut", 4, 5, 95, true},
};

// The ellipsoid's compression slider runs the other way: position = this minus the value.
constexpr int kCompressionBase = 105;

const char* const kPageNames[5] = {
    "ModelSettingWnd_TabP1_Ellipsoid", "ModelSettingWnd_TabP2_Prism",
    "ModelSettingWnd_TabP3_Conic",     "ModelSettingWnd_TabP4_Cube14",
    "ModelSettingWnd_TabP5_Cube26",
};
const char* const kTabTexts[5] = {"Ellipsoid", "Prism", "Pyramid", "14 hedron", "26 hedron"};

int valueOf(const TransformableParams& p, int which) {
    switch (which) {
    case kCompression:
        return p.ellipsoidCompressionRatio;
    case kDiameter:
        return p.ellipsoidDiameterRatio;
    case kSurfaces:
        return p.ellipsoidSurfaces;
    case kRows:
        return p.ellipsoidRows;
    case kPrismSides:
        return p.prismSides;
    case kPrismHeight:
        return p.prismHeightRatio;
    case kPyramidSides:
        return p.pyramidSides;
    case kPyramidHeight:
        return p.pyramidHeightRatio;
    case kHedron14:
        return 100 - p.hedron14Keep;
    default:
        return 100 - p.hedron26Keep;
    }
}

void setValueOf(TransformableParams& p, int which, int value) {
    switch (which) {
    case kCompression:
        p.ellipsoidCompressionRatio = value;
        break;
    case kDiameter:
        p.ellipsoidDiameterRatio = value;
        break;
    case kSurfaces:
        p.ellipsoidSurfaces = value;
        break;
    case kRows:
        p.ellipsoidRows = value;
        break;
    case kPrismSides:
        p.prismSides = value;
        break;
    case kPrismHeight:
        p.prismHeightRatio = value;
        break;
    case kPyramidSides:
        p.pyramidSides = value;
        break;
    case kPyramidHeight:
        p.pyramidHeightRatio = value;
        break;
    case kHedron14:
        p.hedron14Keep = 100 - value;
        break;
    default:
        p.hedron26Keep = 100 - value;
        break;
    }
}

// Scratch model for the sketches, built on the GUI thread only.
ModelRecord& sketchModel() {
    static std::unique_ptr<ModelRecord> model = std::make_unique<ModelRecord>();
    return *model;
}

}  // namespace

// --- ShapeSketch ---

ShapeSketch::ShapeSketch(QWidget* parent) : QWidget(parent) { setFixedSize(96, 96); }

void ShapeSketch::setShape(int32_t modelIndex, const TransformableParams& params) {
    ModelRecord& model = sketchModel();
    model.modelIndex = modelIndex;
    model.vertexCount = 0;
    model.facetCount = 0;
    buildModel(model, params);

    // Turn the shape a little about the vertical axis, then tip it towards the eye.
    const double yaw = 0.75;
    const double pitch = 0.5;
    const double cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    auto view = [&](const Vertex& v) {
        const double x = cy * v.x + sy * v.z;
        const double z = -sy * v.x + cy * v.z;
        return Vertex{x, cp * v.y - sp * z, sp * v.y + cp * z};
    };
    const double lx = -0.35, ly = 0.55, lz = 0.76;  // light from the upper left, towards the eye
    const double scale = 44.0;
    faces_.clear();
    for (int f = 0; f < model.facetCount; ++f) {
        const Facet& facet = model.facets[f];
        const int n = std::clamp(facet.vertexCount, 0, 16);
        if (n < 3) continue;
        Vertex corners[16];
        double cx = 0, cyy = 0, cz = 0;
        for (int k = 0; k < n; ++k) {
            corners[k] = view(model.modelVertices[facet.vertexIndex[k]]);
            cx += corners[k].x;
            cyy += corners[k].y;
            cz += corners[k].z;
        }
        // Newell's normal, turned outwards (every transformable model is convex about the
        // origin).
        double nx = 0, ny = 0, nz = 0;
        for (int k = 0; k < n; ++k) {
            const Vertex& a = corners[k];
            const Vertex& b = corners[(k + 1) % n];
            nx += (a.y - b.y) * (a.z + b.z);
            ny += (a.z - b.z) * (a.x + b.x);
            nz += (a.x - b.x) * (a.y + b.y);
        }
        if (nx * cx + ny * cyy + nz * cz < 0) {
            nx = -nx;
            ny = -ny;
            nz = -nz;
        }
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length == 0 || nz <= 0) continue;  // edge-on or facing away (the eye is at +z)
        const double light = std::max(0.0, (nx * lx + ny * ly + nz * lz) / length);
        Face face;
        face.shade = static_cast<int>(90 + 165 * light);
        for (int k = 0; k < n; ++k) {
            face.outline << QPointF(48 + scale * corners[k].x, 48 - scale * corners[k].y);
        }
        faces_.push_back(face);
    }
    update();
}

void ShapeSketch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(255, 255, 255));
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Face& face : faces_) {
        const int s = face.shade;
        painter.setPen(QPen(QColor(40, 60, 110), 0.6));
        painter.setBrush(QColor(s * 55 / 100, s * 75 / 100, s));
        painter.drawPolygon(face.outline);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- TransformableModelsDialog ---

TransformableModelsDialog::TransformableModelsDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("ModelSettingWnd"));
    setWindowTitle(QStringLiteral("Transformable Models"));
    setModal(true);
    setFont(dialogFont());
    setFixedSize(480, 442);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("ModelSettingWnd_Tab"));
    tabs_->setGeometry(8, 8, 464, 332);
    QWidget* pages[5];
    for (int i = 0; i < 5; ++i) {
        pages[i] = new QWidget;
        pages[i]->setObjectName(QString::fromLatin1(kPageNames[i]));
        tabs_->addTab(pages[i], QString::fromLatin1(kTabTexts[i]));
    }

    // One value: an optional slider, then its number field with the up-down, named after it.
    auto addValue = [&](int which, int x, int y, int sliderWidth) {
        const ValueSpec& entry = kValues[which];
        QWidget* page = pages[entry.page];
        const QString name = QString::fromLatin1(entry.name);
        QSlider* slider = nullptr;
        if (entry.slider) {
            slider = new QSlider(Qt::Horizontal, page);
            slider->setObjectName(name + QStringLiteral("Slider"));
            slider->setGeometry(x, y - 2, sliderWidth, 26);
            slider->setRange(entry.minimum, entry.maximum);
            slider->setPageStep(5);
            x += sliderWidth + 10;
        }
        auto* edit = new NumberEdit(page);
        edit->setObjectName(name + QStringLiteral("Edit"));
        edit->setGeometry(x, y, 40, 22);
        auto* upDown = new UpDown(edit, entry.minimum, entry.maximum, page);
        upDown->setObjectName(name + QStringLiteral("UpDown"));
        upDown->setGeometry(x + 40, y, 16, 22);
        values_[which] = new LinkedValue(slider, which == kCompression ? kCompressionBase : 0, edit,
                                         upDown, true, this);
        return x + 64;  // where a text after the field may start
    };
    auto text = [](QWidget* page, const QString& caption, int x, int y, int w, int h = 18) {
        auto* label = new QLabel(caption, page);
        label->setGeometry(x, y, w, h);
        label->setWordWrap(h > 18);
        return label;
    };

    // Ellipsoid.
    QWidget* p = pages[0];
    auto* diameter = new QGroupBox(
        QStringLiteral("Diameter Of Ellipsoid ( In the \"XZ\" Plane = View From Top )"), p);
    diameter->setGeometry(8, 6, 440, 154);
    text(p, QStringLiteral("Compression ratio of Z height to X width."), 20, 30, 410);
    int after = addValue(kCompression, 20, 52, 240);
    text(p, QStringLiteral("( Default = 70 )"), after, 54, 110);
    text(p, QStringLiteral("Length ratio of XZ diameter to that of circumsphere. ( 100% )"), 20, 90,
         410);
    after = addValue(kDiameter, 20, 112, 240);
    text(p, QStringLiteral("( Default = 80 )"), after, 114, 110);
    auto* surfaces = new QGroupBox(QStringLiteral("Number Of Surfaces"), p);
    surfaces->setGeometry(8, 168, 348, 98);
    text(p, QStringLiteral("Circumferential ( XZ plane ) ="), 18, 194, 182);
    after = addValue(kSurfaces, 202, 192, 0);
    text(p, QStringLiteral("( Default = 16 )"), after - 2, 194, 94);
    text(p, QStringLiteral("Vertical Row ( XY plane ) ="), 18, 230, 182);
    after = addValue(kRows, 202, 228, 0);
    text(p, QStringLiteral("( Default = 8 )"), after - 2, 230, 94);

    const QString heightNote = QStringLiteral(
        "Setting the height automatically determines the base's diameter which inscribes the "
        "circumsphere.");
    // Prism.
    p = pages[1];
    text(p, QStringLiteral("Number Of Sides For Base Polygon Of Prism    ( Range : 3 to 16 )"), 16,
         16, 430);
    after = addValue(kPrismSides, 16, 38, 0);
    text(p, QStringLiteral("( Default = 6 )"), after, 40, 110);
    text(p, QStringLiteral("Ratio of Prism's Height To Its Base Diameter ( Range : 5 to 95 )"), 16,
         86, 430);
    after = addValue(kPrismHeight, 16, 108, 240);
    text(p, QStringLiteral("( Default = 70 )"), after, 110, 110);
    text(p, heightNote, 16, 160, 310, 40);

    // Pyramid.
    p = pages[2];
    text(p, QStringLiteral("Number Of Sides For Base of Pyramid ( Range : 3 to 16 )"), 16, 16, 430);
    after = addValue(kPyramidSides, 16, 38, 0);
    text(p, QStringLiteral("( Default = 6 )"), after, 40, 110);
    text(p, QStringLiteral("Ratio Of Pyramid's Height To Its Base Diameter ( Range : 5 to 95 )"),
         16, 86, 430);
    after = addValue(kPyramidHeight, 16, 108, 240);
    text(p, QStringLiteral("( Default = 70 )"), after, 110, 110);
    text(p, heightNote, 16, 160, 310, 40);

    // 14 hedron.
    p = pages[3];
    text(p, QStringLiteral("Cutting Ratio Of Corners   ( Range : 5 to 95 % )"), 16, 16, 430);
    after = addValue(kHedron14, 16, 38, 240);
    text(p, QStringLiteral("( Default = 50 )"), after, 40, 110);
    text(p,
         QStringLiteral("Setting the cutting ratio automatically determines the size of the 14 "
                        "hedron which inscribes the circumsphere."),
         16, 86, 310, 40);

    // 26 hedron.
    p = pages[4];
    text(p, QStringLiteral("Cutting Ratio Of Sides And Corners   ( Range: 5 to 95% )"), 16, 16,
         430);
    after = addValue(kHedron26, 16, 38, 240);
    text(p, QStringLiteral("( Default = 13 )"), after, 40, 110);
    text(p,
         QStringLiteral("Setting the cutting ratio automatically determines the size of the 26 "
                        "hedron which inscribes the circumsphere."),
         16, 86, 310, 40);

    for (int i = 0; i < 5; ++i) {
        sketches_[i] = new ShapeSketch(pages[i]);
        sketches_[i]->setObjectName(QString::fromLatin1(kPageNames[i]) + QStringLiteral("_Sketch"));
        sketches_[i]->move(i == 0 ? 360 : 356, i == 0 ? 170 : 140);
    }

    auto* note = new QLabel(
        QStringLiteral("Press \"Select\" button to set the model on this tab page directly."),
        this);
    note->setGeometry(22, 350, 440, 18);
    auto* defaults = new QPushButton(QStringLiteral("Default (&D)"), this);
    defaults->setObjectName(QStringLiteral("DefaultButton"));
    defaults->setGeometry(22, 380, 104, 28);
    auto* selectButton = new QPushButton(QStringLiteral("Select"), this);
    selectButton->setObjectName(QStringLiteral("SelectButton"));
    selectButton->setGeometry(144, 380, 104, 28);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(274, 380, 80, 28);
    auto* cancel = new QPushButton(QStringLiteral("CANCEL"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setGeometry(363, 380, 96, 28);
    ok->setDefault(true);

    // Initial state from the settings, on the page last shown.
    for (int i = 0; i < 5; ++i) showValues(settings.look.transformable, i);
    for (int which = 0; which < kValueCount; ++which) {
        const int page = kValues[which].page;
        connect(values_[which], &LinkedValue::changed, this, [this, page] { updateSketch(page); });
    }
    tabs_->setCurrentIndex(std::clamp(lastPage, 0, 4));
    connect(tabs_, &QTabWidget::currentChanged, this, [](int index) { lastPage = index; });

    connect(ok, &QPushButton::clicked, this, &TransformableModelsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &TransformableModelsDialog::reject);
    connect(selectButton, &QPushButton::clicked, this, &TransformableModelsDialog::select);
    connect(defaults, &QPushButton::clicked, this, &TransformableModelsDialog::restoreDefaults);
}

int TransformableModelsDialog::currentPage() const { return tabs_->currentIndex(); }

TransformableParams TransformableModelsDialog::valuesShown() const {
    TransformableParams params = settings_.look.transformable;
    for (int which = 0; which < kValueCount; ++which) {
        setValueOf(params, which, values_[which]->value());
    }
    return params;
}

void TransformableModelsDialog::showValues(const TransformableParams& params, int page) {
    for (int which = 0; which < kValueCount; ++which) {
        if (kValues[which].page == page) values_[which]->setValue(valueOf(params, which));
    }
    updateSketch(page);
}

void TransformableModelsDialog::updateSketch(int page) {
    sketches_[page]->setShape(kFirstTransformableModel + page, valuesShown());
}

void TransformableModelsDialog::restoreDefaults() {
    const auto answer = askConfirmation(
        this, QStringLiteral("Restore this tab page to default settings?"), QMessageBox::Warning,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    const TransformableParams defaults;
    if (answer == QMessageBox::Yes) {
        showValues(defaults, currentPage());
    } else if (answer == QMessageBox::No &&
               askConfirmation(this, QStringLiteral("Restore all 5 tab pages to default settings?"),
                               QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::Yes) == QMessageBox::Yes) {
        for (int i = 0; i < 5; ++i) showValues(defaults, i);
    }
}

void TransformableModelsDialog::store() { settings_.look.transformable = valuesShown(); }

void TransformableModelsDialog::accept() {
    store();
    done(kModelDialogOk);
}

void TransformableModelsDialog::reject() { done(kModelDialogCancel); }

void TransformableModelsDialog::select() {
    store();
    done(kModelDialogSelect);
}

int openTransformableModels(QWidget* parent, Settings& settings, DialogHost& host) {
    TransformableModelsDialog dialog(settings, parent);
    const int result = dialog.exec();
    if (result == kModelDialogSelect) {
        if (host.renderBusy()) {
            host.confirmAbort(QString::fromUtf8(kAbortText));
        } else {
            settings.modelIndex = kFirstTransformableModel + dialog.currentPage();
            host.makeModelCurrent(settings.modelIndex);
        }
    }
    host.bringMainWindowToFront();
    return result;
}

}  // namespace tavrine
