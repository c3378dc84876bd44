#pragma once
// Reads an extended dialog template from the resources, for tests that check what the
// resource compiler produced.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct DialogItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring className;  // ordinals are turned into "Button", "Edit", "Static"...
    std::wstring text;       // "#128" for an ordinal (an icon id)
};

struct DialogTemplate {
    bool valid = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title;
    int pointSize = 0;
    std::wstring font;
    std::vector<DialogItem> items;
};

// The template in one language; the Chinese one unless told.
DialogTemplate LoadDialogTemplate(int id, LANGID language = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
