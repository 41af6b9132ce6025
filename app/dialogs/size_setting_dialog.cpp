#include "app/dialogs/size_setting_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogs/dialog_controls.h"
#include "app/engine/abort_confirmation.h"

namespace tavrine {

namespace {

// The picture the trimming edits stand around.
const QRect kPictureSquare(144, 203, 60, 60);
constexpr int kMaxTrimming = 512;
constexpr int kDefaultImageWidth = 270;

int32_t pictureWidth(int32_t sizeMode, int32_t imageWidth) {
    return sizeMode == 1 ? imageWidth : kFixedModeImageWidth;
}

bool sameTrimming(const Trimming& a, const Trimming& b) {
    return a.top == b.top && a.bottom == b.bottom && a.left == b.left && a.right == b.right;
}

}  // namespace

bool trimmingFits(const Trimming& trimming, int32_t limit) {
    return trimming.top + trimming.bottom < limit && trimming.left + trimming.right < limit;
}

void applySizeAndTrimming(const Settings& settings, const Trimming& newTrimming,
                          const Trimming& previousTrimming, bool trimmingInForce,
                          DialogHost& host) {
    const bool separate = settings.look.sizeMode == 1;
    host.showRenderWindowButton(separate);

    const RenderLayout previous = host.renderLayout();
    const bool modeChanged = previous.sizeMode != settings.look.sizeMode;
    const int32_t previousPicture = pictureWidth(previous.sizeMode, previous.imageWidth);
    const int32_t newPicture = pictureWidth(settings.look.sizeMode, settings.look.imageWidth);

    if (separate && (modeChanged || previous.imageWidth != settings.look.imageWidth)) {
        host.recreateRenderWindow(settings.look.imageWidth);
    } else if (!separate && modeChanged) {
        host.hideRenderWindow();
    }
    host.setRenderGeometry(settings.look.sizeMode, settings.look.imageWidth);
    if (newPicture != previousPicture) host.replaceRenderPicture(newPicture);

    if (separate) host.raiseRenderWindow();
    if (separate && modeChanged) host.clearMainRenderArea();

    // The preview frames the part of the picture that a screen shot keeps.
    if (!sameTrimming(newTrimming, previousTrimming) ||
        (trimmingInForce && newPicture != previousPicture)) {
        host.postRedrawPreview();
    }
}

SizeSettingDialog::SizeSettingDialog(Settings& settings, DialogHost& host, QWidget* parent)
    : QDialog(parent), settings_(settings), host_(host), previousTrimming_(settings.look.trimming) {
    setObjectName(QStringLiteral("SizeSettingWnd"));
    setWindowTitle(QStringLiteral("Size Setting"));
    setModal(true);
    setFont(dialogFont());
    setFixedSize(353, 388);

    // Controls in creation order, which is also the Tab order; objectName = control id.
    makeGroup(this, 1029, QStringLiteral("Size"), 10, 8, 333, 132);
    fixedSize_ = new QRadioButton(QStringLiteral("Fixed size. ( Render on Main Window )"), this);
    fixedSize_->setObjectName(QStringLiteral("1043"));
    fixedSize_->setGeometry(22, 30, 310, 20);
    changeSize_ =
        new QRadioButton(QStringLiteral("Change Size. ( Render on Separate Window )"), this);
    changeSize_->setObjectName(QStringLiteral("1044"));
    changeSize_->setGeometry(22, 52, 310, 20);
    auto* widthEdit = new NumberEdit(this);
    widthEdit->setObjectName(QStringLiteral("1003"));
    widthEdit->setGeometry(42, 104, 50, 22);
    auto* widthUpDown = new UpDown(widthEdit, kMinImageWidth, kMaxImageWidth, this);
    widthUpDown->setObjectName(QStringLiteral("1004"));
    widthUpDown->setGeometry(92, 104, 17, 22);
    widthLabel_ = makeLabel(this, 1024, QStringLiteral("Width ( =Height ). ( Range : 32 to 512 )"),
                            42, 80, 290, 18);
    widthDefault_ = makeLabel(this, 1025, QStringLiteral("( Default= 270 )"), 120, 106, 150, 18);

    makeGroup(this, 1031, QString(), 10, 156, 333, 184);
    trimmingBox_ =
        makeCheckBox(this, 1018, QStringLiteral("Trimming ( Value In Pixels )"), 18, 147, 0, 18);
    trimmingBox_->setAutoFillBackground(true);  // covers the group's frame on its title line
    trimmingBox_->adjustSize();

    // The four edits stand around a square: top above, bottom below, left and right beside it.
    const int ids[4][2] = {{1032, 1033}, {1047, 1048}, {1056, 1057}, {1059, 1060}};
    const QPoint places[4] = {{144, 176}, {144, 268}, {79, 222}, {208, 222}};
    NumberEdit* edits[4];
    UpDown* upDowns[4];
    for (int i = 0; i < 4; ++i) {
        edits[i] = new NumberEdit(this);
        edits[i]->setObjectName(QString::number(ids[i][0]));
        edits[i]->setGeometry(places[i].x(), places[i].y(), 44, 22);
        upDowns[i] = new UpDown(edits[i], 0, kMaxTrimming, this);
        upDowns[i]->setObjectName(QString::number(ids[i][1]));
        upDowns[i]->setGeometry(places[i].x() + 44, places[i].y(), 17, 22);
    }
    sideLabels_[0] = makeLabel(this, 1026, QStringLiteral("Top Side"), 212, 178, 80, 18);
    sideLabels_[1] = makeLabel(this, 1027, QStringLiteral("Bottom Side"), 212, 270, 90, 18);
    sideLabels_[2] = makeLabel(this, 1028, QStringLiteral("Left Side"), 14, 224, 62, 18);
    sideLabels_[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sideLabels_[3] = makeLabel(this, 1065, QStringLiteral("Right Side"), 274, 224, 64, 18);

    // "OK" acts as the dialog's id 1 and "CANCEL" as id 2; their names stay 1005 and 1006.
    auto* ok = makeButton(this, 1005, QStringLiteral("OK"), 146, 350, 92, 28);
    ok->setDefault(true);
    auto* cancel = makeButton(this, 1006, QStringLiteral("CANCEL"), 251, 350, 92, 28);
    auto* defaults = makeButton(this, 1007, QStringLiteral("Default (&D)"), 10, 350, 104, 28);
    makeLabel(this, 1066, QStringLiteral("( Default : All 0 )"), 22, 308, 150, 18);

    width_ = new LinkedValue(nullptr, 0, widthEdit, widthUpDown, false, this);
    for (int i = 0; i < 4; ++i) {
        trim_[i] = new LinkedValue(nullptr, 0, edits[i], upDowns[i], true, this);
    }

    // Initial state from the settings.
    width_->setValue(settings.look.imageWidth);
    const int32_t values[4] = {settings.look.trimming.top, settings.look.trimming.bottom,
                               settings.look.trimming.left, settings.look.trimming.right};
    for (int i = 0; i < 4; ++i) trim_[i]->setValue(values[i]);
    (settings.look.sizeMode == 1 ? changeSize_ : fixedSize_)->setChecked(true);
    trimmingBox_->setChecked(settings.look.trimmingCheckBox != 0);
    updateEnabled();

    connect(fixedSize_, &QRadioButton::clicked, this, &SizeSettingDialog::updateEnabled);
    connect(changeSize_, &QRadioButton::clicked, this, &SizeSettingDialog::updateEnabled);
    connect(trimmingBox_, &QCheckBox::clicked, this, &SizeSettingDialog::updateEnabled);
    connect(ok, &QPushButton::clicked, this, &SizeSettingDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SizeSettingDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &SizeSettingDialog::restoreDefaults);
}

void SizeSettingDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(
        trimmingBox_->isChecked() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawRect(kPictureSquare.adjusted(0, 0, -1, -1));
}

void SizeSettingDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        centreWindow(this);
    }
}

