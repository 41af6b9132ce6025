#include "util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace tavrine::util {

namespace {

// The longest name of one folder entry on Linux file systems (NAME_MAX).
constexpr size_t kLongestName = 255;

// Distinguishes the temporary files of one process.
std::atomic<unsigned> temporarySerial{0};

// Writes all size bytes at data to fd, retrying short and interrupted writes.
bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

bool AtomicFile::fail(int code) {
    reason_ = std::strerror(code != 0 ? code : EIO);
    discard();
    return false;
}

void AtomicFile::discard() noexcept {
    stream_.close();
    file_.close();
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

bool AtomicFile::open(const std::string& target) {
    discard();
    reason_.clear();
    target_ = target;
    if (target.empty()) {
        reason_ = "empty file name";
        return false;
    }
    if (target.back() == '/') {
        reason_ = "no file name after the last slash";
        return false;
    }
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    int code = EEXIST;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = ".part-" + std::to_string(::getpid()) + "-" +
                                   std::to_string(temporarySerial.fetch_add(1));
        // A name near the longest allowed is cut short, so that its temporary name fits too.
        const size_t keep = std::min(name.size(), kLongestName - 1 - suffix.size());
        const std::string temporary = folder + "." + name.substr(0, keep) + suffix;
        // O_EXCL never follows a symbolic link and never takes over another writer's file.
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file_ = FileDescriptor(fd);
            temporary_ = temporary;
            return true;
        }
        code = errno;
        if (code != EEXIST) break;
    }
    reason_ = std::strerror(code);
    return false;
}

bool AtomicFile::write(const void* data, size_t size) {
    if (temporary_.empty()) return fail(EBADF);
    if (stream_.get() != nullptr) {
        if (std::fwrite(data, 1, size, stream_.get()) != size) return fail(errno);
        return true;
    }
    if (!writeAll(file_.get(), static_cast<const uint8_t*>(data), size)) return fail(errno);
    return true;
}

FILE* AtomicFile::stream() {
    if (stream_.get() == nullptr) {
        if (temporary_.empty()) {
            fail(EBADF);
            return nullptr;
        }
        FILE* stream = ::fdopen(file_.get(), "wb");
        if (stream == nullptr) {
            fail(errno);
            return nullptr;
        }
        // The stream owns the descriptor from here on.
        file_.release();
        stream_ = FileStream(stream);
    }
    return stream_.get();
}

int AtomicFile::handOverDescriptor() {
    if (temporary_.empty()) {
        fail(EBADF);
        return -1;
    }
    int fd = file_.get();
    if (stream_.get() != nullptr) {
        if (std::fflush(stream_.get()) != 0) {
            fail(errno);
            return -1;
        }
        fd = ::fileno(stream_.get());
    }
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) fail(errno);
    return copy;
}

bool AtomicFile::commit() {
    if (temporary_.empty()) {
        if (reason_.empty()) reason_ = "no file was opened";
        return false;
    }
    if (stream_.get() != nullptr) {
        FILE* stream = stream_.get();
        // A write that failed earlier leaves the stream's error flag set and errno telling why.
        if (std::fflush(stream) != 0 || std::ferror(stream) != 0) return fail(errno);
        if (::fsync(::fileno(stream)) != 0) return fail(errno);
        if (!stream_.close()) return fail(errno);
    } else {
        if (::fsync(file_.get()) != 0) return fail(errno);
        if (!file_.close()) return fail(errno);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
    temporary_.clear();
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& reason) {
    AtomicFile file;
    if (!file.open(path) || !file.write(data, size) || !file.commit()) {
        reason = file.reason();
        return false;
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool createFolders(const std::string& folder) {
    if (folder.empty()) return false;
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::string parent = parentFolder(trimmed);
    if (parent != trimmed && parent != "." && !createFolders(parent)) return false;
    if (::mkdir(trimmed.c_str(), 0755) != 0 && errno != EEXIST) return false;
    return ::stat(trimmed.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace tavrine::util
