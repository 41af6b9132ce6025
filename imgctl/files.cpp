// The public writers and ToDIB: every writer goes through util::AtomicFile, which fills a
// temporary file beside a regular target and renames it into place only when it is complete.

#include <cstring>

#include "imgctl/codecs.h"
#include "imgctl/imgctl.h"
#include "util/atomic_file.h"
#include "util/error.h"
#include "util/file_read.h"
#include "util/path_text.h"

namespace tavrine::imgctl {

namespace {

// Largest file ToDIB reads (1 GiB).
constexpr size_t kMaxFileBytes = size_t{1} << 30;

// Returns "cannot write PATH: REASON", the library's message for a failed write.
std::string writeFailure(const std::string& path, const std::string& reason) {
    return util::cannotText("write", path, reason);
}

// Records a failure of this thread and passes the result on.
bool fail(std::string* error, const std::string& message) {
    setLastError(message);
    return util::fail(error, message);
}

// Opens the file of a writer (a folder at the target is refused there, before any encoding).
bool openBeside(const std::string& path, util::AtomicFile& file, std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    if (!file.open(path)) return fail(&error, writeFailure(path, file.reason()));
    return true;
}

bool writeStream(const std::string& path, DibHandle dib, std::string* error, bool png) {
    if (dib == nullptr) return fail(error, writeFailure(path, "no picture"));
    util::AtomicFile file;
    if (!openBeside(path, file, error)) return false;
    if (png) {
        FILE* out = file.stream();
        if (out == nullptr) return fail(error, writeFailure(path, file.reason()));
        std::string reason;
        if (!encodePng(*dib, out, &reason)) return fail(error, writeFailure(path, reason));
    } else {
        const std::vector<uint8_t> bytes = encodeBmp(*dib);
        if (!file.write(bytes.data(), bytes.size())) {
            return fail(error, writeFailure(path, file.reason()));
        }
    }
    if (!file.commit()) return fail(error, writeFailure(path, file.reason()));
    return true;
}

bool writeGif(const std::string& path, const GifFrame* frames, int32_t count, bool animated,
              std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    if (frames == nullptr || count <= 0) return fail(&error, writeFailure(path, "no picture"));
    // Frames that are not 8-bit are written from quantised copies.
    std::vector<Dib> reduced;
    reduced.reserve(static_cast<size_t>(count));
    std::vector<const Dib*> pictures;
    std::vector<uint16_t> delays;
    for (int32_t i = 0; i < count; ++i) {
        const Dib* p = frames[i].picture;
        if (p == nullptr) return fail(&error, writeFailure(path, "a frame has no picture"));
        if (p->bitCount != 8) {
            reduced.push_back(quantize(*p));
            if (reduced.back().bitCount != 8) {
                return fail(&error, writeFailure(path, "out of memory"));
            }
            p = &reduced.back();
        }
        pictures.push_back(p);
        delays.push_back(frames[i].delay);
    }
    util::AtomicFile file;
    if (!openBeside(path, file, &error)) return false;
    const int fd = file.handOverDescriptor();
    if (fd < 0) return fail(&error, writeFailure(path, file.reason()));
    std::string reason;
    if (!encodeGif(pictures, delays, animated, fd, &reason)) {
        return fail(&error, writeFailure(path, reason));
    }
    if (!file.commit()) return fail(&error, writeFailure(path, file.reason()));
    return true;
}

}  // namespace

bool DIBtoBMP(const std::string& path, DibHandle dib, std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    return writeStream(path, dib, &error, false);
}

bool DIBtoBMP(const std::string& path, DibHandle dib) {
    std::string error;
    return DIBtoBMP(path, dib, &error);
}

bool DIBtoPNG(const std::string& path, DibHandle dib, std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    return writeStream(path, dib, &error, true);
}

bool DIBtoPNG(const std::string& path, DibHandle dib) {
    std::string error;
    return DIBtoPNG(path, dib, &error);
}

bool DIBtoGIF(const std::string& path, DibHandle dib, std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    if (dib == nullptr) return fail(&error, writeFailure(path, "no picture"));
    const GifFrame frame{dib, 0};
    return writeGif(path, &frame, 1, false, &error);
}

bool DIBtoGIF(const std::string& path, DibHandle dib) {
    std::string error;
    return DIBtoGIF(path, dib, &error);
}

bool DIBtoGIFAniEx(const std::string& path, const GifFrame* frames, int32_t frameCount,
                   std::string* errorOut) {
    std::string& error = util::errorSlot(errorOut);
    return writeGif(path, frames, frameCount, true, &error);
}

bool DIBtoGIFAniEx(const std::string& path, const GifFrame* frames, int32_t frameCount) {
    std::string error;
    return DIBtoGIFAniEx(path, frames, frameCount, &error);
}

DibHandle ToDIB(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!util::readWholeFile(path, kMaxFileBytes, bytes, &reason)) {
        setLastError(util::cannotText("read", path, reason));
        return nullptr;
    }
    std::unique_ptr<Dib> dib;
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        dib = decodeBmp(bytes, &reason);
    } else if (bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        dib = decodePng(bytes, &reason);
    } else if (bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 ||
                                     std::memcmp(bytes.data(), "GIF89a", 6) == 0)) {
        dib = decodeGif(bytes, &reason);
    } else {
        reason = bytes.empty() ? "the file is empty" : "not a BMP, PNG or GIF file";
    }
    if (dib == nullptr) {
        setLastError(util::cannotText("read", path, reason));
        return nullptr;
    }
    return dib.release();
}

}  // namespace tavrine::imgctl
