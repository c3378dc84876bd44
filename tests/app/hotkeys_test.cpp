#include "app/hotkeys.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/config_store.h"

namespace {

namespace fs = std::filesystem;

// Each test keeps its keys in a scratch configuration of its own.
class Hotkeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = L"C:\\ravlin-hotkeys-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(GetTickCount());
        OverrideConfigFolders((m_root + L"\\fixed").c_str(), (m_root + L"\\user").c_str());
    }
    void TearDown() override
    {
        OverrideConfigFolders(nullptr, nullptr);
        std::error_code ignored;
        fs::remove_all(fs::path(m_root), ignored);
    }

    std::wstring m_root;
};

HWND MessageWindow()
{
    return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

TEST_F(Hotkeys, StoredKeysReadBackAndBadOnesFallBack)
{
    const HotkeySettings defaults;
    EXPECT_EQ(ReadHotkeySettings().keys[HotkeyRecord], defaults.keys[HotkeyRecord]) << "absent key";

    HotkeySettings chosen;
    chosen.keys[HotkeySelect] = 0;  // cleared by the user: stays cleared
    chosen.keys[HotkeyRecord] = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_SHIFT) << 8) | 'R');
    chosen.keys[HotkeyStop] = static_cast<HotkeyValue>((HOTKEYF_ALT << 8) | VK_F11);
    ASSERT_TRUE(WriteHotkeySettings(chosen));
    const HotkeySettings read = ReadHotkeySettings();
    for (int i = 0; i < kHotkeyCount; ++i)
        EXPECT_EQ(read.keys[i], chosen.keys[i]) << i;

    // What an edited file may hold but no hotkey control gives: the default, not a dead key.
    for (int bad : {-1, -7, 0x10000, 0x0300, (0x40 << 8) | VK_F9}) {
        WriteConfigInt(L"HotkeyStop", bad);
        EXPECT_EQ(ReadHotkeySettings().keys[HotkeyStop], defaults.keys[HotkeyStop]) << bad;
    }
}

// What a hand-edited file may hold: only a whole number a hotkey control gives is a key; "0" is
// the user's "no key", and everything else is the default rather than a lost key.
TEST_F(Hotkeys, StoredTextGivesTheKeyOrTheDefault)
{
    const HotkeyValue fallback = VK_F9;
    const HotkeyValue ctrlR = static_cast<HotkeyValue>((HOTKEYF_CONTROL << 8) | 'R');
    const struct {
        std::wstring stored;
        HotkeyValue expected;
    } cases[] = {
        {L"", fallback},
        {L"abc", fallback},
        {L"9x", fallback},
        {L"x9", fallback},
        {L"1 2", fallback},
        {L"-", fallback},
        {L"0x78", fallback},
        {L"-1", fallback},
        {L"65536", fallback},
        {L"99999999999", fallback},
        {L"768", fallback},             // modifier flags without a key
        {L"16504", fallback},           // a flag no control sets
        {L"0", 0},
        {L"120", VK_F9},
        {L" 121 ", VK_F10},
        {L"+122", VK_F11},
        {std::to_wstring(ctrlR), ctrlR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stored \"" << std::string(c.stored.begin(), c.stored.end()) << "\"");
        EXPECT_EQ(HotkeyFromText(c.stored, fallback), c.expected);
        if (c.stored.empty())
            continue;
        ASSERT_TRUE(WriteConfigText(L"HotkeyRecord", c.stored.c_str()));
        EXPECT_EQ(ReadHotkeySettings().keys[HotkeyRecord], c.expected) << "read from the file";
    }
}

// The control orders its flags Shift, Ctrl, Alt; RegisterHotKey wants Alt, Ctrl, Shift.
TEST(HotkeyValues, ModifiersNamesAndDuplicates)
{
    EXPECT_EQ(HotkeyModifiers(VK_F9), 0u);
    EXPECT_EQ(HotkeyModifiers((HOTKEYF_SHIFT << 8) | VK_F9), static_cast<UINT>(MOD_SHIFT));
    EXPECT_EQ(HotkeyModifiers((HOTKEYF_ALT << 8) | VK_F9), static_cast<UINT>(MOD_ALT));
    EXPECT_EQ(HotkeyModifiers(((HOTKEYF_CONTROL | HOTKEYF_EXT) << 8) | VK_F9), static_cast<UINT>(MOD_CONTROL));

    EXPECT_EQ(HotkeyName(VK_F9), L"F9");
    EXPECT_EQ(HotkeyName(((HOTKEYF_CONTROL | HOTKEYF_SHIFT) << 8) | VK_F10), L"Ctrl+Shift+F10");
    EXPECT_EQ(HotkeyName(0), L"");

    HotkeySettings keys;
    EXPECT_EQ(DuplicateHotkey(keys), -1);
    keys.keys[HotkeyStop] = keys.keys[HotkeySelect];
    EXPECT_EQ(DuplicateHotkey(keys), HotkeyStop);
    keys.keys[HotkeyStop] = 0;
    keys.keys[HotkeySelect] = 0;
    EXPECT_EQ(DuplicateHotkey(keys), -1) << "two cleared keys are no clash";
}

// A key another window holds is reported, not lost; once it is free it can be had.
TEST(HotkeyValues, KeyHeldElsewhereIsReported)
{
    HWND holder = MessageWindow();
    HWND window = MessageWindow();
    ASSERT_TRUE(holder && window);
    const HotkeyValue key = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F12);
    ASSERT_TRUE(RegisterGlobalKey(holder, 7, key));

    HotkeySettings settings;
    settings.keys[HotkeyRecord] = key;
    settings.keys[HotkeySelect] = 0;
    settings.keys[HotkeyStop] = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F11);
    {
        CGlobalHotkeys hotkeys;
        hotkeys.Register(window, settings);
        EXPECT_TRUE(hotkeys.IsHeldElsewhere(HotkeyRecord));
        EXPECT_FALSE(hotkeys.IsHeldElsewhere(HotkeyStop));
        EXPECT_FALSE(hotkeys.IsHeldElsewhere(HotkeySelect));

        UnregisterHotKey(holder, 7);
        hotkeys.Register(window, settings);
        EXPECT_FALSE(hotkeys.IsHeldElsewhere(HotkeyRecord));
    }
    // Gone with the object: another window can take the keys again.
    EXPECT_TRUE(RegisterGlobalKey(holder, 8, key));
    UnregisterHotKey(holder, 8);
    DestroyWindow(window);
    DestroyWindow(holder);
}

// Two of our own commands with one key: the second is ours, not another program's.
TEST(HotkeyValues, KeySharedByTwoCommandsNamesTheHolder)
{
    HWND window = MessageWindow();
    ASSERT_TRUE(window);
    const HotkeyValue key = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F10);
    HotkeySettings settings;
    settings.keys[HotkeySelect] = static_cast<HotkeyValue>(((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8) | VK_F8);
    settings.keys[HotkeyRecord] = key;
    settings.keys[HotkeyStop] = key;
    CGlobalHotkeys hotkeys;
    hotkeys.Register(window, settings);
    EXPECT_EQ(hotkeys.SharedWith(HotkeyStop), HotkeyRecord);
    EXPECT_FALSE(hotkeys.IsHeldElsewhere(HotkeyStop));
    EXPECT_EQ(hotkeys.SharedWith(HotkeyRecord), -1);
    EXPECT_EQ(hotkeys.SharedWith(HotkeySelect), -1);
    hotkeys.Unregister();
    EXPECT_EQ(hotkeys.SharedWith(HotkeyStop), -1);
    DestroyWindow(window);
}
