#include "util/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/byte_files.h"

namespace tavrine::util {
namespace {

using test::contents;
using test::put;
using test::TempFolder;

// Runs write with the file size limited to 100 bytes (and SIGXFSZ ignored), as a full disk
// would cut a write short, and restores both afterwards.
template <typename Write>
bool withFileSizeLimit(Write write) {
    rlimit saved{};
    if (::getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
    rlimit limited = saved;
    limited.rlim_cur = 100;
    auto* const previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limited);
    const bool result = write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    return result;
}

TEST(AtomicFile, TheTargetChangesOnlyAtCommit) {
    TempFolder folder;
    const std::string target = folder.file("a.bin");
    put(target, "old contents");
    AtomicFile file;
    ASSERT_TRUE(file.open(target)) << file.reason();
    ASSERT_TRUE(file.write("new", 3));
    EXPECT_EQ(contents(target), "old contents");
    ASSERT_EQ(folder.names().size(), 2u);
    EXPECT_EQ(folder.names()[0][0], '.') << "the temporary file is hidden: " << folder.names()[0];
    ASSERT_TRUE(file.commit()) << file.reason();
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.bin"});
    EXPECT_TRUE(file.reason().empty());
}

TEST(AtomicFile, AnUncommittedFileIsRemovedAndTheOldOneKept) {
    TempFolder folder;
    const std::string target = folder.file("a.bin");
    put(target, "old");
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.write("half", 4));
    }
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"a.bin"});
}

TEST(AtomicFile, TheNewFileHasMode0666LessTheUmask) {
    TempFolder folder;
    for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{002}}) {
        const std::string name = folder.file("m" + std::to_string(mask));
        const mode_t previous = ::umask(mask);
        std::string reason;
        const bool written = writeFileAtomically(name, "x", 1, &reason);
        ::umask(previous);
        ASSERT_TRUE(written) << reason;
        struct stat info {};
        ASSERT_EQ(::stat(name.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask) << "umask " << std::oct << mask;
    }
}

TEST(AtomicFile, ASymbolicLinkStaysALinkAndItsFileIsReplacedInItsOwnFolder) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.file("real").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(folder.file("links").c_str(), 0700), 0);
    put(folder.file("real/file"), "old");
    // A relative link is read from the link's folder; a chain of links is followed to its end.
    ASSERT_EQ(::symlink("../real/file", folder.file("links/first").c_str()), 0);
    ASSERT_EQ(::symlink("first", folder.file("links/second").c_str()), 0);
    std::string reason;
    ASSERT_TRUE(writeFileAtomically(folder.file("links/second"), "new", 3, &reason)) << reason;
    struct stat info {};
    ASSERT_EQ(::lstat(folder.file("links/second").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::lstat(folder.file("links/first").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(contents(folder.file("real/file")), "new");
    EXPECT_EQ(TempFolder::namesIn(folder.file("real")), std::vector<std::string>{"file"});
    EXPECT_EQ(TempFolder::namesIn(folder.file("links")),
              (std::vector<std::string>{"first", "second"}));

    // A dangling link creates the file it names; a loop of links is refused.
    ASSERT_EQ(::symlink("real/made", folder.file("dangling").c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(folder.file("dangling"), "made", 4, &reason)) << reason;
    EXPECT_EQ(contents(folder.file("real/made")), "made");
    ASSERT_EQ(::lstat(folder.file("dangling").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::symlink("loop", folder.file("loop").c_str()), 0);
    EXPECT_FALSE(writeFileAtomically(folder.file("loop"), "x", 1, &reason));
    EXPECT_EQ(reason, std::strerror(ELOOP));
}

TEST(AtomicFile, AWriteCutShortFailsAndLeavesOnlyTheOldFile) {
    TempFolder folder;
    const std::string target = folder.file("big");
    put(target, "old");
    const std::vector<char> bytes(65536, 'b');
    AtomicFile direct;
    ASSERT_TRUE(direct.open(target));
    const bool directWritten = withFileSizeLimit(
        [&] { return direct.write(bytes.data(), bytes.size()) && direct.commit(); });
    EXPECT_FALSE(directWritten);
    EXPECT_EQ(direct.reason(), std::strerror(EFBIG));
    EXPECT_FALSE(direct.commit()) << "a failed file stays failed";

    // Through the stream the failure may surface only when the buffer is flushed at commit.
    AtomicFile buffered;
    ASSERT_TRUE(buffered.open(target));
    FILE* stream = buffered.stream();
    ASSERT_NE(stream, nullptr);
    const bool bufferedWritten = withFileSizeLimit([&] {
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        return buffered.commit();
    });
    EXPECT_FALSE(bufferedWritten);
    EXPECT_EQ(buffered.reason(), std::strerror(EFBIG));

    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"big"});
}

TEST(AtomicFile, StreamAndHandedOverDescriptorReachTheFile) {
    TempFolder folder;
    AtomicFile streamed;
    ASSERT_TRUE(streamed.open(folder.file("s")));
    ASSERT_NE(streamed.stream(), nullptr);
    std::fputs("through ", streamed.stream());
    ASSERT_TRUE(streamed.write("the stream", 10));  // joins the buffered text in order
    ASSERT_TRUE(streamed.commit()) << streamed.reason();
    EXPECT_EQ(contents(folder.file("s")), "through the stream");

    AtomicFile handed;
    ASSERT_TRUE(handed.open(folder.file("d")));
    const int fd = handed.handOverDescriptor();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "by a library", 12), 12);
    ASSERT_EQ(::close(fd), 0);  // the library closes its own descriptor
    ASSERT_TRUE(handed.commit()) << handed.reason();
    EXPECT_EQ(contents(folder.file("d")), "by a library");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"d", "s"}));
}

