// The window's rules that need no window: output names and the settings a recording starts with.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "app/recording_file_name.h"
#include "app/recording_review.h"
#include "app/recording_settings.h"
#include "app/size_limit.h"
#include "app/ui_language.h"
#include "record/click_mark.h"
#include "win/resource_text.h"

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

TEST(RecordingSettings, ReviewPlayCountAndCountdown)
{
    struct Case {
        int32_t review, plays, countdown;  // as stored
        int32_t usableReview, usablePlays, usableCountdown;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0},       {1, 1, 1, 1, 1, 1},        {5, 100, 10, 1, 100, 10},
        {-1, 101, 11, 1, 0, 0},   {0, -3, -1, 0, 0, 0},      {0, INT32_MAX, INT32_MIN, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plays);
        RecordingSettings s;
        s.reviewAfterRecording = c.review;
        s.playCount = c.plays;
        s.countdownSeconds = c.countdown;
        const RecordingSettings usable = UsableSettings(s);
        EXPECT_EQ(usable.reviewAfterRecording, c.usableReview);
        EXPECT_EQ(usable.playCount, c.usablePlays);
        EXPECT_EQ(usable.countdownSeconds, c.usableCountdown);
    }
}

TEST(SizeLimit, BytesTextAndWarning)
{
    const struct {
        int64_t bytes;
        int32_t limit;  // MB, 0: none
        const wchar_t* text;
        bool warn;
    } cases[] = {
        {8598323, 10, L"8.2 MB / 10 MB", false},
        {9437184, 10, L"9.0 MB / 10 MB", true},   // nine tenths exactly
        {9437183, 10, L"9.0 MB / 10 MB", false},
        {1048576, 1, L"1.0 MB / 1 MB", true},
        {8598323, 0, L"8.2 MB", false},
        {812, 4000, L"812 B / 4000 MB", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(SizeAgainstLimitText(c.bytes, c.limit), c.text);
        EXPECT_EQ(NearSizeLimit(c.bytes, c.limit), c.warn);
    }
    EXPECT_EQ(SizeLimitBytes(0), 0);
    EXPECT_EQ(SizeLimitBytes(10), 10485760);
    EXPECT_EQ(SizeLimitBytes(4000), int64_t(4000) * 1048576);  // past 32 bits
    RecordingSettings s;
    for (int32_t stored : {-1, 4001, INT32_MAX}) {
        s.maxFileSizeMB = stored;
        EXPECT_EQ(UsableSettings(s).maxFileSizeMB, 0) << stored;
    }
    s.maxFileSizeMB = 4000;
    EXPECT_EQ(UsableSettings(s).maxFileSizeMB, 4000);
}

TEST(ClickMark, GrowsWithTheScreensDpi)
{
    const struct {
        int dpi, radius, width;
    } cases[] = {{96, 14, 3}, {120, 18, 4}, {144, 21, 5}, {192, 28, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        EXPECT_EQ(ClickMarkRadius(c.dpi), c.radius);
        EXPECT_EQ(ClickMarkWidth(c.dpi), c.width);
    }
}

TEST(ReviewTexts, PositionAndKeptRangeInBothLanguages)
{
    struct Case {
        LANGID language;
        size_t frame, count;
        uint32_t time, duration;  // hundredths
        const wchar_t* position;
    };
    const Case cases[] = {
        {kChineseLanguage, 0, 1, 0, 4, L"第 1/1 帧  0:00.00 / 0:00.04"},
        {kChineseLanguage, 11, 300, 44, 1200, L"第 12/300 帧  0:00.44 / 0:12.00"},
        {kChineseLanguage, 1499, 1500, 5996, 6000, L"第 1500/1500 帧  0:59.96 / 1:00.00"},
        {kChineseLanguage, 0, 70000, 0, 370005, L"第 1/70000 帧  0:00.00 / 61:40.05"},
        {kEnglishLanguage, 11, 300, 44, 1200, L"Frame 12/300  0:00.44 / 0:12.00"},
    };
    const LANGID previous = ResourceLanguage();
    for (const Case& c : cases) {
        SetResourceLanguage(c.language);
        EXPECT_EQ(ReviewPositionText(c.frame, c.count, c.time, c.duration), c.position);
    }
    SetResourceLanguage(kChineseLanguage);
    EXPECT_EQ(KeptRangeText(2, 249, 992), L"保留第 3-250 帧，共 9.92 秒");
    EXPECT_EQ(KeptRangeText(0, 0, 4), L"保留第 1-1 帧，共 0.04 秒");
    SetResourceLanguage(kEnglishLanguage);
    EXPECT_EQ(KeptRangeText(2, 249, 992), L"Keeping frames 3-250, 9.92 s");
    // Every reading failure has words, and the damaged kinds share theirs.
    for (GifError e : {GifError::ReadFailed, GifError::NotGif, GifError::Truncated, GifError::BadBlock,
                       GifError::BadImage, GifError::BadCode, GifError::ShortData, GifError::NoFrames,
                       GifError::Unsupported})
        EXPECT_FALSE(GifErrorText(e).empty());
    EXPECT_EQ(GifErrorText(GifError::BadCode), GifErrorText(GifError::ShortData));
    EXPECT_NE(GifErrorText(GifError::Truncated), GifErrorText(GifError::BadCode));
    SetResourceLanguage(previous);
}

}  // namespace
