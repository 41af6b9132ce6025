// Temporary files renamed into place, and whole-file reading.

#include "imgctl/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace tavrine::imgctl {

namespace {

std::atomic<unsigned> tempCounter{0};

// Closes a stream when it goes out of scope.
struct StreamCloser {
    FILE* f;
    ~StreamCloser() {
        if (f != nullptr) std::fclose(f);
    }
};

}  // namespace

std::string writeFailure(const std::string& path, const std::string& reason) {
    return "cannot write " + path + ": " + reason;
}

TempFile::~TempFile() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
    } else if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool TempFile::open(const std::string& target, std::string& error) {
    target_ = target;
    if (target.empty()) {
        error = writeFailure(target, "empty file name");
        return false;
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = writeFailure(target, "it is a folder");
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = target + ".part-" + std::to_string(::getpid()) + "-" +
                std::to_string(tempCounter.fetch_add(1));
        fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return true;
        if (errno != EEXIST) break;
    }
    error = writeFailure(target, std::strerror(errno));
    temp_.clear();
    return false;
}

FILE* TempFile::stream() {
    if (stream_ == nullptr && fd_ >= 0) {
        stream_ = ::fdopen(fd_, "wb");
        if (stream_ != nullptr) fd_ = -1;
    }
    return stream_;
}

int TempFile::releaseDescriptor() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool TempFile::commit(std::string& error) {
    if (temp_.empty()) {
        error = writeFailure(target_, "no file was opened");
        return false;
    }
    if (stream_ != nullptr) {
        const bool failed = std::fflush(stream_) != 0 || std::ferror(stream_) != 0;
        const int savedErrno = errno;
        const bool closeFailed = std::fclose(stream_) != 0;
        stream_ = nullptr;
        if (failed || closeFailed) {
            error = writeFailure(target_, std::strerror(failed ? savedErrno : errno));
            return false;
        }
    }
    if (fd_ >= 0) {
        const bool closeFailed = ::close(fd_) != 0;
        fd_ = -1;
        if (closeFailed) {
            error = writeFailure(target_, std::strerror(errno));
            return false;
        }
    }
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = writeFailure(target_, std::strerror(errno));
        return false;
    }
    committed_ = true;
    return true;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit) {
    StreamCloser in{std::fopen(path.c_str(), "rb")};
    if (in.f == nullptr) return false;
    bytes.clear();
    uint8_t block[65536];
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, in.f);
        if (n > 0) {
            if (bytes.size() + n > limit) return false;
            bytes.insert(bytes.end(), block, block + n);
        }
        if (n < sizeof block) break;
    }
    return std::ferror(in.f) == 0;
}

}  // namespace tavrine::imgctl
