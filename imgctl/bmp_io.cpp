// BMP files: 24-bit, 16-bit 5-5-5 and 8-bit with a palette, plain or BI_RLE8.

#include <cstring>

#include "imgctl/codecs.h"
#include "util/error.h"

namespace tavrine::imgctl {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

uint32_t get16(const uint8_t* p) { return p[0] | (uint32_t{p[1]} << 8); }

uint32_t get32(const uint8_t* p) { return get16(p) | (get16(p + 2) << 16); }

// Run-length codes one stored row of indexes: runs of two or more as (count, index), stretches
// of three or more unlike indexes in absolute mode (padded to an even length), ending the row
// with (0, 0) or, for the last row, with the end-of-picture code (0, 1).
void encodeRle8Row(const uint8_t* row, int32_t width, bool last, std::vector<uint8_t>& out) {
    int32_t i = 0;
    while (i < width) {
        int32_t run = 1;
        while (i + run < width && run < 255 && row[i + run] == row[i]) ++run;
        if (run >= 2) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        int32_t j = i;
        while (j < width && j - i < 255) {
            if (j + 1 < width && row[j] == row[j + 1]) break;
            ++j;
        }
        const int32_t n = j - i;
        if (n < 3) {
            for (int32_t k = i; k < j; ++k) {
                out.push_back(1);
                out.push_back(row[k]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), row + i, row + j);
            if (n % 2 != 0) out.push_back(0);
        }
        i = j;
    }
    out.push_back(0);
    out.push_back(last ? 1 : 0);
}

// Walks BI_RLE8 data, writing the pixels into |dib| when it is not null (clipped to the
// picture); returns "" when the codes reach the end-of-picture code after reaching the last row,
// else the reason. Without a picture the walk costs no memory, so the codes are checked before
// the picture is made.
std::string walkRle8(const uint8_t* p, size_t size, int64_t width, int64_t height, Dib* dib) {
    size_t i = 0;
    int64_t x = 0, r = 0;
    auto put = [&](uint8_t v) {
        if (dib != nullptr && x < width && r < height) {
            dib->storedRow(static_cast<int32_t>(r))[x] = v;
        }
        ++x;
    };
    while (i + 1 < size) {
        const uint8_t a = p[i], b = p[i + 1];
        i += 2;
        if (a > 0) {
            for (int k = 0; k < a; ++k) put(b);
        } else if (b == 0) {
            x = 0;
            ++r;
        } else if (b == 1) {
            // Our own files end on the last row; others may end one row further.
            if (r < height - 1) {
                return "its run-length codes end at row " + std::to_string(r) + " of " +
                       std::to_string(height);
            }
            return "";
        } else if (b == 2) {
            if (i + 1 >= size) break;
            x += p[i];
            r += p[i + 1];
            i += 2;
        } else {
            if (size - i < b) break;
            for (int k = 0; k < b; ++k) put(p[i + static_cast<size_t>(k)]);
            i += b + (b % 2);
        }
    }
    return "truncated in its run-length codes at row " + std::to_string(r);
}

}  // namespace

