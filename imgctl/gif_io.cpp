// GIF89a files through giflib: single pictures with a global palette, animations that loop
// forever with a local palette and a delay per frame, and reading of the first picture.

#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "imgctl/codecs.h"
#include "util/error.h"

namespace tavrine::imgctl {

namespace {

// Owns a giflib colour map.
struct ColourMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapDeleter>;

// Owns a giflib encoder; close() finishes the file and reports whether that worked.
class GifEncoder {
  public:
    explicit GifEncoder(GifFileType* gif) : gif_(gif) {}
    GifEncoder(const GifEncoder&) = delete;
    GifEncoder& operator=(const GifEncoder&) = delete;
    ~GifEncoder() {
        if (gif_ != nullptr) {
            int error = 0;
            EGifCloseFile(gif_, &error);
        }
    }
    GifFileType* get() const { return gif_; }
    bool close(int* error) {
        GifFileType* gif = gif_;
        gif_ = nullptr;
        return EGifCloseFile(gif, error) == GIF_OK;
    }

  private:
    GifFileType* gif_;
};

// Owns a giflib decoder.
class GifDecoder {
  public:
    explicit GifDecoder(GifFileType* gif) : gif_(gif) {}
    GifDecoder(const GifDecoder&) = delete;
    GifDecoder& operator=(const GifDecoder&) = delete;
    ~GifDecoder() {
        if (gif_ != nullptr) {
            int error = 0;
            DGifCloseFile(gif_, &error);
        }
    }
    GifFileType* get() const { return gif_; }

  private:
    GifFileType* gif_;
};

// Returns a colour map of a power-of-two size holding the picture's palette.
ColourMap makeColourMap(const Dib& dib) {
    const int used = std::max(1, std::min(dib.paletteSize, 256));
    int size = 2;
    while (size < used) size *= 2;
    std::vector<GifColorType> colours(static_cast<size_t>(size), GifColorType{0, 0, 0});
    for (int k = 0; k < used; ++k) {
        const uint8_t* q = dib.palette.data() + static_cast<size_t>(k) * 4;
        colours[static_cast<size_t>(k)] = GifColorType{q[2], q[1], q[0]};
    }
    return ColourMap(GifMakeMapObject(size, colours.data()));
}

std::string gifReason(int error) {
    // giflib writes through a C stream; when that fails, errno says why (a full disk, a pipe
    // whose reader left), which tells the user more than giflib's own text.
    if ((error == E_GIF_ERR_WRITE_FAILED || error == E_GIF_ERR_DISK_IS_FULL ||
         error == E_GIF_ERR_CLOSE_FAILED) &&
        errno != 0) {
        return std::strerror(errno);
    }
    const char* text = GifErrorString(error);
    return text != nullptr ? text : "giflib failed";
}

// Writes the image of one picture, top row first.
bool putImage(GifFileType* gif, const Dib& dib, const ColorMapObject* localMap) {
    if (EGifPutImageDesc(gif, 0, 0, dib.width, dib.height, false, localMap) != GIF_OK) {
        return false;
    }
    std::vector<GifPixelType> line(static_cast<size_t>(dib.width));
    for (int32_t y = 0; y < dib.height; ++y) {
        const uint8_t* row = dib.storedRow(dib.height - 1 - y);
        std::copy(row, row + dib.width, line.begin());
        if (EGifPutLine(gif, line.data(), dib.width) != GIF_OK) return false;
    }
    return true;
}

// The bytes being read and how far the decoder got.
struct GifSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* s = static_cast<GifSource*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count < 0 ? 0 : count), s->size - s->pos);
    std::memcpy(out, s->data + s->pos, n);
    s->pos += n;
    return static_cast<int>(n);
}

}  // namespace

bool encodeGif(const std::vector<const Dib*>& pictures, const std::vector<uint16_t>& delays,
               bool animated, int fd, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    errno = 0;
    int error = 0;
    GifFileType* raw = EGifOpenFileHandle(fd, &error);
    if (raw == nullptr) {
        ::close(fd);
        reason = gifReason(error);
        return false;
    }
    GifEncoder gif(raw);
    EGifSetGifVersion(gif.get(), true);
    int32_t width = 0, height = 0;
    for (const Dib* p : pictures) {
        width = std::max(width, p->width);
        height = std::max(height, p->height);
    }
    // A single picture carries its palette as the global one; animation frames carry their own.
    ColourMap global = animated ? nullptr : makeColourMap(*pictures.front());
    if ((!animated && global == nullptr) ||
        EGifPutScreenDesc(gif.get(), width, height, 8, 0, global.get()) != GIF_OK) {
        reason = gifReason(gif.get()->Error);
        return false;
    }
    if (animated) {
        static const char kApplication[] = "NETSCAPE2.0";
        const uint8_t loopForever[3] = {1, 0, 0};
        if (EGifPutExtensionLeader(gif.get(), APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
            EGifPutExtensionBlock(gif.get(), 11, kApplication) != GIF_OK ||
            EGifPutExtensionBlock(gif.get(), 3, loopForever) != GIF_OK ||
            EGifPutExtensionTrailer(gif.get()) != GIF_OK) {
            reason = gifReason(gif.get()->Error);
            return false;
        }
    }
    for (size_t i = 0; i < pictures.size(); ++i) {
        const Dib& dib = *pictures[i];
        if (animated) {
            // Graphic control: keep the frame in place (disposal 1), delay in 1/100 s.
            const uint16_t delay = i < delays.size() ? delays[i] : 0;
            const uint8_t control[4] = {0x04, static_cast<uint8_t>(delay & 0xFF),
                                        static_cast<uint8_t>(delay >> 8), 0};
            if (EGifPutExtension(gif.get(), GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_OK) {
                reason = gifReason(gif.get()->Error);
                return false;
            }
        }
        ColourMap local = animated ? makeColourMap(dib) : nullptr;
        if ((animated && local == nullptr) || !putImage(gif.get(), dib, local.get())) {
            reason = gifReason(gif.get()->Error);
            return false;
        }
    }
    if (!gif.close(&error)) {
        reason = gifReason(error);
        return false;
    }
    return true;
}

// Reads past the remaining records up to the trailer; false when the file ends early or a
// record is damaged, so that a truncated file is never taken for a whole one.
bool skipToTrailer(GifFileType* g) {
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(g, &type) != GIF_OK) return false;
        if (type == TERMINATE_RECORD_TYPE) return true;
        GifByteType* block = nullptr;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            if (DGifGetExtension(g, &code, &block) != GIF_OK) return false;
            while (block != nullptr) {
                if (DGifGetExtensionNext(g, &block) != GIF_OK) return false;
            }
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            int codeSize = 0;
            if (DGifGetImageDesc(g) != GIF_OK || DGifGetCode(g, &codeSize, &block) != GIF_OK) {
                return false;
            }
            while (block != nullptr) {
                if (DGifGetCodeNext(g, &block) != GIF_OK) return false;
            }
        } else {
            return false;
        }
    }
}

