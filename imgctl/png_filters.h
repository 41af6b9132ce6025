#pragma once
// The row filters of PNG pictures, and the choice among them that libpng makes by default.

#include <cstddef>
#include <cstdint>

namespace tavrine::imgctl {

// The filter (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth) whose filtered bytes, each read as a
// signed byte, have the smallest sum of magnitudes; on a tie the first of them. `above` is the
// row above (all zeros for the first row), `pixelBytes` the bytes per pixel. That is how libpng
// filters the rows of a picture of eight bits per sample unless told otherwise, so libpng told
// this one filter for each row writes the same bytes with less work.
int leastSumFilter(const uint8_t* row, const uint8_t* above, size_t bytes, size_t pixelBytes);

// leastSumFilter of every row of a picture, rows top first; `filters` receives one per row.
void leastSumFilters(const uint8_t* const* rows, size_t height, size_t bytes, size_t pixelBytes,
                     uint8_t* filters);

}  // namespace tavrine::imgctl
