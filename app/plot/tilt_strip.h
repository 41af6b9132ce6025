#pragma once
// The tilt strip: the small pictures of a tilt sweep side by side, each with its tilt and
// brightness under it, drawn with QPainter; shown by the viewer and written as a PNG file.

#include <QImage>
#include <string>
#include <vector>

#include "app/evaluate/tilt_sweep.h"
#include "app/plot/plot_names.h"
#include "imgctl/imgctl.h"

namespace tavrine::plot {

// Returns a picture (24 bits, or 8 with a palette) as an image; a null image for another kind.
QImage imageOfPicture(const imgctl::DibData& picture);

// Returns the strip of the rows and their pictures (the first min(rows, pictures) of each, in
// order): every picture scaled down to at most kStripPictureSize, and under it the tilt and the
// brightness. A null image when there is nothing to draw. Needs a Qt GUI application for its
// fonts (ensurePlotApplication); one thread at a time.
QImage makeTiltStrip(const std::vector<evaluate::TiltRow>& rows,
                     const std::vector<imgctl::DibPtr>& pictures);

// Writes the strip of the rows and pictures to path as a PNG file, replaced whole or not at all
// (see util::AtomicFile). Makes the offscreen application when the program has none. Returns
// false with one line in *error for a name not ending in .png, nothing to draw, or "cannot write
// PATH: REASON". Call on the main thread.
bool writeTiltStrip(const std::vector<evaluate::TiltRow>& rows,
                    const std::vector<imgctl::DibPtr>& pictures, const std::string& path,
                    std::string* error);

}  // namespace tavrine::plot
