#pragma once
// Owned POSIX descriptors and C streams: closed when they go out of scope, never copied.

#include <cstdio>

namespace tavrine::util {

// Owns a POSIX file descriptor and closes it on destruction; copy deleted, move allowed.
class FileDescriptor {
  public:
    // Takes ownership of fd; a negative fd means that no descriptor is held.
    explicit FileDescriptor(int fd = -1) noexcept : fd_(fd) {}
    // Takes the descriptor of other, which is left holding none.
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    // Closes the held descriptor and takes the one of other, which is left holding none.
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    // Closes the held descriptor, ignoring any error.
    ~FileDescriptor() { close(); }

    // Returns the held descriptor, or -1 when none is held.
    int get() const { return fd_; }
    // Gives the descriptor up without closing it and returns it (-1 when none was held).
    int release() noexcept;
    // Closes the descriptor now; returns true when none was held or it closed cleanly, else
    // false with errno set. The descriptor is given up either way.
    bool close() noexcept;

  private:
    int fd_;
};

// Owns a C stream and closes it on destruction; copy deleted, move allowed.
class FileStream {
  public:
    // Takes ownership of stream; nullptr means that no stream is held.
    explicit FileStream(FILE* stream = nullptr) noexcept : stream_(stream) {}
    // Takes the stream of other, which is left holding none.
    FileStream(FileStream&& other) noexcept : stream_(other.release()) {}
    // Closes the held stream and takes the one of other, which is left holding none.
    FileStream& operator=(FileStream&& other) noexcept;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;
    // Closes the held stream, ignoring any error.
    ~FileStream() { close(); }

    // Returns the held stream, or nullptr when none is held.
    FILE* get() const { return stream_; }
    // Gives the stream up without closing it and returns it (nullptr when none was held).
    FILE* release() noexcept;
    // Flushes and closes the stream now; returns true when none was held or it closed cleanly,
    // else false with errno set. The stream is given up either way.
    bool close() noexcept;

  private:
    FILE* stream_;
};

}  // namespace tavrine::util
