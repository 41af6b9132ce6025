#include "app/output/position_info.h"

#include <cmath>
#include <vector>

#include "app/settings/stone_table.h"
#include "util/binary_record.h"

namespace tavrine {

namespace {

// Model indexes of the transformable models, which carry their parameters in the tail.
constexpr int32_t kEllipsoid = 23;
constexpr int32_t kPrism = 24;
constexpr int32_t kPyramid = 25;
constexpr int32_t kHedron14 = 26;
constexpr int32_t kHedron26 = 27;

// Bytes after the backdrop colour, written as zero and ignored when read.
constexpr size_t kBackdropReservedBytes = 18;

// Largest record: the base and the ellipsoid's four parameters.
constexpr size_t kLargestRecord = kPositionInfoBaseSize + 16;

void writeOrientation(RecordWriter& out, const Orientation& orientation) {
    out.int32(orientation.order);
    for (double cosine : orientation.cosines) {
        out.float64(cosine);
    }
    for (double sine : orientation.sines) {
        out.float64(sine);
    }
}

void readOrientation(RecordReader& in, Orientation& orientation) {
    in.int32(orientation.order);
    for (double& cosine : orientation.cosines) {
        in.float64(cosine);
    }
    for (double& sine : orientation.sines) {
        in.float64(sine);
    }
}

void writeAngles(RecordWriter& out, const TurntableAngles& angles) {
    out.float64(angles.elevation);
    out.float64(angles.azimuth);
    out.float64(angles.third);
}

void readAngles(RecordReader& in, TurntableAngles& angles) {
    in.float64(angles.elevation);
    in.float64(angles.azimuth);
    in.float64(angles.third);
}

std::vector<uint8_t> encodePositionInfo(const PositionInfo& info) {
    RecordWriter out;
    out.int32(info.frameCount);
    out.int32(info.framesDone);
    out.int32(info.stoneIndex);
    out.int32(info.modelIndex);
    out.int32(info.colourIndex);
    out.float64(info.refractiveIndex);
    writeOrientation(out, info.savedPosition.orientation);
    writeOrientation(out, info.stonePose);
    writeAngles(out, info.lightAngles);
    writeAngles(out, info.savedPosition.turntableAngles);
    out.int32(info.turnStone);
    out.int32(info.turntableView);
    out.int32(info.highQuality);
    out.int32(info.checkMode);
    out.int32(info.renderFire);
    for (int16_t channel : info.backdrop) {
        out.int16(channel);
    }
    out.zeros(kBackdropReservedBytes);
    out.int32(info.mainLight);
    out.int32(info.backLight);
    out.int32(info.fillLight);
    out.int32(info.narrowHighlight);
    out.int32(info.sizeMode);
    out.int32(info.imageWidth);
    out.int32(info.trimming.top);
    out.int32(info.trimming.bottom);
    out.int32(info.trimming.left);
    out.int32(info.trimming.right);
    out.int32(info.trimmingActive);
    out.int32(info.trimmingCheckBox);
    const TransformableParams& t = info.transformable;
    switch (info.modelIndex) {
    case kEllipsoid:
        out.int32(t.ellipsoidCompressionRatio);
        out.int32(t.ellipsoidDiameterRatio);
        out.int32(t.ellipsoidSurfaces);
        out.int32(t.ellipsoidRows);
        break;
    case kPrism:
        out.int32(t.prismSides);
        out.int32(t.prismHeightRatio);
        break;
    case kPyramid:
        out.int32(t.pyramidSides);
        out.int32(t.pyramidHeightRatio);
        break;
    case kHedron14:
        out.int32(t.hedron14Keep);
        break;
    case kHedron26:
        out.int32(t.hedron26Keep);
        break;
    default:
        break;
    }
    return out.bytes();
}

void decodePositionInfo(const std::vector<uint8_t>& bytes, PositionInfo& info, bool countsOnly) {
    RecordReader in(bytes.data(), bytes.size());
    in.int32(info.frameCount);
    in.int32(info.framesDone);
    if (countsOnly) {
        return;
    }
    in.int32(info.stoneIndex);
    in.int32(info.modelIndex);
    in.int32(info.colourIndex);
    in.float64(info.refractiveIndex);
    readOrientation(in, info.savedPosition.orientation);
    readOrientation(in, info.stonePose);
    readAngles(in, info.lightAngles);
    readAngles(in, info.savedPosition.turntableAngles);
    in.int32(info.turnStone);
    in.int32(info.turntableView);
    in.int32(info.highQuality);
    in.int32(info.checkMode);
    in.int32(info.renderFire);
    for (int16_t& channel : info.backdrop) {
        in.int16(channel);
    }
    in.skip(kBackdropReservedBytes);
    in.int32(info.mainLight);
    in.int32(info.backLight);
    in.int32(info.fillLight);
    in.int32(info.narrowHighlight);
    in.int32(info.sizeMode);
    in.int32(info.imageWidth);
    in.int32(info.trimming.top);
    in.int32(info.trimming.bottom);
    in.int32(info.trimming.left);
    in.int32(info.trimming.right);
    in.int32(info.trimmingActive);
    in.int32(info.trimmingCheckBox);
    TransformableParams& t = info.transformable;
    switch (info.modelIndex) {
    case kEllipsoid:
        in.int32(t.ellipsoidCompressionRatio);
        in.int32(t.ellipsoidDiameterRatio);
        in.int32(t.ellipsoidSurfaces);
        in.int32(t.ellipsoidRows);
        break;
    case kPrism:
        in.int32(t.prismSides);
        in.int32(t.prismHeightRatio);
        break;
    case kPyramid:
        in.int32(t.pyramidSides);
        in.int32(t.pyramidHeightRatio);
        break;
    case kHedron14:
        in.int32(t.hedron14Keep);
        break;
    case kHedron26:
        in.int32(t.hedron26Keep);
        break;
    default:
        break;
    }
}

// Collects the first range problem of a record, in the order of its fields.
class RangeCheck {
  public:
    void integer(const char* field, int32_t value, int32_t low, int32_t high) {
        if (problem_.empty() && (value < low || value > high)) {
            problem_ = std::string(field) + " " + std::to_string(value) + " is out of range " +
                       std::to_string(low) + " to " + std::to_string(high) + ".";
        }
    }
    void finite(const char* field, double value) {
        if (problem_.empty() && !std::isfinite(value)) {
            problem_ = std::string(field) + " is not a finite number.";
        }
    }
    void orientation(const char* field, const Orientation& orientation) {
        integer(field, orientation.order, 0, 1);
        for (int i = 0; i < 3; ++i) {
            finite(field, orientation.cosines[i]);
            finite(field, orientation.sines[i]);
        }
    }
    void angles(const char* field, const TurntableAngles& angles) {
        finite(field, angles.elevation);
        finite(field, angles.azimuth);
        finite(field, angles.third);
    }
    void fail(const std::string& problem) {
        if (problem_.empty()) {
            problem_ = problem;
        }
    }
    const std::string& problem() const { return problem_; }

