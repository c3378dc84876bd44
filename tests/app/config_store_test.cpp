#include "app/config_store.h"
#include "app/recording_settings.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <cwchar>

namespace {

namespace fs = std::filesystem;

std::wstring ReadWholeFile(const std::wstring& path)
{
    std::ifstream in(fs::path(path), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::wstring(bytes.begin(), bytes.end());  // the file holds ASCII only
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void MakeFile(const std::wstring& path, const char* text)
{
    std::ofstream out(fs::path(path), std::ios::binary);
    out << text;
}

// Every test works in a scratch tree of its own on drive C:, laid out like the real folders.
class ConfigStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = L"C:\\ravlin-config-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount());
        m_fixed = m_root + L"\\Documents and Settings\\Administrator\\Application Data\\ravlin";
        m_user = m_root + L"\\users\\someone\\AppData\\Roaming\\ravlin";
        ASSERT_TRUE(CreateDirectoryW(m_root.c_str(), nullptr));
        OverrideConfigFolders(m_fixed.c_str(), m_user.c_str());
    }
    void TearDown() override
    {
        OverrideConfigFolders(nullptr, nullptr);
        std::error_code ignored;
        fs::remove_all(fs::path(m_root), ignored);
    }

    // Makes the fixed folder impossible to create: a file stands where one of its folders must be.
    void BlockFixedFolder() { MakeFile(m_root + L"\\Documents and Settings", "not a folder"); }

    std::wstring m_root;
    std::wstring m_fixed;
    std::wstring m_user;
};

TEST_F(ConfigStore, FirstRunCreatesTheFolderChainAndReadsTheDefaults)
{
    EXPECT_FALSE(Exists(m_root + L"\\Documents and Settings"));

    EXPECT_EQ(ReadConfigInt(L"CaptureDelay", 50), 50);
    EXPECT_EQ(ReadConfigInt(L"CaptureType", 0), 0);
    EXPECT_EQ(ReadConfigInt(L"Width", 480), 480);
    EXPECT_EQ(ReadConfigInt(L"Height", 270), 270);

    EXPECT_TRUE(IsFolder(m_fixed));
    EXPECT_FALSE(Exists(m_fixed + L"\\config.ini")) << "reading must not create the file";
    EXPECT_FALSE(Exists(m_user)) << "the user's folder is only for refused writes";
}

TEST_F(ConfigStore, WritesDecimalTextUnderSectionRavlinAndReadsItBack)
{
    EXPECT_NE(WriteConfigInt(L"CaptureDelay", 50), 0);
    EXPECT_NE(WriteConfigInt(L"Width", -7), 0);
    EXPECT_NE(WriteConfigInt(L"Height", 1080, L"Other"), 0);

    const std::wstring text = ReadWholeFile(m_fixed + L"\\config.ini");
    EXPECT_NE(text.find(L"[Ravlin]"), std::wstring::npos) << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"CaptureDelay=50"), std::wstring::npos);
    EXPECT_NE(text.find(L"Width=-7"), std::wstring::npos);
    EXPECT_NE(text.find(L"[Other]"), std::wstring::npos);

    EXPECT_EQ(ReadConfigInt(L"CaptureDelay", 1), 50);
    EXPECT_EQ(ReadConfigInt(L"Width", 480), -7) << "values outside the dialog's ranges come back as they are";
    EXPECT_EQ(ReadConfigInt(L"Height", 270), 270) << "Height was written to another section";
    EXPECT_EQ(ReadConfigInt(L"Height", 270, L"Other"), 1080);

    EXPECT_NE(WriteConfigInt(L"CaptureDelay", 33), 0);
    EXPECT_EQ(ReadConfigInt(L"CaptureDelay", 50), 33);
}

TEST_F(ConfigStore, NullKeyTouchesNothing)
{
    EXPECT_EQ(ReadConfigInt(nullptr, 50), 0);
    EXPECT_EQ(WriteConfigInt(nullptr, 50), 0);
    EXPECT_FALSE(Exists(m_root + L"\\Documents and Settings"));
    EXPECT_FALSE(Exists(m_user));
}

TEST_F(ConfigStore, EnsureDirectoryCreatesMissingFoldersAndStopsAtAFile)
{
    const std::wstring deep = m_root + L"\\a\\b\\c";
    EXPECT_TRUE(EnsureDirectory(deep));
    EXPECT_TRUE(IsFolder(deep));
    EXPECT_TRUE(EnsureDirectory(deep + L"\\")) << "existing folders, trailing backslash";

    MakeFile(m_root + L"\\a\\file", "x");
    EXPECT_FALSE(EnsureDirectory(m_root + L"\\a\\file\\d"));
    EXPECT_FALSE(EnsureDirectory(m_root + L"\\a\\file")) << "a file is not the folder asked for";
    EXPECT_FALSE(EnsureDirectory(L"Q:\\no-such-drive\\x"));
}

