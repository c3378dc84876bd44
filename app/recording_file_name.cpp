#include "app/recording_file_name.h"

#include <cwchar>

std::wstring OutputFileName(const SYSTEMTIME& time)
{
    wchar_t name[64];
    std::swprintf(name, sizeof(name) / sizeof(name[0]), L"%04d%02d%02d%02d%02d%02d.gif", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return name;
}

std::wstring FileNamePart(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool PathExists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
