// Pictures in memory: creation, copies, pixels, depth conversions and resizing.

#include "imgctl/dib.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "imgctl/imgctl.h"
#include "util/error.h"

namespace tavrine::imgctl {

namespace {

thread_local std::string lastErrorText;

// Writes a COLORREF into column x of a stored row of the given depth (8-bit pictures excepted).
void putColour(uint8_t* row, int32_t bitCount, int32_t x, ColorRef c) {
    if (bitCount == 24) {
        uint8_t* p = row + static_cast<size_t>(x) * 3;
        p[0] = static_cast<uint8_t>(c >> 16);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c);
    } else if (bitCount == 16) {
        const uint16_t v = pack555(c);
        row[x * 2] = static_cast<uint8_t>(v);
        row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
}

// Returns true when a picture of that size and depth may be made.
bool sizeAllowed(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

// Shrinks a 24-bit picture of even sides to half: every target byte is the truncated mean of the
// four source bytes it covers, which is what the general overlap weights give for this ratio
// (each weight a quarter of the total), at a fraction of the work. The high-quality rendering
// shrinks by exactly this.
void halve(Dib& dib) {
    const int32_t width = dib.width / 2, height = dib.height / 2;
    Dib out;
    if (!out.allocate(width, height, 24)) return;
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* a = dib.storedRow(2 * r);
        const uint8_t* b = dib.storedRow(2 * r + 1);
        uint8_t* dst = out.storedRow(r);
        for (int32_t x = 0; x < width; ++x, a += 6, b += 6, dst += 3) {
            for (int c = 0; c < 3; ++c) {
                const unsigned sum = unsigned{a[c]} + a[c + 3] + b[c] + b[c + 3];
                dst[c] = static_cast<uint8_t>(sum >> 2);
            }
        }
    }
    dib = std::move(out);
    dib.refresh();
}

}  // namespace

std::string readableSizeProblem(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) {
        return "its size " + std::to_string(width) + " \u00d7 " + std::to_string(height) +
               " holds no pixel";
    }
    if (width > kMaxReadSide || height > kMaxReadSide) {
        return std::to_string(width) + " \u00d7 " + std::to_string(height) +
               " is larger than the " + std::to_string(kMaxReadSide) + " \u00d7 " +
               std::to_string(kMaxReadSide) + " this program reads";
    }
    return "";
}

std::string paletteIndexProblem(const Dib& dib) {
    if (dib.bitCount != 8) return "";
    uint8_t highest = 0;
    for (int32_t r = 0; r < dib.height; ++r) {
        const uint8_t* row = dib.storedRow(r);
        for (int32_t x = 0; x < dib.width; ++x) highest = std::max(highest, row[x]);
    }
    if (highest < dib.paletteSize) return "";
    return "pixel index " + std::to_string(highest) + " is past the " +
           std::to_string(dib.paletteSize) + "-colour palette";
}

bool allocateForReading(Dib& dib, int64_t width, int64_t height, int32_t bits,
                        std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    reason = readableSizeProblem(width, height);
    if (!reason.empty()) return false;
    if (!dib.allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), bits)) {
        reason = "no memory for a picture of " + std::to_string(width) + " \u00d7 " +
                 std::to_string(height) + " pixels";
        return false;
    }
    return true;
}

int32_t strideFor(int32_t width, int32_t bitCount) {
    return static_cast<int32_t>(((static_cast<int64_t>(width) * bitCount + 31) / 32) * 4);
}

bool Dib::allocate(int32_t w, int32_t h, int32_t bits) {
    if (!sizeAllowed(w, h) || (bits != 24 && bits != 16 && bits != 8)) return false;
    const int32_t rowBytes = strideFor(w, bits);
    std::vector<uint8_t> fresh;
    try {
        fresh.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        return false;  // the memory was refused: no picture, and the caller goes on
    }
    width = w;
    height = h;
    bitCount = bits;
    stride = rowBytes;
    pixels = std::move(fresh);
    palette.fill(0);
    paletteSize = 0;
    runLength = false;
    refresh();
    return true;
}

