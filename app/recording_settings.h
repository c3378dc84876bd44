#pragma once
// The settings a recording starts with. One table names, for each, its key in the configuration
// file, its default and the values a recording can use: reading, writing, the settings
// dialog's checks and the repair of values an edited file may hold all go by it, so a new
// setting is a field and a row.
#include <cstdint>

#include "app/resource.h"

// Zero until read; DefaultRecordingSettings() has the defaults.
struct RecordingSettings {
    int32_t captureDelay = 0;          // milliseconds between frame starts
    int32_t captureType = 0;           // 0: captured size; 1: Width x Height
    int32_t width = 0;
    int32_t height = 0;
    int32_t trueSpeed = 0;             // 1: frames shown for the time that really passed
    int32_t recordPointer = 0;         // 1: the mouse pointer drawn into the frames
    int32_t compactMode = 0;           // 1: frames hold only what changed; else whole
    int32_t reviewAfterRecording = 0;  // 1: the review window before the end
    int32_t playCount = 0;             // how many times the GIF plays; 0 for ever
    int32_t countdownSeconds = 0;      // 0 starts at once
    int32_t recordClicks = 0;          // 1: a ring around the pointer while a button is down
    int32_t maxFileSizeMB = 0;         // the file stays within this many MB; 0: no limit
    int32_t quality = 0;               // the compact mode's, 1 to 100: lower trades sharpness for size
    int32_t fitSizeMB = 0;             // the review window's "fit to" size last used
};

enum class SettingCheck {
    Range,   // a stored value outside low..high is replaced by the default
    Switch,  // any value but 0 is on, and reads as 1
};

struct SettingRow {
    const wchar_t* key;
    int32_t RecordingSettings::*field;
    int32_t defaultValue;
    SettingCheck check;
    int32_t low;
    int32_t high;
    unsigned rangeText;  // what the settings dialog says of a typed value outside low..high; 0: none typed
};

// In the order the settings dialog checks them and the keys are read and written.
inline constexpr SettingRow kSettingRows[] = {
    // The dialog's 15 to 30 frames per second; outside, the capture thread would spin or crawl.
    {L"CaptureDelay", &RecordingSettings::captureDelay, 50, SettingCheck::Range, 1000 / 30, 1000 / 15, IDS_RATE_RANGE},
    // Outside, the encoder would be asked for unbounded frames.
    {L"Width", &RecordingSettings::width, 480, SettingCheck::Range, 50, 1920, IDS_WIDTH_RANGE},
    {L"Height", &RecordingSettings::height, 270, SettingCheck::Range, 50, 1080, IDS_HEIGHT_RANGE},
    {L"CaptureType", &RecordingSettings::captureType, 0, SettingCheck::Switch, 0, 1, 0},
    {L"TrueSpeed", &RecordingSettings::trueSpeed, 0, SettingCheck::Switch, 0, 1, 0},
    {L"RecordPointer", &RecordingSettings::recordPointer, 0, SettingCheck::Switch, 0, 1, 0},
    // Only exactly 1 chooses the compact mode.
    {L"CompactMode", &RecordingSettings::compactMode, 0, SettingCheck::Range, 0, 1, 0},
    {L"ReviewAfterRecording", &RecordingSettings::reviewAfterRecording, 0, SettingCheck::Switch, 0, 1, 0},
    // The default lies outside the range: 0 plays for ever, which the dialog offers as a box.
    {L"PlayCount", &RecordingSettings::playCount, 0, SettingCheck::Range, 1, 100, IDS_PLAY_COUNT_RANGE},
    {L"CountdownSeconds", &RecordingSettings::countdownSeconds, 0, SettingCheck::Range, 0, 10, IDS_COUNTDOWN_RANGE},
    {L"RecordClicks", &RecordingSettings::recordClicks, 0, SettingCheck::Switch, 0, 1, 0},
    {L"MaxFileSizeMB", &RecordingSettings::maxFileSizeMB, 0, SettingCheck::Range, 0, 4000, IDS_SIZE_LIMIT_RANGE},
    {L"Quality", &RecordingSettings::quality, 100, SettingCheck::Range, 1, 100, IDS_QUALITY_RANGE},
    // Typed in the review window, which checks it; the settings dialog keeps it as stored.
    {L"FitSizeMB", &RecordingSettings::fitSizeMB, 10, SettingCheck::Range, 1, 4000, 0},
};

// The row of a field of RecordingSettings.
const SettingRow& SettingRowOf(int32_t RecordingSettings::*field);

// True when value lies in the row's low..high.
bool InSettingRange(const SettingRow& row, int32_t value);

RecordingSettings DefaultRecordingSettings();

// Every key as stored, its default where it is absent.
RecordingSettings ReadRecordingSettings();

// Stores every key; false when any could not be written.
bool WriteRecordingSettings(const RecordingSettings& settings);

// A copy fit to record with: each value as its row's check makes it.
RecordingSettings UsableSettings(const RecordingSettings& stored);
