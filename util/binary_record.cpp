#include "util/binary_record.h"

#include <cstring>

#include "util/atomic_file.h"
#include "util/file_read.h"

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

void RecordWriter::reserved(size_t count) { bytes_.insert(bytes_.end(), count, 0); }

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

bool readFileHead(const std::string& path, size_t maxBytes, std::vector<uint8_t>& bytes) {
    return util::readFileHead(path, maxBytes, bytes);
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* error, std::string* reason) {
    std::string why;
    if (path.empty() || path.back() == '/') {
        why = "no file name";
    } else if (path != util::kStandardOutputName &&
               !util::createFolders(util::parentFolder(path))) {
        why = "cannot create the folder " + util::parentFolder(path);
    }
    if (!why.empty() || !util::writeFileAtomically(path, bytes.data(), bytes.size(), &why)) {
        if (error != nullptr) {
            *error = kFailedToOpenFile;
        }
        if (reason != nullptr) {
            *reason = why;
        }
        return false;
    }
    return true;
}

}  // namespace tavrine
