#pragma once
// What the design readers and the design builder share: the bounds of a design file and the
// form of their messages.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavrine {

// The largest index gear a design may use, in teeth; its symmetry may not exceed it either.
inline constexpr int32_t kMaxGearTeeth = 720;

// The longest line a design file may hold, in bytes.
inline constexpr size_t kMaxDesignLine = 1u << 20;

// Returns the message for a problem found on a line of a design file:
// "cannot read FILE: line N: problem".
inline std::string designLineMessage(const std::string& fileName, int32_t line,
                                     const std::string& problem) {
    return "cannot read " + fileName + ": line " + std::to_string(line) + ": " + problem;
}

// Returns text without the spaces and tabs at either end.
inline std::string trimDesignText(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace tavrine
