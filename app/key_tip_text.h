#pragma once
// The words that go with a command's global key, in the interface language.
#include <string>

#include "app/hotkeys.h"

// "Record/Pause" and its twins: what the settings dialog calls each command.
std::wstring CommandName(int command);

// A button's tip with its command's key: "Start recording (F9)", and instead of the bare key
// who holds it when the window could not have it, another program or one of our own commands.
std::wstring KeyTipText(const std::wstring& tip, const CGlobalHotkeys& keys, HotkeyCommand command);
