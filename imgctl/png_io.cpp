// PNG files through libpng: 24-bit RGB, high colour as RGB with sBIT 5,5,5, and palette PNGs.
// libpng reports errors by longjmp: each function that calls setjmp holds only plain values,
// so no destructor is ever skipped; the C handles are owned by the RAII holders below.

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csetjmp>
#include <cstring>

#include "imgctl/codecs.h"
#include "imgctl/png_filters.h"
#include "util/error.h"

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
    png_bytep* rows;                   // top row first
    bool bgr = false;                  // whether the rows hold blue, green, red
    const uint8_t* filters = nullptr;  // each row's filter (leastSumFilters), or null
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
    if (image.bgr) png_set_bgr(png);
    if (image.filters == nullptr) {
        png_write_image(png, image.rows);
    } else {
        // libpng starts with every filter, so it may be told one per row from then on. The first
        // row it filters itself: the filters set when it writes that row also choose its zlib
        // strategy, which must stay that of every filter.
        static const int kFilterFlags[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP,
                                            PNG_FILTER_AVG, PNG_FILTER_PAETH};
        for (uint32_t y = 0; y < image.height; ++y) {
            if (y > 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, kFilterFlags[image.filters[y]]);
            png_write_row(png, image.rows[y]);
        }
    }
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
    if (s->size - s->pos < count) png_error(png, "truncated");
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
    int passes;
};

// Largest ancillary chunk (text, profile, palette suggestion) libpng may take into memory.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

