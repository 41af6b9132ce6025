#include "app/dialogs/capture/output_file_dialogs.h"

#include <QFileDialog>
#include <QStringList>
#include <utility>

#include "app/output/animation_job.h"
#include "app/output/capture_job.h"
#include "app/output/screen_shot.h"
#include "app/render/picture_formats.h"

namespace tavrine {

namespace {

// What differs between the file dialogs.
struct DialogKind {
    const char* title;
    QStringList filters;  // "Text (pattern)" in order
    const char* defaultSuffix;
    bool save;
    QStringList filterSuffixes = {};  // when set, the default extension of each filter in order
};

// A file dialog whose default extension is the chosen filter's when the kind lists one per
// filter, so that a name typed without an extension gets the extension of its format.
class FilterSuffixDialog : public QFileDialog {
  public:
    FilterSuffixDialog(QWidget* parent, const QString& title, QStringList suffixes)
        : QFileDialog(parent, title), suffixes_(std::move(suffixes)) {}

    void accept() override {
        // Taken at acceptance, so the name checked for overwriting is the one written.
        const qsizetype index = nameFilters().indexOf(selectedNameFilter());
        if (index >= 0 && index < suffixes_.size()) setDefaultSuffix(suffixes_[index]);
        QFileDialog::accept();
    }

  private:
    QStringList suffixes_;
};

// A filter of the dialog; its text ends with its pattern in parentheses, which Qt reads.
QString filterOf(const char* text) { return QString::fromLatin1(text); }

ChosenFile runFileDialog(QWidget* parent, const DialogKind& kind, const std::string& folder,
                         const std::string& proposedPath, int filterIndex) {
    FilterSuffixDialog dialog(parent, QString::fromLatin1(kind.title), kind.filterSuffixes);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(kind.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(kind.filters);
    if (filterIndex >= 1 && filterIndex <= kind.filters.size()) {
        dialog.selectNameFilter(kind.filters[filterIndex - 1]);
    }
    dialog.setDefaultSuffix(QString::fromLatin1(kind.defaultSuffix));
    dialog.setDirectory(QString::fromStdString(folder));
    if (!proposedPath.empty()) {
        // Only the name part: the folder is the dialog's own.
        dialog.selectFile(QString::fromStdString(splitPath(proposedPath).name +
                                                 splitPath(proposedPath).extension));
    }
    ChosenFile chosen;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return chosen;
    chosen.chosen = true;
    chosen.path = dialog.selectedFiles().front().toStdString();
    chosen.filterIndex = static_cast<int>(kind.filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (chosen.filterIndex < 1) chosen.filterIndex = 1;
    return chosen;
}

DialogKind captureKind(const char* title, bool save) {
    return {title, {filterOf(kCaptureInfoFilterText)}, kCaptureInfoExtension, save};
}

}  // namespace

ChosenFile askScreenShotFile(QWidget* parent, FileDialogState& state,
                             const std::string& defaultFolder) {
    DialogKind kind{kSaveScreenShotTitle, {}, kScreenShotDefaultExtension, true};
    for (size_t i = 0; i < kPictureFilterTexts.size(); ++i) {
        kind.filters << filterOf(kPictureFilterTexts[i]);
        kind.filterSuffixes << QString::fromLatin1(kPictureExtensions[i]);
    }
    const std::string folder = dialogOpeningFolder(state, defaultFolder);
    const ChosenFile chosen =
        runFileDialog(parent, kind, folder, state.path, static_cast<int>(state.filterIndex));
    if (chosen.chosen) state.filterIndex = static_cast<uint32_t>(chosen.filterIndex);
    return chosen;
}

ChosenFile askPositionInfoFile(QWidget* parent, FileDialogState& state,
                               const std::string& defaultFolder) {
    const DialogKind kind{
        kOpenPositionInfoTitle, {filterOf(kPositionInfoFilterText)}, kPositionInfoExtension, false};
    const std::string folder = dialogOpeningFolder(state, defaultFolder);
    return runFileDialog(parent, kind, folder, state.path, 1);
}

ChosenFile askNewCaptureInfoFile(QWidget* parent, FileDialogState& state,
                                 const std::string& defaultFolder) {
    const std::string folder = dialogOpeningFolder(state, defaultFolder);
    const ChosenFile chosen =
        runFileDialog(parent, captureKind(kSaveCaptureInfoTitle, true), folder, state.path, 1);
    if (chosen.chosen) rememberChosenPath(state, chosen.path);
    return chosen;
}

ChosenFile askCaptureInfoFile(QWidget* parent, FileDialogState& state,
                              const std::string& defaultFolder) {
    const std::string folder = dialogOpeningFolder(state, defaultFolder);
    const ChosenFile chosen =
        runFileDialog(parent, captureKind(kOpenCaptureInfoTitle, false), folder, state.path, 1);
    if (chosen.chosen) rememberChosenPath(state, chosen.path);
    return chosen;
}

ChosenFile askAnimationFile(QWidget* parent, FileDialogState& gifState,
                            const FileDialogState& captureState) {
    gifState.initialDirectory = captureState.initialDirectory;
    gifState.path = animationOutputName(captureState.path);
    const DialogKind kind{
        kSaveAnimationTitle, {filterOf(kAnimationFilterText)}, kAnimationExtension, true};
    const ChosenFile chosen =
        runFileDialog(parent, kind, gifState.initialDirectory, gifState.path, 1);
    if (chosen.chosen) gifState.path = chosen.path;
    return chosen;
}

}  // namespace tavrine
