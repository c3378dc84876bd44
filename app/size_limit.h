#pragma once
// The file size limit a recording keeps to, and how the window shows the size against it.
#include <cstdint>
#include <string>

// The limit in bytes for a setting in MB (the window's MB: 1024 x 1024 bytes); 0 for none.
int64_t SizeLimitBytes(int32_t megabytes);

// "8.2 MB / 10 MB" with a limit, the size alone without one.
std::wstring SizeAgainstLimitText(int64_t bytes, int32_t megabytes);

// True from nine tenths of the limit on: the size is then shown in the warning colour.
bool NearSizeLimit(int64_t bytes, int32_t megabytes);
