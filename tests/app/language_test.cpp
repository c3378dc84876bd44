// The interface in two languages: twin tables, the choice of language, and the texts built
// from the tables.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "app/key_tip_text.h"
#include "app/resource.h"
#include "app/ui_language.h"
#include "dialog_template.h"
#include "win/resource_text.h"

namespace {

const LANGID kLanguages[] = {kChineseLanguage, kEnglishLanguage};

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found)
{
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<UINT>*>(found)->push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

std::vector<UINT> ResourceIds(LPCWSTR type)
{
    std::vector<UINT> ids;
    ::EnumResourceNamesW(nullptr, type, &AddName, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

// Every string of one language's table, by id.
std::map<UINT, std::wstring> StringTable(LANGID language)
{
    std::map<UINT, std::wstring> table;
    for (UINT block : ResourceIds(RT_STRING))
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            const std::wstring text = LoadTextIn(id, language);
            if (!text.empty())
                table[id] = text;
        }
    return table;
}

// The "%n" a text takes, in order of number: both languages must take the same arguments.
std::wstring Placeholders(const std::wstring& text)
{
    std::wstring found;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'%' && text[i + 1] >= L'1' && text[i + 1] <= L'9')
            found += text[++i];
    std::sort(found.begin(), found.end());
    return found;
}

std::string Narrow(const std::wstring& text)
{
    std::string out(static_cast<size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.pop_back();
    return out;
}

// The language is set per process: each test leaves it as it found it.
class LanguageScope {
public:
    explicit LanguageScope(LANGID language) : m_previous(ResourceLanguage()) { SetResourceLanguage(language); }
    ~LanguageScope() { SetResourceLanguage(m_previous); }

private:
    LANGID m_previous;
};

}  // namespace

TEST(LanguageTables, StringTablesHoldTheSameIdsAndArguments)
{
    const std::map<UINT, std::wstring> chinese = StringTable(kChineseLanguage);
    const std::map<UINT, std::wstring> english = StringTable(kEnglishLanguage);
    ASSERT_GE(chinese.size(), 30u);
    for (const auto& [id, text] : chinese) {
        SCOPED_TRACE(testing::Message() << "string " << id << " " << Narrow(text));
        const auto twin = english.find(id);
        ASSERT_NE(twin, english.end()) << "no English twin";
        EXPECT_EQ(Placeholders(twin->second), Placeholders(text)) << Narrow(twin->second);
    }
    for (const auto& [id, text] : english)
        EXPECT_TRUE(chinese.count(id)) << "no Chinese twin of " << id << " " << Narrow(text);
}

TEST(LanguageTables, DialogTwinsHoldTheSameControls)
{
    const std::vector<UINT> dialogs = ResourceIds(RT_DIALOG);
    ASSERT_GE(dialogs.size(), 4u);
    for (UINT id : dialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        const DialogTemplate chinese = LoadDialogTemplate(static_cast<int>(id), kChineseLanguage);
        const DialogTemplate english = LoadDialogTemplate(static_cast<int>(id), kEnglishLanguage);
        ASSERT_TRUE(chinese.valid && english.valid);
        EXPECT_EQ(english.style, chinese.style);
        EXPECT_EQ(english.exStyle, chinese.exStyle);
        EXPECT_EQ(english.title.empty(), chinese.title.empty());
        ASSERT_EQ(english.items.size(), chinese.items.size());
        for (size_t i = 0; i < chinese.items.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "item " << i << " " << Narrow(chinese.items[i].text));
            EXPECT_EQ(english.items[i].id, chinese.items[i].id);
            EXPECT_EQ(english.items[i].className, chinese.items[i].className);
            EXPECT_EQ(english.items[i].style, chinese.items[i].style);
            EXPECT_EQ(english.items[i].text.empty(), chinese.items[i].text.empty());
        }
    }
}

