#pragma once
// The file dialogs of the screen shot, Restore Position, the capture and the animated GIF: each
// opens in the remembered folder (or the default one when that folder is gone), shows its
// filters in order with the remembered one selected, and remembers the chosen file.

#include <string>

#include "app/output/file_names.h"

class QWidget;

namespace tavrine {

// What the user chose in a file dialog.
struct ChosenFile {
    bool chosen = false;  // false after Cancel or the close box
    std::string path;     // the chosen path, with the default extension when none was typed
    int filterIndex = 1;  // 1-based index of the chosen filter
};

// "Save Screen Shot": the seven picture filters (the remembered filterIndex selected), a name
// typed without an extension getting the chosen filter's extension, overwrite confirmed. The folder
// is state's, or defaultFolder when it is gone. On a choice, state remembers the filter; the caller
// saves and then remembers the path.
ChosenFile askScreenShotFile(QWidget* parent, FileDialogState& state,
                             const std::string& defaultFolder);

// "Open Position-Info File": "Position-Info File (*.gpi)", an existing file only.
ChosenFile askPositionInfoFile(QWidget* parent, FileDialogState& state,
                               const std::string& defaultFolder);

// "Save Capture-Info File": "Capture-Info File (*.sqi)", default extension "sqi".
ChosenFile askNewCaptureInfoFile(QWidget* parent, FileDialogState& state,
                                 const std::string& defaultFolder);

// "Open Capture-Info File": "Capture-Info File (*.sqi)", an existing file only.
ChosenFile askCaptureInfoFile(QWidget* parent, FileDialogState& state,
                              const std::string& defaultFolder);

// "Save Animation GIF File": "Animation GIF File (*.gif)", default extension "gif", proposing
// the frame base followed by "_ANI" in the capture's folder; gifState keeps the chosen path.
ChosenFile askAnimationFile(QWidget* parent, FileDialogState& gifState,
                            const FileDialogState& captureState);

}  // namespace tavrine
