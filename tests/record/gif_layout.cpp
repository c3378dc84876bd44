#include "gif_layout.h"

#include <windows.h>

#include <cstring>

namespace {

std::vector<uint8_t> ReadAll(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    uint8_t chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(file);
    return bytes;
}

}  // namespace

GifLayout ReadGifLayout(const std::wstring& path)
{
    GifLayout layout;
    const std::vector<uint8_t> b = ReadAll(path);
    size_t p = 13;
    if (b.size() < p || std::memcmp(b.data(), "GIF89a", 6) != 0)
        return layout;
    layout.width = b[6] | b[7] << 8;
    layout.height = b[8] | b[9] << 8;
    if (b[10] & 0x80)
        p += 3u << ((b[10] & 7) + 1);
    // Skips data sub-blocks up to and including the terminator; false past the end.
    auto skipBlocks = [&b, &p]() {
        while (p < b.size() && b[p] != 0)
            p += b[p] + 1u;
        if (p >= b.size())
            return false;
        ++p;
        return true;
    };
    int pendingDelay = -1;
    while (p < b.size()) {
        const uint8_t kind = b[p++];
        if (kind == 0x3B) {
            layout.complete = p == b.size();
            return layout;
        }
        if (kind == 0x21) {
            if (p + 1 >= b.size())
                return layout;
            const uint8_t label = b[p++];
            if (label == 0xF9 && p + 5 < b.size())
                pendingDelay = b[p + 2] | b[p + 3] << 8;
            if (label == 0xFF && p + 12 <= b.size() && std::memcmp(&b[p + 1], "NETSCAPE2.0", 11) == 0)
                layout.loops = true;
            if (!skipBlocks())
                return layout;
        } else if (kind == 0x2C) {
            if (p + 9 > b.size())
                return layout;
            layout.areas.push_back((b[p + 4] | b[p + 5] << 8) * (b[p + 6] | b[p + 7] << 8));
            const uint8_t flags = b[p + 8];
            p += 9;
            if (flags & 0x80)
                p += 3u << ((flags & 7) + 1);
            ++p;  // LZW minimum code size
            if (p > b.size() || !skipBlocks())
                return layout;
            layout.delays.push_back(pendingDelay);
            pendingDelay = -1;
        } else {
            return layout;
        }
    }
    return layout;
}
