#pragma once
// The settings kept between runs in the binary settings file "Setting.ini", their defaults and
// where the file and the default picture folders live.

#include <cstdint>
#include <string>

#include "app/model/model_record.h"
#include "app/settings/picture_look.h"
#include "app/settings/value_ranges.h"

namespace tavrine {

// Size of the settings file in bytes.
inline constexpr int kSettingsFileSize = 729;
// Size of each folder text field of the settings file, its terminating NUL included.
inline constexpr int kFolderTextSize = 260;
// Name of the settings file inside the settings folder.
inline constexpr const char* kSettingsFileName = "Setting.ini";
// Largest frame count of an automatic capture (the range of the frame-count dialog).
inline constexpr int32_t kMaxFrameCount = ranges::kFrameCount.high;
// Width (= height) of the picture in the fixed-size mode, rendered on the main window.
inline constexpr int32_t kFixedModeImageWidth = ranges::kFixedModeImageWidth;
// Smallest and largest picture width of the separate render window.
inline constexpr int32_t kMinImageWidth = ranges::kImageWidth.low;
inline constexpr int32_t kMaxImageWidth = ranges::kImageWidth.high;
// Number of picture formats of the screen-shot Save dialog (filter indexes 1 to 7).
inline constexpr int32_t kScreenShotFilterCount = ranges::kScreenShotFilter.high;

// Every setting of the settings file, with the defaults of the defaults routine, plus the two
// default picture folders formed at start-up (these are not stored in the file).
struct Settings {
    int32_t polygonColour = 1;          // surface-model colour, 0 to 7
    int32_t stoneIndex = 0;             // index into the stone table
    int32_t modelIndex = 0;             // 0 to 27, never 22
    int32_t colourIndex = 0;            // index into the colour list
    double refractiveIndex = 2.42;      // 1.00 to 3.00
    int32_t reserved = 0;               // no meaning; written as held
    int32_t showTitle = 1;              // "Show Title (&T)", 0/1
    int32_t renderWindowTopMost = 1;    // "RenderWnd As TopMost (&R)", 0/1
    int32_t turnDelay = 50;             // milliseconds between surface-model turns, 0 to 200
    int32_t recursionDepth = 8;         // depth of recursive calculation, 1 to 20
    uint8_t drawTrail = 1;              // "Trail Of View Point": "Draw", 0/1
    std::string screenShotFolder;       // folder the screen-shot Save dialog opens in
    int32_t screenShotFilterIndex = 1;  // 1 to 7
    std::string captureFolder;          // folder the capture file dialogs open in
    int32_t frameCount = 128;           // capture frames of one full turn, 1 to 4096
    int32_t gifTimeWeight = 4;          // animated-GIF delay per frame in 1/100 s, 0 to 65535
    int32_t gifReverse = 0;             // animated-GIF "Direction Of Rotation", 0/1
    PictureLook look;                   // the switches, backdrop, lights, size, trimming and models
    int32_t buttonPlacement = 1;        // "Button Placement", 0/1
    int32_t savePositionInfo = 1;       // write a Position-Info File with each screen shot, 0/1
    int32_t liveRayTrace = 0;  // "Live Ray-trace (&L)", 0/1; at offset 611, in the reserved bytes
    int32_t lighting = 0;      // the "Lighting" of the View menu: 0 Studio, 1 ISO, 2 COS; at 615
    // "Head Shadow" in degrees, 0 (none) to 45; at 619 as the difference from the default (10)
    int32_t headShadow = ranges::kDefaultHeadShadow;
    int32_t lightVolumesCheck = 0;  // "Light Volumes (Range = 0 to 200%)" check box, 0/1
    int32_t largerFont = 1;         // "Use Larger Font", 0/1
    int32_t japanese = 0;           // "Japanese" captions, 0/1

    std::string defaultScreenShotFolder;  // not stored: the ScreenShots folder of this run
    std::string defaultCaptureFolder;     // not stored: the AutoCaps folder of this run
};

// Where the settings file and the default picture folders of this run live; every folder ends
// with a slash.
struct SettingsLocations {
    std::string settingsFolder;    // folder holding the settings file
    std::string settingsFile;      // settingsFolder + "Setting.ini"
    std::string screenShotFolder;  // default folder of screen shots
    std::string captureFolder;     // default folder of capture files
};

// Returns the defaults routine's settings, with the given default picture folders both as the
// stored folders and as the defaults of this run.
Settings defaultSettings(const std::string& screenShotFolder, const std::string& captureFolder);

// Brings every setting into its range: indexes outside their lists (and model 22) become the
// stone's proposals (the design's row kDesignModelIndex with the stone's refractive index too,
// since the file cannot name the design), numbers are clamped, "SY" is cleared when "GM" is set,
// trimming that would leave no picture is reset to none, and trimmingActive follows the trimming
// values.
void clampSettings(Settings& settings);

// Reads the settings file at path: the fields the file holds are taken, every field it lacks
// gets its default (model, colour and refractive index the read stone's), a folder text
// without a NUL, empty or holding control characters gets the default folder, and every value
// is clamped into range; the default folders of settings are kept. Returns false, with settings
// reset to the defaults, when the file cannot be opened.
bool readSettings(const std::string& path, Settings& settings);

// Writes the 729-byte settings file at path, replacing an old file atomically; a folder text
// longer than 259 bytes is stored as the default folder (or empty when that is too long as
// well). Returns false with error (when not null) set to "Failed to open file." on failure.
bool writeSettings(const std::string& path, const Settings& settings, std::string* error);

// Returns the settings folder and default picture folders: the program folder and "ScreenShots/"
// and "AutoCaps/" in it when programFolderWritable, else xdgConfigHome + "/tavrine/" and
// xdgPicturesDir + "/Tavrine/ScreenShots/" and ".../AutoCaps/". An empty or relative
// xdgConfigHome stands for home + "/.config", and xdgPicturesDir likewise for home +
// "/Pictures"; with no usable home either, the program folder is used.
SettingsLocations resolveSettingsLocations(const std::string& programFolder,
                                           bool programFolderWritable,
                                           const std::string& xdgConfigHome,
                                           const std::string& xdgPicturesDir,
                                           const std::string& home);

// Returns the folder of the running program (from /proc/self/exe) with a trailing slash, or ""
// when it cannot be found.
std::string programFolderPath();

// Returns whether folder exists as a directory this process may create files in.
bool isWritableFolder(const std::string& folder);

// Returns whether folder (an absolute path) lies under /usr, /bin or /sbin, the folders of
// installed programs, where a program's settings and pictures never go even when the user
// (root) may write there.
bool isSystemProgramFolder(const std::string& folder);

// Returns resolveSettingsLocations for the running program and the process environment
// (XDG_CONFIG_HOME, XDG_PICTURES_DIR, HOME, else the password database's home folder); a
// program in a system program folder counts as one in an unwritable folder.
SettingsLocations settingsLocationsForThisProgram();

}  // namespace tavrine
