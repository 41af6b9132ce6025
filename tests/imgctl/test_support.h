#pragma once
// Helpers shared by the image library's tests and the picture-format tests: temporary folders,
// made-up pictures with fixed seeds, and little-endian reading of file bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"
#include "tests/support/temp_folder.h"

namespace tavrine::imgctl::testing {

// The tests' temporary folder, under the name these tests know it by.
using TempDir = tavrine::test::TempFolder;

// Returns a COLORREF of the three channels.
inline ColorRef rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Returns a new zero-filled 24-bit picture made as the render job makes its pictures.
inline DibHandle newPicture(int32_t width, int32_t height) {
    BitmapInfoHeader head;
    head.width = width;
    head.height = -height;
    return CreateDIB(head);
}

// Returns a picture like a rendering: a plain backdrop with a shaded, noisy disc of many
// colours in the middle (fixed seed).
inline DibHandle renderLikePicture(int32_t size, ColorRef backdrop, uint32_t seed = 1) {
    DibHandle dib = newPicture(size, size);
    uint8_t* rows = DataDIB(dib)->rows;
    std::mt19937 random(seed);
    const double c = size / 2.0, radius = size * 0.4;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const double dx = x - c, dy = y - c;
            ColorRef colour = backdrop;
            if (dx * dx + dy * dy < radius * radius) {
                const uint32_t n = random() % 24;
                const uint32_t r = static_cast<uint32_t>(60 + 150 * x / size) + n;
                const uint32_t g = static_cast<uint32_t>(40 + 120 * y / size) + n / 2;
                const uint32_t b = static_cast<uint32_t>(200 - 100 * (x + y) / (2 * size)) + n;
                colour = rgb(r, g, b);
            }
            setImagePixel(rows, size, size, x, y, colour);
        }
    }
    return dib;
}

// Returns a picture of exactly |count| distinct colours (count <= 4096), one per pixel in
// order, repeated over a |width| x |height| picture.
inline DibHandle fewColourPicture(int32_t width, int32_t height, uint32_t count) {
    DibHandle dib = newPicture(width, height);
    uint8_t* rows = DataDIB(dib)->rows;
    uint32_t i = 0;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x, i = (i + 1) % count) {
            setImagePixel(rows, width, height, x, y, rgb(i * 37 % 256, i * 11 % 256, i / 16 * 13));
        }
    }
    return dib;
}

// Returns the whole contents of a file (empty when it cannot be read).
inline std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Writes bytes to a file.
inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Little-endian readers.
inline uint32_t le16(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | (uint32_t{b.at(at + 1)} << 8);
}
inline uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}

// Big-endian 32-bit reader (PNG).
inline uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b.at(at)} << 24) | (uint32_t{b.at(at + 1)} << 16) |
           (uint32_t{b.at(at + 2)} << 8) | b.at(at + 3);
}

// Expects two pictures to have the same size and the same colour at every pixel.
inline void expectSamePixels(DibHandle expected, DibHandle actual) {
    BitmapInfoHeader a, b;
    HeadDIB(expected, a);
    HeadDIB(actual, b);
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    for (int32_t y = 0; y < a.height; ++y) {
        for (int32_t x = 0; x < a.width; ++x) {
            ASSERT_EQ(PixelDIB(expected, x, y), PixelDIB(actual, x, y))
                << "pixel " << x << "," << y;
        }
    }
}

// Returns the first line printed by a shell command, or "" when it fails.
inline std::string commandOutput(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string out;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    const int status = ::pclose(pipe);
    return status == 0 ? out : "";
}

// Returns whether a program can be found on the PATH.
inline bool haveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace tavrine::imgctl::testing
