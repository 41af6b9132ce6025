#include "app/engine/binary_record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tavrine {

void RecordWriter::int32(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes_.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
}

void RecordWriter::int16(int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    bytes_.push_back(static_cast<uint8_t>(bits));
    bytes_.push_back(static_cast<uint8_t>(bits >> 8));
}

void RecordWriter::byte(uint8_t value) { bytes_.push_back(value); }

void RecordWriter::float64(double value) {
    uint64_t bits = 0;
    static_assert(sizeof bits == sizeof value, "double must be 64 bits");
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) {
        bytes_.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
}

void RecordWriter::zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }

void RecordWriter::text(const std::string& text, size_t fieldSize) {
    const size_t length = text.size() < fieldSize ? text.size() : fieldSize - 1;
    bytes_.insert(bytes_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
    bytes_.insert(bytes_.end(), fieldSize - length, 0);
}

bool RecordReader::take(size_t count, const uint8_t*& field) {
    if (offset_ > size_ || size_ - offset_ < count) {
        offset_ = size_ + 1;  // every later field is missing too
        return false;
    }
    field = data_ + offset_;
    offset_ += count;
    return true;
}

bool RecordReader::int32(int32_t& value) {
    const uint8_t* p = nullptr;
    if (!take(4, p)) {
        return false;
    }
    const uint32_t bits = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    value = static_cast<int32_t>(bits);
    return true;
}

bool RecordReader::int16(int16_t& value) {
    const uint8_t* p = nullptr;
    if (!take(2, p)) {
        return false;
    }
    value = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    return true;
}

bool RecordReader::byte(uint8_t& value) {
    const uint8_t* p = nullptr;
    if (!take(1, p)) {
        return false;
    }
    value = p[0];
    return true;
}

bool RecordReader::float64(double& value) {
    const uint8_t* p = nullptr;
    if (!take(8, p)) {
        return false;
    }
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= static_cast<uint64_t>(p[i]) << (8 * i);
    }
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool RecordReader::skip(size_t count) {
    const uint8_t* p = nullptr;
    return take(count, p);
}

bool RecordReader::text(std::string& value, size_t fieldSize) {
    const uint8_t* p = nullptr;
    if (!take(fieldSize, p)) {
        return false;
    }
    const void* nul = std::memchr(p, 0, fieldSize);
    if (nul == nullptr) {
        return false;
    }
    value.assign(reinterpret_cast<const char*>(p),
                 static_cast<size_t>(static_cast<const uint8_t*>(nul) - p));
    return true;
}

namespace {

// Owns a POSIX file descriptor and closes it on destruction.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }
    int get() const { return fd_; }
    bool close() {
        if (fd_ < 0) {
            return true;
        }
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

  private:
    int fd_;
};

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    if (slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

}  // namespace

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    // Non-blocking open, so that a FIFO at the path cannot hang the reader.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    bytes.assign(maxBytes, 0);
    size_t total = 0;
    while (total < maxBytes) {
        const ssize_t got = ::read(file.get(), bytes.data() + total, maxBytes - total);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes.clear();
            return false;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<size_t>(got);
    }
    bytes.resize(total);
    return true;
}

bool createFolders(const std::string& folder) {
    if (folder.empty()) {
        return false;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const std::string parent = folderOf(trimmed);
    if (parent != trimmed && parent != "." && !createFolders(parent)) {
        return false;
    }
    if (::mkdir(trimmed.c_str(), 0755) != 0 && errno != EEXIST) {
        return false;
    }
    return ::stat(trimmed.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error) {
    const auto fail = [error]() {
        if (error != nullptr) {
            *error = kFailedToOpenFile;
        }
        return false;
    };
    if (path.empty() || path.back() == '/') {
        return fail();
    }
    const std::string folder = folderOf(path);
    if (!createFolders(folder)) {
        return fail();
    }
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = (folder == "/" ? "" : folder) + "/." + name + ".XXXXXX";
    std::vector<char> pattern(temporary.begin(), temporary.end());
    pattern.push_back('\0');
    FileDescriptor file(::mkstemp(pattern.data()));
    if (file.get() < 0) {
        return fail();
    }
    temporary.assign(pattern.data());
    const bool written = writeAll(file.get(), bytes.data(), bytes.size()) &&
                         ::fchmod(file.get(), 0644) == 0 && ::fsync(file.get()) == 0;
    const bool closed = file.close();
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return fail();
    }
    return true;
}

}  // namespace tavrine
