#include "app/dialogs/general_settings_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/dialogs/dialog_controls.h"

namespace tavrine {

namespace {

// The turn delay and the track bar run opposite ways: position = this minus the delay.
constexpr int kSpeedBase = 200;
constexpr int kDefaultSpeedPosition = 150;
constexpr int kDefaultDepth = 8;

}  // namespace

GeneralSettingsDialog::GeneralSettingsDialog(Settings& settings, DialogHost& host, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      host_(host),
      openedLargerFont_(settings.largerFont),
      openedJapanese_(settings.japanese),
      openedButtonPlacement_(settings.buttonPlacement) {
    setObjectName(QStringLiteral("SettingWnd"));
    setWindowTitle(QStringLiteral("General Settings"));
    setModal(true);
    setFont(dialogFont());
    setFixedSize(353, 455);

    // Controls in creation order, which is also the Tab order; objectName = control id.
    makeGroup(this, 1029, QStringLiteral("Rotation Speed Of Surface Model ( In View Panel )"), 10,
              8, 333, 88);
    auto* track = new QSlider(Qt::Horizontal, this);
    track->setObjectName(QStringLiteral("1030"));
    track->setGeometry(22, 30, 232, 28);
    track->setRange(0, kSpeedBase);
    track->setTickPosition(QSlider::TicksBelow);
    track->setTickInterval(101);
    track->setPageStep(20);
    auto* speedEdit = new NumberEdit(this);
    speedEdit->setObjectName(QStringLiteral("1003"));
    speedEdit->setGeometry(266, 33, 44, 22);
    auto* speedUpDown = new UpDown(speedEdit, 0, kSpeedBase, this);
    speedUpDown->setObjectName(QStringLiteral("1004"));
    speedUpDown->setGeometry(310, 33, 17, 22);
    makeLabel(this, 1024, QStringLiteral("Slow"), 24, 64, 60, 16);
    makeLabel(this, 1025, QStringLiteral("Fast"), 194, 64, 60, 16)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    makeGroup(this, 1031, QStringLiteral("Depth Of Recursive Calculation (Max=20)"), 10, 104, 333,
              68);
    auto* depthEdit = new NumberEdit(this);
    depthEdit->setObjectName(QStringLiteral("1032"));
    depthEdit->setGeometry(22, 131, 44, 22);
    auto* depthUpDown = new UpDown(depthEdit, 1, 20, this);
    depthUpDown->setObjectName(QStringLiteral("1033"));
    depthUpDown->setGeometry(66, 131, 17, 22);

    makeGroup(this, 1034, QStringLiteral("Fire"), 10, 180, 162, 52);
    fire_ = makeCheckBox(this, 1018, QStringLiteral("Render \"Fire\""), 22, 202, 140, 20);
    auto* depthNote = makeLabel(
        this, 1026, QStringLiteral("Larger the value gets, More intricate the rendering becomes."),
        96, 125, 240, 34);
    depthNote->setWordWrap(true);

    makeGroup(this, 1035, QStringLiteral("Trail Of View Point"), 181, 180, 162, 52);
    draw_ = makeCheckBox(this, 1019, QStringLiteral("Draw"), 193, 202, 140, 20);

    makeGroup(this, 1036, QStringLiteral("Appearence Of Stone Setting Panel"), 10, 240, 333, 52);
    largerFont_ = makeCheckBox(this, 1020, QStringLiteral("Use Larger Font"), 22, 262, 160, 20);
    japanese_ = makeCheckBox(this, 1037, QStringLiteral("Japanese"), 193, 262, 140, 20);
    japanese_->hide();  // created hidden and never shown

    makeGroup(this, 1038, QStringLiteral("Button Placement"), 10, 300, 162, 68);
    makeGroup(this, 1039, QStringLiteral("Position Info File"), 181, 300, 162, 68);
    buttonPlacement_ =
        new WrappingCheckBox(QStringLiteral("Back Col. / Light Vol.       Size Buttons"), this);
    buttonPlacement_->setObjectName(QStringLiteral("1040"));
    buttonPlacement_->setGeometry(22, 322, 144, 36);
    savePositionInfo_ = makeCheckBox(this, 1041, QStringLiteral("Save"), 193, 330, 140, 20);

    // "OK" acts as the dialog's id 1 and "CANCEL" as id 2; their names stay 1005 and 1006.
    auto* ok = makeButton(this, 1005, QStringLiteral("OK"), 146, 412, 92, 28);
    ok->setDefault(true);
    auto* cancel = makeButton(this, 1006, QStringLiteral("CANCEL"), 251, 412, 92, 28);
    auto* defaults = makeButton(this, 1007, QStringLiteral("Default (&D)"), 10, 412, 104, 28);

    speed_ = new LinkedValue(track, 0, speedEdit, speedUpDown, true, this);
    depth_ = new LinkedValue(nullptr, 0, depthEdit, depthUpDown, false, this);

    // Initial state from the settings.
    speed_->setValue(kSpeedBase - settings.turnDelay);
    depth_->setValue(settings.recursionDepth);
    fire_->setChecked(settings.look.renderFire == 1);
    draw_->setChecked(settings.drawTrail != 0);
    largerFont_->setChecked(settings.largerFont == 1);
    japanese_->setChecked(settings.japanese == 1);
    buttonPlacement_->setChecked(settings.buttonPlacement == 1);
    savePositionInfo_->setChecked(settings.savePositionInfo == 1);

    connect(ok, &QPushButton::clicked, this, &GeneralSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &GeneralSettingsDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &GeneralSettingsDialog::restoreDefaults);
    connect(draw_, &QCheckBox::clicked, this, &GeneralSettingsDialog::drawClicked);
}

void GeneralSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        centreWindow(this);
    }
}

