#pragma once
// Resource identifiers, shared by the resource script and the code.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_RAVLIN_DIALOG 102
#define IDD_CAPTURE 134
#define IDD_SETTINGS 136
#define IDD_REVIEW 138
#define IDD_COUNTDOWN 139
#define IDD_REGION_SIZE 140

// Strings, icon and cursor.
#define IDS_ABOUTBOX 101

// Tool button tips; a key's tip adds the key and, when it cannot be had, who holds it.
#define IDS_TIP_SELECT 200
#define IDS_TIP_RECORD 201
#define IDS_TIP_STOP 202
#define IDS_TIP_SETTINGS 203
#define IDS_TIP_ABOUT 204
#define IDS_TIP_OPEN_FOLDER 205
#define IDS_TIP_KEY 206
#define IDS_TIP_KEY_ELSEWHERE 207
#define IDS_TIP_KEY_SHARED 208

// Messages and status lines of the tool window.
#define IDS_SELECT_FIRST 210
#define IDS_REGION_TOO_SMALL 211
#define IDS_RECORDING_FAILED 212
#define IDS_STATUS_RECORDED 213
#define IDS_STATUS_ENCODED 214
#define IDS_DONE 215
#define IDS_DONE_DROPPED 216
#define IDS_DONE_SIZE 217
#define IDS_DONE_CLIPBOARD_BUSY 218
#define IDS_CONFIRM_EXIT 219
#define IDS_DISK_FULL_AT_START 220
#define IDS_DISK_FULL 221
#define IDS_FRAMES_KEPT 222
#define IDS_FOLDER_UNWRITABLE 223
#define IDS_ENCODE_ERROR 224

// Settings dialog: the commands' names, the key notes and the refused values.
#define IDS_COMMAND_SELECT 230
#define IDS_COMMAND_RECORD 231
#define IDS_COMMAND_STOP 232
#define IDS_KEY_HELD_ELSEWHERE 233
#define IDS_KEY_DUPLICATE 234
#define IDS_RATE_RANGE 235
#define IDS_WIDTH_RANGE 236
#define IDS_HEIGHT_RANGE 237
#define IDS_KEYS_REPEATED 238
#define IDS_LANGUAGE_AUTO 240
#define IDS_LANGUAGE_CHINESE 241
#define IDS_LANGUAGE_ENGLISH 242
#define IDS_PLAY_COUNT_RANGE 243
#define IDS_COUNTDOWN_RANGE 244

// Review window, its messages and why a file could not be read; the countdown's window name.
#define IDS_REVIEW_PLAY 250
#define IDS_REVIEW_PAUSE 251
#define IDS_REVIEW_POSITION 252
#define IDS_REVIEW_KEPT 253
#define IDS_REVIEW_CONFIRM_DELETE 254
#define IDS_REVIEW_CANNOT_OPEN 255
#define IDS_REVIEW_CANNOT_READ 256
#define IDS_REVIEW_CHANGED 257
#define IDS_REVIEW_CANNOT_CREATE 258
#define IDS_REVIEW_WRITE_FAILED 259
#define IDS_REVIEW_CANNOT_REPLACE 260
#define IDS_REVIEW_CANNOT_DELETE 261
#define IDS_GIF_READ_FAILED 262
#define IDS_GIF_NOT_GIF 263
#define IDS_GIF_TRUNCATED 264
#define IDS_GIF_DAMAGED 265
#define IDS_GIF_NO_FRAMES 266
#define IDS_GIF_UNSUPPORTED 267
#define IDS_COUNTDOWN 268

// The size limit: the live size against it, why a recording stopped, the refused value.
#define IDS_SIZE_OF_LIMIT 270
#define IDS_DONE_SIZE_LIMIT 271
#define IDS_SIZE_LIMIT_RANGE 272
#define IDS_QUALITY_RANGE 273

