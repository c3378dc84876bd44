#include "app/hotkeys.h"

#include <commctrl.h>

#include "app/config_store.h"

namespace {

const wchar_t* const kKeyNames[kHotkeyCount] = {L"HotkeySelect", L"HotkeyRecord", L"HotkeyStop"};

constexpr UINT kAllControlFlags = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;

// Not every system knows MOD_NOREPEAT; without it a held key would toggle pause and resume
// with the key's repeat.
constexpr UINT kNoRepeat = 0x4000;

}  // namespace

HotkeyValue HotkeyFromStored(int stored, HotkeyValue fallback)
{
    if (stored == 0)
        return 0;
    if (stored < 0 || stored > 0xFFFF)
        return fallback;
    const UINT vk = stored & 0xFF;
    const UINT flags = (stored >> 8) & 0xFF;
    if (vk == 0 || (flags & ~kAllControlFlags) != 0)
        return fallback;
    return static_cast<HotkeyValue>(stored);
}

HotkeyValue HotkeyFromText(const std::wstring& text, HotkeyValue fallback)
{
    // Only a whole decimal number is a stored key: "abc" or "9x" would read as 0 (no key) or 9
    // with the system's number reading, and an edited file must not silently lose the key.
    const size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return fallback;
    const size_t last = text.find_last_not_of(L" \t");
    size_t i = first;
    if (text[i] == L'-' || text[i] == L'+')
        ++i;
    if (i > last || last - i >= 6)
        return fallback;  // no digits, or more than any key value has
    int value = 0;
    for (; i <= last; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return fallback;
        value = value * 10 + (text[i] - L'0');
    }
    return HotkeyFromStored(text[first] == L'-' ? -value : value, fallback);
}

HotkeySettings ReadHotkeySettings()
{
    const HotkeySettings defaults;
    HotkeySettings settings;
    for (int i = 0; i < kHotkeyCount; ++i)
        settings.keys[i] = HotkeyFromText(ReadConfigText(kKeyNames[i]), defaults.keys[i]);
    return settings;
}

bool WriteHotkeySettings(const HotkeySettings& settings)
{
    bool written = true;
    for (int i = 0; i < kHotkeyCount; ++i)
        written = WriteConfigInt(kKeyNames[i], settings.keys[i]) != 0 && written;
    return written;
}

UINT HotkeyModifiers(HotkeyValue key)
{
    const UINT flags = key >> 8;
    UINT modifiers = 0;
    if (flags & HOTKEYF_SHIFT)
        modifiers |= MOD_SHIFT;
    if (flags & HOTKEYF_CONTROL)
        modifiers |= MOD_CONTROL;
    if (flags & HOTKEYF_ALT)
        modifiers |= MOD_ALT;
    return modifiers;
}

UINT HotkeyVirtualKey(HotkeyValue key)
{
    return key & 0xFF;
}

std::wstring HotkeyName(HotkeyValue key)
{
    if (key == 0)
        return std::wstring();
    const UINT flags = key >> 8;
    std::wstring name;
    if (flags & HOTKEYF_CONTROL)
        name += L"Ctrl+";
    if (flags & HOTKEYF_SHIFT)
        name += L"Shift+";
    if (flags & HOTKEYF_ALT)
        name += L"Alt+";
    const UINT vk = HotkeyVirtualKey(key);
    LONG scan = static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    if (flags & HOTKEYF_EXT)
        scan |= 1 << 24;
    wchar_t text[64] = {};
    if (scan && GetKeyNameTextW(scan, text, 64) > 0)
        return name + text;
    if (vk >= VK_F1 && vk <= VK_F24)
        return name + L"F" + std::to_wstring(vk - VK_F1 + 1);
    return name + L"#" + std::to_wstring(vk);
}

int DuplicateHotkey(const HotkeySettings& settings)
{
    for (int i = 1; i < kHotkeyCount; ++i)
        for (int j = 0; j < i; ++j)
            if (settings.keys[i] != 0 && settings.keys[i] == settings.keys[j])
                return i;
    return -1;
}

bool RegisterGlobalKey(HWND window, int id, HotkeyValue key)
{
    const UINT modifiers = HotkeyModifiers(key);
    const UINT vk = HotkeyVirtualKey(key);
    if (RegisterHotKey(window, id, modifiers | kNoRepeat, vk))
        return true;
    if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED)
        return false;
    return RegisterHotKey(window, id, modifiers, vk) != FALSE;
}

void CGlobalHotkeys::Register(HWND window, const HotkeySettings& settings)
{
    Unregister();
    m_window = window;
    m_settings = settings;
    for (int i = 0; i < kHotkeyCount; ++i) {
        if (settings.keys[i] == 0)
            continue;
        // A key an earlier command of ours already holds is not another program's.
        for (int j = 0; j < i && m_sharedWith[i] < 0; ++j)
            if (m_registered[j] && settings.keys[j] == settings.keys[i])
                m_sharedWith[i] = j;
        if (m_sharedWith[i] >= 0)
            continue;
        m_registered[i] = RegisterGlobalKey(window, kFirstId + i, settings.keys[i]);
        m_heldElsewhere[i] = !m_registered[i];
    }
}

void CGlobalHotkeys::Unregister()
{
    for (int i = 0; i < kHotkeyCount; ++i) {
        if (m_registered[i])
            UnregisterHotKey(m_window, kFirstId + i);
        m_registered[i] = false;
        m_heldElsewhere[i] = false;
        m_sharedWith[i] = -1;
    }
}

int CGlobalHotkeys::CommandOf(WPARAM id) const
{
    const int command = static_cast<int>(id) - kFirstId;
    return command >= 0 && command < kHotkeyCount ? command : -1;
}
