#pragma once
// The record of held keys that the window fills from key events and the keyboard thread reads
// every 100 ms.

#include <cstdint>
#include <mutex>

#include "app/view/keyboard_mapping.h"

namespace tavrine {

// The keys the keyboard thread looks at.
enum class TurnKey : int32_t { Left, Right, Up, Down, Z, X, L, D, T, Shift };

// Which keys are held now. Every member may be called from any thread; the window thread writes
// (press and release, auto-repeat ignored), the keyboard thread reads.
class HeldKeysRecord {
  public:
    // Records the key as held or released.
    void setHeld(TurnKey key, bool held);

    // Releases every key (the window lost the focus).
    void releaseAll();

    // Returns a consistent copy of the held keys.
    HeldKeys snapshot() const;

  private:
    mutable std::mutex mutex_;
    HeldKeys keys_;
};

}  // namespace tavrine
