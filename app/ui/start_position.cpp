#include "app/ui/start_position.h"

#include "util/path_text.h"

namespace tavrine::ui {

StartPosition takeStartPosition(const std::string& path, Session& session) {
    StartPosition result;
    PositionInfo info;
    std::string error;
    if (!readPositionInfo(path, info, false, &error)) {
        result.refusal = util::cannotText("read", path, error);
        return result;
    }
    // A record of a design needs the design first; when it cannot be read the record is
    // refused as a whole.
    if (!startAtPosition(session, info, &error)) {
        result.refusal = "cannot open the design of " + path + ": " + error;
        return result;
    }
    result.info = info;
    return result;
}

StartPosition takeStartDesign(const std::string& path, Session& session) {
    StartPosition result;
    std::string error;
    if (!openDesign(session, path, &error)) {
        result.refusal = error;
    }
    return result;
}

namespace {

// Returns whether path ends in extension (a dot and lower-case letters), in any case.
bool endsWithExtension(const std::string& path, const std::string& extension) {
    if (path.size() < extension.size()) return false;
    std::string tail = path.substr(path.size() - extension.size());
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == extension;
}

}  // namespace

bool isDesignFileName(const std::string& path) {
    return endsWithExtension(path, ".asc") || endsWithExtension(path, ".gem");
}

bool isPositionFileName(const std::string& path) { return endsWithExtension(path, ".gpi"); }

}  // namespace tavrine::ui
