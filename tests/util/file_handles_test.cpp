#include "util/file_handles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

namespace tavrine::util {
namespace {

// Returns whether fd is an open descriptor of this process.
bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

TEST(FileDescriptor, ClosesItsDescriptorWhenDestroyed) {
    int fd = -1;
    {
        const FileDescriptor file(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        fd = file.get();
        ASSERT_GE(fd, 0);
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd));
}

TEST(FileDescriptor, MovingHandsOverOwnershipOnce) {
    FileDescriptor first(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int fd = first.get();
    ASSERT_GE(fd, 0);
    FileDescriptor second(std::move(first));
    EXPECT_EQ(first.get(), -1);  // the moved-from state holds nothing
    EXPECT_EQ(second.get(), fd);
    EXPECT_TRUE(first.close());  // nothing held, nothing closed

    FileDescriptor third;
    third = std::move(second);
    EXPECT_EQ(third.get(), fd);
    EXPECT_TRUE(isOpen(fd));
    EXPECT_TRUE(third.close());
    EXPECT_FALSE(isOpen(fd));
    EXPECT_EQ(third.get(), -1);
}

TEST(FileDescriptor, ReleaseGivesTheDescriptorUpWithoutClosingIt) {
    FileDescriptor file(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int fd = file.release();
    EXPECT_EQ(file.get(), -1);
    EXPECT_TRUE(isOpen(fd));
    ::close(fd);
}

TEST(FileStream, ClosesAndMovesLikeADescriptor) {
    FILE* raw = std::tmpfile();
    ASSERT_NE(raw, nullptr);
    const int fd = ::fileno(raw);
    {
        FileStream first(raw);
        FileStream second;
        second = std::move(first);
        EXPECT_EQ(first.get(), nullptr);  // the moved-from state holds nothing
        EXPECT_EQ(second.get(), raw);
        EXPECT_GE(std::fputs("x", second.get()), 0);
    }
    EXPECT_FALSE(isOpen(fd));
}

}  // namespace
}  // namespace tavrine::util
