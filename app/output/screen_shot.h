#pragma once
// The screen shot and Restore Position without their windows: the texts of their dialogs and
// messages, what the file dialogs remember, saving the picture with its Position-Info File, and
// reading a Position-Info File back into the live record.

#include <cstdint>
#include <string>

#include "app/output/file_names.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/settings/settings_file.h"
#include "imgctl/imgctl.h"

namespace tavrine {

// The caption of every message box of the picture outputs.
inline constexpr const char* kConfirmationCaption = "Confirmation";
// The message of a file that cannot be opened or created.
inline constexpr const char* kFailedToOpenFileText = "Failed to open file.";
// The confirmation of a screen shot saved with its Position-Info File.
inline constexpr const char* kScreenShotWithPositionSavedText =
    "\"Screen-Shot Picture File\" and its \"Position-Info File\" were saved.\n\nTo read "
    "Position-Info File,\nGo to \"ScreenShot(T)\" --> \"Restore Position(R)\".\nIt restores "
    "model's position to where it was captured.";
// The confirmation of a screen shot saved alone.
inline constexpr const char* kScreenShotAloneSavedText =
    "Only \"Screen-Shot Picture File\" was saved.\n\nTo save its Position-Info File together,\nGo "
    "to \"Settings(S)\" --> \"General Settings(S)\",\nthen check \"Position-Info File\" on that "
    "dialog.";
// The open dialog of Restore Position.
inline constexpr const char* kOpenPositionInfoTitle = "Open Position-Info File";
inline constexpr const char* kPositionInfoFilterText = "Position-Info File (*.gpi)";
inline constexpr const char* kPositionInfoFilterPattern = "*.gpi";
inline constexpr const char* kPositionInfoExtension = "gpi";
// The file name the screen-shot dialog proposes before anything was saved.
inline constexpr const char* kScreenShotDefaultName = "ScreenShot";
// The file name the capture dialogs propose before anything was saved.
inline constexpr const char* kCaptureDefaultName = "AutoCap";

// Returns the folder a file dialog opens in: the remembered initial directory when it is an
// existing folder, else defaultFolder (which then also becomes the remembered one, and is
// created when it does not exist yet).
std::string dialogOpeningFolder(FileDialogState& state, const std::string& defaultFolder);

// Returns the screen-shot dialog state kept in the settings file: its folder and filter index
// (1 to 7, else 1), and the default file name.
FileDialogState screenShotDialogState(const Settings& settings);

// Keeps the screen-shot folder and filter index in the settings, for the settings file.
void keepScreenShotDialogState(const FileDialogState& state, Settings& settings);

// Returns the capture dialog state kept in the settings file: its folder and the default name.
FileDialogState captureDialogState(const Settings& settings);

// Keeps the capture folder in the settings, for the settings file.
void keepCaptureDialogState(const FileDialogState& state, Settings& settings);

// What a screen shot wrote and what the user is told.
struct ScreenShotResult {
    bool pictureSaved = false;   // the picture file was written whole
    bool positionSaved = false;  // the Position-Info File was written beside it
    std::string picturePath;     // the chosen path
    std::string positionPath;    // the chosen path with ".gpi" for its extension, or ""
    std::string message;         // the confirmation, or the failure naming the file and reason
};

// Saves the render picture as a screen shot once the save dialog returned chosenPath and
// filterIndex (1 to 7): remembers the filter; writes the trimmed picture in the format of the
// filter whatever the typed extension (colour-reduced formats with the backdrop repair against
// backdrop, a COLORREF), through a temporary file, so a failure leaves no picture; remembers the
// chosen path in state; then, with position not null, writes that record to the chosen path
// with ".gpi" in place of its extension. The confirmation text appears only after the files
// were written; a failure gives "Failed to open file." followed by the file and the reason.
ScreenShotResult saveScreenShot(imgctl::DibHandle renderPicture, const PictureTrimming& trimming,
                                imgctl::ColorRef backdrop, const std::string& chosenPath,
                                int32_t filterIndex, FileDialogState& state,
                                const PositionInfo* position);

// What reading a Position-Info File for Restore Position gave.
struct RestoreRead {
    bool ok = false;
    Trimming previousTrimming;  // the trimming in force before the file was read
    std::string message;        // on failure: "Failed to open file." and the reason
};

// The window-free steps of Restore Position once its open dialog returned chosenPath: remembers
// the trimming of settings as the previous trimming, reads the whole record over record (frame
// count, frames done and check mode included; on failure record keeps every field), and
// remembers the chosen path in state. The caller then applies the record to the session and
// posts the restored view to the engine.
RestoreRead readRestoredPosition(const std::string& chosenPath, const Settings& settings,
                                 PositionInfo& record, FileDialogState& state);

}  // namespace tavrine
