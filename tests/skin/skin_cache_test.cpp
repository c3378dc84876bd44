// The skin cache: one handle per name whatever its letter case, one trace line per file read,
// missing files retried, nothing stored for failures, every handle released once.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "debug_output_listener.h"
#include "skin/skin_cache.h"
#include "test_files.h"

namespace {
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}
}  // namespace

TEST(SkinCache, NamesDifferingInCaseShareOneHandleAndOneTraceLine)
{
    CDebugOutputListener listener;
    ASSERT_TRUE(listener.IsListening());
    CScratchFolder folder(L"case");
    const std::wstring upper = folder.Path() + L"\\Close1.BMP";
    ASSERT_TRUE(WriteTestBitmap(upper, 20, 20));

    CSkinCache cache;
    HBITMAP first = cache.LoadSkinBitmap(upper);
    ASSERT_NE(nullptr, first);
    // Gone from disk: a second request must be served from the cache.
    ASSERT_TRUE(::DeleteFileW(upper.c_str()));
    HBITMAP second = cache.LoadSkinBitmap(CSkinCache::LowerName(upper));
    EXPECT_EQ(first, second);

    std::vector<std::string> traces;
    for (const std::string& line : listener.Lines()) {
        if (line.rfind("[Sarkent]", 0) == 0)
            traces.push_back(line);
    }
    ASSERT_EQ(1u, traces.size());
    EXPECT_EQ(Narrow(CSkinCache::TraceLine(CSkinCache::LowerName(upper), first)), traces[0]);
}

TEST(SkinCache, TraceLineFormat)
{
    EXPECT_EQ(L"[Sarkent]skin\\rec.bmp:0x0000ABCD",
              CSkinCache::TraceLine(L"skin\\rec.bmp", reinterpret_cast<void*>(0xABCD)));
    EXPECT_EQ(L"[Sarkent]a:0x12345678", CSkinCache::TraceLine(L"a", reinterpret_cast<void*>(0x12345678)));
    EXPECT_EQ(L"skin\\close1.bmp", CSkinCache::LowerName(L"SKIN\\Close1.Bmp"));
}

TEST(SkinCache, MissingFileIsRetriedAndEmptyNameTouchesNothing)
{
    CDebugOutputListener listener;
    CScratchFolder folder(L"missing");
    const std::wstring path = folder.Path() + L"\\late.bmp";
    CSkinCache cache;
    EXPECT_EQ(nullptr, cache.LoadSkinBitmap(path));
    EXPECT_EQ(nullptr, cache.LoadSkinBitmap(L""));
    ASSERT_TRUE(WriteTestBitmap(path, 8, 8));
    HBITMAP loaded = cache.LoadSkinBitmap(path);
    EXPECT_NE(nullptr, loaded) << "a failed load leaves no entry, so the disk is tried again";
    int traces = 0;
    for (const std::string& line : listener.Lines())
        traces += line.rfind("[Sarkent]", 0) == 0;
    EXPECT_EQ(1, traces) << "only the successful load is traced";
}

TEST(SkinCache, LoadsFilesAtTheirOwnSizeAsSections)
{
    CScratchFolder folder(L"size");
    const std::wstring path = folder.Path() + L"\\strip.bmp";
    ASSERT_TRUE(WriteTestBitmap(path, 150, 37));
    CSkinCache cache;
    HBITMAP bitmap = cache.LoadSkinBitmap(path);
    DIBSECTION section{};
    ASSERT_EQ(static_cast<int>(sizeof(section)), ::GetObjectW(bitmap, sizeof(section), &section));
    EXPECT_EQ(150, section.dsBm.bmWidth);
    EXPECT_EQ(37, section.dsBm.bmHeight);
}

TEST(SkinCache, EveryHandleIsReleasedWhenTheCacheGoes)
{
    CScratchFolder folder(L"release");
    std::vector<HGDIOBJ> handles;
    {
        CSkinCache cache;
        for (const wchar_t* name : {L"\\a.bmp", L"\\b.bmp"}) {
            ASSERT_TRUE(WriteTestBitmap(folder.Path() + name, 4, 4));
            handles.push_back(cache.LoadSkinBitmap(folder.Path() + name));
            ASSERT_NE(nullptr, handles.back());
        }
        // The same file under a second spelling is a second entry, and released too.
        handles.push_back(cache.LoadSkinBitmap(folder.Path() + L"\\.\\a.bmp"));
        ASSERT_NE(nullptr, handles.back());
        EXPECT_NE(handles[0], handles.back());
    }
    for (HGDIOBJ handle : handles)
        EXPECT_EQ(0u, ::GetObjectType(handle));
}

TEST(SkinCache, DescriptionFileNamesImagesByLogicalName)
{
    CSkinCache cache;
    const std::wstring ini = cache.ModuleDir() + L"\\skin.ini";
    ::DeleteFileW(ini.c_str());
    EXPECT_EQ(cache.ModuleDir() + L"\\", cache.GetSkinFilePath(L"nothing"));

    CScratchFolder folder(L"named");
    ASSERT_TRUE(WriteTestBitmap(cache.ModuleDir() + L"\\named_wide.bmp", 120, 10));
    ASSERT_TRUE(WriteTestBitmap(cache.ModuleDir() + L"\\Thumbnail_small.bmp", 40, 10));
    ::WritePrivateProfileStringW(L"SkinPath", L"wide", L"named_wide.bmp", ini.c_str());
    ::WritePrivateProfileStringW(L"SkinPath", L"thumb", L"Thumbnail_small.bmp", ini.c_str());

    EXPECT_EQ(cache.ModuleDir() + L"\\named_wide.bmp", cache.GetSkinFilePath(L"WIDE"));
    SIZE size{-1, -1};
    HBITMAP wide = cache.LoadNamedBitmap(L"Wide", size);
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(120, size.cx);
    EXPECT_EQ(10, size.cy);
    // Cached: the description is not read again.
    ::WritePrivateProfileStringW(L"SkinPath", L"wide", L"elsewhere.bmp", ini.c_str());
    SIZE again{};
    EXPECT_EQ(wide, cache.LoadNamedBitmap(L"wide", again));
    EXPECT_EQ(120, again.cx);

    SIZE thumbSize{-1, -1};
    EXPECT_EQ(nullptr, cache.LoadNamedBitmap(L"thumb", thumbSize)) << "narrow thumbnails are refused";
    EXPECT_EQ(0, thumbSize.cx);
    SIZE unknown{-1, -1};
    EXPECT_EQ(nullptr, cache.LoadNamedBitmap(L"unknown", unknown));
    EXPECT_EQ(0, unknown.cx);
    EXPECT_EQ(0, unknown.cy);

    cache.FreeNamedBitmap(L"WIDE");
    EXPECT_EQ(0u, ::GetObjectType(wide));
    cache.FreeNamedBitmap(L"wide");  // a second free finds nothing

    EXPECT_EQ(nullptr, cache.LoadNamedIcon(L"noicon", 16, 16)) << "no file and no such icon resource";

    ::DeleteFileW(ini.c_str());
    ::DeleteFileW((cache.ModuleDir() + L"\\named_wide.bmp").c_str());
    ::DeleteFileW((cache.ModuleDir() + L"\\Thumbnail_small.bmp").c_str());
}

TEST(SkinCache, ProcessWideInstanceIsOne)
{
    EXPECT_EQ(&CSkinCache::GetInstance(), &CSkinCache::GetInstance());
}
