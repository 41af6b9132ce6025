#pragma once
// Writing a file without harming what stands at its path. A regular file (or a missing one) is
// replaced whole or not at all: the bytes go to a temporary file beside it, reach the disk, and
// only then is the temporary file renamed over it. A symbolic link is followed to the file it
// names; a device, FIFO or socket is written in place; "-" is standard output.

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <string>

#include "util/file_handles.h"

namespace tavrine::util {

// The output name that stands for standard output.
inline constexpr const char* kStandardOutputName = "-";

// A file written safely to its target. The target is first resolved: symbolic links are
// followed (a dangling one to the file it would name). A missing or regular target is written
// under a temporary hidden name in the resolved file's folder (so that the rename stays within
// one file system); commit() renames it over the target once every byte has reached the disk,
// then syncs the folder. A replaced file keeps its permission bits, and its owner and group
// where the process may set them (set-user and set-group bits are dropped when it may not); a
// new file gets 0666 less the umask. A hard link to other names is broken, as by an editor.
// Any failure, and destruction before commit(), removes the temporary file, so the target is
// replaced whole or left as it was. Temporary files of the same target that a killed writer
// left behind (their process no longer runs) are removed when the next writer opens it. A
// character device, FIFO or socket is opened for writing and written in place (never created,
// never renamed; Linux refuses to open a socket, which fails with ENXIO's text); "-" writes to a
// copy of standard output's descriptor. A folder or a block device is refused. A failing call
// records its reason and makes every later call fail. Copy deleted; one thread at a time.
class AtomicFile {
  public:
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    // Removes the temporary file when it was never committed.
    ~AtomicFile() { discard(); }

    // Resolves target and opens the temporary file beside it, or the target itself when it is
    // written in place (a FIFO blocks here until a reader comes, as for any writer). Returns
    // false with reason() set when target is empty, ends in a slash, is a folder or a block
    // device, or cannot be opened or created.
    bool open(const std::string& target);

    // Writes all size bytes at data (through the stream when one was made), retrying short and
    // interrupted writes; returns false with reason() set when they cannot all be written.
    bool write(const void* data, size_t size);

    // Returns a buffered stream on the open file, made on first use; nullptr with reason() set
    // when none can be made or the file is not open. Commit flushes and closes it.
    FILE* stream();

    // Returns a new descriptor of the open file for a library that writes through it and
    // closes it itself; the file stays owned here and commit() still finishes it. Returns -1
    // with reason() set when the file is not open or no descriptor is left.
    int handOverDescriptor();

    // Flushes the stream (if any). A replacement is then synced to disk, closed, renamed over
    // the target and its folder synced; a file written in place is closed. Returns false with
    // reason() set (and the temporary file removed) when any step fails or nothing is open.
    bool commit();

    // Closes the file and removes the temporary file, if one is open and not yet committed.
    void discard() noexcept;

    // Returns whether the open target is written in place rather than replaced.
    bool inPlace() const { return inPlace_; }

    // Returns why the last failing call failed: the system's error text or a short phrase such
    // as "empty file name"; empty when nothing has failed.
    const std::string& reason() const { return reason_; }

  private:
    bool fail(int code);
    bool openInPlace(const std::string& path);
    bool openBeside(const std::string& path, const struct stat* old);

    std::string target_;
    std::string temporary_;
    bool open_ = false;
    bool inPlace_ = false;
    FileDescriptor file_;
    FileStream stream_;
    std::string reason_;
};

// Replaces the file at path by size bytes at data through an AtomicFile; returns false with
// reason set to the AtomicFile's reason when it cannot, leaving the old file untouched. The
// folder of the resolved path must exist.
bool writeFileAtomically(const std::string& path, const void* data, size_t size,
                         std::string* reason);

// Returns whether an AtomicFile could open target, without creating or opening anything: "-"
// and a writable device, FIFO or socket pass; a missing or regular target passes when the
// folder of the file it resolves to exists and may be written. Returns false with reason set
// (the system's error text or a short phrase) otherwise.
bool checkWritable(const std::string& target, std::string* reason);

// Returns the path target resolves to by following symbolic links (at most 40), relative
// links taken from the folder of the link; a dangling link gives the path it names, a missing
// target itself. Returns false with reason set when a link cannot be read or the links loop.
bool resolveLinks(const std::string& target, std::string& resolved, std::string* reason);

// Returns the folder part of path without its last slash: "." when path has no slash, "/" when
// the only slash is the first character.
std::string parentFolder(const std::string& path);

// Creates folder and its missing parents (mode 0755 less the umask); returns whether folder is
// a folder afterwards, false for an empty name or a file in the way.
bool createFolders(const std::string& folder);

}  // namespace tavrine::util
