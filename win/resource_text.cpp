#include "resource_text.h"

#include <vector>

namespace {

LANGID g_language = 0;

HMODULE Program()
{
    return ::GetModuleHandleW(nullptr);
}

const void* ResourceData(HRSRC info, DWORD* bytes)
{
    HGLOBAL loaded = info ? ::LoadResource(Program(), info) : nullptr;
    if (!loaded)
        return nullptr;
    if (bytes)
        *bytes = ::SizeofResource(Program(), info);
    return ::LockResource(loaded);
}

// A string table block holds sixteen strings, each a length word followed by that many
// characters (no terminator); the block of id is id / 16 + 1.
std::wstring StringFromBlock(HRSRC block, UINT id)
{
    DWORD bytes = 0;
    const auto* p = static_cast<const WCHAR*>(ResourceData(block, &bytes));
    if (!p)
        return std::wstring();
    const WCHAR* end = p + bytes / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16 && p < end; ++i)
        p += 1 + *p;
    if (p >= end || p + 1 + *p > end)
        return std::wstring();
    return std::wstring(p + 1, *p);
}

HRSRC FindIn(LPCWSTR type, LPCWSTR name, LANGID language)
{
    return ::FindResourceExW(Program(), type, name, language);
}

}  // namespace

void SetResourceLanguage(LANGID language)
{
    g_language = language;
}

LANGID ResourceLanguage()
{
    return g_language ? g_language : ::GetUserDefaultUILanguage();
}

std::wstring LoadTextIn(UINT id, LANGID language)
{
    return StringFromBlock(FindIn(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language), id);
}

std::wstring LoadText(UINT id)
{
    std::wstring text = LoadTextIn(id, ResourceLanguage());
    if (text.empty())
        text = StringFromBlock(::FindResourceW(Program(), MAKEINTRESOURCEW(id / 16 + 1), RT_STRING), id);
    return text;
}

std::wstring ReplaceArgs(const std::wstring& pattern, std::initializer_list<std::wstring> args)
{
    const std::vector<std::wstring> values(args);
    std::wstring text;
    text.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        const wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
        if (pattern[i] == L'%' && next == L'%') {
            text += L'%';
            ++i;
        } else if (pattern[i] == L'%' && next >= L'1' && next <= L'9') {
            const size_t index = static_cast<size_t>(next - L'1');
            if (index < values.size())
                text += values[index];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::wstring FormatText(UINT id, std::initializer_list<std::wstring> args)
{
    return ReplaceArgs(LoadText(id), args);
}

const DLGTEMPLATE* FindDialogTemplate(UINT id)
{
    HRSRC info = FindIn(RT_DIALOG, MAKEINTRESOURCEW(id), ResourceLanguage());
    if (!info)
        info = ::FindResourceW(Program(), MAKEINTRESOURCEW(id), RT_DIALOG);
    return static_cast<const DLGTEMPLATE*>(ResourceData(info, nullptr));
}