void Dib::refresh() {
    data.width = width;
    data.height = height;
    data.bitCount = bitCount;
    data.rows = pixels.data();
    data.stride = stride;
    data.paletteSize = bitCount == 8 ? paletteSize : 0;
    data.palette = palette.data();
}

ColorRef Dib::colourAt(int32_t x, int32_t r) const {
    const uint8_t* row = storedRow(r);
    switch (bitCount) {
    case 24: {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        return p[2] | (ColorRef{p[1]} << 8) | (ColorRef{p[0]} << 16);
    }
    case 16:
        return unpack555(static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8)));
    default: {
        const uint8_t* q = palette.data() + size_t{row[x]} * 4;
        return q[2] | (ColorRef{q[1]} << 8) | (ColorRef{q[0]} << 16);
    }
    }
}

void setLastError(const std::string& message) { lastErrorText = message; }

const std::string& lastError() { return lastErrorText; }

DibHandle CreateDIB(const BitmapInfoHeader& header) {
    const int64_t h = header.height < 0 ? -static_cast<int64_t>(header.height) : header.height;
    if (header.bitCount != 24 || !sizeAllowed(header.width, h)) return nullptr;
    auto dib = std::make_unique<Dib>();
    if (!dib->allocate(header.width, static_cast<int32_t>(h), 24)) return nullptr;
    return dib.release();
}

void DeleteDIB(DibHandle dib) { delete dib; }

DibHandle CopyDIB(DibHandle dib) {
    if (dib == nullptr) return nullptr;
    try {
        auto copy = std::make_unique<Dib>(*dib);
        copy->refresh();
        return copy.release();
    } catch (const std::bad_alloc&) {
        return nullptr;  // the memory was refused: no picture
    }
}

void HeadDIB(DibHandle dib, BitmapInfoHeader& header) {
    if (dib == nullptr) return;
    header = BitmapInfoHeader{};
    header.width = dib->width;
    header.height = dib->height;
    header.bitCount = static_cast<uint16_t>(dib->bitCount);
    header.compression = dib->runLength ? 1u : 0u;
    header.sizeImage = static_cast<uint32_t>(dib->pixels.size());
    header.clrUsed = dib->bitCount == 8 ? static_cast<uint32_t>(dib->paletteSize) : 0u;
}

DibData* DataDIB(DibHandle dib) {
    if (dib == nullptr) return nullptr;
    dib->refresh();
    return &dib->data;
}

void PasteDIB(DibHandle target, int32_t tx, int32_t ty, int32_t width, int32_t height,
              DibHandle source, int32_t sx, int32_t sy) {
    if (target == nullptr || source == nullptr || width <= 0 || height <= 0) return;
    if (target->bitCount != 24 && target->bitCount != source->bitCount) return;
    // Clip the rectangle to both pictures, in 64 bits so that no coordinate overflows.
    int64_t x0 = 0, y0 = 0, x1 = width, y1 = height;
    x0 = std::max({x0, -int64_t{tx}, -int64_t{sx}});
    y0 = std::max({y0, -int64_t{ty}, -int64_t{sy}});
    x1 = std::min({x1, int64_t{target->width} - tx, int64_t{source->width} - sx});
    y1 = std::min({y1, int64_t{target->height} - ty, int64_t{source->height} - sy});
    if (x0 >= x1 || y0 >= y1) return;
    // Read the source rectangle first, so that a picture may be pasted onto itself.
    const int64_t w = x1 - x0, h = y1 - y0;
    std::vector<ColorRef> colours;
    std::vector<uint8_t> raw;
    const bool sameDepth = target->bitCount == source->bitCount;
    const int32_t bytes = source->bitCount / 8;
    if (sameDepth) {
        raw.resize(static_cast<size_t>(w * h * bytes));
    } else {
        colours.resize(static_cast<size_t>(w * h));
    }
    for (int64_t j = 0; j < h; ++j) {
        const int32_t srow = source->height - 1 - static_cast<int32_t>(sy + y0 + j);
        if (sameDepth) {
            std::memcpy(raw.data() + j * w * bytes, source->storedRow(srow) + (sx + x0) * bytes,
                        static_cast<size_t>(w * bytes));
        } else {
            for (int64_t i = 0; i < w; ++i) {
                colours[static_cast<size_t>(j * w + i)] =
                    source->colourAt(static_cast<int32_t>(sx + x0 + i), srow);
            }
        }
    }
    for (int64_t j = 0; j < h; ++j) {
        const int32_t trow = target->height - 1 - static_cast<int32_t>(ty + y0 + j);
        uint8_t* row = target->storedRow(trow);
        if (sameDepth) {
            std::memcpy(row + (tx + x0) * bytes, raw.data() + j * w * bytes,
                        static_cast<size_t>(w * bytes));
        } else {
            for (int64_t i = 0; i < w; ++i) {
                putColour(row, 24, static_cast<int32_t>(tx + x0 + i),
                          colours[static_cast<size_t>(j * w + i)]);
            }
        }
    }
}

