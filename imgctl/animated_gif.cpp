// The streaming animated-GIF writer: giflib writes through a buffered stream on a temporary
// file beside the target, one frame after another.

#include "imgctl/animated_gif.h"

#include <gif_lib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "imgctl/dib.h"
#include "util/atomic_file.h"
#include "util/path_text.h"

namespace tavrine::imgctl {

struct AnimatedGifState {
    std::string path;
    util::AtomicFile file;
    GifFileType* gif = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t frames = 0;
    int writeErrno = 0;  // errno of the first failed write of the stream
    std::string error;
    std::vector<GifPixelType> line;

    // Closes the encoder without caring for its result (the file is dropped afterwards).
    void closeEncoder() {
        if (gif != nullptr) {
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
            gif = nullptr;
        }
    }

    // Records a failure naming the path, drops the temporary file and returns false.
    bool fail(const std::string& reason) {
        error = util::cannotText("write", path, reason);
        setLastError(error);
        closeEncoder();
        file.discard();
        return false;
    }

    // The reason of a failed giflib call: the stream's system error when a write failed.
    std::string gifReason(int code) const {
        if (writeErrno != 0) return std::strerror(writeErrno);
        const char* text = GifErrorString(code);
        return text != nullptr ? text : "giflib failed";
    }
};

namespace {

// giflib's output function: appends to the temporary file's stream.
int writeToStream(GifFileType* gif, const GifByteType* data, int count) {
    auto* state = static_cast<AnimatedGifState*>(gif->UserData);
    FILE* out = state->file.stream();
    if (out == nullptr || count < 0) {
        if (state->writeErrno == 0) state->writeErrno = EIO;
        return 0;
    }
    const size_t written = std::fwrite(data, 1, static_cast<size_t>(count), out);
    if (written != static_cast<size_t>(count) && state->writeErrno == 0) {
        state->writeErrno = errno != 0 ? errno : EIO;
    }
    return static_cast<int>(written);
}

// Owns a giflib colour map.
struct ColourMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, ColourMapDeleter>;

// A colour map of a power-of-two size that covers the palette and every index the pixels use,
// so that no pixel is masked to another colour by the encoder.
ColourMap colourMapFor(const Dib& dib) {
    int used = std::max(1, std::min(dib.paletteSize, 256));
    for (int32_t r = 0; r < dib.height && used < 256; ++r) {
        const uint8_t* row = dib.storedRow(r);
        used = std::max(used, *std::max_element(row, row + dib.width) + 1);
    }
    int size = 2;
    while (size < used) size *= 2;
    std::vector<GifColorType> colours(static_cast<size_t>(size), GifColorType{0, 0, 0});
    for (int k = 0; k < std::min(dib.paletteSize, 256); ++k) {
        const uint8_t* q = dib.palette.data() + static_cast<size_t>(k) * 4;
        colours[static_cast<size_t>(k)] = GifColorType{q[2], q[1], q[0]};
    }
    return ColourMap(GifMakeMapObject(size, colours.data()));
}

}  // namespace

AnimatedGifWriter::AnimatedGifWriter() : state_(std::make_unique<AnimatedGifState>()) {}

AnimatedGifWriter::~AnimatedGifWriter() { discard(); }

void AnimatedGifWriter::discard() noexcept {
    state_->closeEncoder();
    state_->file.discard();
    state_->frames = 0;
}

int32_t AnimatedGifWriter::frameCount() const { return state_->frames; }

const std::string& AnimatedGifWriter::error() const { return state_->error; }

bool AnimatedGifWriter::open(const std::string& path, int32_t width, int32_t height) {
    discard();
    AnimatedGifState& s = *state_;
    s.path = path;
    s.error.clear();
    s.writeErrno = 0;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        return s.fail("an animation of " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels cannot be made");
    }
    struct stat st {};
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return s.fail("it is a folder");
    }
    if (!s.file.open(path) || s.file.stream() == nullptr) return s.fail(s.file.reason());
    int code = 0;
    s.gif = EGifOpen(&s, writeToStream, &code);
    if (s.gif == nullptr) return s.fail(s.gifReason(code));
    s.width = width;
    s.height = height;
    s.line.assign(static_cast<size_t>(width), 0);
    EGifSetGifVersion(s.gif, true);
    static const char kApplication[] = "NETSCAPE2.0";
    const uint8_t loopForever[3] = {1, 0, 0};
    if (EGifPutScreenDesc(s.gif, width, height, 8, 0, nullptr) != GIF_OK ||
        EGifPutExtensionLeader(s.gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(s.gif, 11, kApplication) != GIF_OK ||
        EGifPutExtensionBlock(s.gif, 3, loopForever) != GIF_OK ||
        EGifPutExtensionTrailer(s.gif) != GIF_OK) {
        return s.fail(s.gifReason(s.gif->Error));
    }
    return true;
}

bool AnimatedGifWriter::addFrame(DibHandle picture, uint16_t delay) {
    AnimatedGifState& s = *state_;
    if (s.gif == nullptr) {
        if (s.error.empty())
            s.error = util::cannotText("write", s.path, "the animation is not open");
        return false;
    }
    const std::string which = "frame " + std::to_string(s.frames);
    if (picture == nullptr) return s.fail(which + " has no picture");
    if (picture->width != s.width || picture->height != s.height) {
        return s.fail(which + " is " + std::to_string(picture->width) + " x " +
                      std::to_string(picture->height) + " pixels, the animation " +
                      std::to_string(s.width) + " x " + std::to_string(s.height));
    }
    // A frame that is not 8-bit is written from a quantised copy, released right after.
    Dib reduced;
    const Dib* frame = picture;
    if (picture->bitCount != 8) {
        reduced = quantize(*picture);
        if (reduced.bitCount != 8) return s.fail("out of memory");
        frame = &reduced;
    }
    const ColourMap map = colourMapFor(*frame);
    if (map == nullptr) return s.fail("out of memory");
    // Graphic control: keep the frame in place (disposal 1), delay in 1/100 s.
    const uint8_t control[4] = {0x04, static_cast<uint8_t>(delay & 0xFF),
                                static_cast<uint8_t>(delay >> 8), 0};
    if (EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, 4, control) != GIF_OK ||
        EGifPutImageDesc(s.gif, 0, 0, s.width, s.height, false, map.get()) != GIF_OK) {
        return s.fail(s.gifReason(s.gif->Error));
    }
    for (int32_t y = 0; y < s.height; ++y) {
        const uint8_t* row = frame->storedRow(s.height - 1 - y);
        std::copy(row, row + s.width, s.line.begin());
        if (EGifPutLine(s.gif, s.line.data(), s.width) != GIF_OK) {
            return s.fail(s.gifReason(s.gif->Error));
        }
    }
    ++s.frames;
    return true;
}

bool AnimatedGifWriter::finish() {
    AnimatedGifState& s = *state_;
    if (s.gif == nullptr) {
        if (s.error.empty())
            s.error = util::cannotText("write", s.path, "the animation is not open");
        return false;
    }
    if (s.frames == 0) return s.fail("an animation needs at least one frame");
    GifFileType* gif = s.gif;
    s.gif = nullptr;
    int code = 0;
    if (EGifCloseFile(gif, &code) != GIF_OK || s.writeErrno != 0) return s.fail(s.gifReason(code));
    if (!s.file.commit()) return s.fail(s.file.reason());
    return true;
}

}  // namespace tavrine::imgctl
