// tavrine-quantize-psnr IN [OTHER...]: reduces IN to 256 colours with DIBto8Bit and prints the
// PSNR against IN; each OTHER picture (another reducer's result) is measured against IN the
// same way.

#include <chrono>
#include <cstdio>
#include <string>

#include "imgctl/imgctl.h"

using tavrine::imgctl::DibPtr;

namespace {

// Returns the number of distinct colours of a picture.
int countColours(tavrine::imgctl::DibHandle dib) {
    tavrine::imgctl::BitmapInfoHeader head;
    tavrine::imgctl::HeadDIB(dib, head);
    std::string seen(1 << 24, '\0');
    int count = 0;
    for (int32_t y = 0; y < head.height; ++y) {
        for (int32_t x = 0; x < head.width; ++x) {
            const auto c = tavrine::imgctl::PixelDIB(dib, x, y);
            if (seen[c] == 0) {
                seen[c] = 1;
                ++count;
            }
        }
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) == "--help") {
        std::fprintf(stderr, "usage: tavrine-quantize-psnr IN.png [OTHER.png ...]\n");
        return 2;
    }
    DibPtr original(tavrine::imgctl::ToDIB(argv[1]));
    if (original == nullptr) {
        std::fprintf(stderr, "%s\n", tavrine::imgctl::lastError().c_str());
        return 1;
    }
    tavrine::imgctl::DIBto24Bit(original.get());
    DibPtr reduced(tavrine::imgctl::CopyDIB(original.get()));
    const auto start = std::chrono::steady_clock::now();
    tavrine::imgctl::DIBto8Bit(reduced.get());
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %d colours\n", argv[1], countColours(original.get()));
    std::printf("  DIBto8Bit        %7.3f dB  (%.1f ms)\n",
                tavrine::imgctl::picturePsnr(original.get(), reduced.get()), ms);
    for (int i = 2; i < argc; ++i) {
        DibPtr other(tavrine::imgctl::ToDIB(argv[i]));
        if (other == nullptr) {
            std::fprintf(stderr, "%s\n", tavrine::imgctl::lastError().c_str());
            return 1;
        }
        std::printf("  %-16s %7.3f dB\n", argv[i],
                    tavrine::imgctl::picturePsnr(original.get(), other.get()));
    }
    return 0;
}
