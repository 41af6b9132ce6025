#pragma once
// The look of a picture, which the settings file and the Position-Info record hold alike: the
// switches, the backdrop, the lights, the picture size, the trimming and the transformable-model
// parameters.

#include <cstdint>

#include "app/model/model_record.h"

namespace tavrine {

// Pixels a saved screen shot cuts off each side of the picture.
struct Trimming {
    int32_t top = 0;
    int32_t bottom = 0;
    int32_t left = 0;
    int32_t right = 0;
};

// The look of a picture, with the defaults of a fresh start.
struct PictureLook {
    int32_t turnStone = 0;              // "SY" switch, 0/1, never 1 together with turntableView
    int32_t turntableView = 0;          // "GM" switch, 0/1
    int32_t highQuality = 0;            // "HQ" switch, 0/1
    int32_t renderFire = 1;             // "Fire" dispersion rendering, 0/1
    int16_t backdrop[3] = {0, 0, 0};    // backdrop red, green, blue, 0 to 255
    int32_t mainLight = 100;            // percent, 0 to 200
    int32_t backLight = 100;            // percent, 0 to 200
    int32_t fillLight = 100;            // percent, 0 to 200
    int32_t narrowHighlight = 0;        // narrow main light, 0/1
    int32_t sizeMode = 0;               // 1 = separate render window, 0 = fixed size
    int32_t imageWidth = 270;           // separate window's picture width (= height), 32 to 512
    Trimming trimming;                  // each 0 to 512, leaving a picture
    int32_t trimmingActive = 0;         // 1 when any trimming value is not 0
    int32_t trimmingCheckBox = 0;       // "Trimming ( Value In Pixels )" check box, 0/1
    TransformableParams transformable;  // the ten transformable-model parameters
};

}  // namespace tavrine