std::unique_ptr<Dib> decodeGif(const std::vector<uint8_t>& bytes, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    auto refuse = [&reason](const std::string& why) {
        reason = why;
        return nullptr;
    };
    if (bytes.size() < 13 || std::memcmp(bytes.data(), "GIF", 3) != 0) {
        return refuse("truncated in its header");
    }
    GifSource source{bytes.data(), bytes.size(), 0};
    int error = 0;
    GifDecoder gif(DGifOpen(&source, readBytes, &error));
    if (gif.get() == nullptr) return refuse(gifReason(error));
    GifFileType* g = gif.get();
    const auto giflibReason = [g, &source]() {
        return source.pos >= source.size ? std::string("truncated") : gifReason(g->Error);
    };
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(g, &type) != GIF_OK) return refuse(giflibReason());
        if (type == TERMINATE_RECORD_TYPE) return refuse("it holds no picture");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(g, &code, &block) != GIF_OK) return refuse(giflibReason());
            while (block != nullptr) {
                if (DGifGetExtensionNext(g, &block) != GIF_OK) return refuse(giflibReason());
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) return refuse("a record of unknown type");
        if (DGifGetImageDesc(g) != GIF_OK) return refuse(giflibReason());
        const GifImageDesc& desc = g->Image;
        const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : g->SColorMap;
        if (map == nullptr || map->ColorCount <= 0 || map->ColorCount > 256) {
            return refuse("its picture has no palette");
        }
        if (desc.Left < 0 || desc.Top < 0) return refuse("its picture lies off its screen");
        std::string problem = readableSizeProblem(desc.Width, desc.Height);
        if (problem.empty()) problem = readableSizeProblem(g->SWidth, g->SHeight);
        if (!problem.empty()) return refuse(problem);
        // The picture covers the logical screen, widened to hold the image if need be.
        const int64_t width = std::max<int64_t>(g->SWidth, int64_t{desc.Left} + desc.Width);
        const int64_t height = std::max<int64_t>(g->SHeight, int64_t{desc.Top} + desc.Height);
        // A 12-bit code stands for at most 4096 pixels, so each byte of image data left can
        // describe at most 2731 of them: a screen beyond that is data the file does not hold.
        const uint64_t left = source.size - source.pos;
        if (static_cast<uint64_t>(width * height) > left * 2731 + 65536) {
            return refuse("its " + std::to_string(width) + " \u00d7 " + std::to_string(height) +
                          " picture is more than its " + std::to_string(left) +
                          " bytes of image data can hold; the file is truncated or damaged");
        }
        auto dib = std::make_unique<Dib>();
        if (!allocateForReading(*dib, width, height, 8, &reason)) return nullptr;
        for (int k = 0; k < map->ColorCount; ++k) {
            uint8_t* q = dib->palette.data() + static_cast<size_t>(k) * 4;
            q[0] = map->Colors[k].Blue;
            q[1] = map->Colors[k].Green;
            q[2] = map->Colors[k].Red;
        }
        dib->paletteSize = map->ColorCount;
        const uint8_t background =
            static_cast<uint8_t>(g->SBackGroundColor < map->ColorCount ? g->SBackGroundColor : 0);
        std::fill(dib->pixels.begin(), dib->pixels.end(), background);
        // Interlaced images arrive in four passes of rows.
        static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
        int rowsDone = 0;
        auto readRow = [&](int y) {
            if (DGifGetLine(g, line.data(), desc.Width) != GIF_OK) {
                problem = giflibReason();
                if (problem == "truncated") problem += " after row " + std::to_string(rowsDone);
                return false;
            }
            uint8_t* row = dib->storedRow(static_cast<int32_t>(height - 1 - (desc.Top + y)));
            std::copy(line.begin(), line.end(), row + desc.Left);
            ++rowsDone;
            return true;
        };
        if (desc.Interlace) {
            for (int pass = 0; pass < 4; ++pass) {
                for (int y = kStart[pass]; y < desc.Height; y += kStep[pass]) {
                    if (!readRow(y)) return refuse(problem);
                }
            }
        } else {
            for (int y = 0; y < desc.Height; ++y) {
                if (!readRow(y)) return refuse(problem);
            }
        }
        if (!skipToTrailer(g)) {
            return refuse(giflibReason() + " after its first picture");
        }
        problem = paletteIndexProblem(*dib);
        if (!problem.empty()) return refuse(problem);
        dib->refresh();
        return dib;
    }
}

}  // namespace tavrine::imgctl
