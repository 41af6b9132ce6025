#pragma once
// File names of capture frames, and the splitting of chosen paths that the file dialogs
// remember.

#include <cstdint>
#include <string>

namespace tavrine {

// A path split into its parts; on this platform the drive is always empty.
struct SplitPath {
    std::string drive;      // always ""
    std::string directory;  // everything up to and including the last '/', or ""
    std::string name;       // the file name without its extension
    std::string extension;  // from the last '.' of the file name (with the dot), or ""
};

// What a file dialog of one purpose remembers between uses.
struct FileDialogState {
    std::string drive;             // drive of the last chosen path (always "")
    std::string directory;         // directory of the last chosen path, with trailing '/'
    std::string name;              // file name without extension
    std::string extension;         // extension with its dot
    std::string path;              // the last chosen path without its extension
    std::string initialDirectory;  // folder the dialog opens in
    uint32_t filterIndex = 1;      // 1-based filter index last chosen (screen shot only)
};

// Splits path into directory (with its trailing '/'), name and extension; leading dots of a
// file name (hidden files) belong to the name, and dots in folder names are never extensions.
SplitPath splitPath(const std::string& path);

// Remembers a path chosen in a file dialog: splits it into state's parts, sets the initial
// directory to drive + directory, and keeps the path without its extension.
void rememberChosenPath(FileDialogState& state, const std::string& chosenPath);

// Returns the number of digits of the frame numbers of a capture of frameCount frames: 1 +
// (N-1 > 9) + (N-1 > 99) + (N-1 > 999), so 1 to 4.
int frameNumberWidth(int32_t frameCount);

// Returns the file of frame (0 to frameCount - 1) of the capture whose Capture-Info File is
// base + ".sqi": base + "_F[" + the frame number padded with "0" to frameNumberWidth + "]" +
// ".gif"; a wider number is written in full.
std::string frameFileName(const std::string& base, int32_t frame, int32_t frameCount);

// Returns the file of a frame as frameFileName does, with extension (".gif", ".png") in place
// of ".gif".
std::string frameFileName(const std::string& base, int32_t frame, int32_t frameCount,
                          const std::string& extension);

}  // namespace tavrine