ColorRef PixelDIB(DibHandle dib, int32_t x, int32_t y) {
    if (dib == nullptr || x < 0 || y < 0 || x >= dib->width || y >= dib->height) return 0;
    return dib->colourAt(x, dib->height - 1 - y);
}

void RepaintDIB(DibHandle dib, const ColorRef* pairs, int32_t pairCount) {
    if (dib == nullptr || pairs == nullptr) return;
    for (int32_t k = 0; k < pairCount; ++k) {
        const ColorRef from = pairs[2 * k] & 0xFFFFFF, to = pairs[2 * k + 1] & 0xFFFFFF;
        if (dib->bitCount == 8) {
            for (int32_t i = 0; i < dib->paletteSize; ++i) {
                uint8_t* q = dib->palette.data() + static_cast<size_t>(i) * 4;
                const ColorRef c = q[2] | (ColorRef{q[1]} << 8) | (ColorRef{q[0]} << 16);
                if (c != from) continue;
                q[0] = static_cast<uint8_t>(to >> 16);
                q[1] = static_cast<uint8_t>(to >> 8);
                q[2] = static_cast<uint8_t>(to);
            }
            continue;
        }
        for (int32_t r = 0; r < dib->height; ++r) {
            uint8_t* row = dib->storedRow(r);
            for (int32_t x = 0; x < dib->width; ++x) {
                if (dib->colourAt(x, r) == from) putColour(row, dib->bitCount, x, to);
            }
        }
    }
}

void convertTo24(Dib& dib) {
    if (dib.bitCount == 24) return;
    Dib out;
    if (!out.allocate(dib.width, dib.height, 24)) return;
    for (int32_t r = 0; r < dib.height; ++r) {
        uint8_t* row = out.storedRow(r);
        for (int32_t x = 0; x < dib.width; ++x) putColour(row, 24, x, dib.colourAt(x, r));
    }
    dib = std::move(out);
    dib.refresh();
}

void DIBto24Bit(DibHandle dib) {
    if (dib != nullptr) convertTo24(*dib);
}

bool DIBto16BitEx(DibHandle dib) {
    if (dib == nullptr) return false;
    if (dib->bitCount == 16) return true;
    Dib out;
    if (!out.allocate(dib->width, dib->height, 16)) return false;  // left as it was
    for (int32_t r = 0; r < dib->height; ++r) {
        uint8_t* row = out.storedRow(r);
        for (int32_t x = 0; x < dib->width; ++x) putColour(row, 16, x, dib->colourAt(x, r));
    }
    *dib = std::move(out);
    dib->refresh();
    return true;
}

bool DIBto8Bit(DibHandle dib) {
    if (dib == nullptr) return false;
    if (dib->bitCount == 8) return true;
    Dib reduced = quantize(*dib);
    if (reduced.bitCount != 8) return false;  // no memory for the reduced picture: left as it was
    *dib = std::move(reduced);
    dib->refresh();
    return true;
}

void DIBtoRLE(DibHandle dib) {
    if (dib != nullptr && dib->bitCount == 8) dib->runLength = true;
}

