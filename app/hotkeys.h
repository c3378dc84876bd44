#pragma once
// Global keys for the three recording commands: how they are stored, named and held.
#include <windows.h>

#include <cstdint>
#include <string>

enum HotkeyCommand { HotkeySelect = 0, HotkeyRecord = 1, HotkeyStop = 2, kHotkeyCount = 3 };

// A key as the system's hotkey control gives it: the virtual key in the low byte, the
// HOTKEYF_ modifier flags in the high byte; 0 means no key.
using HotkeyValue = uint16_t;

struct HotkeySettings {
    HotkeyValue keys[kHotkeyCount] = {VK_F8, VK_F9, VK_F10};
};

// The keys as stored ("HotkeySelect", "HotkeyRecord", "HotkeyStop"). A stored 0 means the
// user cleared the key; a value no hotkey control can produce gives that key's default.
HotkeySettings ReadHotkeySettings();
bool WriteHotkeySettings(const HotkeySettings& settings);

// A stored integer as a key, or the default when it is not one.
HotkeyValue HotkeyFromStored(int stored, HotkeyValue fallback);
// A stored text as a key: "0" is no key; an absent (empty) value, a text that is not a whole
// number and a number no hotkey control gives are the default.
HotkeyValue HotkeyFromText(const std::wstring& text, HotkeyValue fallback);

// The MOD_ flags RegisterHotKey wants for a control's HOTKEYF_ flags (the two sets order
// Shift and Alt the other way round).
UINT HotkeyModifiers(HotkeyValue key);
UINT HotkeyVirtualKey(HotkeyValue key);

// "Ctrl+Shift+F9"; empty for no key.
std::wstring HotkeyName(HotkeyValue key);

// The first command that shares its key with an earlier one, or -1.
int DuplicateHotkey(const HotkeySettings& settings);

// Registers key for window under id; false when another program holds it.
bool RegisterGlobalKey(HWND window, int id, HotkeyValue key);

// The window's global keys: registered while it wants them, and a record of the ones that
// another program holds, so that they can be named to the user instead of lost.
class CGlobalHotkeys {
public:
    static constexpr int kFirstId = 0x5241;  // WM_HOTKEY's id minus the command

    CGlobalHotkeys() = default;
    ~CGlobalHotkeys() { Unregister(); }
    CGlobalHotkeys(const CGlobalHotkeys&) = delete;
    CGlobalHotkeys& operator=(const CGlobalHotkeys&) = delete;

    void Register(HWND window, const HotkeySettings& settings);
    void Unregister();
    // The command a WM_HOTKEY id stands for, or -1.
    int CommandOf(WPARAM id) const;
    bool IsHeldElsewhere(HotkeyCommand command) const { return m_heldElsewhere[command]; }
    // The earlier command that holds the same key, or -1.
    int SharedWith(HotkeyCommand command) const { return m_sharedWith[command]; }
    HotkeyValue Key(HotkeyCommand command) const { return m_settings.keys[command]; }

private:
    HWND m_window = nullptr;
    HotkeySettings m_settings;
    bool m_registered[kHotkeyCount] = {};
    bool m_heldElsewhere[kHotkeyCount] = {};
    int m_sharedWith[kHotkeyCount] = {-1, -1, -1};
};
