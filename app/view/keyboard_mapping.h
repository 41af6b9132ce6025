#pragma once
// The keyboard's turn keys as pure functions: held keys to key bits and turn button ids, the
// change detection of the keyboard poll, and turn button ids to turn flags.

#include <cstdint>

#include "app/view/orientation.h"

namespace tavrine {

// Ids of the on-screen turn buttons that the keys stand in for.
inline constexpr int32_t kTurnViewRightId = 1006;
inline constexpr int32_t kTurnViewLeftId = 1007;
inline constexpr int32_t kTurnViewUpId = 1008;
inline constexpr int32_t kTurnViewDownId = 1009;
inline constexpr int32_t kTurnViewXId = 1010;
inline constexpr int32_t kTurnViewZId = 1011;
inline constexpr int32_t kTurnLightRightId = 1012;
inline constexpr int32_t kTurnLightLeftId = 1013;
inline constexpr int32_t kTurnLightUpId = 1014;
inline constexpr int32_t kTurnLightDownId = 1015;
// Ids sent while "D" is held (they turn like 1006 to 1009) and while "T" is held (no turn).
inline constexpr int32_t kTurnDRightId = 1105;
inline constexpr int32_t kTurnDLeftId = 1115;
inline constexpr int32_t kTurnDUpId = 1125;
inline constexpr int32_t kTurnDDownId = 1135;
inline constexpr int32_t kTurnTId = 1205;

// The keys the keyboard poll reads: the four arrows, the letters Z, X, L, D, T, and Shift.
struct HeldKeys {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
    bool z = false;
    bool x = false;
    bool l = false;
    bool d = false;
    bool t = false;
    bool shift = false;
};

// Returns the key bits of the six turn keys: Left 1, Right 2, Up 4, Down 8, X 16, Z 32.
int32_t keyBits(const HeldKeys& keys);

// Returns whether the arrows turn the light ray (L or Shift held).
bool lightModifier(const HeldKeys& keys);

// Returns the turn button id of the held keys: the first modifier that applies (light, D, T,
// none) picks the id row, and the keys are tested in the order Right, Left, Up, Down, X, Z with
// a later match overwriting an earlier one; 0 when no key gives an id.
int32_t turnButtonId(const HeldKeys& keys);

// Returns the turn flags of a turn button id; unknown ids, 0 and 1205 give no flags.
TurnFlags turnFlagsForId(int32_t turnButtonId);

// What one keyboard poll asks to post to the engine, in this order: MSG_STOP_TURNING, then
// TurnWhileHeld with the id.
struct KeyboardActions {
    bool postStopTurning = false;
    bool postTurnWhileHeld = false;
    int32_t turnButtonId = 0;
};

// The change detection of the keyboard poll: only a change of the six turn keys stops a running
// turn and starts the next one; the modifiers alone change nothing.
class KeyboardTurnTracker {
  public:
    // Returns what to post for the keys held at this poll and remembers their key bits when
    // they changed.
    KeyboardActions poll(const HeldKeys& keys);

    // Returns the key bits of the last change (0 at the start).
    int32_t previousBits() const { return previousBits_; }

  private:
    int32_t previousBits_ = 0;
};

}  // namespace tavrine
