// Hostile picture files, each a few dozen bytes built here: the readers refuse them with the
// reason, before taking memory for what their headers claim.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"
#include "tests/imgctl/test_support.h"

namespace tavrine::imgctl {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::rgb;
using testing::TempDir;

void putBe32(Bytes& b, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
}

void putLe(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Appends a PNG chunk with its length and CRC; |declared| replaces the length when not 0.
void pngChunk(Bytes& b, const char* type, const Bytes& data, uint32_t declared = 0) {
    putBe32(b, declared != 0 ? declared : static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    b.insert(b.end(), body.begin(), body.end());
    putBe32(b, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// Returns the signature and header of a PNG of that size, 8 bits per sample.
Bytes pngStart(uint32_t width, uint32_t height, uint8_t colourType) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    putBe32(ihdr, width);
    putBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, colourType, 0, 0, 0});
    pngChunk(b, "IHDR", ihdr);
    return b;
}

// Returns a whole palette PNG of the rows given (indexes), with a palette of |colours| greys.
Bytes palettePng(const std::vector<Bytes>& rows, int colours) {
    Bytes b =
        pngStart(static_cast<uint32_t>(rows[0].size()), static_cast<uint32_t>(rows.size()), 3);
    Bytes palette;
    for (int k = 0; k < colours; ++k) palette.insert(palette.end(), 3, static_cast<uint8_t>(k));
    pngChunk(b, "PLTE", palette);
    Bytes raw;
    for (const Bytes& row : rows) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(size);
    compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(size);
    pngChunk(b, "IDAT", packed);
    pngChunk(b, "IEND", {});
    return b;
}

// Returns a BMP: the 54 header bytes for that size, depth and compression, then the palette
// (8-bit, |colours| entries) and the pixel bytes.
Bytes bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression, uint32_t colours,
          const Bytes& pixels) {
    const uint32_t offset = 54 + colours * 4;
    Bytes b = {'B', 'M'};
    putLe(b, offset + static_cast<uint32_t>(pixels.size()), 4);
    putLe(b, 0, 4);
    putLe(b, offset, 4);
    putLe(b, 40, 4);
    putLe(b, static_cast<uint32_t>(width), 4);
    putLe(b, static_cast<uint32_t>(height), 4);
    putLe(b, 1, 2);
    putLe(b, bits, 2);
    putLe(b, compression, 4);
    putLe(b, static_cast<uint32_t>(pixels.size()), 4);
    putLe(b, 0, 8);
    putLe(b, colours, 4);
    putLe(b, colours, 4);
    for (uint32_t k = 0; k < colours; ++k) putLe(b, k * 0x101010u, 4);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// Returns a GIF89a with a two-colour global palette on a screen of that size, one image of
// imageWidth x 1 at the corner, and its LZW data (minimum code size, sub-blocks) as given.
Bytes gif(uint16_t screenWidth, uint16_t screenHeight, uint16_t imageWidth, uint8_t codeSize,
          const Bytes& lzw) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    putLe(b, screenWidth, 2);
    putLe(b, screenHeight, 2);
    b.insert(b.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // flags, background, aspect, table
    b.push_back(0x2C);
    putLe(b, 0, 4);
    putLe(b, imageWidth, 2);
    putLe(b, 1, 2);
    b.push_back(0);
    b.push_back(codeSize);
    b.push_back(static_cast<uint8_t>(lzw.size()));
    b.insert(b.end(), lzw.begin(), lzw.end());
    b.insert(b.end(), {0, 0x3B});
    return b;
}

struct Hostile {
    const char* name;
    Bytes bytes;
    std::string reason;  // what lastError holds after "cannot read PATH: "
};

// Reads every file and returns how many gave a picture or a reason other than the expected.
int misreadFiles(const TempDir& dir, const std::vector<Hostile>& files) {
    int wrong = 0;
    for (const Hostile& f : files) {
        DibPtr dib(ToDIB(dir.file(f.name)));
        const std::string expected = "cannot read " + dir.file(f.name) + ": " + f.reason;
        if (dib != nullptr || lastError().rfind(expected, 0) != 0) ++wrong;
    }
    return wrong;
}

// Returns the virtual memory size of this process in bytes, 0 when unknown.
uint64_t virtualMemoryBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmSize:") {
            uint64_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

// Lowers this process's address space to limit bytes, then reads the files as misreadFiles.
int misreadUnderLimit(const TempDir& dir, const std::vector<Hostile>& files, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    return misreadFiles(dir, files);
}

// Checks each file's refusal, then again with 32 MiB of address space to spare: none of them
// may cost more than a few megabytes before it is refused.
void expectRefusedCheaply(const std::vector<Hostile>& files) {
    TempDir dir;
    for (const Hostile& f : files) {
        testing::writeBytes(dir.file(f.name), f.bytes);
        DibPtr dib(ToDIB(dir.file(f.name)));
        EXPECT_EQ(dib, nullptr) << f.name;
        EXPECT_EQ(lastError(), "cannot read " + dir.file(f.name) + ": " + f.reason) << f.name;
    }
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit below allows";
#else
    const uint64_t now = virtualMemoryBytes();
    ASSERT_GT(now, 0u);
    EXPECT_EXIT(std::exit(misreadUnderLimit(dir, files, now + (uint64_t{32} << 20))),
                ::testing::ExitedWithCode(0), "");
#endif
}

TEST(HostileFiles, PngChunksClaimingMoreThanTheFileHoldsAreRefused) {
    std::vector<Hostile> files;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "pCAL", "sCAL"}) {
        // 41 bytes: signature, header and the first 8 bytes of a chunk of 2 GiB.
        Bytes b = pngStart(4, 4, 2);
        putBe32(b, 0x7FFFFFFF);
        b.insert(b.end(), type, type + 4);
        files.push_back({type, b,
                         "its " + std::string(type) +
                             " chunk claims 2147483647 bytes, more than the file holds"});
    }
    ASSERT_EQ(files[0].bytes.size(), 41u);
    expectRefusedCheaply(files);
}

