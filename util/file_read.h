#pragma once
// Reading regular files into memory without ever blocking on a FIFO or a device.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrine::util {

// Reads at most maxBytes from the start of the regular file at path into bytes (a shorter file
// gives its whole contents); returns false, with bytes empty, when the file cannot be opened or
// read or is not a regular file. The file is opened without blocking, so a FIFO or a device at
// path is refused rather than waited on.
bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);

// Reads the whole regular file at path into bytes when it holds at most maxBytes; returns
// false, with bytes empty, when it is longer, cannot be opened or read, or is not a regular
// file (a FIFO or a device is refused rather than waited on).
bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);

// Reads as readFileHead does and, on failure, puts the reason in reason: the system's text
// ("No such file or directory"), "it is a folder", "it is not a regular file" or "out of
// memory".
bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes,
                  std::string* reason);

// Reads as readWholeFile does and, on failure, puts the reason in reason, as readFileHead
// does, or "it is larger than N bytes".
bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes,
                   std::string* reason);

}  // namespace tavrine::util
