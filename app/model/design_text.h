#pragma once
// What the design readers and the design builder share: the bounds of a design file and the
// form of their messages.

#include <cstddef>
#include <cstdint>
#include <string>

#include "util/path_text.h"

namespace tavrine {

// The largest index gear a design may use, in teeth; its symmetry may not exceed it either.
inline constexpr int32_t kMaxGearTeeth = 720;

// The longest line a design file may hold, in bytes.
inline constexpr size_t kMaxDesignLine = 1u << 20;

// Returns the message for a problem found on a line of a design file:
// "cannot read FILE: line N: problem".
inline std::string designLineMessage(const std::string& fileName, int32_t line,
                                     const std::string& problem) {
    return util::cannotText("read", fileName, "line " + std::to_string(line) + ": " + problem);
}

// Returns the message for a problem found at a byte of a binary design file:
// "cannot read FILE: byte N: problem".
inline std::string designByteMessage(const std::string& fileName, int64_t offset,
                                     const std::string& problem) {
    return util::cannotText("read", fileName, "byte " + std::to_string(offset) + ": " + problem);
}

// Appends to out the UTF-8 form of the Windows-1252 character c (the text of design files that
// are not UTF-8); a byte the code page leaves undefined becomes U+FFFD.
void appendWindows1252(std::string& out, unsigned char c);

// Returns text without the spaces and tabs at either end.
inline std::string trimDesignText(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace tavrine