std::vector<uint8_t> encodeBmp(const Dib& dib) {
    const bool indexed = dib.bitCount == 8;
    const uint32_t colours =
        indexed ? static_cast<uint32_t>(dib.paletteSize > 0 ? dib.paletteSize : 1) : 0;
    std::vector<uint8_t> body;
    if (indexed && dib.runLength) {
        for (int32_t r = 0; r < dib.height; ++r) {
            encodeRle8Row(dib.storedRow(r), dib.width, r == dib.height - 1, body);
        }
    }
    const size_t pixelBytes = dib.runLength && indexed ? body.size() : dib.pixels.size();
    const uint32_t offset = static_cast<uint32_t>(kFileHeader + kInfoHeader + colours * 4);
    std::vector<uint8_t> out;
    out.reserve(offset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, static_cast<uint32_t>(offset + pixelBytes));
    put32(out, 0);
    put32(out, offset);
    put32(out, kInfoHeader);
    put32(out, static_cast<uint32_t>(dib.width));
    put32(out, static_cast<uint32_t>(dib.height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(dib.bitCount));
    put32(out, indexed && dib.runLength ? kBiRle8 : kBiRgb);
    put32(out, static_cast<uint32_t>(pixelBytes));
    put32(out, 2835);  // 72 dots per inch
    put32(out, 2835);
    put32(out, colours);
    put32(out, colours);
    out.insert(out.end(), dib.palette.begin(), dib.palette.begin() + colours * 4);
    if (indexed && dib.runLength) {
        out.insert(out.end(), body.begin(), body.end());
    } else {
        out.insert(out.end(), dib.pixels.begin(), dib.pixels.end());
    }
    return out;
}

std::unique_ptr<Dib> decodeBmp(const std::vector<uint8_t>& bytes, std::string* reasonOut) {
    std::string& reason = util::errorSlot(reasonOut);
    const size_t size = bytes.size();
    const uint8_t* p = bytes.data();
    auto refuse = [&reason](const std::string& why) {
        reason = why;
        return nullptr;
    };
    if (size < kFileHeader + kInfoHeader || p[0] != 'B' || p[1] != 'M') {
        return refuse("truncated in its header");
    }
    const uint32_t offset = get32(p + 10);
    const uint32_t headerSize = get32(p + 14);
    if (headerSize < kInfoHeader || headerSize > size - kFileHeader) {
        return refuse("its header size " + std::to_string(headerSize) + " is not supported");
    }
    const int32_t width = static_cast<int32_t>(get32(p + 18));
    const int32_t rawHeight = static_cast<int32_t>(get32(p + 22));
    const uint32_t planes = get16(p + 26), bits = get16(p + 28), compression = get32(p + 30);
    uint32_t used = get32(p + 46);
    if (planes != 1) return refuse("its plane count " + std::to_string(planes) + " is not 1");
    const bool topDown = rawHeight < 0;
    const int64_t height = topDown ? -int64_t{rawHeight} : int64_t{rawHeight};
    const bool rle = compression == kBiRle8;
    if (!(compression == kBiRgb && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) &&
        !(rle && bits == 8)) {
        return refuse(std::to_string(bits) + "-bit pictures with compression " +
                      std::to_string(compression) + " are not supported");
    }
    if (rle && topDown) return refuse("a run-length picture cannot be stored top-down");
    std::string problem = readableSizeProblem(width, height);
    if (!problem.empty()) return refuse(problem);
    // The palette lies between the header and the pixels, never over either.
    size_t headersEnd = kFileHeader + headerSize;
    if (bits == 8) {
        if (used == 0) used = 256;
        if (used > 256) {
            return refuse("its palette of " + std::to_string(used) + " colours is larger than 256");
        }
        if (headersEnd + size_t{used} * 4 > size) return refuse("truncated in its palette");
        headersEnd += size_t{used} * 4;
    }
    if (offset > size) {
        return refuse("its pixel data offset " + std::to_string(offset) +
                      " is past the end of the file");
    }
    if (offset < headersEnd) {
        return refuse("its pixel data offset " + std::to_string(offset) +
                      " points into its header");
    }
    const size_t stride = static_cast<size_t>(strideFor(width, static_cast<int32_t>(bits)));
    // Every row, or every run-length code, must be in the file before the picture is made.
    if (!rle && (size - offset) / stride < static_cast<size_t>(height)) {
        return refuse("truncated after row " + std::to_string((size - offset) / stride));
    }
    if (rle) {
        problem = walkRle8(p + offset, size - offset, width, height, nullptr);
        if (!problem.empty()) return refuse(problem);
    }
    auto dib = std::make_unique<Dib>();
    if (!allocateForReading(*dib, width, height, bits == 8 ? 8 : 24, &reason)) return nullptr;
    if (bits == 8) {
        std::memcpy(dib->palette.data(), p + kFileHeader + headerSize, size_t{used} * 4);
        for (uint32_t k = 0; k < used; ++k) dib->palette[k * 4 + 3] = 0;
        dib->paletteSize = static_cast<int32_t>(used);
    }
    if (rle) {
        walkRle8(p + offset, size - offset, width, height, dib.get());
    } else {
        for (int32_t r = 0; r < height; ++r) {
            const uint8_t* src =
                p + offset + stride * static_cast<size_t>(topDown ? height - 1 - r : r);
            uint8_t* dst = dib->storedRow(r);
            switch (bits) {
            case 8:
                std::memcpy(dst, src, static_cast<size_t>(width));
                break;
            case 24:
                std::memcpy(dst, src, static_cast<size_t>(width) * 3);
                break;
            case 16:
                for (int32_t x = 0; x < width; ++x) {
                    const ColorRef c = unpack555(static_cast<uint16_t>(get16(src + x * 2)));
                    dst[x * 3] = static_cast<uint8_t>(c >> 16);
                    dst[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
                    dst[x * 3 + 2] = static_cast<uint8_t>(c);
                }
                break;
            default:
                for (int32_t x = 0; x < width; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
                break;
            }
        }
    }
    problem = paletteIndexProblem(*dib);
    if (!problem.empty()) return refuse(problem);
    dib->refresh();
    return dib;
}

}  // namespace tavrine::imgctl
