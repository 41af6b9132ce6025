#include "util/file_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/util/temp_folder.h"

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

}  // namespace
}  // namespace tavrine::util
