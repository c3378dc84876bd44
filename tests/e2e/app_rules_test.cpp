// The window's rules that need no window: output names and the settings a recording starts with.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/output_file.h"
#include "app/recording_settings.h"

namespace {

SYSTEMTIME Time(int year, int month, int day, int hour, int minute, int second)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    return t;
}

TEST(OutputName, FieldsAreZeroPaddedInTheirOrder)
{
    EXPECT_EQ(OutputFileName(Time(2024, 1, 2, 3, 4, 5)), L"20240102030405.gif");
    EXPECT_EQ(OutputFileName(Time(1999, 12, 31, 23, 59, 59)), L"19991231235959.gif");
    EXPECT_EQ(FileNamePart(L"C:\\a\\CaptureFile\\20240102030405.gif"), L"20240102030405.gif");
    EXPECT_EQ(FileNamePart(L"plain.gif"), L"plain.gif");
}

TEST(OutputName, AnExistingFileIsNeverReplaced)
{
    std::set<std::wstring> existing;
    auto exists = [&existing](const std::wstring& path) { return existing.count(path) != 0; };
    const std::wstring folder = L"C:\\p\\CaptureFile";
    const std::wstring name = L"20240102030405.gif";

    EXPECT_EQ(UniqueOutputPath(folder, name, exists), folder + L"\\" + name);
    existing.insert(folder + L"\\" + name);
    EXPECT_EQ(UniqueOutputPath(folder, name, exists), folder + L"\\20240102030405-2.gif");
    existing.insert(folder + L"\\20240102030405-2.gif");
    existing.insert(folder + L"\\20240102030405-3.gif");
    EXPECT_EQ(UniqueOutputPath(folder, name, exists), folder + L"\\20240102030405-4.gif");
}

TEST(RecordingSettings, ValuesTheDialogWritesAreKept)
{
    for (int rate = 15; rate <= 30; ++rate) {
        const RecordingSettings stored{1000 / rate, 0, 480, 270};
        EXPECT_EQ(UsableSettings(stored).captureDelay, 1000 / rate) << rate;
    }
    const RecordingSettings edges[] = {{33, 1, 50, 50}, {66, 1, 1920, 1080}, {50, 0, 1234, 567}};
    for (const RecordingSettings& s : edges) {
        const RecordingSettings usable = UsableSettings(s);
        EXPECT_EQ(usable.captureDelay, s.captureDelay);
        EXPECT_EQ(usable.captureType, s.captureType);
        EXPECT_EQ(usable.width, s.width);
        EXPECT_EQ(usable.height, s.height);
    }
}

TEST(RecordingSettings, UnusableValuesFallBackOneByOne)
{
    // A delay of 0 or less would capture without pause; sizes of 0, negative or huge would
    // ask the encoder for unbounded frames.
    const RecordingSettings bad[] = {
        {0, 1, 0, 0}, {-20, 1, -5, -5}, {32, 1, 49, 49}, {67, 1, 1921, 1081}, {INT32_MAX, 1, INT32_MAX, INT32_MIN},
    };
    for (const RecordingSettings& s : bad) {
        const RecordingSettings usable = UsableSettings(s);
        EXPECT_EQ(usable.captureDelay, 50) << s.captureDelay;
        EXPECT_EQ(usable.width, 480) << s.width;
        EXPECT_EQ(usable.height, 270) << s.height;
    }
    // One bad value does not reset the good ones.
    const RecordingSettings mixed = UsableSettings(RecordingSettings{40, 1, 0, 300});
    EXPECT_EQ(mixed.captureDelay, 40);
    EXPECT_EQ(mixed.width, 480);
    EXPECT_EQ(mixed.height, 300);
    // Any nonzero type scales, as the dialog reads it.
    EXPECT_EQ(UsableSettings(RecordingSettings{50, 7, 480, 270}).captureType, 1);
    EXPECT_EQ(UsableSettings(RecordingSettings{50, -1, 480, 270}).captureType, 1);
    EXPECT_EQ(UsableSettings(RecordingSettings{50, 0, 480, 270}).captureType, 0);
}

}  // namespace
