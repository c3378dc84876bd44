#include "record/gif_repair.h"

#include <windows.h>

#include "win/handles.h"

bool CloseGifAt(const std::wstring& path, uint64_t length)
{
    HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE)
        return false;
    CHandle file(raw);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()))
        return false;
    const uint8_t trailer = 0x3B;
    DWORD written = 0;
    return WriteFile(file.Get(), &trailer, 1, &written, nullptr) && written == 1;
}
