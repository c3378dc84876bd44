#pragma once
// The settings a recording starts with, and what a recording does with values that an
// edited configuration file may hold but the settings dialog never writes.
#include <cstdint>

struct RecordingSettings {
    int32_t captureDelay = 50;  // milliseconds between frame starts
    int32_t captureType = 0;    // 0: captured size; otherwise Width x Height
    int32_t width = 480;
    int32_t height = 270;
    int32_t trueSpeed = 0;      // "TrueSpeed": frames shown for the time that really passed
    int32_t recordPointer = 0;  // "RecordPointer": the mouse pointer drawn into the frames
    int32_t compactMode = 0;    // "CompactMode": 1, frames hold only what changed; else whole
    int32_t reviewAfterRecording = 0;  // "ReviewAfterRecording": the review window before the end
    int32_t playCount = 0;      // "PlayCount": how many times the GIF plays, 0 for ever
    int32_t countdownSeconds = 0;  // "CountdownSeconds": 0 starts at once, else 1..10
    int32_t recordClicks = 0;   // "RecordClicks": a ring around the pointer while a button is down
    int32_t maxFileSizeMB = 0;  // "MaxFileSizeMB": the file stays within this many MB; 0: no limit
};

constexpr int32_t kMaxFileSizeMB = 4000;

constexpr int32_t kMaxCountdownSeconds = 10;

// The play counts the settings dialog offers besides "for ever".
constexpr int32_t kMinPlayCount = 1;
constexpr int32_t kMaxPlayCount = 100;

// Reads the keys in the order CaptureDelay, Width, Height, CaptureType, then the options, as
// stored.
RecordingSettings ReadRecordingSettings();

// A copy fit to record with: a delay outside the dialog's 15 to 30 frames per second, or a
// size outside 50..1920 x 50..1080, would spin the capture thread or ask for unbounded memory,
// so each such value falls back to its default; any nonzero type means "scaled", as in the
// dialog; the same holds for the options, except that only a CompactMode of exactly 1 chooses
// the compact mode; a play count outside 1..100 plays for ever; a countdown outside 0..10 is none, and a size limit outside 0..4000 MB is none.
RecordingSettings UsableSettings(const RecordingSettings& stored);
