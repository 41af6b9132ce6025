#pragma once
// The animated GIF of a finished capture: its frame files read one at a time, reduced to 256
// colours when they are not already, and streamed into one animation that loops forever.

#include <cstdint>
#include <string>

#include "app/output/position_info.h"

namespace tavrine {

// The texts of the animated GIF's dialogs and messages.
inline constexpr const char* kMakeAnimationDialogTitle = "Make Animated-GIF";
inline constexpr const char* kSaveAnimationTitle = "Save Animation GIF File";
inline constexpr const char* kAnimationFilterText = "Animation GIF File (*.gif)";
inline constexpr const char* kAnimationFilterPattern = "*.gif";
inline constexpr const char* kAnimationExtension = "gif";
inline constexpr const char* kAnimationProgressTitle = "Compiling Animated-GIF";
inline constexpr const char* kCaptureIncompleteText =
    "All frames have not been captured.\n\nResume capturing by choosing \"Resume(R)\"\nfrom "
    "\"Automatic Screen Capture(P)\" menu.";
// What the output name proposed for an animation adds to the frame base.
inline constexpr const char* kAnimationNameSuffix = "_ANI";
// The default delay of every frame, in 1/100 s.
inline constexpr int32_t kDefaultTimeWeight = 4;

// Returns the message of a frame that could not be read, naming its path.
std::string missingFrameText(const std::string& framePath);

// Returns the confirmation of a written animation, naming its full path.
std::string animationSavedText(const std::string& outputPath);

// Returns the output name proposed for the animation of a capture: the frame base + "_ANI".
std::string animationOutputName(const std::string& frameBase);

// Returns the GIF delay of a time weight: the weight clamped to 0..65535 hundredths of a second
// (GIF delays are 16 bits).
uint16_t animationDelay(int32_t timeWeight);

// Returns "" when the capture record is complete (framesDone = frameCount), else the message
// that asks to resume the capture first.
std::string animationRefusal(const PositionInfo& record);

// What the animation is made of and where it goes.
struct AnimationRequest {
    std::string frameBase;                    // the Capture-Info File's path without its extension
    std::string frameExtension = ".gif";      // ".gif" or ".png", as the frames were written
    int32_t frameCount = 0;                   // N, 1 to 65535
    int32_t timeWeight = kDefaultTimeWeight;  // delay of every frame in 1/100 s
    bool clockwise = false;                   // frames in reverse order: _F[N-1] first
    std::string outputPath;                   // the animated GIF to write
};

// Returns "" when the animation's output is none of its inputs, else what it would overwrite:
// "the Capture-Info File PATH" when it is the file at infoPath, "frame K of the capture, PATH"
// when it is one of the request's frame files. The names are compared as files, so another
// spelling, a symbolic link or a hard link to an input clashes too; an output that does not
// exist yet clashes with nothing.
std::string animationInputClash(const AnimationRequest& request, const std::string& infoPath);

// Receives the compile's reports on the thread that runs it.
class AnimationObserver {
  public:
    virtual ~AnimationObserver() = default;
    // Called before frame i of the animation (0 to n - 1) and once at the end with the loop's
    // final i.
    virtual void progress(int32_t i, int32_t frameCount) {
        (void)i;
        (void)frameCount;
    }
    // Called before each frame; returning true stops the compile, writing nothing.
    virtual bool abortRequested() { return false; }
};

// The result of a compile.
struct AnimationResult {
    bool ok = false;          // the animation was written whole
    bool aborted = false;     // the observer asked to stop
    std::string message;      // on failure: what the user is told (the missing-frame text for a
                              // frame that cannot be read)
    std::string reason;       // on failure: one line naming the file and the reason
    std::string failedFrame;  // the frame file that could not be read, or ""
};

// Compiles the frames of a finished capture into an animated GIF: frame i of the animation is
// capture frame N - 1 - i when clockwise, else i; each is read, reduced to 256 colours when it
// is not already and encoded, then released, so memory does not grow with N. The animation is
// written beside the output path and renamed over it at the end; a frame that is missing,
// unreadable, larger than a capture frame or of another size than the first, an abort and a
// failed write all leave no file (an older one at the output path stays as it was).
AnimationResult compileAnimation(const AnimationRequest& request, AnimationObserver& observer);

}  // namespace tavrine
