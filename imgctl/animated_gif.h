#pragma once
// An animated GIF89a written one frame at a time, so that memory does not grow with the number
// of frames: each frame is handed over, encoded with its own palette and forgotten.

#include <cstdint>
#include <memory>
#include <string>

#include "imgctl/imgctl.h"

namespace tavrine::imgctl {

// The writer's encoder and temporary file, kept out of this header.
struct AnimatedGifState;

// Writes an animation that loops forever into a temporary file beside its target and renames it
// over the target only in finish(); any failure, discard() and destruction before finish()
// remove the temporary file, so the target is replaced whole or left as it was. Every frame has
// the size given to open(), a local palette and its own delay; frames that are not 8-bit are
// written from a quantised copy. Copy deleted; one thread at a time.
class AnimatedGifWriter {
  public:
    AnimatedGifWriter();
    AnimatedGifWriter(const AnimatedGifWriter&) = delete;
    AnimatedGifWriter& operator=(const AnimatedGifWriter&) = delete;
    // Removes the temporary file of an unfinished animation.
    ~AnimatedGifWriter();

    // Starts an animation of width x height pixels (1 to 32768 each) for path and writes its
    // header; returns false with error() set ("cannot write PATH: reason") when the size is out
    // of range, path is a folder or the file cannot be created beside it.
    bool open(const std::string& path, int32_t width, int32_t height);

    // Appends one frame shown for delay hundredths of a second; the picture stays the caller's.
    // Returns false with error() set, and the temporary file removed, for a missing picture, a
    // picture of another size than the animation's or a failed write.
    bool addFrame(DibHandle picture, uint16_t delay);

    // Ends the animation (at least one frame is needed), brings it to the disk and renames it
    // over the target; returns false with error() set, leaving the target as it was, on failure.
    bool finish();

    // Drops the unfinished animation and its temporary file; the target stays as it was.
    void discard() noexcept;

    // Returns the frames appended so far.
    int32_t frameCount() const;

    // Returns the reason of the last failure, naming the target path; empty before any.
    const std::string& error() const;

  private:
    std::unique_ptr<AnimatedGifState> state_;
};

}  // namespace tavrine::imgctl
