#include "app/recording_settings.h"

#include "app/config_store.h"

const SettingRow& SettingRowOf(int32_t RecordingSettings::*field)
{
    for (const SettingRow& row : kSettingRows) {
        if (row.field == field)
            return row;
    }
    return kSettingRows[0];  // every field has a row: the table test sees to it
}

bool InSettingRange(const SettingRow& row, int32_t value)
{
    return value >= row.low && value <= row.high;
}

RecordingSettings DefaultRecordingSettings()
{
    RecordingSettings settings;
    for (const SettingRow& row : kSettingRows)
        settings.*row.field = row.defaultValue;
    return settings;
}

RecordingSettings ReadRecordingSettings()
{
    RecordingSettings settings;
    for (const SettingRow& row : kSettingRows)
        settings.*row.field = ReadConfigInt(row.key, row.defaultValue);
    return settings;
}

bool WriteRecordingSettings(const RecordingSettings& settings)
{
    bool written = true;
    for (const SettingRow& row : kSettingRows)
        written = WriteConfigInt(row.key, settings.*row.field) != 0 && written;
    return written;
}

RecordingSettings UsableSettings(const RecordingSettings& stored)
{
    RecordingSettings usable = stored;
    for (const SettingRow& row : kSettingRows) {
        const int32_t value = stored.*row.field;
        switch (row.check) {
        case SettingCheck::Switch:
            usable.*row.field = value != 0 ? 1 : 0;
            break;
        case SettingCheck::Range:
            if (!InSettingRange(row, value))
                usable.*row.field = row.defaultValue;
            break;
        }
    }
    return usable;
}