void SizeSettingDialog::updateEnabled() {
    const bool separate = changeSize_->isChecked();
    width_->setEnabled(separate);
    widthLabel_->setEnabled(separate);
    widthDefault_->setEnabled(separate);
    const bool trimming = trimmingBox_->isChecked();
    for (int i = 0; i < 4; ++i) {
        trim_[i]->setEnabled(trimming);
        sideLabels_[i]->setEnabled(trimming);
    }
    update(kPictureSquare);
}

void SizeSettingDialog::restoreDefaults() {
    if (askConfirmation(this, QStringLiteral("Restore default settings?"), QMessageBox::Warning,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes) {
        return;
    }
    fixedSize_->setChecked(true);
    width_->setValue(kDefaultImageWidth);
    trimmingBox_->setChecked(false);
    for (LinkedValue* value : trim_) value->setValue(0);
    updateEnabled();
}

void SizeSettingDialog::accept() {
    const int32_t sizeMode = changeSize_->isChecked() ? 1 : 0;
    const int32_t imageWidth = width_->value();
    const Trimming trimming{trim_[0]->value(), trim_[1]->value(), trim_[2]->value(),
                            trim_[3]->value()};
    const int32_t limit = pictureWidth(sizeMode, imageWidth);
    if (!trimmingFits(trimming, limit)) {
        // Nothing is stored: a rejected value never reaches the settings.
        askConfirmation(this,
                        QStringLiteral("Invalid trimming value.\n\nSum of the paired two values "
                                       "(i.e. left side + right side)\nmust be lower than the "
                                       "length (/height) of the rendering image.\n\nShorten the "
                                       "trimming length."),
                        QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    settings_.look.sizeMode = sizeMode;
    settings_.look.imageWidth = imageWidth;
    settings_.look.trimmingCheckBox = trimmingBox_->isChecked() ? 1 : 0;
    settings_.look.trimming = trimming;
    const bool inForce = trimming.top + trimming.bottom + trimming.left + trimming.right != 0;
    settings_.look.trimmingActive = inForce ? 1 : 0;
    applySizeAndTrimming(settings_, trimming, previousTrimming_, inForce, host_);
    done(1);
}

int openSizeSetting(QWidget* parent, Settings& settings, DialogHost& host) {
    if (host.renderBusy()) {
        host.confirmAbort(QString::fromUtf8(kAbortToResizeText));
        return 0;
    }
    SizeSettingDialog dialog(settings, host, parent);
    const int result = dialog.exec();
    host.bringMainWindowToFront();
    return result;
}

}  // namespace tavrine
