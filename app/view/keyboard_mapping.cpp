#include "app/view/keyboard_mapping.h"

namespace tavrine {

int32_t keyBits(const HeldKeys& keys) {
    return int32_t{keys.left} * 1 + int32_t{keys.right} * 2 + int32_t{keys.up} * 4 +
           int32_t{keys.down} * 8 + int32_t{keys.x} * 16 + int32_t{keys.z} * 32;
}

bool lightModifier(const HeldKeys& keys) { return keys.l || keys.shift; }

int32_t turnButtonId(const HeldKeys& keys) {
    // One id per key in the test order Right, Left, Up, Down, X, Z; 0 stands for a dash.
    const int32_t* row = nullptr;
    static const int32_t kLightRow[6] = {
        kTurnLightRightId, kTurnLightLeftId, kTurnLightUpId, kTurnLightDownId, 0, 0};
    static const int32_t kDRow[6] = {kTurnDRightId, kTurnDLeftId, kTurnDUpId, kTurnDDownId, 0, 0};
    static const int32_t kTRow[6] = {kTurnTId, kTurnTId, kTurnTId, kTurnTId, kTurnTId, kTurnTId};
    static const int32_t kViewRow[6] = {kTurnViewRightId, kTurnViewLeftId, kTurnViewUpId,
                                        kTurnViewDownId,  kTurnViewXId,    kTurnViewZId};
    if (lightModifier(keys)) {
        row = kLightRow;
    } else if (keys.d) {
        row = kDRow;
    } else if (keys.t) {
        row = kTRow;
    } else {
        row = kViewRow;
    }
    const bool held[6] = {keys.right, keys.left, keys.up, keys.down, keys.x, keys.z};
    int32_t id = 0;
    for (int i = 0; i < 6; ++i) {
        // A dash writes nothing: the id keeps what an earlier key gave it.
        if (held[i] && row[i] != 0) id = row[i];
    }
    return id;
}

TurnFlags turnFlagsForId(int32_t turnButtonId) {
    TurnFlags flags;
    switch (turnButtonId) {
    case kTurnViewRightId:
    case kTurnDRightId:
        flags.right = true;
        break;
    case kTurnViewLeftId:
    case kTurnDLeftId:
        flags.left = true;
        break;
    case kTurnViewUpId:
    case kTurnDUpId:
        flags.up = true;
        break;
    case kTurnViewDownId:
    case kTurnDDownId:
        flags.down = true;
        break;
    case kTurnViewXId:
        flags.x = true;
        break;
    case kTurnViewZId:
        flags.z = true;
        break;
    case kTurnLightRightId:
        flags.right = true;
        flags.light = true;
        break;
    case kTurnLightLeftId:
        flags.left = true;
        flags.light = true;
        break;
    case kTurnLightUpId:
        flags.up = true;
        flags.light = true;
        break;
    case kTurnLightDownId:
        flags.down = true;
        flags.light = true;
        break;
    default:
        break;
    }
    return flags;
}

KeyboardActions KeyboardTurnTracker::poll(const HeldKeys& keys) {
    KeyboardActions actions;
    const int32_t bits = keyBits(keys);
    if (bits == previousBits_) return actions;
    actions.postStopTurning = previousBits_ != 0;
    previousBits_ = bits;
    if (bits != 0) {
        actions.postTurnWhileHeld = true;
        actions.turnButtonId = turnButtonId(keys);
    }
    return actions;
}

}  // namespace tavrine