void GeneralSettingsDialog::drawClicked(bool checked) { host_.showTrailPreview(checked); }

void GeneralSettingsDialog::restoreDefaults() {
    if (askConfirmation(this, QStringLiteral("Restore default settings?"), QMessageBox::Warning,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes) {
        return;
    }
    speed_->setValue(kDefaultSpeedPosition);
    depth_->setValue(kDefaultDepth);
    fire_->setChecked(true);
    if (!draw_->isChecked()) {
        draw_->setChecked(true);
        drawClicked(true);
    }
    largerFont_->setChecked(true);
    japanese_->setChecked(false);
    buttonPlacement_->setChecked(true);
    savePositionInfo_->setChecked(true);
}

void GeneralSettingsDialog::accept() {
    settings_.turnDelay = kSpeedBase - speed_->value();
    settings_.recursionDepth = depth_->value();
    settings_.look.renderFire = fire_->isChecked() ? 1 : 0;
    settings_.drawTrail = draw_->isChecked() ? 1 : 0;
    settings_.largerFont = largerFont_->isChecked() ? 1 : 0;
    settings_.japanese = japanese_->isChecked() ? 1 : 0;
    settings_.buttonPlacement = buttonPlacement_->isChecked() ? 1 : 0;
    settings_.savePositionInfo = savePositionInfo_->isChecked() ? 1 : 0;
    if (settings_.largerFont != openedLargerFont_ || settings_.japanese != openedJapanese_ ||
        settings_.buttonPlacement != openedButtonPlacement_) {
        askConfirmation(this,
                        QStringLiteral("\"Appearence of Stone Setting Panel\"\n\"Button "
                                       "Placement\"\n\nChanges for these settings will take "
                                       "effect at the next program launch."),
                        QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok);
    }
    done(1);
}

void GeneralSettingsDialog::reject() {
    // The view panel showed the box's state; put back what the stored setting says.
    if (draw_->isChecked() != (settings_.drawTrail != 0)) {
        host_.showTrailPreview(settings_.drawTrail != 0);
    }
    done(0);
}

int openGeneralSettings(QWidget* parent, Settings& settings, DialogHost& host) {
    GeneralSettingsDialog dialog(settings, host, parent);
    const int result = dialog.exec();
    host.bringMainWindowToFront();
    return result;
}

}  // namespace tavrine
