#pragma once
// The automatic screen capture: frame k of N is the saved view turned by k * 2pi / N, rendered
// and saved as a frame file; the Capture-Info File records how far the capture got after every
// frame, so a capture stopped in any way resumes at the frame it was making.

#include <cstdint>
#include <functional>
#include <string>

#include "app/model/model_record.h"
#include "app/output/position_info.h"
#include "app/render/picture_formats.h"
#include "app/render/render_job.h"
#include "app/render/render_settings.h"
#include "app/view/orientation.h"
#include "imgctl/imgctl.h"

namespace tavrine {

// The texts of the capture's dialogs and messages.
inline constexpr const char* kNewCaptureDialogTitle = "New Automatic Screen Capture";
inline constexpr const char* kSaveCaptureInfoTitle = "Save Capture-Info File";
inline constexpr const char* kOpenCaptureInfoTitle = "Open Capture-Info File";
inline constexpr const char* kCaptureInfoFilterText = "Capture-Info File (*.sqi)";
inline constexpr const char* kCaptureInfoFilterPattern = "*.sqi";
inline constexpr const char* kCaptureInfoExtension = "sqi";
inline constexpr const char* kCaptureProgressTitle = "Automatic Screen Capturing";
inline constexpr const char* kCaptureAbortedText = "Capturing was aborted.";
inline constexpr const char* kCaptureCompleteQuestion =
    "This Capture-Info File reports\n\"All the nessesary frames have already been captured.\" "
    "\n\nDo you try File-Existance-Check for each frame,\nand if any frame is found missing,\n"
    "redraw for it to complete the whole set of frames?";
// The default number of frames of one full turn.
inline constexpr int32_t kDefaultFrameCount = 128;

// Returns the message of a finished capture, naming the Capture-Info File by name alone (no
// folder, no extension).
std::string captureCompleteText(const std::string& captureName);

// Returns the progress window's text for frame k of n: "k / n", eight blanks, the rounded
// percentage and " %".
std::string captureProgressText(int32_t k, int32_t n);

// The file format of the frames: 256-colour GIF (the viewer's, and what the animation reads
// best) or lossless 24-bit PNG for video tools.
enum class FrameFormat { Gif, Png24 };

// Returns the frame files' extension with its dot: ".gif" or ".png".
const char* frameExtension(FrameFormat format);

// Returns the screen-shot filter index the frames are written with: 7 for GIF, 4 for PNG.
int32_t frameFilterIndex(FrameFormat format);

// Returns the turn angle of frame k of n in radians, (k * (2 * pi)) / n evaluated left to right.
double captureTurnAngle(int32_t k, int32_t frameCount);

// Sets the view for frame k of n from the saved view: with turntable, the turntable angles
// become (saved elevation, saved azimuth - angle, 0) and the view follows them; otherwise the
// saved orientation is composed with a turn by the angle about its own vertical axis. Frame 0
// gives the saved view exactly.
void turnViewForFrame(ViewPose& view, const SavedPosition& saved, bool turntable, int32_t k,
                      int32_t frameCount);

// What the capture turns and renders: the model (its facet planes are recomputed for every
// frame), its view-space vertices, the orientation whose view is turned (its "GM" switch and
// light direction are read), and the picture settings of the frames.
struct CaptureScene {
    ModelRecord* model = nullptr;
    Vertex* viewVertices = nullptr;
    OrientationState* orientation = nullptr;
    RenderSettings settings;
    PictureTrimming trimming;
    imgctl::ColorRef backdrop = 0;  // the backdrop colour for the GIF frames' repair
};

// Where the capture writes: the Capture-Info File, the frame base (its path without the
// extension) and the format of the frames.
struct CaptureFiles {
    std::string infoPath;
    std::string frameBase;
    FrameFormat format = FrameFormat::Gif;
};

// Receives the capture's reports, on the thread that runs it; the render job's reports of each
// frame arrive through the RenderObserver part, and its abort poll stops the capture.
class CaptureObserver : public RenderObserver {
  public:
    // Called once before the first frame (the viewer makes the trail its live layer).
    virtual void captureStarted() {}
    // Called before frame k (0 to n; k = n only turns the view back to the start).
    virtual void frameStarting(int32_t k, int32_t frameCount) {
        (void)k;
        (void)frameCount;
    }
    // Called after the view was turned for frame k and the model prepared for it; restartTrail
    // is set on the first frame of the run, where the view-point trail starts again.
    virtual void viewTurned(int32_t k, bool restartTrail) {
        (void)k;
        (void)restartTrail;
    }
    // Called after frame k was rendered, with its picture (W x W, 24-bit; the job keeps it), so
    // that the viewer can show it.
    virtual void frameRendered(int32_t k, imgctl::DibHandle picture) {
        (void)k;
        (void)picture;
    }
    // Called after frame k was written to path; rendered is false when check mode found the
    // file and kept it.
    virtual void frameDone(int32_t k, const std::string& path, bool rendered) {
        (void)k;
        (void)path;
        (void)rendered;
    }
};

// Renders one picture, as renderJob does, reporting to the observer; its result holds the status
// and, unless it failed, the W x W picture.
using RenderFunction =
    std::function<RenderResult(const RenderSettings&, const RenderScene&, RenderObserver&)>;

// Returns a RenderFunction that renders as renderJob does with the given execution, on a new
// picture; its frames share one prepared scene (workers, scratch, facet data) while they are
// rendered with the same settings, as a capture's are.
RenderFunction renderJobFunction(const RenderExecution& execution);

// How a capture ended.
enum class CaptureOutcome {
    Complete,  // every frame up to N was processed; framesDone = N
    Aborted,   // a render was aborted; framesDone = the frame being rendered
    Failed     // a frame could not be rendered or written, or the Capture-Info File could not be
               // written; message says which
};

// The result of a capture run.
struct CaptureResult {
    CaptureOutcome outcome = CaptureOutcome::Failed;
    int32_t framesRendered = 0;  // frames rendered and written by this run
    int32_t framesKept = 0;      // frames that check mode found and kept
    std::string message;         // on failure: the file and the reason
    bool recordFailed = false;   // the failure is the Capture-Info File's own write
};

// Runs the capture of record (frameCount N in 1..4096, framesDone the first frame of this run,
// checkMode) into files: writes the Capture-Info File first; then for k = framesDone to N
// reports the frame, turns the view of the scene for frame k from record.savedPosition (with
// the scene's "GM" switch) and prepares the model, and for k < N renders the frame and writes
// it by the format (GIF: colour reduction and backdrop repair) unless check mode finds its
// file; after every frame written, framesDone = k + 1 is recorded in the Capture-Info File. An
// aborted render leaves framesDone = k and no file for k; a frame that cannot be rendered or
// written stops the run the same way, with a message naming the file and the reason. The
// Capture-Info File is written through a temporary file beside it, so it always holds a whole
// record.
CaptureResult captureFrames(CaptureScene& scene, PositionInfo& record, const CaptureFiles& files,
                            const RenderFunction& render, CaptureObserver& observer);

}  // namespace tavrine