TEST(AtomicFile, FailuresSayWhy) {
    TempFolder folder;
    AtomicFile file;
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(file.reason(), "no file was opened");
    EXPECT_FALSE(file.open(""));
    EXPECT_EQ(file.reason(), "empty file name");
    EXPECT_FALSE(file.open(folder.path() + "/"));
    EXPECT_EQ(file.reason(), "no file name after the last slash");
    EXPECT_FALSE(file.open(folder.file("missing/a.bin")));
    EXPECT_EQ(file.reason(), std::strerror(ENOENT));
    EXPECT_FALSE(file.write("x", 1));
    EXPECT_EQ(file.stream(), nullptr);
    EXPECT_EQ(file.handOverDescriptor(), -1);
    EXPECT_TRUE(folder.names().empty());
}

TEST(AtomicFile, AFolderAtTheTargetFailsAtCommitAndStays) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.file("taken").c_str(), 0700), 0);
    std::string reason;
    EXPECT_FALSE(writeFileAtomically(folder.file("taken"), "x", 1, &reason));
    EXPECT_EQ(reason, std::strerror(EISDIR));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"taken"});
}

TEST(AtomicFile, TheLongestFileNameStillGetsATemporaryName) {
    TempFolder folder;
    const std::string name(255, 'n');
    std::string reason;
    ASSERT_TRUE(writeFileAtomically(folder.file(name), "long", 4, &reason)) << reason;
    EXPECT_EQ(contents(folder.file(name)), "long");
    EXPECT_EQ(folder.names(), std::vector<std::string>{name});
}

TEST(AtomicFile, TwoWritersOfOneTargetNeverShareATemporaryFile) {
    TempFolder folder;
    const std::string target = folder.file("t");
    AtomicFile first, second;
    ASSERT_TRUE(first.open(target));
    ASSERT_TRUE(second.open(target));
    ASSERT_TRUE(first.write("first", 5));
    ASSERT_TRUE(second.write("second", 6));
    ASSERT_TRUE(first.commit());
    EXPECT_EQ(contents(target), "first");
    ASSERT_TRUE(second.commit());
    EXPECT_EQ(contents(target), "second");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"t"});
}

TEST(ParentFolder, CutsAtTheLastSlash) {
    EXPECT_EQ(parentFolder("a/b/c.ini"), "a/b");
    EXPECT_EQ(parentFolder("/c.ini"), "/");
    EXPECT_EQ(parentFolder("c.ini"), ".");
    EXPECT_EQ(parentFolder("/x/y/"), "/x/y");
}

TEST(CreateFolders, MakesTheMissingParentsAndRefusesAFileInTheWay) {
    TempFolder folder;
    EXPECT_TRUE(createFolders(folder.file("a/b/c/")));
    struct stat info {};
    EXPECT_EQ(::stat(folder.file("a/b/c").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_TRUE(createFolders(folder.file("a/b")));  // already there
    put(folder.file("plain"), "x");
    EXPECT_FALSE(createFolders(folder.file("plain")));
    EXPECT_FALSE(createFolders(folder.file("plain/sub")));
    EXPECT_FALSE(createFolders(""));
    EXPECT_EQ(contents(folder.file("plain")), "x");
}

}  // namespace
}  // namespace tavrine::util
