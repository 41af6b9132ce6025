// Writes the frames of a finished capture without rendering them, for measuring what compiling
// a long animation costs: `distinct` made-up 256-colour GIF pictures of side x side pixels,
// repeated (as hard links) up to `count` frames, and the Capture-Info File that lists them.
//
// Usage: tavrine-make-test-frames BASE COUNT SIDE [DISTINCT]
// writes BASE.sqi and BASE_F[0000].gif ... beside it.

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/output/file_names.h"
#include "app/output/position_info.h"
#include "imgctl/imgctl.h"

namespace {

using namespace tavrine;

// A picture with a backdrop, a ring and a gradient that move with the frame number.
imgctl::DibPtr madeUpFrame(int32_t side, int32_t k, int32_t count) {
    imgctl::BitmapInfoHeader head;
    head.width = side;
    head.height = -side;
    imgctl::DibPtr picture(imgctl::CreateDIB(head));
    imgctl::DibData* data = imgctl::DataDIB(picture.get());
    const double turn = 6.283185307179586 * k / count;
    const double cx = side * (0.5 + 0.25 * std::cos(turn));
    const double cy = side * (0.5 + 0.25 * std::sin(turn));
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const double d = std::hypot(x - cx, y - cy) / side;
            imgctl::ColorRef c = 0;
            if (d < 0.3) {
                const auto r = static_cast<imgctl::ColorRef>(255 * (1 - d / 0.3));
                const auto g = static_cast<imgctl::ColorRef>((x * 255) / side);
                const auto b = static_cast<imgctl::ColorRef>((y * 255) / side);
                c = r | (g << 8) | (b << 16);
            }
            imgctl::setImagePixel(data->rows, side, side, x, y, c);
        }
    }
    imgctl::DIBto8Bit(picture.get());
    return picture;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s BASE COUNT SIDE [DISTINCT]\n", argv[0]);
        return 2;
    }
    const std::string base = argv[1];
    const int32_t count = std::atoi(argv[2]);
    const int32_t side = std::atoi(argv[3]);
    const int32_t distinct = argc > 4 ? std::atoi(argv[4]) : 64;
    if (count < 1 || count > 4096 || side < 1 || side > 512 || distinct < 1) {
        std::fprintf(stderr, "%s: COUNT 1..4096, SIDE 1..512, DISTINCT >= 1\n", argv[0]);
        return 2;
    }
    for (int32_t k = 0; k < count; ++k) {
        const std::string path = frameFileName(base, k, count);
        if (k < distinct) {
            const imgctl::DibPtr frame = madeUpFrame(side, k, distinct);
            if (!imgctl::DIBtoGIF(path, frame.get())) {
                std::fprintf(stderr, "%s\n", imgctl::lastError().c_str());
                return 1;
            }
            continue;
        }
        const std::string source = frameFileName(base, k % distinct, count);
        ::unlink(path.c_str());
        if (::link(source.c_str(), path.c_str()) != 0) {
            std::perror(path.c_str());
            return 1;
        }
    }
    PositionInfo record;
    record.frameCount = count;
    record.framesDone = count;
    std::string error;
    if (!writePositionInfo(base + ".sqi", record, &error)) {
        std::fprintf(stderr, "cannot write %s.sqi: %s\n", base.c_str(), error.c_str());
        return 1;
    }
    std::printf("wrote %s.sqi and %d frames of %d x %d\n", base.c_str(), count, side, side);
    return 0;
}
