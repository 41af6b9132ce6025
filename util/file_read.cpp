#include "util/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "util/error.h"
#include "util/file_handles.h"

namespace tavrine::util {

namespace {

// Reads the regular file at path into bytes, at most limit bytes; with wholeFile a file longer
// than limit is refused, otherwise it is cut at limit. Memory refused is a failure like any
// other, never an exception.
bool readRegularFile(const std::string& path, size_t limit, bool wholeFile,
                     std::vector<uint8_t>& bytes, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    bytes.clear();
    // Non-blocking open, so that a FIFO at the path cannot hang the reader.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    const std::string tooLarge = "it is larger than " + std::to_string(limit) + " bytes";
    if (wholeFile && static_cast<uint64_t>(info.st_size) > limit) {
        reason = tooLarge;
        return false;
    }
    try {
        // The size is only a hint: the file may grow or shrink while it is read.
        bytes.reserve(std::min(static_cast<size_t>(info.st_size), limit));
        uint8_t block[65536];
        for (;;) {
            size_t wanted = sizeof block;
            if (!wholeFile) {
                wanted = std::min(wanted, limit - bytes.size());
                if (wanted == 0) break;
            }
            const ssize_t got = ::read(file.get(), block, wanted);
            if (got < 0) {
                if (errno == EINTR) continue;
                reason = std::strerror(errno);
                bytes.clear();
                return false;
            }
            if (got == 0) break;
            const auto count = static_cast<size_t>(got);
            if (count > limit - bytes.size()) {
                reason = tooLarge;
                bytes.clear();
                return false;
            }
            bytes.insert(bytes.end(), block, block + count);
        }
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(bytes);
        reason = "out of memory";
        return false;
    }
    return true;
}

}  // namespace

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes,
                  std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    return readRegularFile(path, maxBytes, false, bytes, &reason);
}

bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes,
                   std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    return readRegularFile(path, maxBytes, true, bytes, &reason);
}

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    std::string reason;
    return readFileHead(path, maxBytes, bytes, &reason);
}

bool readWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    std::string reason;
    return readWholeFile(path, maxBytes, bytes, &reason);
}

}  // namespace tavrine::util
