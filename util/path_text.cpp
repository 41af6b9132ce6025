#include "util/path_text.h"

#include <algorithm>

namespace tavrine::util {

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The escape of a control character inside $'...'.
std::string escaped(unsigned char c) {
    switch (c) {
    case '\a':
        return "\\a";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\v':
        return "\\v";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    default:
        break;
    }
    const char octal[] = {'\\', static_cast<char>('0' + (c >> 6)),
                          static_cast<char>('0' + ((c >> 3) & 7)),
                          static_cast<char>('0' + (c & 7))};
    return std::string(octal, sizeof octal);
}

}  // namespace

std::string quotedPath(const std::string& path) {
    if (std::none_of(path.begin(), path.end(),
                     [](char c) { return isControl(static_cast<unsigned char>(c)); })) {
        return path;
    }
    // Runs of other characters in single quotes, each control character as $'\n'.
    std::string out;
    bool inQuotes = false;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (isControl(c)) {
            if (inQuotes) out.push_back('\'');
            inQuotes = false;
            out += "$'" + escaped(c) + "'";
            continue;
        }
        if (!inQuotes) out.push_back('\'');
        inQuotes = true;
        if (ch == '\'') {
            out += "'\\''";
        } else {
            out.push_back(ch);
        }
    }
    if (inQuotes) out.push_back('\'');
    return out;
}

std::string cannotText(const char* verb, const std::string& path, const std::string& reason) {
    std::string text = std::string("cannot ") + verb + " " + quotedPath(path);
    if (!reason.empty()) text += ": " + reason;
    return text;
}

}  // namespace tavrine::util
