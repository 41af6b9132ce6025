#pragma once
// Files for the writers and readers: a temporary file beside the target that becomes the
// target only when it is complete, and whole-file reading.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tavrine::imgctl {

// A temporary file created beside a target path; commit() renames it over the target, and the
// destructor removes it when it was never committed. Copy deleted, move deleted.
class TempFile {
  public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile();

    // Creates the temporary file (mode 0666 less the umask); returns false with a message
    // naming |target| when it cannot.
    bool open(const std::string& target, std::string& error);

    // Returns a stream on the file, opened on first use; nullptr when it cannot be made.
    FILE* stream();

    // Hands the descriptor over to a library that closes it itself.
    int releaseDescriptor();

    // Closes the stream (if any), checks that every byte reached the file and renames it over
    // the target; returns false with a message naming the target otherwise.
    bool commit(std::string& error);

  private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
    FILE* stream_ = nullptr;
    bool committed_ = false;
};

// Reads a whole file of at most |limit| bytes; returns false when it cannot be read.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, size_t limit);

// Returns "cannot write PATH: REASON", the library's message for a failed write.
std::string writeFailure(const std::string& path, const std::string& reason);

}  // namespace tavrine::imgctl
