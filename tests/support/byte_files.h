#pragma once
// Test helpers for binary files: a temporary folder, whole-file reading and writing, and
// little-endian field access decoded independently of the code under test, so that offsets
// are checked byte by byte.

#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace tavrine::test {

// A fresh folder under the system's temporary folder, removed with its contents afterwards
// (its permissions are restored first, for tests that take them away).
class TempFolder {
  public:
    explicit TempFolder(const std::string& prefix = "tavrine") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    // Returns the path of name inside the folder.
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Returns the folder's path.
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

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
