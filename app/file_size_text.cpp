#include "app/file_size_text.h"

#include <windows.h>

#include <cstdio>

std::wstring FileSizeText(int64_t bytes)
{
    wchar_t text[64];
    if (bytes < 1024) {
        std::swprintf(text, 64, L"%d B", static_cast<int>(bytes < 0 ? 0 : bytes));
        return text;
    }
    // Tenths of a kilobyte, rounded, decide the unit: 1048575 bytes is "1.0 MB", not "1024.0 KB".
    const int64_t tenthsKb = (bytes * 10 + 512) / 1024;
    if (tenthsKb < 10240) {
        std::swprintf(text, 64, L"%d.%d KB", static_cast<int>(tenthsKb / 10), static_cast<int>(tenthsKb % 10));
        return text;
    }
    const int64_t tenthsMb = (bytes * 10 + (512 * 1024)) / (1024 * 1024);
    std::swprintf(text, 64, L"%lld.%d MB", static_cast<long long>(tenthsMb / 10), static_cast<int>(tenthsMb % 10));
    return text;
}

int64_t FileSizeOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
