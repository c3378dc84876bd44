#include "win/program_folder.h"

#include <vector>

std::wstring ProgramFolder()
{
    // GetModuleFileNameW truncates silently: grow the buffer until the whole path fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size() - 1 || buffer.size() >= 32768) {
            std::wstring path(buffer.data(), length);
            const size_t slash = path.find_last_of(L'\\');
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}
