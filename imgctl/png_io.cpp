// PNG files through libpng: 24-bit RGB, high colour as RGB with sBIT 5,5,5, and palette PNGs.
// libpng reports errors by longjmp: each function that calls setjmp holds only plain values,
// so no destructor is ever skipped; the C handles are owned by the RAII holders below.

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>

#include "imgctl/codecs.h"

namespace tavrine::imgctl {

namespace {

// Where libpng's error callback leaves its message.
struct PngMessage {
    char text[256];
};

void pngError(png_structp png, png_const_charp message) {
    auto* m = static_cast<PngMessage*>(png_get_error_ptr(png));
    if (m != nullptr) {
        std::strncpy(m->text, message != nullptr ? message : "libpng error", sizeof m->text - 1);
        m->text[sizeof m->text - 1] = '\0';
    }
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// Owns a libpng write structure and its info structure.
class PngWriter {
  public:
    explicit PngWriter(PngMessage* message) {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, pngError, pngWarning);
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
    }
    PngWriter(const PngWriter&) = delete;
    PngWriter& operator=(const PngWriter&) = delete;
    ~PngWriter() { png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr); }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// Owns a libpng read structure and its info structure.
class PngReader {
  public:
    explicit PngReader(PngMessage* message) {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, message, pngError, pngWarning);
        if (png_ != nullptr) info_ = png_create_info_struct(png_);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;
    ~PngReader() { png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr); }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }

  private:
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// What the writing step needs, all plain values.
struct PngImage {
    uint32_t width;
    uint32_t height;
    int colourType;
    const png_color* palette;
    int paletteSize;
    bool fiveBits;
    png_bytep* rows;  // top row first
};

// Writes libpng's bytes to the stream; a failed write stops libpng with the system's reason
// (its own writer would say only "Write Error").
void pngWrite(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<FILE*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fwrite(data, 1, length, out) != length) {
        png_error(png, std::strerror(errno != 0 ? errno : EIO));
    }
}

void pngFlush(png_structp png) {
    auto* out = static_cast<FILE*>(png_get_io_ptr(png));
    errno = 0;
    if (std::fflush(out) != 0) png_error(png, std::strerror(errno != 0 ? errno : EIO));
}

bool writeSteps(png_structp png, png_infop info, FILE* out, const PngImage& image) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, pngWrite, pngFlush);
    png_set_IHDR(png, info, image.width, image.height, 8, image.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.palette != nullptr) png_set_PLTE(png, info, image.palette, image.paletteSize);
    if (image.fiveBits) {
        png_color_8 significant{};
        significant.red = significant.green = significant.blue = 5;
        png_set_sBIT(png, info, &significant);
    }
    png_write_info(png, info);
    png_write_image(png, image.rows);
    png_write_end(png, nullptr);
    return true;
}

// The bytes being read and how far the reader got.
struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* s = static_cast<PngSource*>(png_get_io_ptr(png));
    if (s->size - s->pos < count) png_error(png, "file is truncated");
    std::memcpy(out, s->data + s->pos, count);
    s->pos += count;
}

// What the header step found, all plain values.
struct PngHeader {
    png_uint_32 width;
    png_uint_32 height;
    int colourType;
    size_t rowBytes;
    png_colorp palette;
    int paletteSize;
};

bool readHeaderSteps(png_structp png, png_infop info, PngSource* source, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, readBytes);
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxSide),
                        static_cast<png_uint_32>(kMaxSide));
    png_read_info(png, info);
    int depth = 0, interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &header->colourType,
                 &interlace, nullptr, nullptr);
    if (header->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
        header->palette = nullptr;
        header->paletteSize = 0;
        if (png_get_PLTE(png, info, &header->palette, &header->paletteSize) == 0) {
            png_error(png, "palette missing");
        }
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_strip_alpha(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool readImageSteps(png_structp png, png_infop info, png_bytep* rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

}  // namespace

bool encodePng(const Dib& dib, FILE* out, std::string& reason) {
    PngMessage message{};
    PngWriter writer(&message);
    if (writer.png() == nullptr || writer.info() == nullptr) {
        reason = "out of memory";
        return false;
    }
    const auto w = static_cast<size_t>(dib.width), h = static_cast<size_t>(dib.height);
    std::vector<png_bytep> rows(h);
    std::vector<uint8_t> rgb;
    std::vector<png_color> palette;
    PngImage image{static_cast<uint32_t>(w),
                   static_cast<uint32_t>(h),
                   PNG_COLOR_TYPE_RGB,
                   nullptr,
                   0,
                   dib.bitCount == 16,
                   rows.data()};
    if (dib.bitCount == 8) {
        const int count = dib.paletteSize > 0 ? dib.paletteSize : 1;
        for (int k = 0; k < count; ++k) {
            const uint8_t* q = dib.palette.data() + static_cast<size_t>(k) * 4;
            palette.push_back(png_color{q[2], q[1], q[0]});
        }
        image.colourType = PNG_COLOR_TYPE_PALETTE;
        image.palette = palette.data();
        image.paletteSize = count;
        for (size_t y = 0; y < h; ++y) {
            rows[y] = const_cast<png_bytep>(dib.storedRow(static_cast<int32_t>(h - 1 - y)));
        }
    } else {
        // Top row first, red first; 16-bit channels widened by bit replication.
        rgb.resize(w * h * 3);
        for (size_t y = 0; y < h; ++y) {
            uint8_t* dst = rgb.data() + y * w * 3;
            rows[y] = dst;
            for (size_t x = 0; x < w; ++x) {
                const ColorRef c =
                    dib.colourAt(static_cast<int32_t>(x), static_cast<int32_t>(h - 1 - y));
                dst[x * 3] = static_cast<uint8_t>(c);
                dst[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
                dst[x * 3 + 2] = static_cast<uint8_t>(c >> 16);
            }
        }
    }
    if (!writeSteps(writer.png(), writer.info(), out, image)) {
        reason = message.text[0] != '\0' ? message.text : "libpng failed";
        return false;
    }
    return true;
}

std::unique_ptr<Dib> decodePng(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return nullptr;
    PngMessage message{};
    PngReader reader(&message);
    if (reader.png() == nullptr || reader.info() == nullptr) return nullptr;
    PngSource source{bytes.data(), bytes.size(), 0};
    PngHeader header{};
    if (!readHeaderSteps(reader.png(), reader.info(), &source, &header)) return nullptr;
    const bool indexed = header.colourType == PNG_COLOR_TYPE_PALETTE;
    auto dib = std::make_unique<Dib>();
    if (!dib->allocate(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height),
                       indexed ? 8 : 24)) {
        return nullptr;
    }
    if (header.rowBytes > static_cast<size_t>(dib->stride)) return nullptr;
    if (indexed) {
        const int count = header.paletteSize < 256 ? header.paletteSize : 256;
        for (int k = 0; k < count; ++k) {
            uint8_t* q = dib->palette.data() + static_cast<size_t>(k) * 4;
            q[0] = header.palette[k].blue;
            q[1] = header.palette[k].green;
            q[2] = header.palette[k].red;
        }
        dib->paletteSize = count;
    }
    std::vector<png_bytep> rows(header.height);
    for (size_t y = 0; y < rows.size(); ++y) {
        rows[y] = dib->storedRow(static_cast<int32_t>(header.height - 1 - y));
    }
    if (!readImageSteps(reader.png(), reader.info(), rows.data())) return nullptr;
    dib->refresh();
    return dib;
}

}  // namespace tavrine::imgctl
