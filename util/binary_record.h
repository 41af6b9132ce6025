#pragma once
// Little-endian field-by-field encoding of fixed-layout binary records, and whole-file reading
// and atomic replacement for them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavrine {

// Appends fields to a byte buffer in little-endian order, independent of the host's layout.
// RecordWriter and RecordReader share the names of their field calls, so that one template
// listing a record's fields serves for writing (over a const record) and reading both.
class RecordWriter {
  public:
    // Appends a signed 32-bit integer as four little-endian bytes.
    void int32(int32_t value);
    // Appends a signed 16-bit integer as two little-endian bytes.
    void int16(int16_t value);
    // Appends one byte.
    void byte(uint8_t value);
    // Appends a 64-bit IEEE double as eight little-endian bytes of its bit pattern.
    void float64(double value);
    // Appends count reserved bytes, written as zero.
    void reserved(size_t count);
    // Appends a text field of exactly fieldSize bytes: the text, a NUL and zero padding; the
    // caller guarantees text.size() < fieldSize.
    void text(const std::string& text, size_t fieldSize);
    // Returns the bytes written so far.
    const std::vector<uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

// Reads fields from a byte buffer in order; a field that does not lie wholly inside the buffer
// is not read (the target keeps its value) and the call returns false.
class RecordReader {
  public:
    // Starts reading at offset 0 of size bytes at data; the bytes must outlive the reader.
    RecordReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // Reads a little-endian signed 32-bit integer into value when four bytes remain.
    bool int32(int32_t& value);
    // Reads a little-endian signed 16-bit integer into value when two bytes remain.
    bool int16(int16_t& value);
    // Reads one byte into value when one remains.
    bool byte(uint8_t& value);
    // Reads a little-endian 64-bit IEEE double into value when eight bytes remain.
    bool float64(double& value);
    // Skips count bytes; returns whether they were all present.
    bool skip(size_t count);
    // Skips count reserved bytes, whatever they hold; returns whether they were all present.
    bool reserved(size_t count) { return skip(count); }
    // Reads a NUL-terminated text field of fieldSize bytes; returns false, leaving value as it
    // was, when the field is incomplete or holds no NUL.
    bool text(std::string& value, size_t fieldSize);
    // Returns the offset of the next field.
    size_t offset() const { return offset_; }
    // Returns whether every field asked for so far lay wholly inside the buffer.
    bool complete() const { return offset_ <= size_; }

  private:
    bool take(size_t count, const uint8_t*& field);

    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

// Reads at most maxBytes from the start of the regular file at path into bytes; returns false
// when the file cannot be opened or read, or is not a regular file (a FIFO is refused, never
// waited on).
bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes);

// Replaces the file at path by bytes atomically: the bytes go to a temporary file in the same
// folder (mode 0666 less the umask), which is flushed to disk and renamed over path; the folder
// is created when missing. A symbolic link, device or FIFO at path is handled as AtomicFile
// does. On failure the old file is untouched, no temporary file remains, error (when not null)
// receives "Failed to open file." and reason (when not null) the system's error text.
bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error, std::string* reason = nullptr);

// The message shown when a file cannot be opened, created or written.
inline constexpr const char* kFailedToOpenFile = "Failed to open file.";

}  // namespace tavrine
