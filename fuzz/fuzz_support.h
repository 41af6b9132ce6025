#pragma once
// What the harnesses share: a scratch file per process for readers that take a path, and a
// check that stops the run with a message when a property of an accepted input fails.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavrine::fuzz {

// Returns a path in the fastest temporary folder, unique to this process.
inline std::string scratchPath(const char* name) {
    const char* shm = "/dev/shm";
    const std::string folder = ::access(shm, W_OK) == 0 ? shm : "/tmp";
    return folder + "/tavrine-fuzz-" + std::to_string(::getpid()) + "-" + name;
}

// Replaces the file at path by size bytes at data.
inline void writeScratch(const std::string& path, const uint8_t* data, size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

// Returns the bytes of the file at path; stops the run when it cannot be read.
inline std::vector<uint8_t> readScratch(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) std::abort();
    std::vector<uint8_t> bytes;
    uint8_t block[4096];
    size_t count = 0;
    while ((count = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.insert(bytes.end(), block, block + count);
    }
    std::fclose(file);
    return bytes;
}

// Stops the run when a property does not hold; libFuzzer then keeps the input as a crash.
inline void require(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\n", what.c_str());
        std::abort();
    }
}

}  // namespace tavrine::fuzz
