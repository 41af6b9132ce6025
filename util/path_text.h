#pragma once
// File names in messages. A name may hold any byte but the slash and NUL, a newline or an
// escape sequence among them; a message shows such a name quoted, so that one failure stays one
// line and no terminal control reaches the screen.

#include <string>

namespace tavrine::util {

// Returns path as messages show it: unchanged when it holds no control character (bytes below
// 0x20 and 0x7F), else quoted as a POSIX shell reads it back, control characters escaped:
// 'a'$'\n''b' for "a", a newline and "b", as coreutils show such names.
std::string quotedPath(const std::string& path);

// Returns "cannot VERB PATH: REASON" with the path as quotedPath shows it, or "cannot VERB PATH"
// when reason is empty; verb is "read" or "write".
std::string cannotText(const char* verb, const std::string& path, const std::string& reason);

}  // namespace tavrine::util
