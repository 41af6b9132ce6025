#include "app/settings/settings_file.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "app/settings/record_fields.h"
#include "app/settings/stone_table.h"
#include "util/binary_record.h"

namespace tavrine {

namespace {

// Bytes reserved after the backdrop colour (offsets 611 to 628). The first twelve hold int32s:
// the "Live Ray-trace (&L)" switch (611 to 614), the lighting (615 to 618) and the head shadow
// less its default (619 to 622); the other 6 are written as zero and ignored when read. Older
// files hold zero there, so they read as live view off, the Studio lighting and the default head
// shadow, and the defaults are written as zero.
constexpr size_t kBackdropReservedBytes = 18;
constexpr size_t kViewerChoiceBytes = 12;

const StoneEntry& stoneOf(const Settings& settings) {
    return stoneTable[static_cast<size_t>(isStoneIndex(settings.stoneIndex) ? settings.stoneIndex
                                                                            : 0)];
}

template <typename T>
void clampInto(T& value, T low, T high) {
    value = std::clamp(value, low, high);
}

void clampInto(int32_t& value, const IntRange& range) { value = range.clamp(value); }

void clampFlag(int32_t& value) { clampInto(value, ranges::kFlag); }

// Returns whether a stored folder text is usable as a path: no control characters (C0, DEL, or
// C1 in UTF-8), which would otherwise reach file dialogs and messages as escape sequences.
bool isCleanFolderText(const std::string& folder) {
    for (size_t i = 0; i < folder.size(); ++i) {
        const auto c = static_cast<unsigned char>(folder[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c == 0xC2 && i + 1 < folder.size()) {
            const auto next = static_cast<unsigned char>(folder[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return false;
            }
        }
    }
    return true;
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// The folder text as it goes into its field: too long a text is never cut short.
const std::string& storableFolder(const std::string& folder, const std::string& fallback) {
    static const std::string kEmpty;
    const auto fits = [](const std::string& text) {
        return text.size() < static_cast<size_t>(kFolderTextSize);
    };
    if (fits(folder)) {
        return folder;
    }
    return fits(fallback) ? fallback : kEmpty;
}

// A folder text field: a text too long for the field is stored as the fallback, never cut short.
void folderField(RecordWriter& out, const std::string& folder, const std::string& fallback) {
    out.text(storableFolder(folder, fallback), kFolderTextSize);
}

// A folder text field: a text without a NUL, empty or unclean leaves folder as it was.
void folderField(RecordReader& in, std::string& folder, const std::string& /*fallback*/) {
    std::string read;
    if (in.text(read, kFolderTextSize) && !read.empty() && isCleanFolderText(read)) {
        folder = read;
    }
}

// The head shadow's field: its difference from the default, so that the default is written as
// the zero an older file holds (a value out of range is written as the default).
void headShadowField(RecordWriter& out, const int32_t& degrees) {
    out.int32(ranges::kHeadShadow.contains(degrees) ? degrees - ranges::kDefaultHeadShadow : 0);
}

// The head shadow's field: a difference that gives no head shadow of the range reads as the
// default.
void headShadowField(RecordReader& in, int32_t& degrees) {
    int32_t stored = 0;
    if (!in.int32(stored)) return;
    const int64_t value = int64_t{stored} + ranges::kDefaultHeadShadow;
    degrees = ranges::kHeadShadow.contains(value) ? static_cast<int32_t>(value)
                                                  : ranges::kDefaultHeadShadow;
}

// The fields before which a reader proposes the stone's model, colour and refractive index.
template <typename Io, typename S>
void stoneFields(Io& io, S& s) {
    io.int32(s.polygonColour);
    io.int32(s.stoneIndex);
}

// Every field after the stone index, in file order.
template <typename Io, typename S>
void settingsFields(Io& io, S& s) {
    io.int32(s.modelIndex);
    io.int32(s.colourIndex);
    io.float64(s.refractiveIndex);
    io.int32(s.reserved);
    io.int32(s.showTitle);
    io.int32(s.renderWindowTopMost);
    io.int32(s.turnDelay);
    io.int32(s.recursionDepth);
    io.byte(s.drawTrail);
    folderField(io, s.screenShotFolder, s.defaultScreenShotFolder);
    io.int32(s.screenShotFilterIndex);
    folderField(io, s.captureFolder, s.defaultCaptureFolder);
    io.int32(s.frameCount);
    io.int32(s.gifTimeWeight);
    io.int32(s.gifReverse);
    io.int32(s.look.turnStone);
    io.int32(s.look.turntableView);
    io.int32(s.look.highQuality);
    io.int32(s.look.renderFire);
    io.int32(s.buttonPlacement);
    io.int32(s.savePositionInfo);
    backdropFields(io, s.look);
    io.int32(s.liveRayTrace);
    io.int32(s.lighting);
    headShadowField(io, s.headShadow);
    io.reserved(kBackdropReservedBytes - kViewerChoiceBytes);
    io.int32(s.lightVolumesCheck);
    lightAndSizeFields(io, s.look);
    io.int32(s.largerFont);
    io.int32(s.japanese);
    allTransformableFields(io, s.look.transformable);
}

std::vector<uint8_t> encodeSettings(const Settings& s) {
    RecordWriter out;
    stoneFields(out, s);
    settingsFields(out, s);
    return out.bytes();
}

// Overlays the fields present in bytes onto s, which holds the defaults; the stone's proposals
// stand in for a missing model, colour and refractive index.
void decodeSettings(const std::vector<uint8_t>& bytes, Settings& s) {
    RecordReader in(bytes.data(), bytes.size());
    stoneFields(in, s);
    const StoneEntry& stone = stoneOf(s);
    s.modelIndex = stone.defaultModel;
    s.colourIndex = stone.defaultColour;
    s.refractiveIndex = stoneRefractiveIndex(s.stoneIndex);
    settingsFields(in, s);
}

std::string homeFromPasswordDatabase() {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "";
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

Settings defaultSettings(const std::string& screenShotFolder, const std::string& captureFolder) {
    Settings settings;
    const StoneEntry& stone = stoneTable[0];
    settings.modelIndex = stone.defaultModel;
    settings.colourIndex = stone.defaultColour;
    settings.refractiveIndex = stoneRefractiveIndex(0);
    settings.screenShotFolder = screenShotFolder;
    settings.captureFolder = captureFolder;
    settings.defaultScreenShotFolder = screenShotFolder;
    settings.defaultCaptureFolder = captureFolder;
    return settings;
}

void clampSettings(Settings& s) {
    const Settings defaults;
    if (!ranges::kPolygonColour.contains(s.polygonColour)) {
        s.polygonColour = defaults.polygonColour;
    }
    if (!ranges::kStone.contains(s.stoneIndex)) {
        s.stoneIndex = defaults.stoneIndex;
    }
    const StoneEntry& stone = stoneOf(s);
    if (s.modelIndex == kDesignModelIndex) {
        // Left by a run that showed a design: the index is the design's, not the stone's cut's.
        s.refractiveIndex = stoneRefractiveIndex(s.stoneIndex);
    }
    if (!models::isChoosable(s.modelIndex)) {
        s.modelIndex = stone.defaultModel;
    }
    if (!ranges::kColour.contains(s.colourIndex)) {
        s.colourIndex = stone.defaultColour;
    }
    if (std::isnan(s.refractiveIndex)) {
        s.refractiveIndex = stoneRefractiveIndex(s.stoneIndex);
    }
    clampInto(s.refractiveIndex, ranges::kRefractiveIndex.low, ranges::kRefractiveIndex.high);
    clampFlag(s.showTitle);
    clampFlag(s.renderWindowTopMost);
    clampInto(s.turnDelay, ranges::kTurnDelay);
    clampInto(s.recursionDepth, ranges::kRecursionDepth);
    clampInto<uint8_t>(s.drawTrail, 0, 1);
    if (!ranges::kScreenShotFilter.contains(s.screenShotFilterIndex)) {
        s.screenShotFilterIndex = defaults.screenShotFilterIndex;
    }
    clampInto(s.frameCount, ranges::kFrameCount);
    clampInto(s.gifTimeWeight, ranges::kGifTimeWeight);  // 0 is allowed: frames without delay
    clampFlag(s.gifReverse);
    clampInto(s.look.turnStone, ranges::kTurnStone);
    clampInto(s.look.turntableView, ranges::kTurntableView);
    if (s.look.turntableView == 1) {
        s.look.turnStone = 0;
    }
    clampInto(s.look.highQuality, ranges::kHighQuality);
    clampInto(s.look.renderFire, ranges::kRenderFire);
    clampFlag(s.buttonPlacement);
    clampFlag(s.savePositionInfo);
    for (int16_t& channel : s.look.backdrop) {
        clampInto<int16_t>(channel, static_cast<int16_t>(ranges::kBackdropChannel.low),
                           static_cast<int16_t>(ranges::kBackdropChannel.high));
    }
    clampFlag(s.liveRayTrace);
    if (!ranges::kLighting.contains(s.lighting)) s.lighting = defaults.lighting;
    if (!ranges::kHeadShadow.contains(s.headShadow)) s.headShadow = defaults.headShadow;
    clampFlag(s.lightVolumesCheck);
    clampInto(s.look.mainLight, ranges::kMainLight);
    clampInto(s.look.backLight, ranges::kBackLight);
    clampInto(s.look.fillLight, ranges::kFillLight);
    clampInto(s.look.narrowHighlight, ranges::kNarrowHighlight);
    clampInto(s.look.sizeMode, ranges::kSizeMode);
    clampInto(s.look.imageWidth, ranges::kImageWidth);

    // Trimming must leave a picture in the current mode, as the size dialog demands.
    Trimming& trim = s.look.trimming;
    for (int32_t* side : {&trim.top, &trim.bottom, &trim.left, &trim.right}) {
        clampInto(*side, ranges::kTrimmingSide);
    }
    const int32_t limit = s.look.sizeMode == 1 ? s.look.imageWidth : ranges::kFixedModeImageWidth;
    if (trim.top + trim.bottom >= limit || trim.left + trim.right >= limit) {
        trim = Trimming{};
    }
    s.look.trimmingActive = (trim.top | trim.bottom | trim.left | trim.right) != 0 ? 1 : 0;
    clampInto(s.look.trimmingCheckBox, ranges::kTrimmingCheckBox);
    clampFlag(s.largerFont);
    clampFlag(s.japanese);

    TransformableParams& t = s.look.transformable;
    clampInto(t.ellipsoidSurfaces, ranges::kEllipsoidSurfaces);
    clampInto(t.ellipsoidRows, ranges::kEllipsoidRows);
    clampInto(t.ellipsoidDiameterRatio, ranges::kEllipsoidDiameterRatio);
    clampInto(t.ellipsoidCompressionRatio, ranges::kEllipsoidCompressionRatio);
    clampInto(t.prismSides, ranges::kPrismSides);
    clampInto(t.prismHeightRatio, ranges::kPrismHeightRatio);
    clampInto(t.pyramidSides, ranges::kPyramidSides);
    clampInto(t.pyramidHeightRatio, ranges::kPyramidHeightRatio);
    clampInto(t.hedron14Keep, ranges::kHedron14Keep);
    clampInto(t.hedron26Keep, ranges::kHedron26Keep);
}

bool readSettings(const std::string& path, Settings& settings) {
    Settings result =
        defaultSettings(settings.defaultScreenShotFolder, settings.defaultCaptureFolder);
    std::vector<uint8_t> bytes;
    const bool opened = readFileHead(path, kSettingsFileSize, bytes);
    if (opened) {
        decodeSettings(bytes, result);
        clampSettings(result);
    }
    settings = std::move(result);
    return opened;
}

bool writeSettings(const std::string& path, const Settings& settings, std::string* error) {
    return writeFileAtomically(path, encodeSettings(settings), error);
}

SettingsLocations resolveSettingsLocations(const std::string& programFolder,
                                           bool programFolderWritable,
                                           const std::string& xdgConfigHome,
                                           const std::string& xdgPicturesDir,
                                           const std::string& home) {
    const auto absolute = [](const std::string& path) { return !path.empty() && path[0] == '/'; };
    const std::string program = withSlash(programFolder);
    std::string configBase;
    std::string picturesBase;
    if (!programFolderWritable) {
        if (absolute(xdgConfigHome)) {
            configBase = withSlash(xdgConfigHome);
        } else if (absolute(home)) {
            configBase = withSlash(home) + ".config/";
        }
        if (absolute(xdgPicturesDir)) {
            picturesBase = withSlash(xdgPicturesDir);
        } else if (absolute(home)) {
            picturesBase = withSlash(home) + "Pictures/";
        }
    }
    SettingsLocations locations;
    locations.settingsFolder = configBase.empty() ? program : configBase + "tavrine/";
    locations.settingsFile = locations.settingsFolder + kSettingsFileName;
    const std::string pictures = picturesBase.empty() ? program : picturesBase + "Tavrine/";
    locations.screenShotFolder = pictures + "ScreenShots/";
    locations.captureFolder = pictures + "AutoCaps/";
    return locations;
}

std::string programFolderPath() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) {
        return "";
    }
    const std::string path(buffer.data(), static_cast<size_t>(length));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool isWritableFolder(const std::string& folder) {
    struct stat info {};
    return !folder.empty() && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool isSystemProgramFolder(const std::string& folder) {
    const std::string path = withSlash(folder);
    for (const char* system : {"/usr/", "/bin/", "/sbin/"}) {
        if (path.compare(0, std::char_traits<char>::length(system), system) == 0) return true;
    }
    return false;
}

SettingsLocations settingsLocationsForThisProgram() {
    const std::string program = programFolderPath();
    std::string home = environmentValue("HOME");
    if (home.empty()) {
        home = homeFromPasswordDatabase();
    }
    return resolveSettingsLocations(
        program, isWritableFolder(program) && !isSystemProgramFolder(program),
        environmentValue("XDG_CONFIG_HOME"), environmentValue("XDG_PICTURES_DIR"), home);
}

}  // namespace tavrine