  private:
    std::string problem_;
};

void checkCounts(RangeCheck& check, const PositionInfo& info) {
    check.integer("Frame count", info.frameCount, 1, kMaxFrameCount);
    check.integer("Frames done", info.framesDone, 0, info.frameCount);
}

}  // namespace

int positionInfoSize(int32_t modelIndex) {
    switch (modelIndex) {
    case kEllipsoid:
        return kPositionInfoBaseSize + 16;
    case kPrism:
    case kPyramid:
        return kPositionInfoBaseSize + 8;
    case kHedron14:
    case kHedron26:
        return kPositionInfoBaseSize + 4;
    default:
        return kPositionInfoBaseSize;
    }
}

void copySettingsToPositionInfo(const Settings& settings, PositionInfo& info) {
    info.frameCount = settings.frameCount;
    info.stoneIndex = settings.stoneIndex;
    info.modelIndex = settings.modelIndex;
    info.colourIndex = settings.colourIndex;
    info.refractiveIndex = settings.refractiveIndex;
    info.turnStone = settings.turnStone;
    info.turntableView = settings.turntableView;
    info.highQuality = settings.highQuality;
    info.renderFire = settings.renderFire;
    for (int i = 0; i < 3; ++i) {
        info.backdrop[i] = settings.backdrop[i];
    }
    info.mainLight = settings.mainLight;
    info.backLight = settings.backLight;
    info.fillLight = settings.fillLight;
    info.narrowHighlight = settings.narrowHighlight;
    info.sizeMode = settings.sizeMode;
    info.imageWidth = settings.imageWidth;
    info.trimming = settings.trimming;
    info.trimmingActive = settings.trimmingActive;
    info.trimmingCheckBox = settings.trimmingCheckBox;
    info.transformable = settings.transformable;
}

void copyPositionInfoToSettings(const PositionInfo& info, Settings& settings) {
    settings.frameCount = info.frameCount;
    settings.stoneIndex = info.stoneIndex;
    settings.modelIndex = info.modelIndex;
    settings.colourIndex = info.colourIndex;
    settings.refractiveIndex = info.refractiveIndex;
    settings.turnStone = info.turnStone;
    settings.turntableView = info.turntableView;
    settings.highQuality = info.highQuality;
    settings.renderFire = info.renderFire;
    for (int i = 0; i < 3; ++i) {
        settings.backdrop[i] = info.backdrop[i];
    }
    settings.mainLight = info.mainLight;
    settings.backLight = info.backLight;
    settings.fillLight = info.fillLight;
    settings.narrowHighlight = info.narrowHighlight;
    settings.sizeMode = info.sizeMode;
    settings.imageWidth = info.imageWidth;
    settings.trimming = info.trimming;
    settings.trimmingActive = info.trimmingActive;
    settings.trimmingCheckBox = info.trimmingCheckBox;
    settings.transformable = info.transformable;
}

std::string positionInfoProblem(const PositionInfo& info) {
    RangeCheck check;
    checkCounts(check, info);
    check.integer("Stone index", info.stoneIndex, 0, kStoneCount - 1);
    check.integer("Model index", info.modelIndex, 0, kModelCount - 1);
    if (info.modelIndex == kSeparatorModelIndex) {
        check.fail("Model index 22 is the separator of the model list.");
    }
    check.integer("Colour index", info.colourIndex, 0, kColourCount - 1);
    if (!(info.refractiveIndex >= 1.0 && info.refractiveIndex <= 3.0)) {
        check.fail("Refractive index is out of range 1.00 to 3.00.");
    }
    check.orientation("View orientation", info.savedPosition.orientation);
    check.orientation("Stone orientation", info.stonePose);
    check.angles("Light angle", info.lightAngles);
    check.angles("View turntable angle", info.savedPosition.turntableAngles);
    check.integer("\"SY\" switch", info.turnStone, 0, 1);
    check.integer("\"GM\" switch", info.turntableView, 0, 1);
    if (info.turnStone == 1 && info.turntableView == 1) {
        check.fail("The \"SY\" and \"GM\" switches are both on.");
    }
    check.integer("\"HQ\" switch", info.highQuality, 0, 1);
    check.integer("Check mode", info.checkMode, 0, 1);
    check.integer("Fire switch", info.renderFire, 0, 1);
    for (int16_t channel : info.backdrop) {
        check.integer("Backdrop colour", channel, 0, 255);
    }
    check.integer("Main light volume", info.mainLight, 0, 200);
    check.integer("Back light volume", info.backLight, 0, 200);
    check.integer("Fill light volume", info.fillLight, 0, 200);
    check.integer("Narrow highlight switch", info.narrowHighlight, 0, 1);
    check.integer("Size mode", info.sizeMode, 0, 1);
    check.integer("Image width", info.imageWidth, kMinImageWidth, kMaxImageWidth);
    const Trimming& trim = info.trimming;
    for (int32_t side : {trim.top, trim.bottom, trim.left, trim.right}) {
        check.integer("Trimming", side, 0, kMaxImageWidth);
    }
    if (check.problem().empty()) {
        const int32_t limit = info.sizeMode == 1 ? info.imageWidth : kFixedModeImageWidth;
        if (trim.top + trim.bottom >= limit || trim.left + trim.right >= limit) {
            check.fail("Trimming leaves no picture.");
        }
    }
    check.integer("Trimming switch", info.trimmingActive, 0, 1);
    check.integer("Trimming check box", info.trimmingCheckBox, 0, 1);
    const TransformableParams& t = info.transformable;
    switch (info.modelIndex) {
    case kEllipsoid:
        check.integer("Ellipsoid compression ratio", t.ellipsoidCompressionRatio, 5, 100);
        check.integer("Ellipsoid diameter ratio", t.ellipsoidDiameterRatio, 5, 100);
        check.integer("Ellipsoid surfaces", t.ellipsoidSurfaces, 3, 24);
        check.integer("Ellipsoid rows", t.ellipsoidRows, 2, 16);
        break;
    case kPrism:
        check.integer("Prism sides", t.prismSides, 3, 16);
        check.integer("Prism height ratio", t.prismHeightRatio, 5, 95);
        break;
    case kPyramid:
        check.integer("Pyramid sides", t.pyramidSides, 3, 16);
        check.integer("Pyramid height ratio", t.pyramidHeightRatio, 5, 95);
        break;
    case kHedron14:
        check.integer("14 hedron parameter", t.hedron14Keep, 5, 95);
        break;
    case kHedron26:
        check.integer("26 hedron parameter", t.hedron26Keep, 5, 95);
        break;
    default:
        break;
    }
    return check.problem();
}

bool writePositionInfo(const std::string& path, const PositionInfo& info, std::string* error,
                       std::string* reason) {
    return writeFileAtomically(path, encodePositionInfo(info), error, reason);
}

bool readPositionInfo(const std::string& path, PositionInfo& info, bool countsOnly,
                      std::string* error) {
    std::vector<uint8_t> bytes;
    if (!readFileHead(path, kLargestRecord, bytes)) {
        if (error != nullptr) {
            *error = kFailedToOpenFile;
        }
        return false;
    }
    PositionInfo candidate = info;
    decodePositionInfo(bytes, candidate, countsOnly);
    std::string problem;
    if (countsOnly) {
        RangeCheck check;
        checkCounts(check, candidate);
        problem = check.problem();
    } else {
        problem = positionInfoProblem(candidate);
    }
    if (!problem.empty()) {
        if (error != nullptr) {
            *error = problem;
        }
        return false;
    }
    info = candidate;
    return true;
}

}  // namespace tavrine
