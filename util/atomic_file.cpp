#include "util/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "util/error.h"

namespace tavrine::util {

namespace {

// The longest name of one folder entry on Linux file systems (NAME_MAX).
constexpr size_t kLongestName = 255;

// The most symbolic links followed for one target, as the kernel allows (MAXSYMLINKS).
constexpr int kMostLinks = 40;

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

// Returns whether a file of this type is written in place rather than replaced.
bool writtenInPlace(mode_t mode) { return S_ISCHR(mode) || S_ISFIFO(mode) || S_ISSOCK(mode); }

// Returns why a target of this type is refused, or "" when it may be written.
std::string refusal(mode_t mode) {
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISBLK(mode)) return "it is a block device";
    return "";
}

// The part of a temporary name that follows the (possibly shortened) target name.
std::string temporarySuffix(pid_t pid, unsigned serial) {
    return ".part-" + std::to_string(pid) + "-" + std::to_string(serial);
}

// The target name and process of a temporary file's name (".NAME.part-PID-N"), or false when
// the name is not one.
bool parseTemporaryName(const std::string& entry, std::string& name, pid_t& pid) {
    if (entry.size() < 2 || entry[0] != '.') return false;
    const size_t part = entry.rfind(".part-");
    if (part == std::string::npos || part < 2) return false;
    const size_t dash = entry.find('-', part + 6);
    if (dash == std::string::npos) return false;
    const std::string pidText = entry.substr(part + 6, dash - part - 6);
    const std::string serial = entry.substr(dash + 1);
    auto digits = [](const std::string& text) {
        return !text.empty() && text.size() <= 10 &&
               text.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(pidText) || !digits(serial)) return false;
    const long value = std::strtol(pidText.c_str(), nullptr, 10);
    if (value <= 0 || value > 0x7FFFFFFF) return false;
    name = entry.substr(1, part - 1);
    pid = static_cast<pid_t>(value);
    return true;
}

// The temporary files each folder held, by target name, when this process first wrote there
// (scanned once per folder, so that writing many files into one folder stays cheap).
std::mutex leftoversMutex;
std::map<std::string, std::multimap<std::string, std::string>> leftoversByFolder;

// Removes the temporary files that writers of name in folder left behind when they were killed:
// those whose process no longer runs. A name shortened to fit its suffix counts as the target's
// when the whole temporary name is as long as a name may be.
void removeLeftovers(const std::string& folder, const std::string& name) {
    const std::lock_guard<std::mutex> lock(leftoversMutex);
    auto found = leftoversByFolder.find(folder);
    if (found == leftoversByFolder.end()) {
        std::multimap<std::string, std::string> leftovers;
        if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                std::string target;
                pid_t pid = 0;
                if (parseTemporaryName(entry->d_name, target, pid) && pid != ::getpid() &&
                    ::kill(pid, 0) != 0 && errno == ESRCH) {
                    leftovers.emplace(target, entry->d_name);
                }
            }
            ::closedir(dir);
        }
        found = leftoversByFolder.emplace(folder, std::move(leftovers)).first;
    }
    auto& leftovers = found->second;
    for (auto it = leftovers.begin(); it != leftovers.end();) {
        const bool shortened = it->second.size() == kLongestName &&
                               it->first.size() < name.size() &&
                               name.compare(0, it->first.size(), it->first) == 0;
        if (it->first != name && !shortened) {
            ++it;
            continue;
        }
        // Only a regular file is taken away, never what another program put under such a name.
        const std::string path = folder + it->second;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
        it = leftovers.erase(it);
    }
}

// Gives the temporary file the owner, group and permission bits of the file it replaces. The
// owner and group are set only where the process may (root, or a group it belongs to); a file
// whose owner could not be kept loses its set-user and set-group bits rather than run as ours.
bool keepOwnerAndMode(int fd, const struct stat& old) {
    mode_t mode = old.st_mode & 07777;
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            const bool groupKept = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
            mode &=
                groupKept ? ~static_cast<mode_t>(S_ISUID) : ~static_cast<mode_t>(S_ISUID | S_ISGID);
        }
    }
    return ::fchmod(fd, mode) == 0;
}

}  // namespace

bool resolveLinks(const std::string& target, std::string& resolved, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    std::string path = target;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            resolved = path;
            return true;
        }
        std::string text(static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 256, '\0');
        const ssize_t length = ::readlink(path.c_str(), text.data(), text.size());
        if (length < 0) {
            reason = std::strerror(errno);
            return false;
        }
        text.resize(static_cast<size_t>(length));
        if (text.empty()) {
            reason = std::strerror(ENOENT);
            return false;
        }
        // A relative link names a file from the link's own folder.
        const size_t slash = path.find_last_of('/');
        path =
            text[0] == '/' || slash == std::string::npos ? text : path.substr(0, slash + 1) + text;
    }
    reason = std::strerror(ELOOP);
    return false;
}

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
    open_ = false;
}

