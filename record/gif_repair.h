#pragma once
#include <cstdint>
#include <string>

// After a failed write: cuts the file back to `length` bytes (the end of its last whole
// frame) and appends the GIF trailer, so the frames before the failure stay a valid GIF.
// Cutting first frees the space the trailer needs on a full disk. False when the file could
// not be reopened or written.
bool CloseGifAt(const std::wstring& path, uint64_t length);
