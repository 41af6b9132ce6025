// What stands at an output path: a private file, a hard link, a FIFO, a socket, a device node,
// standard output, a full file system. A writer must write what the user meant and harm nothing.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/byte_files.h"
#include "util/atomic_file.h"
#include "util/error.h"

namespace tavrine::util {
namespace {

using test::contents;
using test::put;
using test::TempFolder;

mode_t typeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}

// Writes text through a stream, as the PNG writer does, and commits.
bool writeThroughStream(const std::string& path, const std::string& text, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    AtomicFile file;
    bool ok = file.open(path);
    if (ok) {
        FILE* stream = file.stream();
        ok = stream != nullptr && std::fwrite(text.data(), 1, text.size(), stream) == text.size();
        ok = file.commit() && ok;
    }
    reason = file.reason();
    return ok;
}

TEST(FileTargets, AReplacedFileKeepsItsModeOwnerAndGroupAndHardLinksBreak) {
    TempFolder folder;
    const std::string target = folder.file("private");
    put(target, "secret");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::link(target.c_str(), folder.file("other-name").c_str()), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 4321, 8765), 0);
    }
    std::string reason;
    ASSERT_TRUE(writeFileAtomically(target, "new secret", 10, &reason)) << reason;
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << std::oct << info.st_mode;
    if (root) {
        EXPECT_EQ(info.st_uid, 4321u);
        EXPECT_EQ(info.st_gid, 8765u);
    }
    EXPECT_EQ(contents(target), "new secret");
    // The other name keeps the old contents: the file was replaced, not rewritten in place.
    EXPECT_EQ(contents(folder.file("other-name")), "secret");
    EXPECT_EQ(info.st_nlink, 1u);

    // A group-writable file stays so through the stream as well.
    ASSERT_EQ(::chmod(target.c_str(), 0664), 0);
    ASSERT_TRUE(writeThroughStream(target, "streamed", &reason)) << reason;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0664u) << std::oct << info.st_mode;
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"other-name", "private"}));
}

TEST(FileTargets, AFifoIsWrittenInPlaceForItsReader) {
    TempFolder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reading end is open before the writer starts, so that a writer that replaced the
    // FIFO could never leave either side waiting.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string text(100000, 'f');  // more than a pipe holds, so the writer must wait
    std::string reason;
    std::atomic<bool> done{false};
    bool written = false;
    std::thread writer([&] {
        written = writeThroughStream(fifo, text, &reason);
        done = true;
    });
    std::string received;
    char block[4096];
    for (;;) {
        const bool finished = done;  // read before the read, so no late bytes are missed
        const ssize_t n = ::read(reader, block, sizeof block);
        if (n > 0) {
            received.append(block, static_cast<size_t>(n));
        } else if (n == 0 && finished) {
            break;  // no writer any more, and none to come
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    writer.join();
    ::close(reader);
    EXPECT_TRUE(written) << reason;
    EXPECT_EQ(received.size(), text.size());
    EXPECT_EQ(received, text);
    EXPECT_EQ(typeOf(fifo), static_cast<mode_t>(S_IFIFO));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"fifo"});
}

TEST(FileTargets, ASocketIsNeverReplaced) {
    TempFolder folder;
    const std::string path = folder.file("socket");
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        ::close(fd);
        GTEST_SKIP() << "the temporary folder's path is too long for a socket name";
    }
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string reason;
    EXPECT_FALSE(writeFileAtomically(path, "x", 1, &reason));
    EXPECT_EQ(reason, std::strerror(ENXIO));
    EXPECT_EQ(typeOf(path), static_cast<mode_t>(S_IFSOCK));
    ::close(fd);
}

TEST(FileTargets, DeviceNodesAreWrittenInPlaceAndNeverReplaced) {
    if (::geteuid() != 0) GTEST_SKIP() << "making device nodes needs root";
    TempFolder folder;
    // Copies of the null and full devices, never the system's own entries.
    const std::string null = folder.file("null"), full = folder.file("full");
    const std::string disk = folder.file("block");
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 ||
        ::mknod(disk.c_str(), S_IFBLK | 0600, makedev(7, 200)) != 0) {
        GTEST_SKIP() << "mknod refused: " << std::strerror(errno);
    }
    std::string reason;
    EXPECT_TRUE(writeFileAtomically(null, "gone", 4, &reason)) << reason;
    EXPECT_TRUE(writeThroughStream(null, "gone", &reason)) << reason;

    EXPECT_FALSE(writeFileAtomically(full, "full", 4, &reason));
    EXPECT_EQ(reason, std::strerror(ENOSPC));
    // Through a stream the failure shows only when the buffer is flushed at commit.
    EXPECT_FALSE(writeThroughStream(full, "full", &reason));
    EXPECT_EQ(reason, std::strerror(ENOSPC));

    EXPECT_FALSE(writeFileAtomically(disk, "x", 1, &reason));
    EXPECT_EQ(reason, "it is a block device");

    // A link to a device reaches the device.
    ASSERT_EQ(::symlink("full", folder.file("to-full").c_str()), 0);
    EXPECT_FALSE(writeFileAtomically(folder.file("to-full"), "x", 1, &reason));
    EXPECT_EQ(reason, std::strerror(ENOSPC));

    EXPECT_EQ(typeOf(null), static_cast<mode_t>(S_IFCHR));
    EXPECT_EQ(typeOf(full), static_cast<mode_t>(S_IFCHR));
    EXPECT_EQ(typeOf(disk), static_cast<mode_t>(S_IFBLK));
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"block", "full", "null", "to-full"}));
}

