#pragma once
// GemCad's binary design file (.gem): every facet's plane, tier, name and corners, then the
// gear, the symmetry, the refractive index, the headings and the footnotes.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/model/gemcad_design.h"

namespace tavrine {

// Returns whether the bytes of a design file are to be read as a .gem: they do not begin with
// "GemCad" (after an optional UTF-8 byte-order mark and white space) and hold a NUL byte, which
// every .gem does and no text does.
bool isGemFile(const uint8_t* data, size_t size);

// Reads the bytes of a .gem into design: header values, headings, footnotes, one tier per tier
// number (in the order they first appear) and every facet plane, turned into the model's frame.
// fileName is used in messages only. Work is bounded by size. On refusal returns false, leaves
// design as it was and sets error (when not null) to "cannot read FILE: byte N: problem" (a
// count or text running past the end, more than 2400 facets, a plane through the centre, a
// corner far off its plane, a header value out of range, bytes after the end, more than 4 MiB).
bool parseGemFile(const uint8_t* data, size_t size, const std::string& fileName,
                  GemCadDesign& design, std::string* error);

// Returns "cannot read FILE: byte N: problem", the form of every refusal of a .gem.
std::string gemFileMessage(const std::string& fileName, size_t offset, const std::string& problem);

}  // namespace tavrine
