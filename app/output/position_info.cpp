#include "app/output/position_info.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "app/settings/record_fields.h"
#include "app/settings/stone_table.h"
#include "app/settings/value_ranges.h"
#include "util/binary_record.h"
#include "util/file_read.h"

namespace tavrine {

namespace {

// Model indexes of the transformable models, which carry their parameters in the tail.
constexpr int32_t kEllipsoid = models::kEllipsoid;
constexpr int32_t kPrism = models::kPrism;
constexpr int32_t kPyramid = models::kPyramid;
constexpr int32_t kHedron14 = models::kHedron14;
constexpr int32_t kHedron26 = models::kHedron26;

// How far a stored cosine and sine pair may stray from the unit circle. Orientations are
// rebuilt from unit vectors after every turn, so they stay within about 1e-15 of it.
constexpr double kUnitTolerance = 1e-6;

// The name of a record file of the kind, with its article.
const char* recordFileName(RecordFile kind) {
    return kind == RecordFile::Capture ? "a Capture-Info File" : "a Position-Info File";
}

// Bytes after the backdrop colour, written as zero and ignored when read.
constexpr size_t kBackdropReservedBytes = 18;

// The bytes of the frame settings' fields in the version this program writes, and the most a
// later version's fields may take.
constexpr int32_t kFrameSettingsFieldBytes = 12;
constexpr int32_t kMaxFrameSettingsFieldBytes = 1024;

// Largest record: the base, a design's path and the frame settings after it.
constexpr size_t kLargestRecord =
    kPositionInfoBaseSize + 4 + kMaxDesignPathBytes + 12 + kMaxFrameSettingsFieldBytes;

// An orientation: its axis order, then the three cosines and the three sines.
template <typename Io, typename O>
void orientationFields(Io& io, O& orientation) {
    io.int32(orientation.order);
    for (auto& cosine : orientation.cosines) {
        io.float64(cosine);
    }
    for (auto& sine : orientation.sines) {
        io.float64(sine);
    }
}

// Three turntable angles: elevation, azimuth and the third angle.
template <typename Io, typename A>
void angleFields(Io& io, A& angles) {
    io.float64(angles.elevation);
    io.float64(angles.azimuth);
    io.float64(angles.third);
}

// The tail of a design's record: the byte count of its path, then the path.
void designPathField(RecordWriter& out, const std::string& path) {
    out.int32(static_cast<int32_t>(path.size()));
    for (char c : path) {
        out.byte(static_cast<uint8_t>(c));
    }
}

// Reads a design's path; a count out of range or a cut path leaves the path as it was.
void designPathField(RecordReader& in, std::string& path) {
    int32_t count = 0;
    if (!in.int32(count) || count < 1 || count > kMaxDesignPathBytes) {
        return;
    }
    std::string read(static_cast<size_t>(count), '\0');
    for (char& c : read) {
        uint8_t byte = 0;
        if (!in.byte(byte)) {
            return;
        }
        c = static_cast<char>(byte);
    }
    path = read;
}

// The two counts of a capture, which a reader may take alone.
template <typename Io, typename Info>
void countFields(Io& io, Info& info) {
    io.int32(info.frameCount);
    io.int32(info.framesDone);
}

// Every field after the counts: the 272-byte record's, the model's tail and a design's path.
template <typename Io, typename Info>
void recordFields(Io& io, Info& info) {
    io.int32(info.stoneIndex);
    io.int32(info.modelIndex);
    io.int32(info.colourIndex);
    io.float64(info.refractiveIndex);
    orientationFields(io, info.savedPosition.orientation);
    orientationFields(io, info.stonePose);
    angleFields(io, info.lightAngles);
    angleFields(io, info.savedPosition.turntableAngles);
    io.int32(info.look.turnStone);
    io.int32(info.look.turntableView);
    io.int32(info.look.highQuality);
    io.int32(info.checkMode);
    io.int32(info.look.renderFire);
    backdropFields(io, info.look);
    io.reserved(kBackdropReservedBytes);
    lightAndSizeFields(io, info.look);
    // The tail follows the model index already visited (for a reader, the one just read).
    transformableFields(io, info.look.transformable, info.modelIndex);
    if (info.modelIndex == kDesignModelIndex) {
        designPathField(io, info.designPath);
    }
}

// The fields of the frame settings of the version this program writes.
template <typename Io, typename F>
void frameSettingsFields(Io& io, F& settings) {
    io.int32(settings.recursionDepth);
    io.int32(settings.lighting);
    io.int32(settings.headShadow);
}

// The frame settings of a capture: the tag, the version, the byte count of the fields, the fields.
void writeFrameSettings(RecordWriter& out, const FrameSettings& settings) {
    for (char c : kFrameSettingsTag) {
        out.byte(static_cast<uint8_t>(c));
    }
    out.int32(kFrameSettingsVersion);
    out.int32(kFrameSettingsFieldBytes);
    frameSettingsFields(out, settings);
}

// Reads the frame settings when their tag follows the record: returns "" with settings empty
// when it does not (a file of an older version), else "" with the settings read, or the reason
// they cannot be (newer set when their version is one this program does not know).
std::string readFrameSettings(RecordReader& in, std::optional<FrameSettings>& settings,
                              bool& newer) {
    settings.reset();
    for (char c : kFrameSettingsTag) {
        uint8_t byte = 0;
        if (!in.byte(byte) || byte != static_cast<uint8_t>(c)) {
            return "";
        }
    }
    int32_t version = 0, fieldBytes = 0;
    if (!in.int32(version) || !in.int32(fieldBytes)) {
        return "the frame settings after the record are cut short";
    }
    if (version > kFrameSettingsVersion) {
        newer = true;
        return "the frame settings after the record are of version " + std::to_string(version) +
               "; this program reads up to version " + std::to_string(kFrameSettingsVersion);
    }
    if (version < 1 || fieldBytes < kFrameSettingsFieldBytes ||
        fieldBytes > kMaxFrameSettingsFieldBytes) {
        return "the frame settings after the record are damaged";
    }
    FrameSettings read;
    frameSettingsFields(in, read);
    in.skip(static_cast<size_t>(fieldBytes - kFrameSettingsFieldBytes));
    if (!in.complete()) {
        return "the frame settings after the record are cut short";
    }
    settings = read;
    return "";
}

std::vector<uint8_t> encodePositionInfo(const PositionInfo& info) {
    RecordWriter out;
    countFields(out, info);
    recordFields(out, info);
    // Last, so that a reader that does not know them stops before them.
    if (info.frameSettings) {
        writeFrameSettings(out, *info.frameSettings);
    }
    return out.bytes();
}

// Decodes the record over info; returns "" or the reason its frame settings cannot be read.
std::string decodePositionInfo(const std::vector<uint8_t>& bytes, PositionInfo& info,
                               bool countsOnly, bool& newer) {
    RecordReader in(bytes.data(), bytes.size());
    countFields(in, info);
    if (countsOnly) {
        return "";
    }
    recordFields(in, info);
    return readFrameSettings(in, info.frameSettings, newer);
}

// Returns a number as a message shows it: up to 17 significant digits, no trailing zeros.
std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// Collects the first problem of a record, in the order of its fields, in a user's words.
class RangeCheck {
  public:
    void integer(const IntRange& range, int32_t value) { integer(range.name, range, value); }
    void integer(const std::string& name, const IntRange& range, int32_t value) {
        if (problem_.empty() && !range.contains(value)) {
            problem_ = name + " " + std::to_string(value) + " is outside " +
                       std::to_string(range.low) + ".." + std::to_string(range.high);
        }
    }
    void finite(const std::string& name, double value) {
        if (problem_.empty() && !std::isfinite(value)) {
            problem_ = name + " is not a finite number";
        }
    }
    void orientation(const std::string& name, const Orientation& orientation) {
        integer(name + "'s " + ranges::kAxisOrder.name, ranges::kAxisOrder, orientation.order);
        static const char* const kAxes[3] = {"x", "y", "z"};
        for (int i = 0; i < 3; ++i) {
            const double c = orientation.cosines[i], s = orientation.sines[i];
            finite(name + "'s " + kAxes[i] + " cosine", c);
            finite(name + "'s " + kAxes[i] + " sine", s);
            if (problem_.empty() && !(std::fabs(c * c + s * s - 1.0) <= kUnitTolerance)) {
                problem_ = name + "'s " + kAxes[i] + " cosine and sine (" + numberText(c) + ", " +
                           numberText(s) + ") are not a unit pair";
            }
        }
    }
    void angles(const std::string& name, const TurntableAngles& angles) {
        finite(name + " elevation", angles.elevation);
        finite(name + " azimuth", angles.azimuth);
        finite(name + " third angle", angles.third);
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
    check.integer(ranges::kFrameCount, info.frameCount);
    IntRange done = ranges::kFramesDone;
    done.high = std::min(done.high, info.frameCount);
    check.integer(done, info.framesDone);
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

std::string positionInfoProblem(const PositionInfo& info) {
    if (info.modelIndex == kDesignModelIndex) {
        // A design: its path must be there; the rest is checked as for any cut of the list.
        if (info.designPath.empty() || info.designPath.size() > kMaxDesignPathBytes ||
            info.designPath.find('\0') != std::string::npos) {
            return "the record shows a design but names no usable design file";
        }
        PositionInfo asListedCut = info;
        asListedCut.modelIndex = 0;
        asListedCut.designPath.clear();
        return positionInfoProblem(asListedCut);
    }
    RangeCheck check;
    checkCounts(check, info);
    check.integer(ranges::kStone, info.stoneIndex);
    check.integer(ranges::kModel, info.modelIndex);
    if (info.modelIndex == models::kSeparator) {
        check.fail("the model index 22 is the separator of the model list, not a model");
    }
    check.integer(ranges::kColour, info.colourIndex);
    const RealRange& ri = ranges::kRefractiveIndex;
    check.finite(ri.name, info.refractiveIndex);
    if (!ri.contains(info.refractiveIndex)) {
        check.fail(std::string(ri.name) + " " + numberText(info.refractiveIndex) +
                   " is outside 1.00..3.00");
    }
    check.orientation("the view orientation", info.savedPosition.orientation);
    check.orientation("the stone orientation", info.stonePose);
    check.angles("the light's", info.lightAngles);
    check.angles("the view's turntable", info.savedPosition.turntableAngles);
    check.integer(ranges::kTurnStone, info.look.turnStone);
    check.integer(ranges::kTurntableView, info.look.turntableView);
    if (info.look.turnStone == 1 && info.look.turntableView == 1) {
        check.fail("the \"SY\" and \"GM\" switches are both on");
    }
    check.integer(ranges::kHighQuality, info.look.highQuality);
    check.integer(ranges::kCheckMode, info.checkMode);
    check.integer(ranges::kRenderFire, info.look.renderFire);
    static const char* const kChannels[3] = {"red", "green", "blue"};
    for (int i = 0; i < 3; ++i) {
        check.integer(std::string(ranges::kBackdropChannel.name) + "'s " + kChannels[i],
                      ranges::kBackdropChannel, info.look.backdrop[i]);
    }
    check.integer(ranges::kMainLight, info.look.mainLight);
    check.integer(ranges::kBackLight, info.look.backLight);
    check.integer(ranges::kFillLight, info.look.fillLight);
    check.integer(ranges::kNarrowHighlight, info.look.narrowHighlight);
    check.integer(ranges::kSizeMode, info.look.sizeMode);
    check.integer(ranges::kImageWidth, info.look.imageWidth);
    const Trimming& trim = info.look.trimming;
    const std::pair<const char*, int32_t> sides[4] = {{"the top", trim.top},
                                                      {"the bottom", trim.bottom},
                                                      {"the left", trim.left},
                                                      {"the right", trim.right}};
    for (const auto& [side, value] : sides) {
        check.integer(std::string(side) + " trimming", ranges::kTrimmingSide, value);
    }
    if (check.problem().empty()) {
        const int32_t limit =
            info.look.sizeMode == 1 ? info.look.imageWidth : ranges::kFixedModeImageWidth;
        if (trim.top + trim.bottom >= limit || trim.left + trim.right >= limit) {
            check.fail("the trimming leaves no picture of " + std::to_string(limit) + " x " +
                       std::to_string(limit) + " pixels");
        }
    }
    check.integer(ranges::kTrimmingActive, info.look.trimmingActive);
    check.integer(ranges::kTrimmingCheckBox, info.look.trimmingCheckBox);
    const TransformableParams& t = info.look.transformable;
    switch (info.modelIndex) {
    case kEllipsoid:
        check.integer(ranges::kEllipsoidCompressionRatio, t.ellipsoidCompressionRatio);
        check.integer(ranges::kEllipsoidDiameterRatio, t.ellipsoidDiameterRatio);
        check.integer(ranges::kEllipsoidSurfaces, t.ellipsoidSurfaces);
        check.integer(ranges::kEllipsoidRows, t.ellipsoidRows);
        break;
    case kPrism:
        check.integer(ranges::kPrismSides, t.prismSides);
        check.integer(ranges::kPrismHeightRatio, t.prismHeightRatio);
        break;
    case kPyramid:
        check.integer(ranges::kPyramidSides, t.pyramidSides);
        check.integer(ranges::kPyramidHeightRatio, t.pyramidHeightRatio);
        break;
    case kHedron14:
        check.integer(ranges::kHedron14Keep, t.hedron14Keep);
        break;
    case kHedron26:
        check.integer(ranges::kHedron26Keep, t.hedron26Keep);
        break;
    default:
        break;
    }
    if (info.frameSettings) {
        check.integer(ranges::kRecursionDepth, info.frameSettings->recursionDepth);
        check.integer(ranges::kLighting, info.frameSettings->lighting);
        check.integer(ranges::kHeadShadow, info.frameSettings->headShadow);
    }
    return check.problem();
}

bool writePositionInfo(const std::string& path, const PositionInfo& info, std::string* error,
                       std::string* reason) {
    // What this program writes, it must read back: an unsound record is never written.
    const std::string problem = positionInfoProblem(info);
    if (!problem.empty()) {
        if (error != nullptr) {
            *error = "the position to record is not sound: " + problem;
        }
        if (reason != nullptr) {
            *reason = "the position to record is not sound: " + problem;
        }
        return false;
    }
    return writeFileAtomically(path, encodePositionInfo(info), error, reason);
}

bool readPositionInfo(const std::string& path, PositionInfo& info, bool countsOnly,
                      std::string* error, RecordFile kind) {
    const auto refuse = [error](const std::string& reason) {
        if (error != nullptr) {
            *error = reason;
        }
        return false;
    };
    std::vector<uint8_t> bytes;
    std::string reason;
    if (!util::readFileHead(path, kLargestRecord, bytes, &reason)) {
        return refuse(reason);
    }
    if (bytes.size() < static_cast<size_t>(kPositionInfoBaseSize)) {
        return refuse("the file is " + std::to_string(bytes.size()) + " bytes; " +
                      recordFileName(kind) + " has at least " +
                      std::to_string(kPositionInfoBaseSize) + " bytes");
    }
    // A file of zeros (a preallocated or wiped file) holds no record at all, whatever field a
    // range check would name first.
    if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) {
        return refuse(std::string("the file holds only zero bytes; it is not ") +
                      recordFileName(kind));
    }
    PositionInfo candidate = info;
    bool newer = false;
    const std::string settingsProblem = decodePositionInfo(bytes, candidate, countsOnly, newer);
    std::string problem;
    if (countsOnly) {
        RangeCheck check;
        checkCounts(check, candidate);
        problem = check.problem();
    } else {
        problem = positionInfoProblem(candidate);
        if (problem.empty() && newer) {
            return refuse(settingsProblem + "; the file was written by a later version");
        }
        if (problem.empty()) problem = settingsProblem;
    }
    if (!problem.empty()) {
        return refuse(problem + "; the file is damaged or is not " + recordFileName(kind));
    }
    if (!countsOnly) {
        // The size dialog's rule: trimming is in force whenever a value is not 0.
        const Trimming& trim = candidate.look.trimming;
        candidate.look.trimmingActive =
            (trim.top | trim.bottom | trim.left | trim.right) != 0 ? 1 : 0;
    }
    info = candidate;
    return true;
}

}  // namespace tavrine
