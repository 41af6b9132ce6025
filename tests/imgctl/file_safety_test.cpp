// Failures: writers that cannot finish leave no file (and keep an older one), readers given
// missing, truncated or damaged files return nullptr without crashing.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "imgctl/imgctl.h"
#include "tests/imgctl/test_support.h"

namespace tavrine::imgctl {
namespace {

using testing::rgb;
using testing::TempDir;

// The writers, each on a picture of the depth it is meant for.
struct Writer {
    const char* name;
    std::function<bool(const std::string&, DibHandle, std::string*)> write;
    int bits;
};

std::vector<Writer> writers() {
    return {
        {"bmp24", [](auto& p, auto d, auto e) { return DIBtoBMP(p, d, e); }, 24},
        {"bmp16", [](auto& p, auto d, auto e) { return DIBtoBMP(p, d, e); }, 16},
        {"bmp8", [](auto& p, auto d, auto e) { return DIBtoBMP(p, d, e); }, 8},
        {"png24", [](auto& p, auto d, auto e) { return DIBtoPNG(p, d, e); }, 24},
        {"png16", [](auto& p, auto d, auto e) { return DIBtoPNG(p, d, e); }, 16},
        {"png8", [](auto& p, auto d, auto e) { return DIBtoPNG(p, d, e); }, 8},
        {"gif", [](auto& p, auto d, auto e) { return DIBtoGIF(p, d, e); }, 8},
        {"anigif",
         [](auto& p, auto d, auto e) {
             const GifFrame frames[2] = {{d, 3}, {d, 4}};
             return DIBtoGIFAniEx(p, frames, 2, e);
         },
         8},
    };
}

DibHandle pictureOfDepth(int bits, int32_t size) {
    DibHandle dib = testing::renderLikePicture(size, rgb(5, 5, 5), 9);
    if (bits == 16) DIBto16BitEx(dib);
    if (bits == 8) DIBto8Bit(dib);
    return dib;
}

TEST(Writers, MissingFolderFailsWithThePathAndLeavesNothing) {
    TempDir dir;
    for (const Writer& w : writers()) {
        DibPtr dib(pictureOfDepth(w.bits, 16));
        const std::string path = dir.file("no-such-folder/picture.out");
        std::string error;
        EXPECT_FALSE(w.write(path, dib.get(), &error)) << w.name;
        EXPECT_NE(error.find(path), std::string::npos) << w.name << ": " << error;
        EXPECT_EQ(lastError(), error) << w.name;
    }
    EXPECT_TRUE(dir.names().empty());
}

TEST(Writers, AFolderInTheWayFailsAndStaysAFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("taken"));
    for (const Writer& w : writers()) {
        DibPtr dib(pictureOfDepth(w.bits, 16));
        std::string error;
        EXPECT_FALSE(w.write(dir.file("taken"), dib.get(), &error)) << w.name;
        EXPECT_NE(error.find(dir.file("taken")), std::string::npos) << error;
    }
    EXPECT_EQ(dir.names(), std::vector<std::string>{"taken"});
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken")));
}

TEST(Writers, NoPictureFailsWithoutAFile) {
    TempDir dir;
    for (const Writer& w : writers()) {
        std::string error;
        EXPECT_FALSE(w.write(dir.file("x"), nullptr, &error)) << w.name;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(dir.names().empty());
}

TEST(Writers, AWriteCutShortLeavesNoPartialFileAndKeepsTheOldOne) {
    // A file size limit makes every write past 4 KiB fail, as a full disk would; the writers
    // run in a child process so that the limit does not reach the test runner.
    TempDir dir;
    for (const Writer& w : writers()) {
        const std::string path = dir.file(std::string("big.") + w.name);
        testing::writeBytes(path, {'o', 'l', 'd'});
        auto child = [&w, &path]() {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            DibPtr dib(pictureOfDepth(w.bits, 200));
            std::string error;
            const bool ok = w.write(path, dib.get(), &error);
            std::exit(!ok && error.find(path) != std::string::npos ? 0 : 1);
        };
        EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "") << w.name;
        EXPECT_EQ(testing::fileBytes(path), (std::vector<uint8_t>{'o', 'l', 'd'})) << w.name;
    }
    EXPECT_EQ(dir.names().size(), writers().size());  // the old files only, no temporary ones
}

TEST(Writers, ReplaceAnExistingFileWhole) {
    TempDir dir;
    testing::writeBytes(dir.file("a.png"), std::vector<uint8_t>(100000, 7));
    DibPtr dib(pictureOfDepth(24, 8));
    ASSERT_TRUE(DIBtoPNG(dir.file("a.png"), dib.get()));
    DibPtr back(ToDIB(dir.file("a.png")));
    ASSERT_NE(back, nullptr);
    testing::expectSamePixels(dib.get(), back.get());
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.png"});
}

TEST(ToDib, MissingUnreadableAndUnknownFilesGiveNothing) {
    TempDir dir;
    EXPECT_EQ(ToDIB(dir.file("missing.png")), nullptr);
    EXPECT_NE(lastError().find("missing.png"), std::string::npos);
    EXPECT_EQ(ToDIB(dir.path()), nullptr);
    testing::writeBytes(dir.file("empty.bmp"), {});
    EXPECT_EQ(ToDIB(dir.file("empty.bmp")), nullptr);
    testing::writeBytes(dir.file("text.gif"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(ToDIB(dir.file("text.gif")), nullptr);
}

// Writes a small picture in every format and returns the files' bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> smallFiles(const TempDir& dir) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const Writer& w : writers()) {
        DibPtr dib(pictureOfDepth(w.bits, 12));
        if (std::string(w.name) == "bmp8") DIBtoRLE(dib.get());
        std::string error;
        const std::string path = dir.file(w.name);
        EXPECT_TRUE(w.write(path, dib.get(), &error)) << error;
        files.emplace_back(w.name, testing::fileBytes(path));
    }
    return files;
}

TEST(ToDib, EveryTruncationOfAFileGivesNothing) {
    TempDir dir;
    for (const auto& [name, bytes] : smallFiles(dir)) {
        ASSERT_GT(bytes.size(), 20u) << name;
        const std::string path = dir.file("cut");
        for (size_t length = 0; length < bytes.size(); ++length) {
            testing::writeBytes(
                path,
                std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(length)));
            DibHandle dib = ToDIB(path);
            EXPECT_EQ(dib, nullptr) << name << " cut to " << length << " of " << bytes.size();
            DeleteDIB(dib);
        }
    }
}

