#pragma once
// The four dialogs of the "Settings(&S)" menu, for the main window:
//   openBackColorSettings    menu 1079 and button 1022  "BackColorSettingWnd"
//   openSizeSetting          menu 1080 and button 1023  "SizeSettingWnd"
//   openTransformableModels  menu 1081                  "ModelSettingWnd"
//   openGeneralSettings      menu 1082                  "SettingWnd"
// and applySizeAndTrimming for Restore Position and capture Resume. The main window implements
// DialogHost (dialog_host.h).

#include "app/dialogs/back_color_dialog.h"
#include "app/dialogs/dialog_host.h"
#include "app/dialogs/general_settings_dialog.h"
#include "app/dialogs/size_setting_dialog.h"
#include "app/dialogs/transformable_models_dialog.h"
