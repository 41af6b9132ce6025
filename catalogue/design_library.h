#pragma once
// A folder of design files as a library: its designs in a stable order, the shard each falls
// to, and the digests that tell whether a design or the options changed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrine::catalogue {

// One design file of a library: its file name (no folder) and its path.
struct DesignFile {
    std::string name;
    std::string path;
};

// Lists the design files of folder (not its subfolders): every entry whose name ends in ".asc"
// or ".gem" (in any case), does not begin with a dot and is not a folder, sorted by the bytes
// of the name. Returns false with reason set (the system's text) when the folder cannot be read.
bool listDesignFiles(const std::string& folder, std::vector<DesignFile>& designs,
                     std::string* reason);

// Returns the shard (0 to count - 1, count >= 1) that the design file named fileName falls to:
// the first 8 bytes of the SHA-256 digest of the name's bytes, as a big-endian number, modulo
// count. It depends on the name alone.
int32_t shardOf(const std::string& fileName, int32_t count);

// Returns the SHA-256 digest of size bytes at data as 64 lowercase hexadecimal digits.
std::string sha256Hex(const void* data, size_t size);

}  // namespace tavrine::catalogue