TEST_F(ConfigStore, RefusedFixedFolderFallsBackToTheUsersFolder)
{
    BlockFixedFolder();

    EXPECT_EQ(ReadConfigInt(L"Width", 480), 480);
    EXPECT_NE(WriteConfigInt(L"Width", 640), 0) << "a write that lands somewhere reports success";
    EXPECT_NE(WriteConfigInt(L"CaptureType", 1), 0);

    EXPECT_FALSE(Exists(m_fixed));
    const std::wstring text = ReadWholeFile(m_user + L"\\config.ini");
    EXPECT_NE(text.find(L"[Ravlin]"), std::wstring::npos);
    EXPECT_NE(text.find(L"Width=640"), std::wstring::npos);

    EXPECT_EQ(ReadConfigInt(L"Width", 480), 640);
    EXPECT_EQ(ReadConfigInt(L"CaptureType", 0), 1);
    EXPECT_EQ(ReadConfigInt(L"Height", 270), 270);
}

TEST_F(ConfigStore, WritesFailOnlyWhenNeitherFolderTakesThem)
{
    BlockFixedFolder();
    MakeFile(m_root + L"\\users", "not a folder either");
    EXPECT_EQ(WriteConfigInt(L"Width", 640), 0);
    EXPECT_EQ(ReadConfigInt(L"Width", 480), 480);
}

TEST_F(ConfigStore, FixedFolderWinsWheneverItWorks)
{
    // Settings written earlier into the fixed folder keep being read.
    ASSERT_TRUE(EnsureDirectory(m_fixed));
    MakeFile(m_fixed + L"\\config.ini", "[Ravlin]\r\nCaptureDelay=40\r\nHeight=300\r\n");
    EXPECT_EQ(ReadConfigInt(L"CaptureDelay", 50), 40);

    // A value the fixed folder refused once lives in the user's folder and shadows the old one...
    ASSERT_TRUE(EnsureDirectory(m_user));
    MakeFile(m_user + L"\\config.ini", "[Ravlin]\r\nHeight=500\r\n");
    EXPECT_EQ(ReadConfigInt(L"Height", 270), 500);

    // ...until a write to the fixed folder succeeds again: the newest value is the one read.
    EXPECT_NE(WriteConfigInt(L"Height", 720), 0);
    EXPECT_EQ(ReadConfigInt(L"Height", 270), 720);
    EXPECT_EQ(ReadWholeFile(m_user + L"\\config.ini").find(L"Height="), std::wstring::npos);
    EXPECT_NE(ReadWholeFile(m_fixed + L"\\config.ini").find(L"Height=720"), std::wstring::npos);
}

// Listed field by field, not through the table: a field the table misses, or a row that names
// another row's field, comes back wrong.
std::vector<int32_t> Fields(const RecordingSettings& s)
{
    return {s.captureDelay,         s.captureType, s.width,            s.height,       s.trueSpeed,    s.recordPointer,
            s.compactMode, s.reviewAfterRecording, s.playCount, s.countdownSeconds, s.recordClicks, s.maxFileSizeMB,
            s.quality};
}

TEST_F(ConfigStore, EverySettingIsWrittenUnderItsOwnKeyAndReadBack)
{
    RecordingSettings written;
    int32_t next = 1001;
    for (int32_t* field : {&written.captureDelay, &written.captureType, &written.width, &written.height,
                           &written.trueSpeed, &written.recordPointer, &written.compactMode,
                           &written.reviewAfterRecording, &written.playCount, &written.countdownSeconds,
                           &written.recordClicks, &written.maxFileSizeMB, &written.quality})
        *field = next++;
    ASSERT_TRUE(WriteRecordingSettings(written));
    EXPECT_EQ(Fields(ReadRecordingSettings()), Fields(written));
    const std::wstring text = ReadWholeFile(m_fixed + L"\\config.ini");
    for (const SettingRow& row : kSettingRows) {
        SCOPED_TRACE(std::string(row.key, row.key + wcslen(row.key)));
        EXPECT_NE(text.find(std::wstring(row.key) + L"=" + std::to_wstring(written.*row.field)), std::wstring::npos);
        EXPECT_EQ(&SettingRowOf(row.field), &row);
    }
}

TEST(ConfigFolders, RealLocations)
{
    OverrideConfigFolders(nullptr, nullptr);
    EXPECT_EQ(FixedConfigFolder(), L"C:\\Documents and Settings\\Administrator\\Application Data\\ravlin");
    wchar_t appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    EXPECT_EQ(UserConfigFolder(), std::wstring(appData) + L"\\ravlin");
}

TEST(DirectoryPrefixes, WalkThePathFromItsStart)
{
    using V = std::vector<std::wstring>;
    EXPECT_EQ(DirectoryPrefixes(L"C:\\a\\b"), (V{L"C:", L"C:\\a", L"C:\\a\\b"}));
    EXPECT_EQ(DirectoryPrefixes(L"C:\\a\\b\\"), (V{L"C:", L"C:\\a", L"C:\\a\\b"})) << "trailing backslash";
    EXPECT_EQ(DirectoryPrefixes(L"\\\\server\\share"), (V{L"\\\\server\\share"})) << "leading backslash";
    EXPECT_EQ(DirectoryPrefixes(L"CaptureFile"), (V{L"CaptureFile"}));
    EXPECT_EQ(DirectoryPrefixes(L""), V{});
    EXPECT_EQ(DirectoryPrefixes(FixedConfigFolder()).size(), 5u);
}

}  // namespace
