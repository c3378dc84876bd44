#pragma once
// File sizes as the window shows them.
#include <cstdint>
#include <string>

// "812 B", "45.3 KB", "1.2 MB": one decimal, and the larger unit as soon as the smaller
// one would show 1024.0.
std::wstring FileSizeText(int64_t bytes);

// The size of the file at path in bytes, or -1 when it cannot be read.
int64_t FileSizeOf(const std::wstring& path);
