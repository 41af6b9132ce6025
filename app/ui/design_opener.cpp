#include "app/ui/design_opener.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "app/ui/stone_panel.h"

namespace tavrine::ui {

DesignOpener::DesignOpener(MainWindow& window, Session& session)
    : QObject(&window), window_(window), session_(session) {
    showDesignRow();
}

void DesignOpener::showDesignRow() {
    auto* list = qobject_cast<QComboBox*>(window_.control(kModelList));
    if (list == nullptr) return;
    if (session_.design.model == nullptr) {
        while (list->count() > kModelListRows) list->removeItem(list->count() - 1);
        return;
    }
    const QString title =
        QString::fromStdString(designTitle(session_.design.design, session_.design.path));
    if (list->count() == kModelListRows) {
        list->addItem(title);
    } else {
        list->setItemText(kDesignModelIndex, title);
    }
    list->setItemData(kDesignModelIndex, QString::fromStdString(session_.design.path),
                      Qt::ToolTipRole);
    if (session_.settings.modelIndex == kDesignModelIndex) {
        list->setCurrentIndex(kDesignModelIndex);
    }
}

void DesignOpener::openFromMenu() {
    if (window_.renderBusy()) {
        // As a choice from the lists: the rendering is aborted first or nothing happens.
        if (window_.confirmAbort(kAbortQuestion) != QMessageBox::Yes) return;
    }
    QFileDialog dialog(&window_, QString::fromUtf8(kOpenDesignCaption), folder_,
                       QString::fromUtf8(kDesignFileFilter));
    dialog.setObjectName(QStringLiteral("OpenDesignDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openFile(dialog.selectedFiles().first());
}

bool DesignOpener::openFile(const QString& path) {
    std::string error;
    if (!openDesign(session_, path.toStdString(), &error)) {
        refuse(error);
        return false;
    }
    folder_ = QFileInfo(path).absolutePath();
    showDesignRow();
    // The proposed index goes into the field; the lists show the session's choices.
    window_.showSelection();
    window_.makeModelCurrent(kDesignModelIndex);
    return true;
}

bool DesignOpener::openRecordedDesign(const PositionInfo& record) {
    std::string error;
    if (!tavrine::openRecordedDesign(session_, record, &error)) {
        refuse(error);
        return false;
    }
    showDesignRow();
    return true;
}

void DesignOpener::refuse(const std::string& message) {
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Confirmation"),
        QStringLiteral("Cannot open the design.\n\n%1").arg(QString::fromStdString(message)),
        QMessageBox::Ok, &window_);
    box.setObjectName(QStringLiteral("DesignRefusal"));
    box.exec();
}

}  // namespace tavrine::ui
