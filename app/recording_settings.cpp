#include "app/recording_settings.h"

#include "app/config_store.h"

namespace {

constexpr int32_t kMinDelay = 1000 / 30;
constexpr int32_t kMaxDelay = 1000 / 15;

bool InRange(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

}  // namespace

RecordingSettings ReadRecordingSettings()
{
    const RecordingSettings defaults;
    RecordingSettings settings;
    settings.captureDelay = ReadConfigInt(L"CaptureDelay", defaults.captureDelay);
    settings.width = ReadConfigInt(L"Width", defaults.width);
    settings.height = ReadConfigInt(L"Height", defaults.height);
    settings.captureType = ReadConfigInt(L"CaptureType", defaults.captureType);
    settings.trueSpeed = ReadConfigInt(L"TrueSpeed", defaults.trueSpeed);
    settings.recordPointer = ReadConfigInt(L"RecordPointer", defaults.recordPointer);
    settings.compactMode = ReadConfigInt(L"CompactMode", defaults.compactMode);
    settings.reviewAfterRecording = ReadConfigInt(L"ReviewAfterRecording", defaults.reviewAfterRecording);
    settings.playCount = ReadConfigInt(L"PlayCount", defaults.playCount);
    settings.countdownSeconds = ReadConfigInt(L"CountdownSeconds", defaults.countdownSeconds);
    settings.recordClicks = ReadConfigInt(L"RecordClicks", defaults.recordClicks);
    settings.maxFileSizeMB = ReadConfigInt(L"MaxFileSizeMB", defaults.maxFileSizeMB);
    return settings;
}

RecordingSettings UsableSettings(const RecordingSettings& stored)
{
    const RecordingSettings defaults;
    RecordingSettings usable = stored;
    if (!InRange(stored.captureDelay, kMinDelay, kMaxDelay))
        usable.captureDelay = defaults.captureDelay;
    if (!InRange(stored.width, 50, 1920))
        usable.width = defaults.width;
    if (!InRange(stored.height, 50, 1080))
        usable.height = defaults.height;
    usable.captureType = stored.captureType != 0 ? 1 : 0;
    usable.trueSpeed = stored.trueSpeed != 0 ? 1 : 0;
    usable.recordPointer = stored.recordPointer != 0 ? 1 : 0;
    usable.compactMode = stored.compactMode == 1 ? 1 : 0;
    usable.reviewAfterRecording = stored.reviewAfterRecording != 0 ? 1 : 0;
    usable.recordClicks = stored.recordClicks != 0 ? 1 : 0;
    if (!InRange(stored.playCount, kMinPlayCount, kMaxPlayCount))
        usable.playCount = defaults.playCount;
    if (!InRange(stored.countdownSeconds, 0, kMaxCountdownSeconds))
        usable.countdownSeconds = defaults.countdownSeconds;
    if (!InRange(stored.maxFileSizeMB, 0, kMaxFileSizeMB))
        usable.maxFileSizeMB = defaults.maxFileSizeMB;
    return usable;
}
