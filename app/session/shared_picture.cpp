#include "app/session/shared_picture.h"

#include <cstring>
#include <utility>

namespace tavrine {

SharedPicture::SharedPicture(SharedPicture&& other) noexcept {
    std::lock_guard<std::mutex> lock(other.mutex_);
    picture_ = std::move(other.picture_);
    rendered_ = other.rendered_;
    pictureScene_ = other.pictureScene_;
    notedScene_ = other.notedScene_;
}

SharedPicture& SharedPicture::operator=(SharedPicture&& other) noexcept {
    if (this != &other) {
        std::scoped_lock lock(mutex_, other.mutex_);
        picture_ = std::move(other.picture_);
        rendered_ = other.rendered_;
        pictureScene_ = other.pictureScene_;
        notedScene_ = other.notedScene_;
    }
    return *this;
}

void SharedPicture::replace(imgctl::DibPtr picture) {
    imgctl::DibPtr old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(picture_);
        picture_ = std::move(picture);
        rendered_ = false;
        pictureScene_ = 0;
    }
    // The old picture is released outside the lock.
}

void SharedPicture::replaceRendered(imgctl::DibPtr picture, uint64_t scene) {
    imgctl::DibPtr old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(picture_);
        picture_ = std::move(picture);
        rendered_ = picture_ != nullptr;
        pictureScene_ = scene;
        if (scene != 0) notedScene_ = scene;
    }
}

void SharedPicture::noteScene(uint64_t scene) {
    std::lock_guard<std::mutex> lock(mutex_);
    notedScene_ = scene;
}

PictureShows SharedPicture::shows() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!picture_ || !rendered_) return PictureShows::Nothing;
    return pictureScene_ != 0 && pictureScene_ == notedScene_ ? PictureShows::CurrentScene
                                                              : PictureShows::OtherScene;
}

bool SharedPicture::copyRow(const imgctl::DibData& source, int32_t row) {
    if (source.bitCount != 24 || row < 0 || row >= source.height) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    const imgctl::DibData* held = picture_ ? imgctl::DataDIB(picture_.get()) : nullptr;
    if (held == nullptr || held->bitCount != 24 || held->width != source.width ||
        held->height != source.height) {
        imgctl::BitmapInfoHeader header;
        header.width = source.width;
        header.height = -source.height;
        imgctl::DibPtr fresh(imgctl::CreateDIB(header));
        if (!fresh) return false;
        picture_ = std::move(fresh);
        held = imgctl::DataDIB(picture_.get());
    }
    rendered_ = true;
    pictureScene_ = 0;
    // Stored rows run bottom-up.
    const size_t stored = static_cast<size_t>(source.height - 1 - row);
    std::memcpy(held->rows + stored * static_cast<size_t>(held->stride),
                source.rows + stored * static_cast<size_t>(source.stride),
                static_cast<size_t>(source.width) * 3);
    return true;
}

imgctl::DibPtr SharedPicture::copy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!picture_) return nullptr;
    return imgctl::DibPtr(imgctl::CopyDIB(picture_.get()));
}

}  // namespace tavrine
