#pragma once
// The runs of fields that the settings file and the Position-Info record hold alike, each listed
// once for writing and reading both. A visitor calls io.int16 or io.int32 on every field in file
// order; io is a RecordWriter over a const record, or a RecordReader over a record to fill.

#include <cstdint>

#include "app/model/model_record.h"
#include "app/settings/value_ranges.h"

namespace tavrine {

// Visits the backdrop's red, green and blue channels of record as 16-bit integers.
template <typename Io, typename Record>
void backdropFields(Io& io, Record& record) {
    for (auto& channel : record.backdrop) {
        io.int16(channel);
    }
}

// Visits the lights and the picture size of record as 32-bit integers: main, back and fill light,
// narrow highlight, size mode, image width, the trimming's top, bottom, left and right, trimming
// in force, and the trimming check box.
template <typename Io, typename Record>
void lightAndSizeFields(Io& io, Record& record) {
    io.int32(record.mainLight);
    io.int32(record.backLight);
    io.int32(record.fillLight);
    io.int32(record.narrowHighlight);
    io.int32(record.sizeMode);
    io.int32(record.imageWidth);
    io.int32(record.trimming.top);
    io.int32(record.trimming.bottom);
    io.int32(record.trimming.left);
    io.int32(record.trimming.right);
    io.int32(record.trimmingActive);
    io.int32(record.trimmingCheckBox);
}

// Visits the parameters of the transformable model modelIndex as 32-bit integers: four for the
// Ellipsoid, two each for the Prism and the Pyramid, one for each hedron, none for other models.
template <typename Io, typename Params>
void transformableFields(Io& io, Params& params, int32_t modelIndex) {
    switch (modelIndex) {
    case models::kEllipsoid:
        io.int32(params.ellipsoidCompressionRatio);
        io.int32(params.ellipsoidDiameterRatio);
        io.int32(params.ellipsoidSurfaces);
        io.int32(params.ellipsoidRows);
        break;
    case models::kPrism:
        io.int32(params.prismSides);
        io.int32(params.prismHeightRatio);
        break;
    case models::kPyramid:
        io.int32(params.pyramidSides);
        io.int32(params.pyramidHeightRatio);
        break;
    case models::kHedron14:
        io.int32(params.hedron14Keep);
        break;
    case models::kHedron26:
        io.int32(params.hedron26Keep);
        break;
    default:
        break;
    }
}

// Visits the parameters of every transformable model as transformableFields does, the
// Ellipsoid's first and the 26-hedron's last.
template <typename Io, typename Params>
void allTransformableFields(Io& io, Params& params) {
    for (int32_t model : {models::kEllipsoid, models::kPrism, models::kPyramid, models::kHedron14,
                          models::kHedron26}) {
        transformableFields(io, params, model);
    }
}

}  // namespace tavrine