// The Chinese interface keeps its texts word for word (those no end-to-end run reads).
TEST(LanguageTables, ChineseTextsStayAsTheyWere)
{
    const struct {
        UINT id;
        const wchar_t* text;
    } cases[] = {
        {IDS_TIP_SETTINGS, L"参数设置"},
        {IDS_TIP_ABOUT, L"关于..."},
        {IDS_TIP_OPEN_FOLDER, L"打开文件夹并选中抓取文件"},
        {IDS_REGION_TOO_SMALL, L"抓取区域太小，请重新选择！"},
        {IDS_RECORDING_FAILED, L"录制失败!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "string " << c.id);
        EXPECT_EQ(LoadTextIn(c.id, kChineseLanguage), c.text);
    }
    const LanguageScope chinese(kChineseLanguage);
    EXPECT_EQ(FormatText(IDS_STATUS_RECORDED, {L"12"}), L"已录制:12帧");
    EXPECT_EQ(FormatText(IDS_DONE_SIZE, {L"1.5 KB", L"1536"}), L"文件大小: 1.5 KB (1536 字节)");
    EXPECT_EQ(FormatText(IDS_KEY_HELD_ELSEWHERE, {L"F9", CommandName(HotkeyRecord)}),
              L"F9 已被其他程序占用，录制/暂停只能用按钮。");
}

TEST(UiLanguage, SettingAndSystemChooseTheLanguage)
{
    const LANGID taiwan = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
    const LANGID german = MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN);
    const struct {
        const wchar_t* stored;
        LANGID system;
        LANGID expected;
    } cases[] = {
        {L"", kChineseLanguage, kChineseLanguage},
        {L"", taiwan, kChineseLanguage},
        {L"", kEnglishLanguage, kEnglishLanguage},
        {L"", german, kEnglishLanguage},
        {L"auto", german, kEnglishLanguage},
        {L"AUTO", kChineseLanguage, kChineseLanguage},
        {L"zh", german, kChineseLanguage},
        {L" Zh ", kEnglishLanguage, kChineseLanguage},
        {L"en", kChineseLanguage, kEnglishLanguage},
        {L"EN", taiwan, kEnglishLanguage},
        {L"english", kChineseLanguage, kChineseLanguage},  // not a setting: follows the system
        {L"1", german, kEnglishLanguage},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << Narrow(c.stored) << "\" on " << std::hex << c.system);
        EXPECT_EQ(ChooseUiLanguage(LanguageSettingFromText(c.stored), c.system), c.expected);
    }
    for (int setting = 0; setting < kLanguageSettingCount; ++setting)
        EXPECT_EQ(LanguageSettingFromText(LanguageSettingText(static_cast<UiLanguageSetting>(setting))), setting);
}

TEST(UiLanguage, ArgumentsAreReplacedInOrder)
{
    const struct {
        const wchar_t* pattern;
        const wchar_t* expected;
    } cases[] = {
        {L"%1 (%2)", L"a (b)"},
        {L"%2 before %1", L"b before a"},
        {L"100%% of %1", L"100% of a"},
        {L"%3 is missing", L" is missing"},
        {L"ends with %", L"ends with %"},
        {L"%x stays", L"%x stays"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.pattern));
        EXPECT_EQ(ReplaceArgs(c.pattern, {L"a", L"b"}), c.expected);
    }
}

// The tip names who holds a key the window could not have: another program, or one of our
// own commands that has it already.
TEST(UiLanguage, KeyTipsSayWhoHoldsTheKey)
{
    HWND holder = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(holder && window);
    const HotkeyValue held = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F12);
    const HotkeyValue shared = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F11);
    ASSERT_TRUE(RegisterGlobalKey(holder, 7, held));
    HotkeySettings settings;
    settings.keys[HotkeySelect] = held;
    settings.keys[HotkeyRecord] = shared;
    settings.keys[HotkeyStop] = shared;
    CGlobalHotkeys hotkeys;
    hotkeys.Register(window, settings);

    const struct {
        LANGID language;
        HotkeyCommand command;
        const wchar_t* expected;
    } cases[] = {
        {kChineseLanguage, HotkeySelect, L"选择区域 (Ctrl+Alt+F12 已被其他程序占用)"},
        {kChineseLanguage, HotkeyRecord, L"开始录制 (Ctrl+Alt+F11)"},
        {kChineseLanguage, HotkeyStop, L"停止录制 (Ctrl+Alt+F11 已用于“录制/暂停”)"},
        {kEnglishLanguage, HotkeySelect, L"Select region (Ctrl+Alt+F12 is held by another program)"},
        {kEnglishLanguage, HotkeyRecord, L"Start recording (Ctrl+Alt+F11)"},
        {kEnglishLanguage, HotkeyStop, L"Stop recording (Ctrl+Alt+F11 is already used for \"Record/Pause\")"},
    };
    const UINT tips[kHotkeyCount] = {IDS_TIP_SELECT, IDS_TIP_RECORD, IDS_TIP_STOP};
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.expected));
        const LanguageScope scope(c.language);
        EXPECT_EQ(KeyTipText(LoadText(tips[c.command]), hotkeys, c.command), c.expected);
    }
    hotkeys.Unregister();
    ::UnregisterHotKey(holder, 7);
    ::DestroyWindow(window);
    ::DestroyWindow(holder);
}
