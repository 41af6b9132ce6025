#include "app/output/animation_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/output/file_names.h"
#include "imgctl/animated_gif.h"
#include "imgctl/imgctl.h"
#include "util/path_text.h"

namespace tavrine {

namespace {

// Largest frame file read: a capture frame is at most 512 x 512 pixels, which no format the
// capture writes stores in more than about 1 MB, so a larger file is not a frame.
constexpr off_t kMaxFrameFileBytes = off_t{16} << 20;

// Largest side of a capture frame: the separate render window's largest picture.
constexpr uint32_t kMaxFrameSide = 512;

uint32_t bigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

uint32_t littleEndian32(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Returns the extent of a GIF's logical screen, widened by its first image as the reader widens
// it; false when the bytes end before the first image's descriptor.
bool gifExtent(const std::vector<uint8_t>& b, uint32_t& width, uint32_t& height) {
    if (b.size() < 13) return false;
    width = b[6] | (uint32_t{b[7]} << 8);
    height = b[8] | (uint32_t{b[9]} << 8);
    size_t at = 13;
    if ((b[10] & 0x80) != 0) at += 3u * (2u << (b[10] & 7));
    while (at < b.size()) {
        if (b[at] == 0x2C) {
            if (at + 9 > b.size()) return false;
            const uint32_t left = b[at + 1] | (uint32_t{b[at + 2]} << 8);
            const uint32_t top = b[at + 3] | (uint32_t{b[at + 4]} << 8);
            width = std::max(width, left + (b[at + 5] | (uint32_t{b[at + 6]} << 8)));
            height = std::max(height, top + (b[at + 7] | (uint32_t{b[at + 8]} << 8)));
            return true;
        }
        if (b[at] != 0x21 || at + 2 > b.size()) return false;
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        while (at < b.size() && b[at] != 0) at += 1u + b[at];
        ++at;
    }
    return false;
}

// Returns the picture size the file's header declares (0 x 0 when it is no BMP, PNG or GIF).
void declaredSize(const std::vector<uint8_t>& b, uint32_t& width, uint32_t& height) {
    width = height = 0;
    if (b.size() >= 24 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) {
        width = bigEndian32(b.data() + 16);
        height = bigEndian32(b.data() + 20);
    } else if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        width = littleEndian32(b.data() + 18);
        const auto h = static_cast<int32_t>(littleEndian32(b.data() + 22));
        height = h < 0 ? 0u - static_cast<uint32_t>(h) : static_cast<uint32_t>(h);
    } else if (b.size() >= 6 && std::memcmp(b.data(), "GIF", 3) == 0) {
        gifExtent(b, width, height);
    }
}

// Checks that a frame file exists and could be a frame before it is read, so that a file that
// is no frame costs little memory; "" when it may be read, else the reason.
std::string frameFileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    if (st.st_size > kMaxFrameFileBytes) {
        return std::to_string(st.st_size) + " bytes is more than a capture frame holds";
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    if (FILE* in = std::fopen(path.c_str(), "rb")) {
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
        std::fclose(in);
    } else {
        return std::strerror(errno);
    }
    uint32_t width = 0, height = 0;
    declaredSize(bytes, width, height);
    if (width > kMaxFrameSide || height > kMaxFrameSide) {
        return std::to_string(width) + " x " + std::to_string(height) +
               " is larger than the 512 x 512 of a capture frame";
    }
    return "";
}

}  // namespace

std::string missingFrameText(const std::string& framePath) {
    return "Failed to open file.\n\nFollowing file may not exist in the same directory.\n\n" +
           framePath +
           "\n\n\nIn this case, Resume capturing to complete the whole set of files.\n\nGo to the "
           "\"Automatic Screen Capture(P)\" --> \"Resume(R)\" then\n\"File Existance "
           "Check(Yes/No)\" dialog will show up.\nClick \"Yes\" to begin complement.";
}

std::string animationSavedText(const std::string& outputPath) {
    return "Animation GIF file was saved.\n\n" + outputPath;
}

std::string animationOutputName(const std::string& frameBase) {
    return frameBase + kAnimationNameSuffix;
}

uint16_t animationDelay(int32_t timeWeight) {
    return static_cast<uint16_t>(std::clamp<int32_t>(timeWeight, 0, 0xFFFF));
}

std::string animationRefusal(const PositionInfo& record) {
    return record.frameCount == record.framesDone ? std::string() : kCaptureIncompleteText;
}

std::string animationInputClash(const AnimationRequest& request, const std::string& infoPath) {
    struct stat output {};
    if (::stat(request.outputPath.c_str(), &output) != 0) return "";
    auto isOutput = [&output](const std::string& path) {
        struct stat input {};
        return ::stat(path.c_str(), &input) == 0 && input.st_dev == output.st_dev &&
               input.st_ino == output.st_ino;
    };
    if (isOutput(infoPath)) return "the Capture-Info File " + util::quotedPath(infoPath);
    for (int32_t k = 0; k < request.frameCount; ++k) {
        const std::string frame =
            frameFileName(request.frameBase, k, request.frameCount, request.frameExtension);
        if (isOutput(frame)) {
            return "frame " + std::to_string(k) + " of the capture, " + util::quotedPath(frame);
        }
    }
    return "";
}

AnimationResult compileAnimation(const AnimationRequest& request, AnimationObserver& observer) {
    AnimationResult result;
    const int32_t n = request.frameCount;
    if (n < 1 || n > 0xFFFF) {
        result.reason = "cannot make an animation of " + std::to_string(n) + " frames";
        result.message = result.reason;
        return result;
    }
    const uint16_t delay = animationDelay(request.timeWeight);
    imgctl::AnimatedGifWriter writer;
    int32_t width = 0, height = 0;
    int32_t i = 0;
    for (; i < n; ++i) {
        observer.progress(i, n);
        if (observer.abortRequested()) {
            writer.discard();
            result.aborted = true;
            result.reason = "the animation was not written: stopped at frame " + std::to_string(i) +
                            " of " + std::to_string(n);
            result.message = result.reason;
            observer.progress(i, n);
            return result;
        }
        const int32_t k = request.clockwise ? n - 1 - i : i;
        const std::string path = frameFileName(request.frameBase, k, n, request.frameExtension);
        // Read one frame; it is released before the next one is read.
        std::string problem = frameFileProblem(path);
        imgctl::DibPtr frame;
        if (problem.empty()) {
            frame.reset(imgctl::ToDIB(path));
            if (frame == nullptr) {
                problem = imgctl::lastError();
                const std::string prefix = util::cannotText("read", path, "") + ": ";
                if (problem.compare(0, prefix.size(), prefix) == 0) {
                    problem.erase(0, prefix.size());
                } else if (problem.empty() || problem == util::cannotText("read", path, "")) {
                    problem = "not a readable picture";
                }
            }
        }
        if (problem.empty()) {
            imgctl::BitmapInfoHeader head;
            imgctl::HeadDIB(frame.get(), head);
            if (i == 0) {
                width = head.width;
                height = head.height;
                if (!writer.open(request.outputPath, width, height)) {
                    result.reason = writer.error();
                    result.message = "Failed to open file.\n\n" + result.reason;
                    break;
                }
            } else if (head.width != width || head.height != height) {
                problem = "it is " + std::to_string(head.width) + " x " +
                          std::to_string(head.height) + " pixels where the first frame is " +
                          std::to_string(width) + " x " + std::to_string(height);
            }
        }
        if (!problem.empty()) {
            writer.discard();
            result.failedFrame = path;
            result.reason = util::cannotText("read", path, problem);
            result.message = missingFrameText(path);
            break;
        }
        if (!writer.addFrame(frame.get(), delay)) {
            result.reason = writer.error();
            result.message = "Failed to open file.\n\n" + result.reason;
            break;
        }
    }
    if (i == n) {
        result.ok = writer.finish();
        if (!result.ok) {
            result.reason = writer.error();
            result.message = "Failed to open file.\n\n" + result.reason;
        }
    }
    observer.progress(i, n);
    return result;
}

}  // namespace tavrine
