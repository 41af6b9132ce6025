#pragma once
// Numbers as the catalogue writes them in its texts.

#include <charconv>
#include <string>
#include <system_error>

namespace tavrine::catalogue {

// Returns value as the shortest text that reads back as value ("1.54", "30", "0.1").
inline std::string numberText(double value) {
    char buffer[32];
    const auto [last, problem] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return problem == std::errc() ? std::string(buffer, last) : std::string("nan");
}

}  // namespace tavrine::catalogue
