#include "util/file_read.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/byte_files.h"

namespace tavrine::util {
namespace {

using test::put;
using test::TempFolder;

// Returns size bytes of a pattern that does not repeat every block.
std::string pattern(size_t size) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return text;
}

std::string asText(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(ReadFileHead, ReadsAtMostTheLimitAndAShorterFileWhole) {
    TempFolder folder;
    const std::string text = pattern(200000);  // more than one read block
    put(folder.file("f"), text);
    std::vector<uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(readFileHead(folder.file("f"), 729, bytes));
    EXPECT_EQ(asText(bytes), text.substr(0, 729));
    ASSERT_TRUE(readFileHead(folder.file("f"), 150000, bytes));
    EXPECT_EQ(asText(bytes), text.substr(0, 150000));
    ASSERT_TRUE(readFileHead(folder.file("f"), 1000000, bytes));
    EXPECT_EQ(asText(bytes), text);
    put(folder.file("empty"), "");
    ASSERT_TRUE(readFileHead(folder.file("empty"), 10, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(ReadWholeFile, ReadsAFileUpToTheLimitAndRefusesALongerOne) {
    TempFolder folder;
    const std::string text = pattern(70000);
    put(folder.file("f"), text);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(folder.file("f"), text.size(), bytes));
    EXPECT_EQ(asText(bytes), text);
    EXPECT_FALSE(readWholeFile(folder.file("f"), text.size() - 1, bytes));
    EXPECT_TRUE(bytes.empty());
    put(folder.file("empty"), "");
    bytes = {9};
    ASSERT_TRUE(readWholeFile(folder.file("empty"), 0, bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST(FileRead, MissingFilesFoldersFifosAndDevicesAreRefusedWithoutWaiting) {
    TempFolder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path :
         {folder.file("missing"), folder.path(), fifo, std::string("/dev/zero")}) {
        std::vector<uint8_t> bytes{1};
        EXPECT_FALSE(readFileHead(path, 100, bytes)) << path;
        EXPECT_TRUE(bytes.empty()) << path;
        bytes = {1};
        EXPECT_FALSE(readWholeFile(path, 100, bytes)) << path;
        EXPECT_TRUE(bytes.empty()) << path;
    }
}

TEST(FileRead, EveryRefusalSaysWhy) {
    TempFolder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    put(folder.file("f"), pattern(100));
    std::vector<uint8_t> bytes;
    std::string reason;
    EXPECT_FALSE(readWholeFile(folder.file("missing"), 100, bytes, &reason));
    EXPECT_EQ(reason, "No such file or directory");
    EXPECT_FALSE(readFileHead(folder.path(), 100, bytes, &reason));
    EXPECT_EQ(reason, "it is a folder");
    EXPECT_FALSE(readWholeFile(fifo, 100, bytes, &reason));
    EXPECT_EQ(reason, "it is not a regular file");
    EXPECT_FALSE(readWholeFile(folder.file("f"), 99, bytes, &reason));
    EXPECT_EQ(reason, "it is larger than 99 bytes");
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

// Lowers this process's address space to limit bytes and reads the file whole; returns 0 when
// that fails with "out of memory" instead of throwing.
int readUnderLimit(const std::string& path, uint64_t limit) {
    const rlimit bound{limit, limit};
    ::setrlimit(RLIMIT_AS, &bound);
    std::vector<uint8_t> bytes;
    std::string reason;
    return !readWholeFile(path, size_t{1} << 30, bytes, &reason) && reason == "out of memory" ? 0
                                                                                              : 1;
}

TEST(FileRead, MemoryRefusedIsAFailureNotAnException) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit below allows";
#else
    TempFolder folder;
    const std::string path = folder.file("big");
    put(path, "x");
    ASSERT_EQ(::truncate(path.c_str(), 64 << 20), 0);  // 64 MiB, sparse
    const uint64_t now = virtualMemoryBytes();
    ASSERT_GT(now, 0u);
    EXPECT_EXIT(std::exit(readUnderLimit(path, now + (uint64_t{16} << 20))),
                ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace tavrine::util