// The review window's edits: what is in force, saving them, the copy's name.
#define IDS_EDIT_CROP 300
#define IDS_EDIT_CUTS 301
#define IDS_EDIT_SPEED 302
#define IDS_EDIT_PAUSES 303
#define IDS_EDIT_NONE 304
#define IDS_EDIT_CROP_HINT 305
#define IDS_EDIT_SAVING 306
#define IDS_EDIT_NOTHING_LEFT 307
#define IDS_EDIT_SAVE_AS_FILTER 308
#define IDS_FIT_SIZE_RANGE 309
#define IDS_FIT_IMPOSSIBLE 310
#define IDS_EDIT_FITTING 311
#define IDR_MAINFRAME 128
#define IDC_SELECT_CURSOR 135

// Main window buttons.
#define IDC_SELECT_REGION 1000
#define IDC_RECORD 1001
#define IDC_STOP 1002
#define IDC_SETTINGS 1003
#define IDC_ABOUT 1004
#define IDC_OPEN_FOLDER 1005

// Settings dialog controls (their numbers overlap the main window's; different dialogs).
#define IDC_FRAME_RATE 1005
#define IDC_ACTUAL_SIZE 1006
#define IDC_OUTPUT_WIDTH 1007
#define IDC_OUTPUT_HEIGHT 1008
#define IDC_TRUE_SPEED 1020
#define IDC_RECORD_POINTER 1021
#define IDC_HOTKEY_SELECT 1022
#define IDC_HOTKEY_RECORD 1023
#define IDC_HOTKEY_STOP 1024
#define IDC_HOTKEY_STATUS 1025
#define IDC_COMPACT_MODE 1009
#define IDC_LANGUAGE 1026
#define IDC_REVIEW_AFTER 1027
#define IDC_LOOP_FOREVER 1028
#define IDC_PLAY_COUNT 1029
#define IDC_COUNTDOWN 1030
#define IDC_RECORD_CLICKS 1031
#define IDC_MAX_SIZE 1032
#define IDC_QUALITY 1033

// Review window controls.
#define IDC_REVIEW_PICTURE 1101
#define IDC_REVIEW_SLIDER 1102
#define IDC_REVIEW_PLAY 1103
#define IDC_REVIEW_POSITION 1104
#define IDC_REVIEW_SET_START 1105
#define IDC_REVIEW_SET_END 1106
#define IDC_REVIEW_RANGE 1107
#define IDC_REVIEW_SAVE 1108
#define IDC_REVIEW_KEEP_ALL 1109
#define IDC_REVIEW_DELETE 1110
#define IDC_REVIEW_KEPT_BAR 1111
#define IDC_REVIEW_CROP 1112
#define IDC_REVIEW_CUT 1113
#define IDC_REVIEW_SPEED_LABEL 1114
#define IDC_REVIEW_SPEED 1115
#define IDC_REVIEW_PAUSES 1116
#define IDC_REVIEW_SAVE_AS 1117
#define IDC_REVIEW_EDITS 1118
#define IDC_REVIEW_PROGRESS 1119
#define IDC_REVIEW_STOP_SAVE 1120
#define IDC_REVIEW_FIT 1121
#define IDC_REVIEW_FIT_SIZE 1122

// Typed-size dialog controls.
#define IDC_REGION_WIDTH 1201
#define IDC_REGION_HEIGHT 1202
#define IDC_PRESET_640 1203
#define IDC_PRESET_800 1204
#define IDC_PRESET_1280 1205
#define IDC_PRESET_1920 1206
#define IDC_REGION_SIZE_NOTE 1207
#define IDC_PRESET_SCREEN 1208

// The main window's command for a typed region size: its system-menu item, and the command the
// selection overlay posts when the user asks for it there.
#define IDM_REGION_SIZE 0x0020
#define IDC_REGION_SIZE 1010

// The overlay's hints, the system-menu item and the note of the typed-size dialog.
#define IDS_OVERLAY_HINT_DRAG 280
#define IDS_OVERLAY_HINT_PICK 281
#define IDS_REGION_SIZE_MENU 282
#define IDS_REGION_SIZE_TOO_LARGE 283
#define IDS_WHOLE_SCREEN 284

// System menu item that opens the about box.
#define IDM_ABOUTBOX 0x0010
