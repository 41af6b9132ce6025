#!/usr/bin/env python3
"""Writes small valid pictures into the picture readers' seed corpora, so that mutations start
from files that pass the checksums and headers: PNG of every colour type and bit depth (also
interlaced, with transparency, with the data split over chunks), BMP of every depth the reader
takes (8-bit plain and run-length, 16, 24 and 32-bit, bottom-up and top-down) and GIF (one
frame, interlaced, several frames with local colour tables).

Run from the repository root: python3 fuzz/seeds/make_valid_pictures.py
"""
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "corpus")


def save(folder, name, data):
    path = os.path.join(ROOT, folder, name)
    with open(path, "wb") as f:
        f.write(data)


# --- PNG ---------------------------------------------------------------------------------------

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, colour_type, depth, interlace=False, extra=b"", split=False):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    bits_per_pixel = channels * depth

    def rows(w, h, phase):
        out = b""
        stride = (w * bits_per_pixel + 7) // 8
        for y in range(h):
            row = bytes(((x * 37 + y * 11 + phase) * 7) & 0xFF for x in range(stride))
            out += bytes([(y + phase) % 5]) + row  # every filter type
        return out

    if interlace:
        passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
                  (0, 1, 1, 2)]
        raw = b""
        for i, (x0, y0, dx, dy) in enumerate(passes):
            w = (width - x0 + dx - 1) // dx if width > x0 else 0
            h = (height - y0 + dy - 1) // dy if height > y0 else 0
            if w and h:
                raw += rows(w, h, i)
    else:
        raw = rows(width, height, 0)
    data = zlib.compress(raw, 9)
    head = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 1 if interlace else 0)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head)
    if colour_type == 3:
        out += chunk(b"PLTE", bytes((i * 53 + c * 91) & 0xFF for i in range(1 << depth) for c in range(3)))
    out += extra
    if split:
        half = len(data) // 2
        out += chunk(b"IDAT", data[:half]) + chunk(b"IDAT", data[half:])
    else:
        out += chunk(b"IDAT", data)
    return out + chunk(b"IEND", b"")


def write_pngs():
    for colour_type, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)),
                                (6, (8, 16))):
        for depth in depths:
            save("png", "valid-type%d-depth%d.png" % (colour_type, depth), png(7, 5, colour_type, depth))
    save("png", "valid-interlaced-rgb.png", png(13, 11, 2, 8, interlace=True))
    save("png", "valid-interlaced-palette.png", png(9, 9, 3, 4, interlace=True))
    save("png", "valid-palette-transparent.png", png(6, 6, 3, 8, extra=chunk(b"tRNS", b"\x00\x80\xff")))
    save("png", "valid-grey-transparent.png", png(6, 6, 0, 8, extra=chunk(b"tRNS", b"\x00\x10")))
    save("png", "valid-rgb-gamma-split.png",
         png(16, 16, 2, 8, extra=chunk(b"gAMA", struct.pack(">I", 45455)), split=True))
    save("png", "valid-one-pixel.png", png(1, 1, 2, 8))
    save("picture", "valid-rgba.png", png(5, 4, 6, 8))


# --- BMP ---------------------------------------------------------------------------------------

def bmp(width, height, bits, pixels, palette=b"", compression=0, top_down=False):
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                       compression, len(pixels), 2835, 2835, len(palette) // 4, 0)
    head = b"BM" + struct.pack("<IHHI", header_size + len(pixels), 0, 0, header_size)
    return head + info + palette + pixels


def bmp_rows(width, height, bytes_per_pixel):
    stride = (width * bytes_per_pixel + 3) // 4 * 4
    out = b""
    for y in range(height):
        row = bytes(((x * 29 + y * 13) & 0xFF) for x in range(width * bytes_per_pixel))
        out += row + b"\x00" * (stride - len(row))
    return out


