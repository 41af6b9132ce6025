#include "app/output/screen_shot.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace tavrine {

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string failedToOpen(const std::string& reason) {
    return std::string(kFailedToOpenFileText) + "\n\n" + reason;
}

// "cannot read PATH" or "cannot write PATH", with the record reader's or writer's reason when
// it says more than that the file could not be opened.
std::string recordFailure(const char* verb, const std::string& path, const std::string& error) {
    std::string text = std::string("cannot ") + verb + " " + path;
    if (!error.empty() && error != kFailedToOpenFileText) text += ": " + error;
    return text;
}

}  // namespace

std::string dialogOpeningFolder(FileDialogState& state, const std::string& defaultFolder) {
    if (!isFolder(state.initialDirectory)) {
        state.initialDirectory = defaultFolder;
        // The default folder is made on first use; when it cannot be, the dialog opens where
        // the toolkit chooses.
        std::error_code ignored;
        if (!defaultFolder.empty()) std::filesystem::create_directories(defaultFolder, ignored);
    }
    return state.initialDirectory;
}

FileDialogState screenShotDialogState(const Settings& settings) {
    FileDialogState state;
    state.initialDirectory = settings.screenShotFolder;
    state.filterIndex =
        settings.screenShotFilterIndex >= 1 && settings.screenShotFilterIndex <= kPictureFormatCount
            ? static_cast<uint32_t>(settings.screenShotFilterIndex)
            : 1u;
    state.path = kScreenShotDefaultName;
    return state;
}

void keepScreenShotDialogState(const FileDialogState& state, Settings& settings) {
    settings.screenShotFolder = state.initialDirectory;
    settings.screenShotFilterIndex = static_cast<int32_t>(state.filterIndex);
}

FileDialogState captureDialogState(const Settings& settings) {
    FileDialogState state;
    state.initialDirectory = settings.captureFolder;
    state.path = kCaptureDefaultName;
    return state;
}

void keepCaptureDialogState(const FileDialogState& state, Settings& settings) {
    settings.captureFolder = state.initialDirectory;
}

ScreenShotResult saveScreenShot(imgctl::DibHandle renderPicture, const PictureTrimming& trimming,
                                imgctl::ColorRef backdrop, const std::string& chosenPath,
                                int32_t filterIndex, FileDialogState& state,
                                const PositionInfo* position) {
    ScreenShotResult result;
    result.picturePath = chosenPath;
    state.filterIndex = static_cast<uint32_t>(filterIndex);
    // The format follows the filter, never the typed extension.
    const PictureSaveResult picture =
        savePictureFile(renderPicture, trimming, filterIndex, backdrop, chosenPath);
    rememberChosenPath(state, chosenPath);
    if (!picture.ok) {
        result.message = failedToOpen(picture.message);
        return result;
    }
    result.pictureSaved = true;
    if (position == nullptr) {
        result.message = kScreenShotAloneSavedText;
        return result;
    }
    result.positionPath = state.path + "." + kPositionInfoExtension;
    std::string error;
    if (!writePositionInfo(result.positionPath, *position, &error)) {
        result.message = failedToOpen(recordFailure("write", result.positionPath, error) +
                                      "\nThe picture " + chosenPath + " was saved without it.");
        return result;
    }
    result.positionSaved = true;
    result.message = kScreenShotWithPositionSavedText;
    return result;
}

RestoreRead readRestoredPosition(const std::string& chosenPath, const Settings& settings,
                                 PositionInfo& record, FileDialogState& state) {
    RestoreRead result;
    result.previousTrimming = settings.look.trimming;
    std::string error;
    result.ok = readPositionInfo(chosenPath, record, false, &error);
    if (!result.ok) result.message = failedToOpen(recordFailure("read", chosenPath, error));
    rememberChosenPath(state, chosenPath);
    return result;
}

}  // namespace tavrine
