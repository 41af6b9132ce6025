// The seven picture formats of the save dialog.

#include "app/render/picture_formats.h"

#include "util/path_text.h"

namespace tavrine {

using imgctl::DibPtr;

int32_t pictureFormatByName(const std::string& name) {
    static const std::array<const char*, kPictureFormatCount> kNames = {
        "bmp24", "bmp16", "bmp8", "png24", "png16", "png8", "gif"};
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (name == kNames[i]) return static_cast<int32_t>(i) + 1;
    }
    return 0;
}

imgctl::DibHandle trimmedPicture(imgctl::DibHandle picture, const PictureTrimming& trimming) {
    if (picture == nullptr || trimming.top < 0 || trimming.bottom < 0 || trimming.left < 0 ||
        trimming.right < 0) {
        return nullptr;
    }
    imgctl::BitmapInfoHeader head;
    imgctl::HeadDIB(picture, head);
    const int64_t width = int64_t{head.width} - trimming.left - trimming.right;
    const int64_t height = int64_t{head.height} - trimming.top - trimming.bottom;
    if (width <= 0 || height <= 0) return nullptr;
    imgctl::BitmapInfoHeader make;
    make.width = static_cast<int32_t>(width);
    make.height = -static_cast<int32_t>(height);
    imgctl::DibHandle trimmed = imgctl::CreateDIB(make);
    imgctl::PasteDIB(trimmed, 0, 0, make.width, static_cast<int32_t>(height), picture,
                     trimming.left, trimming.top);
    return trimmed;
}

bool repairBackdrop(imgctl::DibHandle reduced, imgctl::ColorRef backdrop) {
    if (reduced == nullptr) return false;
    const imgctl::ColorRef corner = imgctl::PixelDIB(reduced, 0, 0);
    backdrop &= 0xFFFFFF;
    if (corner == backdrop) return false;
    const imgctl::ColorRef pair[2] = {corner, backdrop};
    imgctl::RepaintDIB(reduced, pair, 1);
    return true;
}

PictureSaveResult savePictureFile(imgctl::DibHandle picture, const PictureTrimming& trimming,
                                  int32_t filterIndex, imgctl::ColorRef backdrop,
                                  const std::string& path) {
    PictureSaveResult result;
    if (filterIndex < 1 || filterIndex > kPictureFormatCount) {
        result.message = util::cannotText("write", path, "picture format ") +
                         std::to_string(filterIndex) + " is not 1 to 7";
        return result;
    }
    if (picture == nullptr) {
        result.message = util::cannotText("write", path, "no picture");
        return result;
    }
    // The trimmed copy, or the render picture itself.
    DibPtr trimmed;
    imgctl::DibHandle source = picture;
    if (trimming.active()) {
        trimmed.reset(trimmedPicture(picture, trimming));
        if (trimmed == nullptr) {
            result.message = util::cannotText("write", path, "the trimming leaves no picture");
            return result;
        }
        source = trimmed.get();
    }
    const auto format = static_cast<PictureFormat>(filterIndex);
    // 24-bit formats write the source itself; the others convert a copy.
    // A copy or conversion refused for want of memory fails the save: never a 24-bit file
    // under the name of a 16-bit or 256-colour format.
    DibPtr copy;
    bool converted = true;
    switch (format) {
    case PictureFormat::Bmp16:
    case PictureFormat::Png16:
        copy.reset(imgctl::CopyDIB(source));
        converted = imgctl::DIBto16BitEx(copy.get());
        break;
    case PictureFormat::Bmp8:
    case PictureFormat::Png8:
    case PictureFormat::Gif8:
        copy.reset(imgctl::CopyDIB(source));
        converted = imgctl::DIBto8Bit(copy.get());
        if (converted) repairBackdrop(copy.get(), backdrop);
        break;
    default:
        break;
    }
    if (!converted) {
        result.message = util::cannotText("write", path, "out of memory for the ") +
                         kPictureFilterTexts[static_cast<size_t>(filterIndex - 1)] + " picture";
        return result;
    }
    imgctl::DibHandle output = copy != nullptr ? copy.get() : source;
    std::string error;
    switch (format) {
    case PictureFormat::Bmp24:
    case PictureFormat::Bmp16:
    case PictureFormat::Bmp8:
        result.ok = imgctl::DIBtoBMP(path, output, &error);
        break;
    case PictureFormat::Png24:
    case PictureFormat::Png16:
    case PictureFormat::Png8:
        result.ok = imgctl::DIBtoPNG(path, output, &error);
        break;
    case PictureFormat::Gif8:
        result.ok = imgctl::DIBtoGIF(path, output, &error);
        break;
    }
    result.message = result.ok ? "wrote " + path + " (" +
                                     kPictureFilterTexts[static_cast<size_t>(filterIndex - 1)] + ")"
                               : error;
    return result;
}

}  // namespace tavrine
