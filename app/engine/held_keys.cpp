#include "app/engine/held_keys.h"

namespace tavrine {

void HeldKeysRecord::setHeld(TurnKey key, bool held) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (key) {
    case TurnKey::Left:
        keys_.left = held;
        break;
    case TurnKey::Right:
        keys_.right = held;
        break;
    case TurnKey::Up:
        keys_.up = held;
        break;
    case TurnKey::Down:
        keys_.down = held;
        break;
    case TurnKey::Z:
        keys_.z = held;
        break;
    case TurnKey::X:
        keys_.x = held;
        break;
    case TurnKey::L:
        keys_.l = held;
        break;
    case TurnKey::D:
        keys_.d = held;
        break;
    case TurnKey::T:
        keys_.t = held;
        break;
    case TurnKey::Shift:
        keys_.shift = held;
        break;
    }
}

void HeldKeysRecord::releaseAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    keys_ = HeldKeys{};
}

HeldKeys HeldKeysRecord::snapshot() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_;
}

}  // namespace tavrine
