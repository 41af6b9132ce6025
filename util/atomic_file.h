#pragma once
// Replacing a file whole or not at all: the bytes go to a temporary file beside the target,
// reach the disk, and only then is the temporary file renamed over the target.

#include <cstddef>
#include <cstdio>
#include <string>

#include "util/file_handles.h"

namespace tavrine::util {

// A file written beside its target under a temporary name (a hidden name in the same folder, so
// that the rename stays within one file system). commit() renames it over the target once every
// byte has reached the disk; any failure, and destruction before commit(), removes it, so the
// target is replaced whole or left as it was. The new file has mode 0666 less the umask, and a
// symbolic link at the target is replaced by the file rather than written through. A failing
// call records its reason, removes the temporary file, and makes every later call fail. Copy
// deleted; one thread at a time.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file when it was never committed.
    ~AtomicFile() { discard(); }

    // Creates the temporary file beside target (discarding any earlier one); returns false with
    // reason() set when target is empty, ends in a slash, or the file cannot be created there.
    bool open(const std::string& target);

    // Writes all size bytes at data (through the stream when one was made), retrying short and
    // interrupted writes; returns false with reason() set when they cannot all be written.
    bool write(const void* data, size_t size);

    // Returns a buffered stream on the temporary file, made on first use; nullptr with reason()
    // set when none can be made or the file is not open. Commit flushes and closes it.
    FILE* stream();

    // Returns a new descriptor of the temporary file for a library that writes through it and
    // closes it itself; the file stays owned here and commit() still finishes it. Returns -1
    // with reason() set when the file is not open or no descriptor is left.
    int handOverDescriptor();

    // Flushes the stream (if any), syncs the file to disk, closes it and renames it over the
    // target; returns false with reason() set (and the temporary file removed) when any step
    // fails or nothing is open.
    bool commit();

    // Closes and removes the temporary file, if one is open and not yet committed.
    void discard() noexcept;

    // Returns why the last failing call failed: the system's error text or a short phrase such
    // as "empty file name"; empty when nothing has failed.
    const std::string& reason() const { return reason_; }

  private:
    bool fail(int code);

    std::string target_;
    std::string temporary_;
    FileDescriptor file_;
    FileStream stream_;
    std::string reason_;
};

// Replaces the file at path by size bytes at data through an AtomicFile; returns false with
// reason set to the AtomicFile's reason when it cannot, leaving the old file untouched. The
// folder of path must exist.
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string& reason);

// Returns the folder part of path without its last slash: "." when path has no slash, "/" when
// the only slash is the first character.
std::string parentFolder(const std::string& path);

// Creates folder and its missing parents (mode 0755 less the umask); returns whether folder is
// a folder afterwards, false for an empty name or a file in the way.
bool createFolders(const std::string& folder);

}  // namespace tavrine::util
