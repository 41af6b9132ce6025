#pragma once
// Test helpers for files: the temporary folder, whole-file reading and writing, and
// little-endian field access decoded independently of the code under test, so that offsets
// are checked byte by byte.

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tavrine::test {

// Returns the bytes of a file (empty when it cannot be read).
inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Replaces a file by the bytes.
inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Returns the contents of the file at path as text (empty when it cannot be read).
inline std::string contents(const std::string& path) {
    std::string text;
    if (std::FILE* in = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        size_t n = 0;
        while ((n = std::fread(block, 1, sizeof block, in)) > 0) text.append(block, n);
        std::fclose(in);
    }
    return text;
}

// Replaces the file at path by text.
inline void put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Returns the little-endian int32 at offset.
inline int32_t int32At(const std::vector<uint8_t>& b, size_t offset) {
    return static_cast<int32_t>(static_cast<uint32_t>(b.at(offset)) |
                                (static_cast<uint32_t>(b.at(offset + 1)) << 8) |
                                (static_cast<uint32_t>(b.at(offset + 2)) << 16) |
                                (static_cast<uint32_t>(b.at(offset + 3)) << 24));
}

// Returns the little-endian int16 at offset.
inline int16_t int16At(const std::vector<uint8_t>& b, size_t offset) {
    return static_cast<int16_t>(static_cast<uint16_t>(b.at(offset) | (b.at(offset + 1) << 8)));
}

// Returns the little-endian IEEE double at offset.
inline double doubleAt(const std::vector<uint8_t>& b, size_t offset) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8; ++i) {
        bits |= static_cast<uint64_t>(b.at(offset + i)) << (8 * i);
    }
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Writes a little-endian int32 at offset.
inline void putInt32(std::vector<uint8_t>& b, size_t offset, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) {
        b.at(offset + i) = static_cast<uint8_t>(bits >> (8 * i));
    }
}

// Writes a little-endian IEEE double at offset.
inline void putDouble(std::vector<uint8_t>& b, size_t offset, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (size_t i = 0; i < 8; ++i) {
        b.at(offset + i) = static_cast<uint8_t>(bits >> (8 * i));
    }
}

}  // namespace tavrine::test
