#pragma once
// The main window's controls and menu commands: ids, window texts, drawn captions and where
// each control stands in the client area. Every control carries its id as its objectName
// ("1005"), so tests and tools find it with findChild.

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>

#include "app/engine/engine_ids.h"

namespace tavrine::ui {

// Control ids, numbered from 1000 in creation order.
enum ControlId : int32_t {
    kStoneList = 1000,
    kModelList = 1001,
    kColourList = 1002,
    kIndexField = 1003,
    kIndexUpDown = 1004,
    kRayTraceButton = 1005,
    kViewRightButton = 1006,
    kViewLeftButton = 1007,
    kViewUpButton = 1008,
    kViewDownButton = 1009,
    kViewXButton = 1010,
    kViewZButton = 1011,
    kLightRightButton = 1012,
    kLightLeftButton = 1013,
    kLightUpButton = 1014,
    kLightDownButton = 1015,
    kScreenShotButton = 1016,
    kProgressDisplay = 1017,
    kHqSwitch = 1018,
    kSySwitch = 1019,
    kGmSwitch = 1020,
    kRenderWindowButton = 1021,
    kBackColourButton = 1022,
    kSizeButton = 1023,
};

// Id of the first control and number of controls.
inline constexpr int32_t kFirstControlId = 1000;
inline constexpr int32_t kControlCount = 24;
// Id of the first owner-drawn control (caption index 0).
inline constexpr int32_t kFirstButtonId = 1005;
inline constexpr int32_t kButtonCount = 19;

// Menu command ids.
enum MenuId : int32_t {
    kMenuExit = 1068,
    kMenuShowTitle = 1069,
    kMenuRenderWindowTopMost = 1070,
    kMenuPolygonWhite = 1071,  // to 1078, one per polygon colour
    kMenuBackColour = 1079,
    kMenuSize = 1080,
    kMenuTransformable = 1081,
    kMenuGeneralSettings = 1082,
    kMenuSaveScreenShot = 1083,
    kMenuRestorePosition = 1084,
    kMenuCaptureNew = 1085,
    kMenuCaptureResume = 1086,
    kMenuMakeGif = 1087,
    kMenuVersionInfo = 1088,
    kMenuOpenDesign = 1150,      // "Open Design... (&O)" of the File menu
    kMenuRecentDesigns = 1151,   // "Recent Designs (&R)" of the File menu, a submenu
    kMenuLiveRayTrace = 1160,    // "Live Ray-trace (&L)" of the View menu
    kMenuFaceUp = 1161,          // "Face Up (&U)" of the View menu
    kMenuLighting = 1162,        // "Lighting" of the View menu, a submenu
    kMenuLightingStudio = 1163,  // its radio items "Studio (&S)", "ISO (&I)" and "COS (&C)", in
    kMenuLightingIso = 1164,     // the order of the lightings
    kMenuLightingCos = 1165,
    kMenuTiltPerformance = 1166,  // "Tilt Performance... (&T)" of the View menu
};
// Returns the tooltip of a main window button: what it does and the key that does the same;
// nullptr for a control without one.
const char* controlToolTip(int32_t id);

// Id of the render window's popup item "Screen Shot (&S)".
inline constexpr int32_t kPopupScreenShot = 1000;

// Size of the main window's client area below the menu bar.
inline constexpr int kClientWidth = 728;
inline constexpr int kClientHeight = 508;

// Right edge of the stone box.
inline constexpr int kStoneBoxRight = 695;

// What kind of control an id is.
enum class ControlKind { ComboBox, Edit, UpDown, Button, Arrow, Switch, Display };

// One row of the control table.
struct ControlSpec {
    int32_t id;
    ControlKind kind;
    const char* windowText;  // the platform window text ("Button1")
    QRect geometry;          // final place in the client area; lists and field: see the panel
    bool createdHidden;
};

// The control table in creation order.
const std::array<ControlSpec, kControlCount>& controlTable();

// Returns the drawn caption of owner-drawn control id (1005 to 1023), UTF-8; "" for 1017.
const char* drawnCaption(int32_t id);

// Returns the caption table indexed by id - 1005 (19 entries).
const std::array<const char*, kButtonCount>& drawnCaptions();

// Returns the objectName of control id: its decimal id.
inline QString controlName(int32_t id) { return QString::number(id); }

}  // namespace tavrine::ui