TEST(HostileFiles, DeclaredSizesBeyondTheDataAreRefusedBeforeThePictureIsMade) {
    // 68 bytes: a truncated PNG of 16384 x 16384.
    Bytes hugePng = pngStart(16384, 16384, 2);
    pngChunk(hugePng, "IDAT", Bytes(15, 0x78));
    hugePng.resize(68);
    // A whole PNG of 8192 x 8192 whose ten bytes of image data could never fill it.
    Bytes thinPng = pngStart(8192, 8192, 2);
    pngChunk(thinPng, "IDAT", Bytes(10, 0));
    pngChunk(thinPng, "IEND", {});
    // 60 bytes: an RLE8 BMP of 8192 x 8192 whose codes end at once.
    const Bytes thinRle = bmp(8192, 8192, 8, 1, 1, {0, 1});
    // A plain BMP larger than the readers take.
    const Bytes hugeBmp = bmp(16384, 16384, 24, 0, 0, {1, 2, 3, 4});
    // 35 bytes: a GIF of one pixel on a logical screen of 8192 x 8192.
    const Bytes wideGif = gif(8192, 8192, 1, 2, {0x44, 0x01});
    ASSERT_EQ(thinRle.size(), 60u);
    ASSERT_EQ(wideGif.size(), 35u);
    expectRefusedCheaply({
        {"huge.png", hugePng,
         "16384 \u00d7 16384 is larger than the 8192 \u00d7 8192 this program reads"},
        {"thin.png", thinPng,
         "its 10 bytes of image data cannot hold the picture its header declares; the file is "
         "truncated or damaged"},
        {"thin.bmp", thinRle, "its run-length codes end at row 0 of 8192"},
        {"huge.bmp", hugeBmp,
         "16384 \u00d7 16384 is larger than the 8192 \u00d7 8192 this program reads"},
        {"wide.gif", wideGif,
         "its 8192 \u00d7 8192 picture is more than its 5 bytes of image data can hold; the file "
         "is truncated or damaged"},
    });
}

