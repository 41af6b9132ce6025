#include "app/settings/recent_designs.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "util/binary_record.h"

namespace tavrine {

namespace {

// The list is a few short lines; a larger file is read only this far.
constexpr size_t kRecentFileReadMax = 64 * 1024;

// Returns whether path can be a line of the file: absolute, not too long, and free of control
// characters (C0, DEL, or C1 in UTF-8), which would break the lines or reach menus as escapes.
bool isStorable(const std::string& path) {
    if (path.empty() || path[0] != '/' || path.size() > kRecentDesignPathMax) return false;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c == 0xC2 && i + 1 < path.size()) {
            const auto next = static_cast<unsigned char>(path[i + 1]);
            if (next >= 0x80 && next <= 0x9F) return false;
        }
    }
    return true;
}

std::string realPathOf(const std::string& path) {
    std::error_code failed;
    std::filesystem::path real = std::filesystem::canonical(path, failed);
    if (failed) real = std::filesystem::weakly_canonical(path, failed);
    return failed ? path : real.string();
}

// Appends path to list unless list already names its file (real is its real path, reals those
// of list).
void appendDistinct(std::vector<std::string>& list, std::vector<std::string>& reals,
                    const std::string& path) {
    const std::string real = realPathOf(path);
    for (const std::string& known : reals) {
        if (known == real) return;
    }
    list.push_back(path);
    reals.push_back(real);
}

}  // namespace

std::string recentDesignsFile(const std::string& settingsFolder) {
    return settingsFolder + kRecentDesignsFileName;
}

bool isSameDesignFile(const std::string& a, const std::string& b) {
    return a == b || realPathOf(a) == realPathOf(b);
}

std::vector<std::string> readRecentDesigns(const std::string& path) {
    std::vector<std::string> list;
    std::vector<uint8_t> bytes;
    if (!readFileHead(path, kRecentFileReadMax, bytes)) return list;
    // A file cut off by the read limit loses its unfinished last line.
    const bool whole = bytes.size() < kRecentFileReadMax;
    std::vector<std::string> reals;
    size_t start = 0;
    while (start < bytes.size() && list.size() < kRecentDesignCount) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        if (end == bytes.size() && !whole) break;
        size_t length = end - start;
        if (length > 0 && bytes[start + length - 1] == '\r') --length;
        const std::string line(reinterpret_cast<const char*>(bytes.data()) + start, length);
        if (isStorable(line)) appendDistinct(list, reals, line);
        start = end + 1;
    }
    return list;
}

bool writeRecentDesigns(const std::string& path, const std::vector<std::string>& list,
                        std::string* error) {
    std::vector<uint8_t> bytes;
    size_t written = 0;
    for (const std::string& design : list) {
        if (written == kRecentDesignCount) break;
        if (!isStorable(design)) continue;
        bytes.insert(bytes.end(), design.begin(), design.end());
        bytes.push_back('\n');
        ++written;
    }
    std::string reason;
    if (writeFileAtomically(path, bytes, error, &reason)) return true;
    if (error != nullptr) *error += "\n\n" + path + ": " + reason;
    return false;
}

std::vector<std::string> withRecentDesign(const std::vector<std::string>& list,
                                          const std::string& design) {
    if (!isStorable(design)) return list;
    std::vector<std::string> result;
    std::vector<std::string> reals;
    appendDistinct(result, reals, design);
    for (const std::string& entry : list) {
        if (result.size() == kRecentDesignCount) break;
        appendDistinct(result, reals, entry);
    }
    return result;
}

std::vector<std::string> withoutRecentDesign(const std::vector<std::string>& list,
                                             const std::string& design) {
    std::vector<std::string> result;
    for (const std::string& entry : list) {
        if (!isSameDesignFile(entry, design)) result.push_back(entry);
    }
    return result;
}

std::vector<std::string> noteRecentDesign(const std::string& path, const std::string& design,
                                          std::string* error) {
    const std::vector<std::string> list = withRecentDesign(readRecentDesigns(path), design);
    writeRecentDesigns(path, list, error);
    return list;
}

std::vector<std::string> forgetRecentDesign(const std::string& path, const std::string& design,
                                            std::string* error) {
    const std::vector<std::string> list = withoutRecentDesign(readRecentDesigns(path), design);
    writeRecentDesigns(path, list, error);
    return list;
}

}  // namespace tavrine
