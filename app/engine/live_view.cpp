#include "app/engine/live_view.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tavrine {

namespace {

// Reports nothing to any window; stops the job as soon as something newer waits.
class LiveObserver : public RenderObserver {
  public:
    explicit LiveObserver(const std::function<bool()>& newerWaiting)
        : newerWaiting_(newerWaiting) {}
    bool abortRequested() override { return newerWaiting_(); }

  private:
    const std::function<bool()>& newerWaiting_;
};

// The render area as an invalidation rectangle (right and bottom exclusive).
constexpr PanelRect kRenderAreaRepaint{kRenderArea.left, kRenderArea.top, kRenderArea.right + 1,
                                       kRenderArea.bottom + 1};

}  // namespace

RenderSettings coarseSettingsOf(const RenderSettings& full) {
    RenderSettings coarse = full;
    coarse.highQuality = false;
    coarse.width = full.width / 2 + 1;
    coarse.imageScale = full.imageScale / 2;
    return coarse;
}

int32_t coarseOffset(const RenderSettings& full) {
    // Centre columns as the render job takes them: the integer part of half the width.
    const int32_t fullCentre = static_cast<int32_t>(full.width * 0.5);
    const int32_t coarseCentre = static_cast<int32_t>(coarseSettingsOf(full).width * 0.5);
    return fullCentre - 2 * coarseCentre;
}

imgctl::DibPtr enlargeCoarse(const imgctl::DibData& coarse, int32_t fullWidth, int32_t offset) {
    if (coarse.bitCount != 24 || coarse.width <= 0 || coarse.height <= 0 || fullWidth <= 0) {
        return nullptr;
    }
    imgctl::BitmapInfoHeader header;
    header.width = fullWidth;
    header.height = -fullWidth;
    imgctl::DibPtr picture(imgctl::CreateDIB(header));
    imgctl::DibData* data = picture ? imgctl::DataDIB(picture.get()) : nullptr;
    if (data == nullptr) return nullptr;
    const auto source = [offset](int32_t full, int32_t count) {
        const int32_t twice = full - offset;
        return std::clamp(twice >= 0 ? twice / 2 : -1, 0, count - 1);
    };
    for (int32_t row = 0; row < fullWidth; ++row) {
        // Image row r is stored row height - 1 - r in both pictures.
        const int32_t fromRow = source(row, coarse.height);
        const uint8_t* from = coarse.rows + static_cast<size_t>(coarse.height - 1 - fromRow) *
                                                static_cast<size_t>(coarse.stride);
        uint8_t* to = data->rows + static_cast<size_t>(data->height - 1 - row) *
                                       static_cast<size_t>(data->stride);
        for (int32_t column = 0; column < fullWidth; ++column) {
            const uint8_t* pixel = from + 3 * source(column, coarse.width);
            std::copy(pixel, pixel + 3, to + 3 * column);
        }
    }
    return picture;
}

LiveView::LiveView(Session& session, NotificationSink& sink, std::function<bool()> newerWaiting)
    : session_(session), sink_(sink), newerWaiting_(std::move(newerWaiting)) {
    runner_ = [](const RenderSettings& settings, const RenderScene& scene, RenderObserver& observer,
                 const RenderExecution& execution) {
        return renderJob(settings, scene, nullptr, observer, execution);
    };
}

bool LiveView::applies() const {
    // The live view shows where the picture is: in the main window's render area in the
    // fixed-size mode, in the render window otherwise.
    return enabled_ && session_.model != nullptr;
}

void LiveView::showLivePicture() {
    if (session_.settings.look.sizeMode == 0) {
        sink_.invalidate(kRenderAreaRepaint);
    } else {
        sink_.post(NotifyWindow::Render, NOTIFY_LIVE_PICTURE, 0);
    }
}

void LiveView::viewChanged() {
    if (!applies()) return;
    coarseDue_ = true;
    fullDue_ = true;
}

void LiveView::forget() {
    coarseDue_ = false;
    fullDue_ = false;
    session_.livePicture.replace(nullptr);
}

int32_t LiveView::renderCoarseNow() {
    if (!applies() || !coarseDue_) return 0;
    const auto start = std::chrono::steady_clock::now();
    renderCoarse();
    const auto spent = std::chrono::steady_clock::now() - start;
    return static_cast<int32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(spent).count());
}

void LiveView::renderDue() {
    if (!applies()) {
        forget();
        return;
    }
    if (coarseDue_ && !newerWaiting_() && !renderCoarse()) return;
    if (fullDue_ && !newerWaiting_()) renderFull();
}

imgctl::DibPtr LiveView::renderView(const RenderSettings& settings) {
    // The workers read copies, so the window thread may change the session meanwhile.
    const ModelRecord& model = *session_.model;
    const std::vector<Vertex> vertices(session_.viewVertices.begin(),
                                       session_.viewVertices.begin() + model.vertexCount);
    const std::vector<Facet> facets(model.facets, model.facets + model.facetCount);
    RenderScene scene;
    scene.vertices = vertices.data();
    scene.vertexCount = model.vertexCount;
    scene.facets = facets.data();
    scene.facetCount = model.facetCount;
    scene.lightDirection = session_.orientation.lightDirection;
    LiveObserver observer(newerWaiting_);
    RenderResult result = runner_(settings, scene, observer, execution_);
    if (result.status != RenderStatus::Completed) return nullptr;
    return std::move(result.picture);
}

bool LiveView::renderCoarse() {
    const RenderSettings full = renderSettingsOf(session_);
    imgctl::DibPtr coarse = renderView(coarseSettingsOf(full));
    const imgctl::DibData* data = coarse ? imgctl::DataDIB(coarse.get()) : nullptr;
    // Switched off meanwhile: show nothing.
    if (data == nullptr || !enabled_) return false;
    imgctl::DibPtr shown = enlargeCoarse(*data, full.width, coarseOffset(full));
    if (!shown) return false;
    coarseDue_ = false;
    session_.livePicture.replace(std::move(shown));
    ++coarseShown_;
    showLivePicture();
    return true;
}

bool LiveView::renderFull() {
    const uint64_t scene = sceneFingerprint(session_);
    imgctl::DibPtr picture = renderView(renderSettingsOf(session_));
    if (!picture || !enabled_) return false;
    fullDue_ = false;
    // Complete: it becomes the picture screen shots save, and the live picture steps aside.
    session_.renderPicture.replaceRendered(std::move(picture), scene);
    session_.livePicture.replace(nullptr);
    ++fullShown_;
    showLivePicture();
    return true;
}

}  // namespace tavrine