bool readHeaderSteps(png_structp png, png_infop info, PngSource* source, PngHeader* header) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, readBytes);
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxReadSide),
                        static_cast<png_uint_32>(kMaxReadSide));
    // No ancillary chunk may cost more than a few megabytes, whatever length it claims.
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);
    int depth = 0, interlace = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &header->colourType,
                 &interlace, nullptr, nullptr);
    if (header->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_packing(png);
        header->palette = nullptr;
        header->paletteSize = 0;
        if (png_get_PLTE(png, info, &header->palette, &header->paletteSize) == 0) {
            png_error(png, "its palette is missing");
        }
    } else {
        png_set_expand(png);
        png_set_strip_16(png);
        png_set_strip_alpha(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    header->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->rowBytes = png_get_rowbytes(png, info);
    return true;
}

// Where the image step got to, kept outside its frame so that it survives a longjmp.
struct PngProgress {
    int pass;
    png_uint_32 rowsDone;
};

bool readImageSteps(png_structp png, png_infop info, png_bytep* rows, png_uint_32 height,
                    int passes, PngProgress* progress) {
    if (setjmp(png_jmpbuf(png))) return false;
    for (progress->pass = 0; progress->pass < passes; ++progress->pass) {
        for (progress->rowsDone = 0; progress->rowsDone < height; ++progress->rowsDone) {
            png_read_row(png, rows[progress->rowsDone], nullptr);
        }
    }
    png_read_end(png, info);
    return true;
}

// Checks the chunks of a PNG file held in memory before libpng reads them: every chunk must fit
// in the bytes that follow it, the header must declare a size the readers accept, and the image
// data must be able to hold that size. Returns "" or the reason.
std::string chunkProblem(const std::vector<uint8_t>& bytes) {
    const auto be32 = [&bytes](size_t at) {
        return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
               (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
    };
    size_t at = 8;
    uint64_t imageData = 0;
    uint64_t rawBytes = 0;
    bool header = false;
    while (at < bytes.size()) {
        // A file cut short is left to libpng, which says after which row it ends.
        if (bytes.size() - at < 8) break;
        const uint32_t length = be32(at);
        std::string type(bytes.begin() + static_cast<long>(at) + 4,
                         bytes.begin() + static_cast<long>(at) + 8);
        for (char& c : type) {
            if (!std::isalpha(static_cast<unsigned char>(c))) c = '?';
        }
        if (bytes.size() - at < 12 || length > bytes.size() - at - 12) {
            if (header && type == "IDAT") {
                imageData += bytes.size() - at - std::min<size_t>(bytes.size() - at, 12);
                break;
            }
            return "its " + type + " chunk claims " + std::to_string(length) +
                   " bytes, more than the file holds";
        }
        if (!header) {
            if (type != "IHDR" || length < 13) return "it does not start with its header";
            header = true;
            const uint32_t width = be32(at + 8), height = be32(at + 12);
            const std::string size = readableSizeProblem(width, height);
            if (!size.empty()) return size;
            // Bits per pixel of the stored rows, each row led by its filter byte.
            const uint32_t depth = bytes[at + 16], colourType = bytes[at + 17];
            const uint32_t samples = colourType == 2   ? 3
                                     : colourType == 4 ? 2
                                     : colourType == 6 ? 4
                                                       : 1;
            rawBytes = uint64_t{height} * (1 + (uint64_t{width} * samples * depth + 7) / 8);
        } else if (type == "IDAT") {
            imageData += length;
        } else if (type == "IEND") {
            break;
        }
        at += size_t{length} + 12;
    }
    // Deflate expands at most 1032 times; anything more is data the file does not hold.
    if (header && imageData * 1032 + 1024 < rawBytes) {
        return "its " + std::to_string(imageData) +
               " bytes of image data cannot hold the picture its header declares; the file is "
               "truncated or damaged";
    }
    return "";
}

}  // namespace

bool encodePng(const Dib& dib, FILE* out, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
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
    std::vector<uint8_t> filters;
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
    } else if (dib.bitCount == 24) {
        // Top row first; the rows' blue, green, red turned round by libpng as it copies them.
        image.bgr = true;
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
    // Rows of RGB: their filters are chosen here as libpng would choose them, and libpng is told
    // them one by one (with a row or column alone libpng rules some filters out itself).
    if (image.colourType == PNG_COLOR_TYPE_RGB && w >= 2 && h >= 2) {
        filters.resize(h);
        leastSumFilters(rows.data(), h, w * 3, 3, filters.data());
        image.filters = filters.data();
    }
    if (!writeSteps(writer.png(), writer.info(), out, image)) {
        reason = message.text[0] != '\0' ? message.text : "libpng failed";
        return false;
    }
    return true;
}

std::unique_ptr<Dib> decodePng(const std::vector<uint8_t>& bytes, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        reason = "not a PNG file";
        return nullptr;
    }
    reason = chunkProblem(bytes);
    if (!reason.empty()) return nullptr;
    PngMessage message{};
    PngReader reader(&message);
    if (reader.png() == nullptr || reader.info() == nullptr) {
        reason = "out of memory";
        return nullptr;
    }
    const auto libpngReason = [&message]() {
        return std::string(message.text[0] != '\0' ? message.text : "libpng failed");
    };
    PngSource source{bytes.data(), bytes.size(), 0};
    PngHeader header{};
    if (!readHeaderSteps(reader.png(), reader.info(), &source, &header)) {
        reason = libpngReason();
        return nullptr;
    }
    const bool indexed = header.colourType == PNG_COLOR_TYPE_PALETTE;
    auto dib = std::make_unique<Dib>();
    if (!allocateForReading(*dib, header.width, header.height, indexed ? 8 : 24, &reason)) {
        return nullptr;
    }
    if (header.rowBytes > static_cast<size_t>(dib->stride)) {
        reason = "its rows are longer than its width";
        return nullptr;
    }
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
    PngProgress progress{0, 0};
    if (!readImageSteps(reader.png(), reader.info(), rows.data(), header.height, header.passes,
                        &progress)) {
        reason = libpngReason();
        if (reason == "truncated") {
            reason = header.passes > 1 ? "truncated in pass " + std::to_string(progress.pass + 1)
                                       : "truncated after row " + std::to_string(progress.rowsDone);
        }
        return nullptr;
    }
    reason = paletteIndexProblem(*dib);
    if (!reason.empty()) return nullptr;
    dib->refresh();
    return dib;
}

}  // namespace tavrine::imgctl
