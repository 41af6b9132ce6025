#include "util/file_handles.h"

#include <unistd.h>

namespace tavrine::util {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

int FileDescriptor::release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool FileDescriptor::close() noexcept {
    const int fd = release();
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return fd < 0 || ::close(fd) == 0;
}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = other.release();
    }
    return *this;
}

FILE* FileStream::release() noexcept {
    FILE* stream = stream_;
    stream_ = nullptr;
    return stream;
}

bool FileStream::close() noexcept {
    FILE* stream = release();
    return stream == nullptr || std::fclose(stream) == 0;
}

}  // namespace tavrine::util
