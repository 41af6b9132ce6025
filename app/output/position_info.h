#pragma once
// The Position-Info File (.gpi) and Capture-Info File (.sqi) record: a snapshot of the stone,
// the view, the light and the picture settings, and the progress of an automatic capture.

#include <cstdint>
#include <optional>
#include <string>

#include "app/model/model_record.h"
#include "app/settings/picture_look.h"
#include "app/settings/settings_file.h"
#include "app/view/orientation.h"

namespace tavrine {

// Size of the record before its model-dependent tail, in bytes.
inline constexpr int kPositionInfoBaseSize = 272;

// The longest design path a record carries, in bytes.
inline constexpr int kMaxDesignPathBytes = 4096;

// The four bytes that open the frame settings after a Capture-Info record.
inline constexpr char kFrameSettingsTag[4] = {'T', 'V', 'F', 'S'};

// The version of the frame settings this program writes and the newest it reads; a later
// version that adds settings an older reader cannot render raises it.
inline constexpr int32_t kFrameSettingsVersion = 1;

// What a capture's frames depend on beyond the record itself, kept after the record of a
// Capture-Info File so that a resumed capture renders its remaining frames alike. The tracer
// path (literal or faster) is not kept: both give the same pixels.
struct FrameSettings {
    int32_t recursionDepth = 8;  // the tracer's recursion depth, 1 to 20
    int32_t lighting = 0;        // the lighting of the frames: 0 Studio, 1 ISO, 2 COS
    int32_t headShadow = 0;      // ISO and COS: the head shadow in degrees, 0 (none) to 45
};

// The Position-Info record; the defaults are those of a fresh start with default settings.
struct PositionInfo {
    int32_t frameCount = 128;       // frames of one full turn of a capture, 1 to 4096
    int32_t framesDone = 0;         // next frame to capture, 0 to frameCount
    int32_t stoneIndex = 0;         // index into the stone table
    int32_t modelIndex = 0;         // 0 to 27, never 22
    int32_t colourIndex = 0;        // index into the colour list
    double refractiveIndex = 2.42;  // 1.00 to 3.00
    SavedPosition savedPosition;    // the view
    Orientation stonePose;          // the Orientation of the stone's pose
    LightAngles lightAngles;        // the light ray's angles
    PictureLook look;               // only the current model's parameters are stored
    int32_t checkMode = 0;          // 1 = a capture produces only missing frames
    std::string designPath;         // with kDesignModelIndex: the design file shown
    // A capture's frame settings, written after everything else; none in a screen shot's.
    std::optional<FrameSettings> frameSettings;
};

// Returns the size in bytes of the record for modelIndex: 272 plus 16 for the Ellipsoid, 8 for
// the Prism and the Pyramid, 4 for the 14 and 26 hedra, nothing for any other model. A design
// (kDesignModelIndex) adds its path after the record: a 32-bit byte count, then the path's
// bytes; readers that do not know it read the 272 bytes and ignore the rest. A record with frame
// settings (a Capture-Info File's) ends with them: the tag "TVFS", the 32-bit version, the
// 32-bit byte count of the fields that follow (12 in version 1), then the recursion depth, the
// lighting and the head shadow as 32-bit integers, 24 bytes in all; a reader that stops before
// them reads the record as before.
int positionInfoSize(int32_t modelIndex);

// Returns "" when every field of info is in range, else a phrase naming the first field that
// is not, its value and its range from the table of value ranges ("the frame count 0 is outside
// 1..4096"): an index outside its list, a refractive index outside 1.00 to 3.00, a light volume,
// width, frame count, switch, trimming or transformable parameter out of range, a view or stone
// orientation whose axis order is not 0 or 1 or whose cosine and sine pairs are not finite or
// not unit within 1e-6, light or turntable angles that are not finite, "SY" together with "GM",
// or frame settings out of range.
std::string positionInfoProblem(const PositionInfo& info);

// Writes info to path field by field, little-endian, replacing an old file atomically. A record
// that positionInfoProblem finds unsound is not written: what is written always reads back.
// Returns false on failure with error (when not null) set to "Failed to open file." for a file
// that cannot be written, or to the problem of an unsound record, and reason (when not null) to
// the system's error text or that problem.
bool writePositionInfo(const std::string& path, const PositionInfo& info, std::string* error,
                       std::string* reason = nullptr);

// The two files that hold the record: a Position-Info File (.gpi) beside a screen shot, and a
// Capture-Info File (.sqi) of an automatic capture. Messages name the one being read.
enum class RecordFile { Position, Capture };

// Reads the record at path over info. A file shorter than the 272-byte record is refused ("the
// file is 100 bytes; a Position-Info File has at least 272 bytes"), and so is one of zero bytes
// only ("the file holds only zero bytes"); the tail follows the modelIndex
// just read, and a tail cut short keeps the parameters info held; with countsOnly only
// frameCount and framesDone are read. Frame settings after the record are read when their tag is
// there (a file without them gives a record without them); settings of a newer version, or cut
// short, are refused. The result is checked as a whole, and trimmingActive
// follows the trimming values (in force whenever one is not 0). When the file cannot be read
// or a field is out of range, info is left unchanged, error (when not null) receives the reason
// (the system's text, or the range problem followed by "; the file is damaged or is not a
// Position-Info File"; kind names the file in these texts), and the call returns false.
bool readPositionInfo(const std::string& path, PositionInfo& info, bool countsOnly,
                      std::string* error, RecordFile kind = RecordFile::Position);

}  // namespace tavrine
