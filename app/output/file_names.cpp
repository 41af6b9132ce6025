#include "app/output/file_names.h"

namespace tavrine {

SplitPath splitPath(const std::string& path) {
    SplitPath parts;
    const size_t slash = path.find_last_of('/');
    const size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    parts.directory = path.substr(0, fileStart);
    const std::string file = path.substr(fileStart);
    // A file name's leading dots mark a hidden file, not an extension.
    const size_t firstNonDot = file.find_first_not_of('.');
    const size_t dot = file.find_last_of('.');
    if (dot != std::string::npos && firstNonDot != std::string::npos && dot > firstNonDot) {
        parts.name = file.substr(0, dot);
        parts.extension = file.substr(dot);
    } else {
        parts.name = file;
    }
    return parts;
}

void rememberChosenPath(FileDialogState& state, const std::string& chosenPath) {
    const SplitPath parts = splitPath(chosenPath);
    state.drive = parts.drive;
    state.directory = parts.directory;
    state.name = parts.name;
    state.extension = parts.extension;
    state.initialDirectory = parts.drive + parts.directory;
    state.path = parts.drive + parts.directory + parts.name;
}

int frameNumberWidth(int32_t frameCount) {
    const int64_t last = static_cast<int64_t>(frameCount) - 1;
    return 1 + (last > 9 ? 1 : 0) + (last > 99 ? 1 : 0) + (last > 999 ? 1 : 0);
}

std::string frameFileName(const std::string& base, int32_t frame, int32_t frameCount) {
    return frameFileName(base, frame, frameCount, ".gif");
}

std::string frameFileName(const std::string& base, int32_t frame, int32_t frameCount,
                          const std::string& extension) {
    std::string number = std::to_string(frame);
    const size_t width = static_cast<size_t>(frameNumberWidth(frameCount));
    const bool negative = !number.empty() && number[0] == '-';
    const size_t digits = number.size() - (negative ? 1 : 0);
    if (digits < width) {
        number.insert(negative ? 1 : 0, width - digits, '0');
    }
    return base + "_F[" + number + "]" + extension;
}

}  // namespace tavrine
