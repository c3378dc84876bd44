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

// Strings, icon and cursor.
#define IDS_ABOUTBOX 101
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

// System menu item that opens the about box.
#define IDM_ABOUTBOX 0x0010