TEST(ToDib, DamagedFilesNeverCrash) {
    TempDir dir;
    std::mt19937 random(1234);
    for (const auto& [name, bytes] : smallFiles(dir)) {
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<uint8_t> damaged = bytes;
            const int flips = 1 + static_cast<int>(random() % 6);
            for (int f = 0; f < flips; ++f) {
                // Most damage lands in the headers, where sizes and counts live.
                const size_t span =
                    random() % 4 == 0 ? damaged.size() : std::min<size_t>(80, damaged.size());
                damaged[random() % span] = static_cast<uint8_t>(random());
            }
            testing::writeBytes(dir.file("damaged"), damaged);
            DibPtr dib(ToDIB(dir.file("damaged")));
            if (dib != nullptr) {
                // Whatever was read is a whole picture: every pixel can be read.
                const DibData* data = DataDIB(dib.get());
                ASSERT_GT(data->width, 0);
                ASSERT_GT(data->height, 0);
                for (int32_t y = 0; y < data->height; ++y) {
                    for (int32_t x = 0; x < data->width; ++x) PixelDIB(dib.get(), x, y);
                }
            }
        }
    }
}

TEST(ToDib, HugeSizesInAHeaderAreRefusedBeforeAllocating) {
    TempDir dir;
    DibPtr dib(pictureOfDepth(24, 4));
    ASSERT_TRUE(DIBtoBMP(dir.file("a.bmp"), dib.get()));
    auto b = testing::fileBytes(dir.file("a.bmp"));
    for (int i = 0; i < 4; ++i) b[18 + i] = b[22 + i] = 0x7F;  // 2 billion squared
    testing::writeBytes(dir.file("huge.bmp"), b);
    EXPECT_EQ(ToDIB(dir.file("huge.bmp")), nullptr);
    b[21] = b[25] = 0;  // 8 million by 8 million, still above the limit
    testing::writeBytes(dir.file("huge.bmp"), b);
    EXPECT_EQ(ToDIB(dir.file("huge.bmp")), nullptr);
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

// Returns a small BMP file whose header asks for a side x side picture.
std::vector<uint8_t> bmpHeader(uint32_t side, uint16_t bits, uint32_t compression,
                               const std::vector<uint8_t>& tail) {
    uint8_t head[58] = {};
    const size_t pixelsAt = bits == 8 ? 58 : 54;
    auto put32 = [&head](size_t at, uint32_t v) {
        for (size_t i = 0; i < 4; ++i) head[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    head[0] = 'B';
    head[1] = 'M';
    put32(2, static_cast<uint32_t>(pixelsAt + tail.size()));
    put32(10, static_cast<uint32_t>(pixelsAt));
    put32(14, 40);
    put32(18, side);
    put32(22, side);
    head[26] = 1;
    head[28] = static_cast<uint8_t>(bits);
    put32(30, compression);
    if (bits == 8) put32(46, 1);  // one palette entry, black
    std::vector<uint8_t> b(head, head + pixelsAt);
    b.insert(b.end(), tail.begin(), tail.end());
    return b;
}

// Lowers this process's address space to limit bytes, then reads the three huge files and
// returns how many gave a picture.
int picturesReadUnderLimit(const TempDir& dir, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    int read = 0;
    for (const char* name : {"huge.bmp", "huge_rle.bmp", "huge.gif"}) {
        DibHandle dib = ToDIB(dir.file(name));
        read += dib != nullptr ? 1 : 0;
        DeleteDIB(dib);
    }
    return read;
}

TEST(ToDib, AHugeDeclaredSizeWithoutTheMemoryForItGivesNothingNeverAnAbort) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit below allows";
#else
    TempDir dir;
    // 16384 x 16384 pixels in 24 bits, with four bytes of pixels.
    testing::writeBytes(dir.file("huge.bmp"), bmpHeader(16384, 24, 0, {1, 2, 3, 4}));
    // The same size in run-length codes that end at once.
    testing::writeBytes(dir.file("huge_rle.bmp"), bmpHeader(16384, 8, 1, {0, 1}));
    // A valid GIF of one small image on a logical screen of 32768 x 8192 pixels.
    DibPtr small(pictureOfDepth(8, 2));
    ASSERT_TRUE(DIBtoGIF(dir.file("huge.gif"), small.get()));
    std::vector<uint8_t> gif = testing::fileBytes(dir.file("huge.gif"));
    gif[6] = 0x00;
    gif[7] = 0x80;
    gif[8] = 0x00;
    gif[9] = 0x20;
    testing::writeBytes(dir.file("huge.gif"), gif);
    const uint64_t now = virtualMemoryBytes();
    ASSERT_GT(now, 0u);
    const uint64_t limit = now + (uint64_t{192} << 20);  // each picture needs more than this
    EXPECT_EXIT(std::exit(picturesReadUnderLimit(dir, limit)), ::testing::ExitedWithCode(0), "");
#endif
}

// Lowers this process's address space to limit bytes, then reduces and writes a large picture;
// returns 0 when the picture is left whole and no file is written.
int reduceUnderLimit(DibHandle dib, const std::string& path, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    DIBto8Bit(dib);
    const DibData* data = DataDIB(dib);
    if (data->width != 4096 || data->height != 4096 || data->bitCount != 24) return 1;
    std::string error;
    if (DIBtoGIF(path, dib, &error) || error.find(path) == std::string::npos) return 2;
    return 0;
}

TEST(DibTo8Bit, MemoryRefusedLeavesThePictureAsItWas) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit below allows";
#else
    TempDir dir;
    DibPtr dib(testing::newPicture(4096, 4096));
    const uint64_t now = virtualMemoryBytes();
    ASSERT_GT(now, 0u);
    const uint64_t limit = now + (uint64_t{8} << 20);  // the 8-bit copy needs 16 MiB
    EXPECT_EXIT(std::exit(reduceUnderLimit(dib.get(), dir.file("a.gif"), limit)),
                ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace tavrine::imgctl