void ResizeDIB(DibHandle dib, int32_t width, int32_t height) {
    if (dib == nullptr || !sizeAllowed(width, height)) return;
    convertTo24(*dib);
    if (dib->bitCount != 24) return;
    const int64_t sw = dib->width, sh = dib->height, dw = width, dh = height;
    if (sw == dw && sh == dh) return;
    if (sw == 2 * dw && sh == 2 * dh) {
        halve(*dib);
        return;
    }
    // In units where a source pixel is dw wide and a target pixel sw wide, both spans are
    // whole numbers, so each weight is an exact integer overlap and the mean truncates exactly.
    struct Tap {
        int32_t index;
        int64_t weight;
    };
    auto taps = [](int64_t src, int64_t dst) {
        std::vector<std::vector<Tap>> all(static_cast<size_t>(dst));
        for (int64_t o = 0; o < dst; ++o) {
            const int64_t lo = o * src, hi = (o + 1) * src;
            for (int64_t i = lo / dst; i < src && i * dst < hi; ++i) {
                const int64_t w = std::min(hi, (i + 1) * dst) - std::max(lo, i * dst);
                if (w > 0) all[static_cast<size_t>(o)].push_back({static_cast<int32_t>(i), w});
            }
        }
        return all;
    };
    const auto xt = taps(sw, dw), yt = taps(sh, dh);
    Dib out;
    if (!out.allocate(width, height, 24)) return;
    const uint64_t total = static_cast<uint64_t>(sw * sh);
    std::vector<uint64_t> line(static_cast<size_t>(sw) * 3);
    for (int32_t oy = 0; oy < height; ++oy) {
        // Image row oy of the target from the image rows of the source it overlaps.
        std::fill(line.begin(), line.end(), 0);
        for (const Tap& ty : yt[static_cast<size_t>(oy)]) {
            const uint8_t* src = dib->storedRow(static_cast<int32_t>(sh - 1 - ty.index));
            for (size_t k = 0; k < line.size(); ++k) {
                line[k] += static_cast<uint64_t>(ty.weight) * src[k];
            }
        }
        uint8_t* dst = out.storedRow(height - 1 - oy);
        for (int32_t ox = 0; ox < width; ++ox) {
            uint64_t sum[3] = {0, 0, 0};
            for (const Tap& tx : xt[static_cast<size_t>(ox)]) {
                for (int c = 0; c < 3; ++c) {
                    sum[c] += static_cast<uint64_t>(tx.weight) *
                              line[static_cast<size_t>(tx.index) * 3 + c];
                }
            }
            for (int c = 0; c < 3; ++c) dst[ox * 3 + c] = static_cast<uint8_t>(sum[c] / total);
        }
    }
    *dib = std::move(out);
    dib->refresh();
}

bool setImagePixel(uint8_t* rows, int32_t width, int32_t height, int32_t column, int32_t row,
                   ColorRef colour) {
    if (rows == nullptr || column < 0 || row < 0 || column >= width || row >= height) {
        return false;
    }
    const size_t stride = static_cast<size_t>(strideFor(width, 24));
    uint8_t* p = rows + static_cast<size_t>(height - 1 - row) * stride + size_t(column) * 3;
    p[0] = static_cast<uint8_t>(colour >> 16);
    p[1] = static_cast<uint8_t>(colour >> 8);
    p[2] = static_cast<uint8_t>(colour);
    return true;
}

void setImageRow(uint8_t* rows, int32_t width, int32_t height, int32_t row,
                 const ColorRef* colours) {
    const size_t stride = static_cast<size_t>(strideFor(width, 24));
    uint8_t* stored = rows + static_cast<size_t>(height - 1 - row) * stride;
    for (int32_t column = 0; column < width; ++column) {
        putColour(stored, 24, column, colours[column]);
    }
}

double picturePsnr(DibHandle a, DibHandle b) {
    if (a == nullptr || b == nullptr || a->width != b->width || a->height != b->height) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    uint64_t sum = 0;
    for (int32_t r = 0; r < a->height; ++r) {
        for (int32_t x = 0; x < a->width; ++x) {
            const ColorRef p = a->colourAt(x, r), q = b->colourAt(x, r);
            for (int s = 0; s < 24; s += 8) {
                const int64_t d = int64_t((p >> s) & 0xFF) - int64_t((q >> s) & 0xFF);
                sum += static_cast<uint64_t>(d * d);
            }
        }
    }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    const double mse = static_cast<double>(sum) / (3.0 * a->width * a->height);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace tavrine::imgctl
