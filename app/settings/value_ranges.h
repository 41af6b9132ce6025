#pragma once
// The allowed values of the numbers that the settings file, the Position-Info File, the command
// line and the dialogs hold, in one table, and the names of the model list's entries. Readers
// check against these entries and name them in their messages ("the frame count 0 is outside
// 1..4096").

#include <cstdint>

#include "app/model/model_record.h"
#include "app/settings/stone_table.h"
#include "tracer/colour_absorption.h"

namespace tavrine {

// An inclusive range of whole numbers and the words a message uses for the value.
struct IntRange {
    const char* name;  // as inside a sentence: "the frame count"
    int32_t low;
    int32_t high;

    // Returns whether value lies in the range.
    constexpr bool contains(int64_t value) const { return value >= low && value <= high; }
    // Returns value moved into the range.
    constexpr int32_t clamp(int32_t value) const {
        return value < low ? low : (value > high ? high : value);
    }
};

// An inclusive range of real numbers and the words a message uses for the value.
struct RealRange {
    const char* name;
    double low;
    double high;

    // Returns whether value lies in the range (never for NaN).
    constexpr bool contains(double value) const { return value >= low && value <= high; }
};

// The entries of the model list by name; the separator row builds nothing and is never chosen.
namespace models {
inline constexpr int32_t kBrilliantCutRound = 0;
inline constexpr int32_t kBrilliantCutOval = 1;
inline constexpr int32_t kBrilliantCut2Round = 2;
inline constexpr int32_t kBrilliantCut2Oval = 3;
inline constexpr int32_t kBrilliantCut3Round = 4;
inline constexpr int32_t kBrilliantCut3Oval = 5;
inline constexpr int32_t kAntiqueCushionCut = 6;
inline constexpr int32_t kEmeraldCut = 7;
inline constexpr int32_t kScissorsCut = 8;
inline constexpr int32_t kMazarinCut = 9;
inline constexpr int32_t kOldSingleCut = 10;
inline constexpr int32_t kBrioletteCut = 11;
inline constexpr int32_t kDoubleRoseCut = 12;
inline constexpr int32_t kBaguetteCut = 13;
inline constexpr int32_t kSphere = 14;
inline constexpr int32_t kHedron60 = 15;
inline constexpr int32_t kHedron32 = 16;
inline constexpr int32_t kRegularHedron20 = 17;
inline constexpr int32_t kRegularHedron12 = 18;
inline constexpr int32_t kRegularHedron8 = 19;
inline constexpr int32_t kRegularHedron6 = 20;
inline constexpr int32_t kRegularHedron4 = 21;
inline constexpr int32_t kSeparator = kSeparatorModelIndex;
inline constexpr int32_t kEllipsoid = 23;
inline constexpr int32_t kPrism = 24;
inline constexpr int32_t kPyramid = 25;
inline constexpr int32_t kHedron14 = 26;
inline constexpr int32_t kHedron26 = 27;
static_assert(kHedron26 == kModelCount - 1, "the 26 hedron is the last entry of the model list");

// Returns whether modelIndex names a model the user can choose (not the separator).
constexpr bool isChoosable(int32_t modelIndex) {
    return modelIndex >= 0 && modelIndex < kModelCount && modelIndex != kSeparator;
}
}  // namespace models

namespace ranges {
// Indexes into the lists.
inline constexpr IntRange kStone{"the stone index", 0, kStoneCount - 1};
inline constexpr IntRange kModel{"the model index", 0, kModelCount - 1};
inline constexpr IntRange kColour{"the colour index", 0, kColourCount - 1};
inline constexpr IntRange kPolygonColour{"the polygon colour", 0, 7};
inline constexpr RealRange kRefractiveIndex{"the refractive index", 1.0, 3.0};

// The switches and check boxes, each 0 or 1.
inline constexpr IntRange kTurnStone{"the \"SY\" switch", 0, 1};
inline constexpr IntRange kTurntableView{"the \"GM\" switch", 0, 1};
inline constexpr IntRange kHighQuality{"the \"HQ\" switch", 0, 1};
inline constexpr IntRange kRenderFire{"the \"Fire\" switch", 0, 1};
inline constexpr IntRange kNarrowHighlight{"the narrow main light switch", 0, 1};
inline constexpr IntRange kCheckMode{"the capture check mode", 0, 1};
inline constexpr IntRange kSizeMode{"the size mode", 0, 1};
inline constexpr IntRange kTrimmingActive{"the trimming switch", 0, 1};
inline constexpr IntRange kTrimmingCheckBox{"the trimming check box", 0, 1};
inline constexpr IntRange kAxisOrder{"axis order", 0, 1};
inline constexpr IntRange kFlag{"the switch", 0, 1};

// Picture and rendering.
inline constexpr IntRange kImageWidth{"the picture width", 32, 512};
inline constexpr int32_t kFixedModeImageWidth = 199;
inline constexpr IntRange kTrimmingSide{"the trimming", 0, 512};
inline constexpr IntRange kRecursionDepth{"the recursion depth", 1, 20};
// The lightings (0 Studio, 1 ISO, 2 COS) and the half angle of the viewer's head shadow under
// ISO and COS in degrees (0 for none), with its default.
inline constexpr IntRange kLighting{"the lighting", 0, 2};
inline constexpr IntRange kHeadShadow{"the head shadow", 0, 45};
inline constexpr int32_t kDefaultHeadShadow = 10;
inline constexpr IntRange kBackdropChannel{"the backdrop colour", 0, 255};
inline constexpr IntRange kMainLight{"the main light volume", 0, 200};
inline constexpr IntRange kBackLight{"the back light volume", 0, 200};
inline constexpr IntRange kFillLight{"the fill light volume", 0, 200};
inline constexpr IntRange kScreenShotFilter{"the picture format", 1, 7};

// Turning, capture and animation.
inline constexpr IntRange kTurnDelay{"the turn delay", 0, 200};
inline constexpr IntRange kFrameCount{"the frame count", 1, 4096};
inline constexpr IntRange kFramesDone{"the count of frames done", 0, 4096};  // at most the count
inline constexpr IntRange kGifTimeWeight{"the time weight per frame", 0, 65535};

// The transformable models' parameters.
inline constexpr IntRange kEllipsoidSurfaces{"the ellipsoid's surfaces", 3, 24};
inline constexpr IntRange kEllipsoidRows{"the ellipsoid's rows", 2, 16};
inline constexpr IntRange kEllipsoidDiameterRatio{"the ellipsoid's diameter ratio", 5, 100};
inline constexpr IntRange kEllipsoidCompressionRatio{"the ellipsoid's compression ratio", 5, 100};
inline constexpr IntRange kPrismSides{"the prism's sides", 3, 16};
inline constexpr IntRange kPrismHeightRatio{"the prism's height ratio", 5, 95};
inline constexpr IntRange kPyramidSides{"the pyramid's sides", 3, 16};
inline constexpr IntRange kPyramidHeightRatio{"the pyramid's height ratio", 5, 95};
inline constexpr IntRange kHedron14Keep{"the 14 hedron's parameter", 5, 95};
inline constexpr IntRange kHedron26Keep{"the 26 hedron's parameter", 5, 95};

// The command line's own values.
inline constexpr IntRange kTurnCount{"a key's count", 1, 100000};
inline constexpr int64_t kMaxTurnStepsPerOption = 1000000;
inline constexpr IntRange kThreads{"the thread count", 1, 256};
}  // namespace ranges

}  // namespace tavrine
