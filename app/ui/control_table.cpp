#include "app/ui/control_table.h"

namespace tavrine::ui {

namespace {

constexpr int kRowTop = 452;  // the row of small buttons, 9 pixels below the boxes

}  // namespace

const char* controlToolTip(int32_t id) {
    switch (id) {
    case kRayTraceButton:
        return "Ray-trace the stone (key: Space)";
    case kViewRightButton:
        return "Turn the view, or the stone with SY on, to the right (key: Right arrow)";
    case kViewLeftButton:
        return "Turn the view, or the stone with SY on, to the left (key: Left arrow)";
    case kViewUpButton:
        return "Turn the view, or the stone with SY on, upwards (key: Up arrow)";
    case kViewDownButton:
        return "Turn the view, or the stone with SY on, downwards (key: Down arrow)";
    case kViewXButton:
        return "Turn the view about the line of sight (key: X)";
    case kViewZButton:
        return "Turn the view about the line of sight, the other way (key: Z)";
    case kLightRightButton:
        return "Turn the light ray to the right (keys: Shift or L with the Right arrow)";
    case kLightLeftButton:
        return "Turn the light ray to the left (keys: Shift or L with the Left arrow)";
    case kLightUpButton:
        return "Turn the light ray upwards (keys: Shift or L with the Up arrow)";
    case kLightDownButton:
        return "Turn the light ray downwards (keys: Shift or L with the Down arrow)";
    case kHqSwitch:
        return "HQ: ray-trace at twice the size and shrink the picture, for smoother edges (no "
               "key)";
    case kSySwitch:
        return "SY: the view arrows and the arrow keys turn the stone itself instead of the view "
               "(no key)";
    case kGmSwitch:
        return "GM: the view arrows and the arrow keys turn the view as a turntable does, about "
               "the upright axis (no key)";
    default:
        return nullptr;
    }
}

const std::array<ControlSpec, kControlCount>& controlTable() {
    static const std::array<ControlSpec, kControlCount> table = {{
        {kStoneList, ControlKind::ComboBox, "", QRect(), false},
        {kModelList, ControlKind::ComboBox, "", QRect(), false},
        {kColourList, ControlKind::ComboBox, "", QRect(), false},
        {kIndexField, ControlKind::Edit, "", QRect(), false},
        {kIndexUpDown, ControlKind::UpDown, "", QRect(), false},
        {kRayTraceButton, ControlKind::Button, "Button1", QRect(152, kRowTop, 80, 21), false},
        {kViewRightButton, ControlKind::Arrow, "Button2", QRect(448, kRowTop, 32, 21), false},
        {kViewLeftButton, ControlKind::Arrow, "Button3", QRect(416, kRowTop, 32, 21), false},
        {kViewUpButton, ControlKind::Arrow, "Button4", QRect(384, kRowTop, 32, 21), false},
        {kViewDownButton, ControlKind::Arrow, "Button5", QRect(352, kRowTop, 32, 21), false},
        {kViewXButton, ControlKind::Button, "Button6", QRect(320, kRowTop, 32, 21), false},
        {kViewZButton, ControlKind::Button, "Button7", QRect(288, kRowTop, 32, 21), false},
        {kLightRightButton, ControlKind::Arrow, "Button8", QRect(664, kRowTop, 32, 21), false},
        {kLightLeftButton, ControlKind::Arrow, "Button9", QRect(632, kRowTop, 32, 21), false},
        {kLightUpButton, ControlKind::Arrow, "Button10", QRect(600, kRowTop, 32, 21), false},
        {kLightDownButton, ControlKind::Arrow, "Button11", QRect(568, kRowTop, 32, 21), false},
        {kScreenShotButton, ControlKind::Button, "Button12", QRect(33, kRowTop, 60, 21), false},
        {kProgressDisplay, ControlKind::Display, "Button13", QRect(105, 407, 56, 21), true},
        {kHqSwitch, ControlKind::Switch, "Check1", QRect(101, kRowTop, 32, 21), false},
        {kSySwitch, ControlKind::Switch, "Check2", QRect(497, kRowTop, 32, 21), false},
        {kGmSwitch, ControlKind::Switch, "Check3", QRect(529, kRowTop, 32, 21), false},
        {kRenderWindowButton, ControlKind::Display, "Button14", QRect(63, 334, 140, 21), false},
        {kBackColourButton, ControlKind::Button, "Button15", QRect(39, 183, 120, 40), false},
        {kSizeButton, ControlKind::Button, "Button16", QRect(167, 183, 60, 40), false},
    }};
    return table;
}

const std::array<const char*, kButtonCount>& drawnCaptions() {
    static const std::array<const char*, kButtonCount> captions = {
        "ray-trace",
        "→",
        "←",
        "↑",
        "↓",
        "x",
        "z",
        "→",
        "←",
        "↑",
        "↓",
        "s.shot",
        "",
        "HQ",
        "SY",
        "GM",
        "-> Render Window",
        "Back Color &  Light Volume",
        "Size",
    };
    return captions;
}

const char* drawnCaption(int32_t id) {
    if (id < kFirstButtonId || id >= kFirstButtonId + kButtonCount) {
        return "";
    }
    return drawnCaptions()[static_cast<size_t>(id - kFirstButtonId)];
}

}  // namespace tavrine::ui
