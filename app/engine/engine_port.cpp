#include "app/engine/engine_port.h"

#include <chrono>

namespace tavrine {

void QueueEnginePort::post(EngineCommand command, int64_t argument) {
    queue_.post(MSG_ENGINE_COMMAND, static_cast<int64_t>(command), argument);
}

bool QueueEnginePort::isIdle() { return idleEvent_.isSet(); }

void QueueEnginePort::resetIdle() { idleEvent_.reset(); }

bool QueueEnginePort::waitIdle(int timeoutMs) {
    return idleEvent_.waitFor(std::chrono::milliseconds(timeoutMs));
}

}  // namespace tavrine
