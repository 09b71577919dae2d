// Numeric identifiers of Lumitrax's resources and dialog controls.
// Plain #defines only: the resource compiler reads this file as well as C++.
#ifndef LUMITRAX_RES_RESOURCE_H
#define LUMITRAX_RES_RESOURCE_H

// Dialogs, menu, strings
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_LUMITRAX_DIALOG 102
#define IDR_TRAYMENU 129

// Icons: the application icon group, then the four tray indications
#define IDR_MAINFRAME 128
#define IDI_LOCKED_AUTODIMMING 135
#define IDI_AUTODIMMING 136
#define IDI_LOCKED 137
#define IDI_LUMITRAX 138

// Bitmaps
#define IDB_DIMMING_NONE 157
#define IDB_BACKLIGHT_OFF 158
#define IDB_BACKLIGHT_ON 159
#define IDB_SEPARATOR 160
#define IDB_BACKGROUND_0 161 // panel background with no optional function
#define IDB_BACKGROUND_1 162
#define IDB_BACKGROUND_2 163
#define IDB_BACKGROUND_3 164 // with all three optional functions
#define IDB_DIMMING_OFF 165
#define IDB_DIMMING_ON 166
#define IDB_CHANNEL_BRIGHTNESS 167
#define IDB_THUMB 168
#define IDB_CHANNEL_VOLUME 169
#define IDB_BACKLIGHT 170
#define IDB_VOLUME 171
#define IDB_VOLUME_MUTED 172
#define IDB_VOLUME_SOUND 173
#define IDB_BUZZER_OFF 174
#define IDB_BUZZER_ON 175
#define IDB_UNLOCKED 176
#define IDB_LOCKED 177

// The bitmaps above are the 100 % set. The same pictures drawn for 150 % have
// these ids plus IDB_SET_STEP, drawn for 200 % plus twice IDB_SET_STEP; the
// drawing tool and the program both take the step from here.
#define IDB_SET_STEP 1000

// Where the panel's template places its level controls, in dialog units:
// the left edges of the switch button, the separator beside it, the function
// button and the slider, and their common top. The resource script places
// them there, and the layout turns these into pixels.
#define DLU_SWITCH_LEFT 0
#define DLU_MARKER_LEFT 37
#define DLU_FUNCTION_LEFT 43
#define DLU_SLIDER_LEFT 81
#define DLU_LEVEL_TOP 2

// Controls of the panel (dialog 102)
#define IDC_LEVEL_SLIDER 1002
#define IDC_DIMMING 1003
#define IDC_BUZZER 1005
#define IDC_LOCK 1006
#define IDC_FUNCTION 1009
#define IDC_LEVEL_MARKER 1010
#define IDC_SWITCH 1011
#define IDC_SEPARATOR_BUZZER 1012
#define IDC_SEPARATOR_LOCK 1013
#define IDC_SEPARATOR_DIMMING 1014

// Controls of the About box (dialog 100); its OK button is IDOK (1)
#define IDC_DRIVER_VERSION 1015
#define IDC_LIBRARY_VERSION 1016

// Tray menu commands
#define ID_ABOUT 32772
#define ID_ENV_OFFICE 32774
#define ID_ENV_NORMAL 32775
#define ID_ENV_FACTORY 32776
#define ID_ENV_OUTDOOR 32777

#endif
