#pragma once
// Scratch files for the skin tests: a private folder under the temporary folder, and small
// 24-bit bitmap files written byte by byte (test images, kept screenshots).
#include <windows.h>

#include <functional>
#include <string>

class CScratchFolder {
public:
    explicit CScratchFolder(const std::wstring& name);
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// A 24-bit bottom-up bitmap; pixel (x, y) gets colour(x, y) when given, else a fixed pattern.
bool WriteTestBitmap(const std::wstring& path, int width, int height,
                     const std::function<COLORREF(int, int)>& colour = nullptr);