def write_bmps():
    palette = bytes((i * 3) & 0xFF for i in range(256 * 4))
    save("bmp", "valid-8bit.bmp", bmp(7, 5, 8, bmp_rows(7, 5, 1), palette))
    save("bmp", "valid-8bit-top-down.bmp", bmp(6, 3, 8, bmp_rows(6, 3, 1), palette, top_down=True))
    save("bmp", "valid-16bit.bmp", bmp(5, 4, 16, bmp_rows(5, 4, 2)))
    save("bmp", "valid-24bit.bmp", bmp(7, 5, 24, bmp_rows(7, 5, 3)))
    save("bmp", "valid-32bit.bmp", bmp(4, 4, 32, bmp_rows(4, 4, 4)))
    # Run-length: runs, a literal run, a delta, row ends and the end of the picture.
    rle = (b"\x03\x01\x00\x03\x05\x06\x07\x00\x00\x00"  # run of 3, literal of 3 (padded)
           b"\x06\x02\x00\x00"                          # run of 6, end of row
           b"\x00\x02\x02\x01\x02\x09\x00\x00"          # delta (2, 1), run of 2, end of row
           b"\x00\x01")                                  # end of picture
    save("bmp", "valid-8bit-rle.bmp", bmp(6, 4, 8, rle, palette, compression=1))
    save("picture", "valid-24bit.bmp", bmp(3, 3, 24, bmp_rows(3, 3, 3)))


# --- GIF ---------------------------------------------------------------------------------------

def lzw(indices, min_code_size):
    """Codes every pixel alone, with a clear code before the table would grow past its width."""
    clear = 1 << min_code_size
    codes = [clear]
    entries = clear + 2  # the decoder's table size after the codes so far
    first = True
    for index in indices:
        codes.append(index)
        if not first:
            entries += 1
        first = False
        if entries >= (1 << (min_code_size + 1)) - 1:
            codes.append(clear)
            entries = clear + 2
            first = True
    codes.append(clear + 1)
    # Pack with the width each code is read at.
    out, acc, nbits = bytearray(), 0, 0
    width = min_code_size + 1
    table = clear + 2
    first = True
    for code in codes:
        acc |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
        if code == clear:
            width = min_code_size + 1
            table = clear + 2
            first = True
        elif code != clear + 1:
            if not first:
                table += 1
                if table == (1 << width) and width < 12:
                    width += 1
            first = False
    if nbits:
        out.append(acc & 0xFF)
    blocks = b""
    for i in range(0, len(out), 255):
        part = bytes(out[i:i + 255])
        blocks += bytes([len(part)]) + part
    return bytes([min_code_size]) + blocks + b"\x00"


def gif_image(x, y, w, h, colours, depth_bits, local=False, interlace=False, delay=None, transparent=None):
    out = b""
    if delay is not None or transparent is not None:
        flags = 1 if transparent is not None else 0
        out += b"\x21\xf9\x04" + bytes([flags]) + struct.pack("<H", delay or 0) + \
            bytes([transparent or 0]) + b"\x00"
    packed = (0x80 | (depth_bits - 1) if local else 0) | (0x40 if interlace else 0)
    out += b"\x2c" + struct.pack("<HHHH", x, y, w, h) + bytes([packed])
    if local:
        out += bytes((i * 71 + c * 17) & 0xFF for i in range(1 << depth_bits) for c in range(3))
    pixels = [((px * 3 + py * 5) % colours) for py in range(h) for px in range(w)]
    return out + lzw(pixels, max(2, depth_bits))


def gif(w, h, depth_bits, images, animated=False):
    out = b"GIF89a" + struct.pack("<HH", w, h) + bytes([0x80 | 0x70 | (depth_bits - 1), 0, 0])
    out += bytes((i * 41 + c * 97) & 0xFF for i in range(1 << depth_bits) for c in range(3))
    if animated:
        out += b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    return out + b"".join(images) + b"\x3b"


def write_gifs():
    save("gif", "valid-one-frame.gif", gif(8, 6, 2, [gif_image(0, 0, 8, 6, 4, 2)]))
    save("gif", "valid-256-colours.gif", gif(20, 20, 8, [gif_image(0, 0, 20, 20, 256, 8)]))
    save("gif", "valid-interlaced.gif", gif(9, 17, 4, [gif_image(0, 0, 9, 17, 16, 4, interlace=True)]))
    save("gif", "valid-animated.gif",
         gif(10, 10, 3, [gif_image(0, 0, 10, 10, 8, 3, delay=4),
                         gif_image(2, 2, 5, 5, 8, 3, local=True, delay=4, transparent=1),
                         gif_image(0, 0, 10, 10, 4, 2, local=True, delay=9)], animated=True))
    save("picture", "valid-one-frame.gif", gif(5, 5, 1, [gif_image(0, 0, 5, 5, 2, 1)]))


if __name__ == "__main__":
    write_pngs()
    write_bmps()
    write_gifs()