TEST(HostileFiles, PixelsIndexingPastThePaletteAreRefusedAndWhatIsReadWritesBack) {
    // 4 x 1 pictures with two palette entries; one pixel takes index 7 (or 200).
    const Bytes plain = bmp(4, 1, 8, 0, 2, {0, 1, 7, 0});
    const Bytes rle = bmp(4, 1, 8, 1, 2, {2, 1, 2, 9, 0, 1});
    const Bytes png = palettePng({{0, 1, 7, 0}}, 2);
    // Clear, 200, 0, end of data in 9-bit codes: a code size wider than the two-colour palette.
    const Bytes wideCodes = gif(2, 1, 2, 8, {0, 145, 1, 8, 8});
    expectRefusedCheaply({
        {"plain.bmp", plain, "pixel index 7 is past the 2-colour palette"},
        {"rle.bmp", rle, "pixel index 9 is past the 2-colour palette"},
        {"palette.png", png, "pixel index 7 is past the 2-colour palette"},
        {"codes.gif", wideCodes, "pixel index 200 is past the 2-colour palette"},
    });
    // The same files with every index inside the palette are read, and every format writes
    // them back with the same colours.
    TempDir dir;
    const std::vector<std::pair<const char*, Bytes>> good = {
        {"plain.bmp", bmp(4, 1, 8, 0, 2, {0, 1, 1, 0})},
        {"rle.bmp", bmp(4, 1, 8, 1, 2, {2, 1, 2, 0, 0, 1})},
        {"palette.png", palettePng({{0, 1, 1, 0}}, 2)},
        {"codes.gif", gif(2, 1, 2, 8, {0, 3, 0, 8, 8})},
    };
    for (const auto& [name, bytes] : good) {
        testing::writeBytes(dir.file(name), bytes);
        DibPtr dib(ToDIB(dir.file(name)));
        ASSERT_NE(dib, nullptr) << name << ": " << lastError();
        for (const char* out : {"a.bmp", "a.png", "a.gif"}) {
            const std::string path = dir.file(out);
            const bool wrote = out[2] == 'b'   ? DIBtoBMP(path, dib.get())
                               : out[2] == 'p' ? DIBtoPNG(path, dib.get())
                                               : DIBtoGIF(path, dib.get());
            ASSERT_TRUE(wrote) << name << " as " << out << ": " << lastError();
            DibPtr back(ToDIB(path));
            ASSERT_NE(back, nullptr) << name << " as " << out << ": " << lastError();
            testing::expectSamePixels(dib.get(), back.get());
        }
    }
}

TEST(HostileFiles, RefusalsSayWhy) {
    TempDir dir;
    // A BMP whose pixel data offset points into its own header.
    Bytes b = bmp(2, 2, 24, 0, 0, Bytes(16, 7));
    b[10] = 20;
    // A PNG of noise cut off in the middle of its rows.
    DibPtr noise(testing::renderLikePicture(40, rgb(1, 2, 3), 5));
    ASSERT_TRUE(DIBtoPNG(dir.file("whole.png"), noise.get()));
    Bytes cut = testing::fileBytes(dir.file("whole.png"));
    cut.resize(cut.size() / 2);
    const std::vector<std::pair<Bytes, std::string>> files = {
        {b, "its pixel data offset 20 points into its header"},
        {cut, "truncated after row "},
        {Bytes{'h', 'e', 'l', 'l', 'o'}, "not a BMP, PNG or GIF file"},
        {Bytes{}, "the file is empty"},
        {bmp(2, 2, 32, 3, 0, Bytes(16, 0)), "32-bit pictures with compression 3 are not supported"},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string path = dir.file("f" + std::to_string(i));
        testing::writeBytes(path, files[i].first);
        EXPECT_EQ(ToDIB(path), nullptr) << i;
        EXPECT_EQ(lastError().rfind("cannot read " + path + ": " + files[i].second, 0), 0u)
            << lastError();
    }
    EXPECT_EQ(ToDIB(dir.file("missing.png")), nullptr);
    EXPECT_EQ(lastError(),
              "cannot read " + dir.file("missing.png") + ": No such file or directory");
    EXPECT_EQ(ToDIB(dir.path()), nullptr);
    EXPECT_EQ(lastError(), "cannot read " + dir.path() + ": it is a folder");
}

}  // namespace
}  // namespace tavrine::imgctl
