#include "app/dialogs/back_color_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include "app/dialogs/dialog_controls.h"

namespace tavrine {

namespace {

const QRect kSwatch(QPoint(52, 60), QPoint(151, 139));
constexpr int kDefaultLight = 100;

}  // namespace

BackColorDialog::BackColorDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("BackColorSettingWnd"));
    setWindowTitle(QStringLiteral("BackColor / Light Volume Settings"));
    setModal(true);
    setFont(dialogFont());
    setFixedSize(360, 512);

    // Controls in creation order, which is also the Tab order; objectName = control id.
    makeGroup(this, 1029, QStringLiteral("Back Color"), 10, 8, 340, 198);
    const int columns[3] = {176, 232, 288};
    const int trackIds[3] = {1030, 1045, 1046};
    QSlider* tracks[3];
    for (int i = 0; i < 3; ++i) {
        // The top end of a colour track bar is channel 255 and the bottom end 0; the track bar's
        // value is the channel.
        tracks[i] = new QSlider(Qt::Vertical, this);
        tracks[i]->setObjectName(QString::number(trackIds[i]));
        tracks[i]->setGeometry(columns[i] + 12, 46, 30, 100);
        tracks[i]->setRange(0, 255);
        tracks[i]->setPageStep(16);
    }
    const QString names[3] = {QStringLiteral("Red"), QStringLiteral("Green"),
                              QStringLiteral("Blue")};
    for (int i = 0; i < 3; ++i) {
        makeLabel(this, 1024 + i, names[i], columns[i], 26, 56, 18)
            ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    }
    const int editIds[3][2] = {{1003, 1004}, {1032, 1033}, {1047, 1048}};
    for (int i = 0; i < 3; ++i) {
        auto* edit = new NumberEdit(this);
        edit->setObjectName(QString::number(editIds[i][0]));
        edit->setGeometry(columns[i], 152, 39, 22);
        auto* upDown = new UpDown(edit, 0, 255, this);
        upDown->setObjectName(QString::number(editIds[i][1]));
        upDown->setGeometry(columns[i] + 39, 152, 16, 22);
        colour_[i] = new LinkedValue(tracks[i], 0, edit, upDown, true, this);
    }
    makeLabel(this, 1027, QStringLiteral("BackDrop Color"), 32, 146, 140, 18)
        ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    makeLabel(this, 1028, QStringLiteral("Default = ( 0, 0, 0 )"), 32, 176, 140, 18)
        ->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    makeGroup(this, 1031, QString(), 10, 222, 340, 206);
    lightBox_ = makeCheckBox(this, 1018, QStringLiteral("Light Volumes (Range = 0 to 200%)"), 18,
                             213, 0, 18);
    lightBox_->setAutoFillBackground(true);  // covers the group's frame on its title line
    lightBox_->adjustSize();
    const int rows[3] = {246, 290, 330};
    const QString lights[3] = {QStringLiteral("Main"), QStringLiteral("Back"),
                               QStringLiteral("Fill")};
    for (int i = 0; i < 3; ++i) {
        lightLabels_[i] = makeLabel(this, 1049 + i, lights[i], 22, rows[i], 40, 18);
    }
    for (int i = 0; i < 3; ++i) {
        lightLabels_[3 + i] = makeLabel(this, 1052 + i, QStringLiteral("%"), 324, rows[i], 20, 18);
    }
    for (int i = 0; i < 3; ++i) {
        const int id = 1055 + 3 * i;
        auto* track = new QSlider(Qt::Horizontal, this);
        track->setObjectName(QString::number(id));
        track->setRange(0, 200);
        track->setPageStep(20);
        if (i == 0) {
            track->setTickPosition(QSlider::TicksBelow);
            track->setTickInterval(100);
            track->setGeometry(62, rows[i] - 6, 190, 30);
        } else {
            track->setGeometry(62, rows[i] - 4, 190, 26);
        }
        auto* edit = new NumberEdit(this);
        edit->setObjectName(QString::number(id + 1));
        edit->setGeometry(262, rows[i] - 2, 44, 22);
        auto* upDown = new UpDown(edit, 0, 200, this);
        upDown->setObjectName(QString::number(id + 2));
        upDown->setGeometry(306, rows[i] - 2, 16, 22);
        light_[i] = new LinkedValue(track, 0, edit, upDown, true, this);
    }
    lightLabels_[6] =
        makeLabel(this, 1064, QStringLiteral("( Default : Main=100%, Back=100%, Fill=100% )"), 22,
                  364, 324, 18);
    narrow_ =
        makeCheckBox(this, 1019, QStringLiteral("Use \"Narrow\" Main Light ( Smaller High-Light )"),
                     22, 394, 324, 20);

    // The head shadow of the ISO and COS lightings, below the light volumes.
    const bool dome = settings.lighting != 0;
    QLabel* shadowLabel = makeLabel(this, 1065, QStringLiteral("Head Shadow"), 22, 440, 96, 18);
    auto* shadowEdit = new NumberEdit(this);
    shadowEdit->setObjectName(QStringLiteral("1066"));
    shadowEdit->setGeometry(120, 438, 44, 22);
    auto* shadowUpDown =
        new UpDown(shadowEdit, ranges::kHeadShadow.low, ranges::kHeadShadow.high, this);
    shadowUpDown->setObjectName(QStringLiteral("1067"));
    shadowUpDown->setGeometry(164, 438, 16, 22);
    headShadow_ = new LinkedValue(nullptr, 0, shadowEdit, shadowUpDown, true, this);
    QLabel* shadowNote =
        makeLabel(this, 1068, QStringLiteral("degrees  ( Default : 10 )"), 186, 440, 164, 18);
    const QString shadowTip = QStringLiteral(
        "ISO and COS lightings: the cone about the line of sight in which the viewer's head "
        "blocks the light, 0 to 45 degrees (0 = none)");
    shadowLabel->setToolTip(shadowTip);
    shadowEdit->setToolTip(shadowTip);
    shadowLabel->setEnabled(dome);
    shadowNote->setEnabled(dome);
    headShadow_->setEnabled(dome);

    // "OK" acts as the dialog's id 1 and "CANCEL" as id 2; their names stay 1005 and 1006.
    auto* ok = makeButton(this, 1005, QStringLiteral("OK"), 152, 474, 92, 28);
    ok->setDefault(true);
    auto* cancel = makeButton(this, 1006, QStringLiteral("CANCEL"), 258, 474, 92, 28);
    auto* defaults = makeButton(this, 1007, QStringLiteral("Default (D)"), 10, 474, 104, 28);

    // Initial state from the settings.
    for (int i = 0; i < 3; ++i) {
        working_[i] = settings.look.backdrop[i];
        colour_[i]->setValue(settings.look.backdrop[i]);
        connect(colour_[i], &LinkedValue::changed, this, [this, i](int value) {
            working_[i] = value;
            update(kSwatch);
        });
    }
    const int32_t volumes[3] = {settings.look.mainLight, settings.look.backLight,
                                settings.look.fillLight};
    for (int i = 0; i < 3; ++i) light_[i]->setValue(volumes[i]);
    lightBox_->setChecked(settings.lightVolumesCheck != 0);
    narrow_->setChecked(settings.look.narrowHighlight != 0);
    headShadow_->setValue(settings.headShadow);
    updateLightGroup();

    connect(lightBox_, &QCheckBox::clicked, this, &BackColorDialog::updateLightGroup);
    connect(ok, &QPushButton::clicked, this, &BackColorDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &BackColorDialog::reject);
    connect(defaults, &QPushButton::clicked, this, &BackColorDialog::restoreDefaults);
}

void BackColorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        centreWindow(this);
    }
}

void BackColorDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(kSwatch, workingColour());
    painter.setPen(QPen(Qt::red, 1));
    painter.drawRect(kSwatch.adjusted(0, 0, -1, -1));
}

void BackColorDialog::updateLightGroup() {
    const bool enabled = lightBox_->isChecked();
    for (LinkedValue* light : light_) light->setEnabled(enabled);
    for (QLabel* label : lightLabels_) label->setEnabled(enabled);
    narrow_->setEnabled(enabled);
}

void BackColorDialog::restoreDefaults() {
    if (askConfirmation(this, QStringLiteral("Restore default settings?"), QMessageBox::Warning,
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        working_[i] = 0;
        colour_[i]->setValue(0);
        light_[i]->setValue(kDefaultLight);
    }
    lightBox_->setChecked(false);
    narrow_->setChecked(false);
    headShadow_->setValue(ranges::kDefaultHeadShadow);
    updateLightGroup();
    update(kSwatch);
}

void BackColorDialog::accept() {
    for (int i = 0; i < 3; ++i)
        settings_.look.backdrop[i] = static_cast<int16_t>(colour_[i]->value());
    settings_.lightVolumesCheck = lightBox_->isChecked() ? 1 : 0;
    settings_.look.mainLight = light_[0]->value();
    settings_.look.backLight = light_[1]->value();
    settings_.look.fillLight = light_[2]->value();
    settings_.look.narrowHighlight = narrow_->isChecked() ? 1 : 0;
    settings_.headShadow = headShadow_->value();
    done(1);
}

int openBackColorSettings(QWidget* parent, Settings& settings, DialogHost& host) {
    BackColorDialog dialog(settings, parent);
    const int result = dialog.exec();
    host.bringMainWindowToFront();
    return result;
}

}  // namespace tavrine
