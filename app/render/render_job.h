#pragma once
// The render job: one primary ray per pixel (three in Fire mode) into the tracer, the pixel
// colour rules, HQ rendering at twice the size, progress reporting and abort polling.

#include <cstdint>
#include <string>

#include "app/render/render_settings.h"
#include "imgctl/imgctl.h"
#include "tracer/tvrt.h"

namespace tavrine {

// What the render job reads of the stone: the model in view space with the facets' normals and
// planes computed for the same view, and the main light's direction in view space.
struct RenderScene {
    const Vertex* vertices = nullptr;
    int32_t vertexCount = 0;
    const Facet* facets = nullptr;
    int32_t facetCount = 0;
    Vec3 lightDirection{0.0, 0.0, 1.0};
};

// Receives the job's reports. Every call is made on the thread that called renderJob, one at a
// time, and never while the job holds a lock its workers wait on; a call may take its time (the
// workers go on with the rows already handed out).
class RenderObserver {
  public:
    virtual ~RenderObserver() = default;
    // Called once before any row, also when the job then fails.
    virtual void renderStarted() {}
    // Called with 0 right after the start, then whenever the whole percentage has grown (1 to
    // 100).
    virtual void progress(int32_t percent) { (void)percent; }
    // Called after image row `row` (0 at the top) of |picture| is final, in normal (not HQ) mode
    // only; the observer may read that row of the picture during the call, and nothing else.
    virtual void rowFinished(int32_t row, const imgctl::DibData& picture) {
        (void)row;
        (void)picture;
    }
    // Called before each row is handed to a worker; returning true stops the job there (rows
    // already handed out are finished).
    virtual bool abortRequested() { return false; }
    // Called once when the rows are done or the job stopped, before an HQ picture is shrunk
    // (the viewer pauses here).
    virtual void loopFinished() {}
    // Called once at the end, also after an abort or a failure.
    virtual void renderEnded() {}
};

// How the job runs: the worker count (0 = all cores) and whether to use the exported tracer for
// every ray (the literal reference) instead of the faster path beside it. Both give the same
// pixels.
struct RenderExecution {
    int32_t threads = 0;
    bool literal = false;
};

// The dispersion sample weights (red, green, blue), one row per sample.
extern const double spectralWeights[3][3];

// The normal-incidence reflectance ((outer - stone) / (outer + stone))^2.
double normalReflectance(double outerIndex, double stoneIndex);

// The refractive index of dispersion sample k (0, 1, 2): stoneIndex * (1 + (k - 1) * spread).
double fireSampleIndex(double stoneIndex, double spread, int32_t k);

// The start of the primary ray of a pixel of a workingWidth-wide picture with `scale` pixels per
// model unit: x grows to the right from the centre column, y upwards from the centre row; z is
// -1.1.
Vec3 primaryRayOrigin(int32_t column, int32_t row, int32_t workingWidth, int32_t scale);

// The pixel colour (COLORREF) from the inner light of the three channels and the surface glare:
// each channel inner * 1600 + 20 clamped to 0..240, plus glare * 1000 + 20, clamped to 255.
uint32_t pixelColourFromLight(double innerR, double innerG, double innerB, double surfaceGlare);

// How a render job ended.
enum class RenderStatus {
    Completed,  // every row was rendered
    Aborted,    // abortRequested stopped it
    Failed,     // no picture (wrong picture given, memory refused) or a worker failed
};

// The outcome of a render job: its status, its picture (W x W, 24-bit; also after an abort, with
// the rows not rendered as they were; null after a failure) and, for a failure, the reason.
struct RenderResult {
    RenderStatus status = RenderStatus::Failed;
    imgctl::DibPtr picture;
    std::string error;
};

// Renders the whole W x W square (W = settings.width) into |picture|, which must be a 24-bit
// W x W picture, or null to have the job create one; in HQ mode the job renders into a 2W x 2W
// picture of its own that is shrunk to W x W at the end (also after an abort). Reports to
// |observer| on the calling thread; the workers read |scene| and |settings|, which must stay
// unchanged until the job returns. A picture of the wrong size or depth, memory refused and a
// worker that throws or cannot start end the job with RenderStatus::Failed (renderStarted and
// renderEnded are still called).
RenderResult renderJob(const RenderSettings& settings, const RenderScene& scene,
                       imgctl::DibPtr picture, RenderObserver& observer,
                       const RenderExecution& execution = {});

// Colour (COLORREF) of the pixel whose primary ray starts at (x, y, -1.1), by the exported tracer;
// scratch arrays need room for the scene's vertex and facet counts.
uint32_t literalPixelColour(const RenderSettings& settings, const RenderScene& scene, double x,
                            double y, int32_t* candidateList, Vec3* relativeVertices,
                            Vec3* projectedVertices);

}  // namespace tavrine
