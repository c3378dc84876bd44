#include "app/resource.h"
#include "app/ui_language.h"
#include "dialog_template.h"
#include "win/resource_text.h"

#include <cwctype>
#include <string>

#include <gtest/gtest.h>

namespace {

struct Expected {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    short x, y, cx, cy;
    DWORD styleBits;  // bits that must be set
};

void ExpectItems(const DialogTemplate& t, const std::vector<Expected>& expected)
{
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const DialogItem& item = t.items[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(testing::Message() << "item " << i << " (id " << e.id << ")");
        EXPECT_EQ(item.id, e.id);
        EXPECT_EQ(item.className, e.className);
        EXPECT_EQ(item.text, e.text);
        EXPECT_EQ(item.x, e.x);
        EXPECT_EQ(item.y, e.y);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
        EXPECT_EQ(item.style & e.styleBits, e.styleBits) << std::hex << item.style;
    }
}

TEST(Resources, AboutBoxTemplate)
{
    const DialogTemplate t = LoadDialogTemplate(IDD_ABOUTBOX);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.title, L"关于 Ravlin");
    EXPECT_EQ(t.cx, 182);
    EXPECT_EQ(t.cy, 73);
    EXPECT_EQ(t.font, L"MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 9);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(t.style & style, style);
    ExpectItems(t, {
        {-1, L"Static", L"#128", 14, 14, 20, 20, SS_ICON},
        {-1, L"Static", L"Ravlin，1.2", 42, 9, 114, 8, SS_NOPREFIX},
        {IDOK, L"Button", L"确定", 127, 55, 50, 14, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
    });
}

TEST(Resources, MainWindowTemplate)
{
    const DialogTemplate t = LoadDialogTemplate(IDD_RAVLIN_DIALOG);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.title, L"");
    EXPECT_EQ(t.cx, 286);
    EXPECT_EQ(t.cy, 81);
    EXPECT_EQ(t.font, L"MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 9);
    const DWORD style = WS_POPUP | WS_VISIBLE | WS_SYSMENU | DS_SYSMODAL;
    EXPECT_EQ(t.style & style, style);
    EXPECT_EQ(t.style & WS_CAPTION, 0u) << "no caption bar";
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    ExpectItems(t, {
        {IDOK, L"Button", L"确定", 93, 60, 50, 14, 0},
        {IDCANCEL, L"Button", L"取消", 26, 60, 50, 14, 0},
        {IDC_SELECT_REGION, L"Button", L"Sel", 7, 17, 24, 20, BS_OWNERDRAW},
        {IDC_RECORD, L"Button", L"REC", 30, 17, 24, 20, BS_OWNERDRAW},
        {IDC_STOP, L"Button", L"Stop", 54, 17, 24, 20, BS_OWNERDRAW},
        {IDC_SETTINGS, L"Button", L"Sel", 232, 18, 24, 20, BS_OWNERDRAW},
        {IDC_ABOUT, L"Button", L"About", 255, 18, 24, 20, BS_OWNERDRAW},
        {IDC_OPEN_FOLDER, L"Button", L"...", 232, 60, 24, 20, BS_OWNERDRAW},
    });
    EXPECT_EQ(t.items[0].style & WS_VISIBLE, 0u);
    EXPECT_EQ(t.items[1].style & WS_VISIBLE, 0u);
    for (size_t i = 2; i < t.items.size(); ++i)
        EXPECT_EQ(t.items[i].style & BS_TYPEMASK, static_cast<DWORD>(BS_OWNERDRAW));
}

TEST(Resources, CaptureOverlayTemplate)
{
    const DialogTemplate t = LoadDialogTemplate(IDD_CAPTURE);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.cx, 317);
    EXPECT_EQ(t.cy, 180);
    EXPECT_EQ(t.font, L"MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 8);
    const DWORD style = WS_POPUP | WS_THICKFRAME | DS_SETFONT | DS_FIXEDSYS;
    EXPECT_EQ(t.style & style, style);
    EXPECT_EQ(t.style & (WS_CAPTION | WS_SYSMENU), 0u);
    EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_STATICEDGE)) << "not layered yet";
    ExpectItems(t, {
        {IDOK, L"Button", L"确定", 205, 159, 50, 14, BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", L"取消", 260, 159, 50, 14, 0},
    });
}

TEST(Resources, SettingsTemplate)
{
    const DialogTemplate t = LoadDialogTemplate(IDD_SETTINGS);
    ASSERT_TRUE(t.valid);
    EXPECT_EQ(t.title, L"设置");
    EXPECT_EQ(t.cx, 316);
    EXPECT_EQ(t.cy, 206);
    EXPECT_EQ(t.font, L"MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 8);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(t.style & style, style);
    const DWORD edit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    ExpectItems(t, {
        {-1, L"Static", L"捕获帧率(&F)", 9, 9, 50, 11, 0},
        {IDC_FRAME_RATE, L"Edit", L"", 61, 7, 47, 13, edit},
        {-1, L"Static", L"帧/秒", 119, 9, 32, 11, 0},
        {-1, L"Static", L"画面尺寸(&Z)", 9, 29, 50, 11, 0},
        {IDC_ACTUAL_SIZE, L"Button", L"按照实际捕获画面尺寸", 62, 27, 97, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {-1, L"Static", L"宽度(&W)", 61, 44, 31, 11, 0},
        {IDC_OUTPUT_WIDTH, L"Edit", L"", 93, 42, 41, 13, edit},
        {-1, L"Static", L"高度(&H)", 61, 59, 31, 11, 0},
        {IDC_OUTPUT_HEIGHT, L"Edit", L"", 93, 58, 41, 13, edit},
        {-1, L"Static", L"像素", 138, 44, 18, 11, 0},
        {-1, L"Static", L"像素", 138, 59, 18, 11, 0},
        {IDC_COMPACT_MODE, L"Button", L"小文件模式（只保存变化区域）(&L)", 9, 76, 150, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {-1, L"Button", L"录制选项", 7, 92, 152, 66, BS_GROUPBOX},
        {IDC_TRUE_SPEED, L"Button", L"按实际速度回放(&R)", 15, 103, 138, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {IDC_RECORD_POINTER, L"Button", L"录制鼠标指针(&P)", 15, 116, 138, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {IDC_RECORD_CLICKS, L"Button", L"显示鼠标点击(&C)", 15, 129, 138, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {IDC_REVIEW_AFTER, L"Button", L"录制后预览和裁剪(&V)", 15, 142, 138, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {-1, L"Button", L"快捷键", 166, 4, 143, 118, BS_GROUPBOX},
        {-1, L"Static", L"选择区域(&S)", 171, 19, 46, 11, 0},
        {IDC_HOTKEY_SELECT, L"MSCTLS_HOTKEY32", L"", 218, 17, 84, 13, WS_BORDER | WS_TABSTOP},
        {-1, L"Static", L"录制/暂停(&U)", 171, 37, 46, 11, 0},
        {IDC_HOTKEY_RECORD, L"MSCTLS_HOTKEY32", L"", 218, 35, 84, 13, WS_BORDER | WS_TABSTOP},
        {-1, L"Static", L"停止录制(&T)", 171, 55, 46, 11, 0},
        {IDC_HOTKEY_STOP, L"MSCTLS_HOTKEY32", L"", 218, 53, 84, 13, WS_BORDER | WS_TABSTOP},
        {IDC_HOTKEY_STATUS, L"Static", L"", 173, 72, 130, 46, 0},
        {IDC_LOOP_FOREVER, L"Button", L"循环播放(&O)", 166, 129, 58, 11, BS_AUTOCHECKBOX | WS_TABSTOP},
        {-1, L"Static", L"否则播放(&A)", 225, 131, 38, 11, 0},
        {IDC_PLAY_COUNT, L"Edit", L"", 263, 129, 28, 13, edit},
        {-1, L"Static", L"次", 295, 131, 12, 11, 0},
        {-1, L"Static", L"录制前倒计时(&N)", 166, 150, 55, 11, 0},
        {IDC_COUNTDOWN, L"Edit", L"", 222, 148, 28, 13, edit},
        {-1, L"Static", L"秒", 254, 150, 12, 11, 0},
        {-1, L"Static", L"文件大小上限(&I)", 166, 167, 55, 11, 0},
        {IDC_MAX_SIZE, L"Edit", L"", 222, 165, 28, 13, edit},
        {-1, L"Static", L"MB（0 为不限）", 254, 167, 57, 11, 0},
        {-1, L"Static", L"界面语言(&G)", 9, 165, 50, 11, 0},
        {IDC_LANGUAGE, L"ComboBox", L"", 61, 163, 98, 60, CBS_DROPDOWNLIST | WS_TABSTOP},
        {-1, L"Static", L"画质(&Q)", 9, 184, 40, 11, 0},
        {IDC_QUALITY, L"Edit", L"", 61, 182, 28, 13, edit | ES_NUMBER},
        {-1, L"Static", L"1-100，用于小文件模式", 93, 184, 106, 11, 0},
        {IDOK, L"Button", L"确定", 205, 186, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, L"Button", L"取消", 259, 186, 50, 14, WS_TABSTOP},
    });
}

TEST(Resources, StringIconAndCursor)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    EXPECT_EQ(LoadTextIn(IDS_ABOUTBOX, kChineseLanguage), L"关于 Ravlin(&A)...");

    for (int size : {16, 32, 48}) {
        HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                   size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon)
            DestroyIcon(icon);
    }

    HCURSOR cursor = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_SELECT_CURSOR));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 15u);
    EXPECT_EQ(info.yHotspot, 15u);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
}

TEST(Resources, ManifestTakesEffect)
{
    // Common controls 6 are what the process gets, not only what the text asks for: the library
    // loaded is the side-by-side version 6 one.
    HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(comctl, path, MAX_PATH);
    std::wstring loaded(path);
    for (wchar_t& c : loaded)
        c = static_cast<wchar_t>(towlower(c));
    EXPECT_NE(loaded.find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos)
        << std::string(loaded.begin(), loaded.end());

    // And the process is DPI aware, so its coordinates are physical pixels.
    using IsProcessDPIAwareFn = BOOL(WINAPI*)();
    auto isAware = reinterpret_cast<IsProcessDPIAwareFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "IsProcessDPIAware")));
    ASSERT_NE(isAware, nullptr);
    EXPECT_TRUE(isAware());
}

TEST(Resources, ManifestAsksForCommonControls6AndDpiAwareness)
{
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(info, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, info)));
    const std::string manifest(text, SizeofResource(module, info));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
}

}  // namespace
