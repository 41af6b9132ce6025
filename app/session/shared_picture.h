#pragma once
// The render picture as the engine and the window thread share it: the engine stores finished
// rows and the finished picture, the window thread paints and saves from it.

#include <cstdint>
#include <mutex>

#include "imgctl/imgctl.h"

namespace tavrine {

// What the render picture shows against the scene last noted: no rendering yet (a blank
// picture, or none), a finished rendering of that scene, or anything else (an older scene, an
// unfinished or aborted rendering).
enum class PictureShows { Nothing, CurrentScene, OtherScene };

// A 24-bit picture behind a lock. Every member may be called from any thread; each holds the lock
// only for a copy.
class SharedPicture {
  public:
    SharedPicture() = default;
    SharedPicture(const SharedPicture&) = delete;
    SharedPicture& operator=(const SharedPicture&) = delete;
    // Takes the other's picture (under its lock); for moving a whole session before threads use
    // it.
    SharedPicture(SharedPicture&& other) noexcept;
    SharedPicture& operator=(SharedPicture&& other) noexcept;

    // Replaces the picture (null leaves none); it shows no rendering yet.
    void replace(imgctl::DibPtr picture);

    // Replaces the picture by a rendering of the scene with fingerprint |scene|, which becomes
    // the scene noted; 0 stands for a rendering that did not finish.
    void replaceRendered(imgctl::DibPtr picture, uint64_t scene);

    // Notes the fingerprint of the scene the session now holds.
    void noteScene(uint64_t scene);

    // Returns what the picture shows against the scene last noted.
    PictureShows shows() const;

    // Copies image row |row| (0 at the top) of |source| into the held picture, first replacing a
    // missing or differently sized picture by a black one of the source's size; returns false
    // when the row is outside the picture or memory is refused. The picture then shows an
    // unfinished rendering.
    bool copyRow(const imgctl::DibData& source, int32_t row);

    // Returns an independent copy of the picture, or null when there is none (or memory is
    // refused).
    imgctl::DibPtr copy() const;

    // Calls |visit| with the picture's record (null when there is none) while holding the lock;
    // |visit| must only read and must not wait for other threads.
    template <typename Visit>
    void read(Visit&& visit) const {
        std::lock_guard<std::mutex> lock(mutex_);
        visit(picture_ ? imgctl::DataDIB(picture_.get()) : nullptr);
    }

  private:
    mutable std::mutex mutex_;
    imgctl::DibPtr picture_;
    bool rendered_ = false;      // the picture holds rows of a rendering
    uint64_t pictureScene_ = 0;  // the scene of a finished rendering, else 0
    uint64_t notedScene_ = 0;
};

}  // namespace tavrine
