#include "app/ui/design_opener.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/settings/recent_designs.h"
#include "app/ui/control_table.h"
#include "app/ui/stone_panel.h"
#include "app/ui/window_port.h"

namespace tavrine::ui {

DesignOpener::DesignOpener(WindowPort& window, Session& session, std::string recentFile)
    : QObject(window.widget()),
      window_(window),
      session_(session),
      recentFile_(std::move(recentFile)) {
    showDesignRow();
    if (!recentFile_.empty()) recent_ = readRecentDesigns(recentFile_);
    if (session_.design.model != nullptr) {
        noteRecent();
    } else {
        showRecentDesigns();
    }
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

void DesignOpener::showRecentDesigns() {
    QMenu* menu = window_.recentDesignsMenu();
    if (menu == nullptr) return;
    // The chosen item may be the one being replaced: it goes once its signal has returned.
    for (QAction* item : menu->actions()) {
        menu->removeAction(item);
        item->deleteLater();
    }
    int number = 1;
    for (const std::string& design : recent_) {
        const QString path = QString::fromStdString(design);
        QString shown = path;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(shown));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { openRecent(path); });
    }
    menu->menuAction()->setEnabled(!recent_.empty());
}

bool DesignOpener::mayOpen() {
    // As a choice from the lists: the rendering is aborted first or nothing happens.
    return !window_.renderBusy() || window_.confirmAbort(kAbortText) == QMessageBox::Yes;
}

void DesignOpener::openFromMenu() {
    if (!mayOpen()) return;
    QFileDialog dialog(window_.widget(), QString::fromUtf8(kOpenDesignCaption), folder_,
                       QString::fromUtf8(kDesignFileFilter));
    dialog.setObjectName(QStringLiteral("OpenDesignDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openFile(dialog.selectedFiles().first());
}

void DesignOpener::openDropped(const QString& path) {
    if (!mayOpen()) return;
    openFile(path);
}

void DesignOpener::openRecent(const QString& path) {
    if (!mayOpen()) return;
    const std::string design = path.toStdString();
    std::error_code failed;
    if (!std::filesystem::exists(design, failed) && !failed) {
        // Gone: it leaves the list, and the user learns which one it was.
        std::string error;
        if (!recentFile_.empty()) recent_ = forgetRecentDesign(recentFile_, design, &error);
        recent_ = withoutRecentDesign(recent_, design);
        showRecentDesigns();
        if (!error.empty()) qWarning("tavrine: %s", error.c_str());
        refuse(design + " no longer exists; it is removed from \"Recent Designs\".");
        return;
    }
    openFile(path);
}

bool DesignOpener::openFile(const QString& path) {
    std::string error;
    if (!openDesign(session_, path.toStdString(), &error)) {
        refuse(error);
        return false;
    }
    folder_ = QFileInfo(path).absolutePath();
    showDesignRow();
    noteRecent();
    // The proposed index goes into the field; the lists show the session's choices.
    window_.showSelection();
    window_.makeModelCurrent(kDesignModelIndex);
    return true;
}

void DesignOpener::showRecordedDesign(const PositionInfo& record) {
    showDesignRow();
    if (record.modelIndex == kDesignModelIndex) noteRecent();
}

void DesignOpener::noteRecent() {
    if (session_.design.model == nullptr) return;
    std::string error;
    if (!recentFile_.empty()) recent_ = noteRecentDesign(recentFile_, session_.design.path, &error);
    // Kept for the run when the file cannot be written.
    recent_ = withRecentDesign(recent_, session_.design.path);
    if (!error.empty()) qWarning("tavrine: %s", error.c_str());
    showRecentDesigns();
}

void DesignOpener::refuse(const std::string& message) {
    QMessageBox box(
        QMessageBox::Warning, QStringLiteral("Confirmation"),
        QStringLiteral("Cannot open the design.\n\n%1").arg(QString::fromStdString(message)),
        QMessageBox::Ok, window_.widget());
    box.setObjectName(QStringLiteral("DesignRefusal"));
    box.exec();
}

}  // namespace tavrine::ui
