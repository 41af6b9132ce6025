#include "app/engine/window_protocol.h"

namespace tavrine {

WindowProtocol::WindowProtocol(ThreadQueue& engineQueue, ManualResetEvent& idleEvent,
                               AbortConfirmation& confirmation)
    : engineQueue_(engineQueue), idleEvent_(idleEvent), confirmation_(confirmation) {}

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

bool WindowProtocol::requestRender() {
    if (!readyForAction(kAbortText)) return false;
    idleEvent_.reset();
    renderBusy_ = true;
    post(EngineCommand::Render);
    return true;
}

void WindowProtocol::post(EngineCommand command, int64_t lParam) {
    engineQueue_.post(MSG_ENGINE_COMMAND, static_cast<int64_t>(command), lParam);
}

void WindowProtocol::postRestoredPosition() {
    idleEvent_.reset();
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
    idleEvent_.waitFor(wait);
    return true;
}

PressResult WindowProtocol::mousePressed(int32_t x, int32_t y) {
    if (strictlyInside(kRenderArea, x, y)) return PressResult::RenderArea;
    const bool inPreview = strictlyInside(kPreviewBox, x, y);
    const bool inIndicator = strictlyInside(kIndicatorBox, x, y);
    if (!inPreview && !inIndicator) return PressResult::Elsewhere;
    // Presses while the engine holds a render, drag or restore are ignored.
    if (!idleEvent_.isSet()) return PressResult::Ignored;
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
    if (dragMode_ == 0 || !idleEvent_.isSet()) return false;
    idleEvent_.reset();
    post(dragMode_ == 1 ? EngineCommand::DragView : EngineCommand::DragLight, packPoint(x, y));
    return true;
}

}  // namespace tavrine