TEST(FileTargets, AFullFileSystemKeepsTheOldFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempFolder folder;
    const std::string mountPoint = folder.file("small");
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0700), 0);
    if (::mount("tavrine-test", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    }
    // Unmounted however the test ends, before the folder is removed.
    struct Unmount {
        std::string point;
        ~Unmount() { ::umount2(point.c_str(), MNT_DETACH); }
    } unmount{mountPoint};
    const std::string target = mountPoint + "/picture";
    put(target, "old");
    const std::string big(256 * 1024, 'b');
    std::string reason;
    EXPECT_FALSE(writeFileAtomically(target, big.data(), big.size(), &reason));
    EXPECT_EQ(reason, std::strerror(ENOSPC));
    EXPECT_FALSE(writeThroughStream(target, big, &reason));
    EXPECT_EQ(reason, std::strerror(ENOSPC));
    EXPECT_EQ(contents(target), "old");
    EXPECT_EQ(TempFolder::namesIn(mountPoint), std::vector<std::string>{"picture"});
}

// Points standard output at a pipe for the life of the object.
class StandardOutputPipe {
  public:
    StandardOutputPipe() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        if (::pipe(ends_) == 0) ::dup2(ends_[1], STDOUT_FILENO);
        ::close(ends_[1]);
    }
    ~StandardOutputPipe() {
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
        if (ends_[0] >= 0) ::close(ends_[0]);
    }
    // Reads what was written, once standard output is back in place.
    std::string drain() {
        ::dup2(saved_, STDOUT_FILENO);
        std::string text;
        char block[4096];
        ssize_t n = 0;
        while ((n = ::read(ends_[0], block, sizeof block)) > 0) {
            text.append(block, static_cast<size_t>(n));
        }
        return text;
    }
    // Closes the reading end, as a reader that left.
    void closeReader() {
        ::close(ends_[0]);
        ends_[0] = -1;
    }

  private:
    int saved_ = -1;
    int ends_[2] = {-1, -1};
};

TEST(FileTargets, ADashIsStandardOutputAndAPipeWhoseReaderLeftFails) {
    TempFolder folder;
    {
        StandardOutputPipe pipe;
        std::string reason;
        ASSERT_TRUE(writeThroughStream(kStandardOutputName, "picture bytes", &reason)) << reason;
        EXPECT_EQ(pipe.drain(), "picture bytes");
    }
    {
        auto* const previous = ::signal(SIGPIPE, SIG_IGN);
        StandardOutputPipe pipe;
        pipe.closeReader();
        std::string reason;
        EXPECT_FALSE(writeFileAtomically(kStandardOutputName, "lost", 4, &reason));
        EXPECT_EQ(reason, std::strerror(EPIPE));
        ::signal(SIGPIPE, previous);
    }
    // Standard output is still open for everyone else.
    EXPECT_NE(::fcntl(STDOUT_FILENO, F_GETFD), -1);
    EXPECT_TRUE(folder.names().empty()) << "no file named - was made";
}

TEST(FileTargets, CheckWritableAnswersWithoutTouchingAnything) {
    TempFolder folder;
    std::string reason;
    EXPECT_TRUE(checkWritable(folder.file("new.png"), &reason)) << reason;
    EXPECT_TRUE(checkWritable(kStandardOutputName, &reason));
    EXPECT_FALSE(checkWritable(folder.file("missing/p.gpi"), &reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
    put(folder.file("plain"), "x");
    EXPECT_FALSE(checkWritable(folder.file("plain/p.gpi"), &reason));
    EXPECT_EQ(reason, std::strerror(ENOTDIR));
    EXPECT_FALSE(checkWritable(folder.path(), &reason));
    EXPECT_EQ(reason, std::strerror(EISDIR));
    // A dangling link is checked at the folder of the file it would create.
    ASSERT_EQ(::symlink("missing/p.gpi", folder.file("dangling").c_str()), 0);
    EXPECT_FALSE(checkWritable(folder.file("dangling"), &reason));
    EXPECT_EQ(reason, std::strerror(ENOENT));
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0600), 0);
    EXPECT_TRUE(checkWritable(folder.file("fifo"), &reason)) << "checked without blocking";
    std::vector<std::string> made{"dangling", "fifo", "plain"};
    if (::geteuid() != 0) {
        ASSERT_EQ(::mkdir(folder.file("locked").c_str(), 0500), 0);
        EXPECT_FALSE(checkWritable(folder.file("locked/p.gpi"), &reason));
        EXPECT_EQ(reason, std::strerror(EACCES));
        made = {"dangling", "fifo", "locked", "plain"};
    }
    EXPECT_EQ(folder.names(), made) << "nothing was created";
}

}  // namespace
}  // namespace tavrine::util
