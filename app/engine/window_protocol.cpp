#include "app/engine/window_protocol.h"

namespace tavrine {

WindowProtocol::WindowProtocol(EnginePort& engine, AbortConfirmation& confirmation)
    : engine_(engine), confirmation_(confirmation) {}

bool WindowProtocol::confirmAbort(const char* text) {
    const bool yes = confirmation_.askAbort(text);
    if (yes) post(EngineCommand::Abort);
    return yes;
}

bool WindowProtocol::readyForAction(const char* text) {
    if (!renderBusy_) return true;
    confirmAbort(text);
    return false;
}

bool WindowProtocol::requestRender(const std::function<bool()>& ready) {
    if (!readyForAction(kAbortText)) return false;
    if (ready && !ready()) return false;
    engine_.resetIdle();
    renderBusy_ = true;
    post(EngineCommand::Render);
    return true;
}

void WindowProtocol::post(EngineCommand command, int64_t lParam) { engine_.post(command, lParam); }

void WindowProtocol::postRestoredPosition() {
    engine_.resetIdle();
    post(EngineCommand::ApplyRestoredPosition);
}

void WindowProtocol::notified(int32_t code, int64_t lParam) {
    (void)lParam;
    if (code == NOTIFY_RENDER_ENDED) renderBusy_ = false;
}

bool WindowProtocol::requestClose(std::chrono::milliseconds wait) {
    if (!renderBusy_) return true;
    if (!confirmAbort(kAbortToExitText)) return false;
    // The job may never poll again: close after the wait whether or not it ended.
    engine_.waitIdle(static_cast<int>(wait.count()));
    return true;
}

PressResult WindowProtocol::mousePressed(int32_t x, int32_t y) {
    if (strictlyInside(kRenderArea, x, y)) return PressResult::RenderArea;
    const bool inPreview = strictlyInside(kPreviewBox, x, y);
    const bool inIndicator = strictlyInside(kIndicatorBox, x, y);
    // Taking the focus needs nothing of the engine: it happens while the engine is busy too.
    if (!inPreview && !inIndicator) return PressResult::Elsewhere;
    // Presses in the boxes while the engine holds a render, drag or restore are ignored.
    if (!engine_.isIdle()) return PressResult::Ignored;
    if (inPreview) {
        dragMode_ = 1;
        post(EngineCommand::BeginViewDrag, packPoint(x, y));
        return PressResult::ViewDrag;
    }
    dragMode_ = 2;
    post(EngineCommand::BeginLightDrag, packPoint(x, y));
    return PressResult::LightDrag;
}

bool WindowProtocol::mouseMoved(int32_t x, int32_t y) {
    if (dragMode_ == 0 || !engine_.isIdle()) return false;
    engine_.resetIdle();
    post(dragMode_ == 1 ? EngineCommand::DragView : EngineCommand::DragLight, packPoint(x, y));
    return true;
}

}  // namespace tavrine
