#pragma once
#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Lets giflib read a GIF held in memory: DGifOpen(&memory, ReadMemory, &error).
struct Memory {
    const std::vector<uint8_t>* bytes;
    size_t offset;
};

inline int ReadMemory(GifFileType* gif, GifByteType* out, int count)
{
    auto m = static_cast<Memory*>(gif->UserData);
    const size_t n = std::min(static_cast<size_t>(count), m->bytes->size() - m->offset);
    std::memcpy(out, m->bytes->data() + m->offset, n);
    m->offset += n;
    return static_cast<int>(n);
}