bool AtomicFile::open(const std::string& target) {
    discard();
    reason_.clear();
    inPlace_ = false;
    target_ = target;
    if (target.empty()) {
        reason_ = "empty file name";
        return false;
    }
    if (target == kStandardOutputName) {
        inPlace_ = true;
        const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
        if (fd < 0) return fail(errno);
        file_ = FileDescriptor(fd);
        open_ = true;
        return true;
    }
    if (target.back() == '/') {
        reason_ = "no file name after the last slash";
        return false;
    }
    std::string resolved;
    if (!resolveLinks(target, resolved, &reason_)) return false;
    struct stat info {};
    if (::stat(resolved.c_str(), &info) != 0) {
        if (errno != ENOENT) return fail(errno);
        return openBeside(resolved, nullptr);
    }
    reason_ = refusal(info.st_mode);
    if (!reason_.empty()) return false;
    if (writtenInPlace(info.st_mode)) return openInPlace(resolved);
    return openBeside(resolved, &info);
}

bool AtomicFile::openInPlace(const std::string& path) {
    inPlace_ = true;
    // Never O_CREAT: a device or FIFO that vanished meanwhile is not replaced by a file.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fail(errno);
    file_ = FileDescriptor(fd);
    struct stat info {};
    // Whatever was opened must still be what is written in place, not a file swapped in.
    if (::fstat(fd, &info) != 0) return fail(errno);
    if (!writtenInPlace(info.st_mode)) {
        reason_ = "it changed while it was opened";
        discard();
        return false;
    }
    open_ = true;
    return true;
}

bool AtomicFile::openBeside(const std::string& path, const struct stat* old) {
    target_ = path;
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A replacement starts private and takes the old file's mode before any byte is written.
    const mode_t createMode = old != nullptr ? 0600 : 0666;
    removeLeftovers(folder, name);
    int code = EEXIST;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string suffix = temporarySuffix(::getpid(), temporarySerial.fetch_add(1));
        // A name near the longest allowed is cut short, so that its temporary name fits too.
        const size_t keep = std::min(name.size(), kLongestName - 1 - suffix.size());
        const std::string temporary = folder + "." + name.substr(0, keep) + suffix;
        // O_EXCL never follows a symbolic link and never takes over another writer's file.
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd >= 0) {
            file_ = FileDescriptor(fd);
            temporary_ = temporary;
            if (old != nullptr && !keepOwnerAndMode(fd, *old)) return fail(errno);
            open_ = true;
            return true;
        }
        code = errno;
        if (code != EEXIST) break;
    }
    reason_ = std::strerror(code);
    return false;
}

bool AtomicFile::write(const void* data, size_t size) {
    if (!open_) return fail(EBADF);
    if (stream_.get() != nullptr) {
        if (std::fwrite(data, 1, size, stream_.get()) != size) return fail(errno);
        return true;
    }
    if (!writeAll(file_.get(), static_cast<const uint8_t*>(data), size)) return fail(errno);
    return true;
}

FILE* AtomicFile::stream() {
    if (stream_.get() == nullptr) {
        if (!open_) {
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
    if (!open_) {
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
    if (!open_) {
        if (reason_.empty()) reason_ = "no file was opened";
        return false;
    }
    // A device, FIFO or pipe cannot be synced (fsync gives EINVAL); its writes are done.
    const bool sync = !inPlace_;
    if (stream_.get() != nullptr) {
        FILE* stream = stream_.get();
        // A write that failed earlier leaves the stream's error flag set and errno telling why.
        if (std::fflush(stream) != 0 || std::ferror(stream) != 0) return fail(errno);
        if (sync && ::fsync(::fileno(stream)) != 0) return fail(errno);
        if (!stream_.close()) return fail(errno);
    } else {
        if (sync && ::fsync(file_.get()) != 0) return fail(errno);
        if (!file_.close()) return fail(errno);
    }
    open_ = false;
    if (inPlace_) return true;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
    temporary_.clear();
    // The rename itself reaches the disk only with the folder; the file is in place either
    // way, so a folder that cannot be synced (some file systems refuse) is not a failure.
    const FileDescriptor folder(
        ::open(parentFolder(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    AtomicFile file;
    if (!file.open(path) || !file.write(data, size) || !file.commit()) {
        reason = file.reason();
        return false;
    }
    return true;
}

bool checkWritable(const std::string& target, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    if (target == kStandardOutputName) return true;
    if (target.empty()) {
        reason = "empty file name";
        return false;
    }
    if (target.back() == '/') {
        reason = "no file name after the last slash";
        return false;
    }
    std::string resolved;
    if (!resolveLinks(target, resolved, &reason)) return false;
    struct stat info {};
    if (::stat(resolved.c_str(), &info) == 0) {
        reason = refusal(info.st_mode);
        if (!reason.empty()) return false;
        if (writtenInPlace(info.st_mode)) {
            if (::access(resolved.c_str(), W_OK) == 0) return true;
            reason = std::strerror(errno);
            return false;
        }
    } else if (errno != ENOENT) {
        reason = std::strerror(errno);
        return false;
    }
    // A replacement needs a folder it may create and rename files in.
    const std::string folder = parentFolder(resolved);
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(folderInfo.st_mode)) {
        reason = std::strerror(ENOTDIR);
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) {
        reason = std::strerror(EROFS);
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
