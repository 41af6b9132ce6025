#pragma once
// The encoders and decoders behind the public writers and ToDIB.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "imgctl/dib.h"

namespace tavrine::imgctl {

// Returns the bytes of a BMP file of the picture at its depth (BI_RLE8 when marked so).
std::vector<uint8_t> encodeBmp(const Dib& dib);

// Returns the picture of a BMP file's bytes, or nullptr with the reason when they are not a
// readable BMP.
std::unique_ptr<Dib> decodeBmp(const std::vector<uint8_t>& bytes, std::string* reason);

// Writes a PNG of the picture to an open stream; false with the reason on failure.
bool encodePng(const Dib& dib, FILE* out, std::string* reason);

// Returns the picture of a PNG file's bytes, or nullptr with the reason when they are not a
// readable PNG.
std::unique_ptr<Dib> decodePng(const std::vector<uint8_t>& bytes, std::string* reason);

// Writes a GIF89a of 8-bit pictures to a descriptor that giflib takes over (and closes);
// several pictures or |animated| make an animation that loops forever, with the given delays.
bool encodeGif(const std::vector<const Dib*>& pictures, const std::vector<uint16_t>& delays,
               bool animated, int fd, std::string* reason);

// Returns the first picture of a GIF file's bytes, or nullptr with the reason when they are not
// a readable GIF through to its trailer.
std::unique_ptr<Dib> decodeGif(const std::vector<uint8_t>& bytes, std::string* reason);

}  // namespace tavrine::imgctl
