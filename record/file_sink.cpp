#include "record/file_sink.h"

std::wstring NumberedPath(const std::wstring& path, int n)
{
    const std::wstring suffix = L".gif";
    const bool hasSuffix = path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    const std::wstring stem = hasSuffix ? path.substr(0, path.size() - suffix.size()) : path;
    return stem + L"-" + std::to_wstring(n) + (hasSuffix ? suffix : L"");
}

std::unique_ptr<CFile> CreateNewFile(std::wstring* path)
{
    auto file = std::make_unique<CFile>();
    const std::wstring first = *path;
    for (int n = 1; n < 100000; ++n) {
        const std::wstring candidate = n == 1 ? first : NumberedPath(first, n);
        if (file->CreateNew(candidate.c_str())) {
            *path = candidate;
            return file;
        }
        const DWORD error = GetLastError();
        // Taken, or held open by a recording that has not finished creating it.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && error != ERROR_SHARING_VIOLATION)
            return nullptr;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return nullptr;
}
