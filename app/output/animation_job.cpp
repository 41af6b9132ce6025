#include "app/output/animation_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/output/file_names.h"
#include "imgctl/animated_gif.h"
#include "imgctl/imgctl.h"

namespace tavrine {

namespace {

// Largest frame file read: a capture frame is at most 512 x 512 pixels, which no format the
// capture writes stores in more than about 1 MB, so a larger file is not a frame.
constexpr off_t kMaxFrameFileBytes = off_t{16} << 20;

// Checks that a frame file exists and could be a frame before it is read; "" when it may be
// read, else the reason.
std::string frameFileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
    if (st.st_size > kMaxFrameFileBytes) {
        return std::to_string(st.st_size) + " bytes is more than a capture frame holds";
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
                const std::string prefix = "cannot read " + path + ": ";
                if (problem.compare(0, prefix.size(), prefix) == 0) {
                    problem.erase(0, prefix.size());
                } else if (problem.empty() || problem == "cannot read " + path) {
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
            result.reason = "cannot read " + path + ": " + problem;
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
