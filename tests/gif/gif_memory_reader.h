#pragma once
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
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

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using SlurpedGif = std::unique_ptr<GifFileType, GifCloser>;

// The whole file as giflib reads it (DGifSlurp); null where giflib cannot open it. Either
// failure is recorded in the running test.
inline SlurpedGif Slurp(const std::vector<uint8_t>& file)
{
    Memory m{&file, 0};
    int error = 0;
    SlurpedGif gif(DGifOpen(&m, ReadMemory, &error));
    EXPECT_NE(gif, nullptr) << GifErrorString(error);
    if (!gif)
        return gif;
    EXPECT_EQ(DGifSlurp(gif.get()), GIF_OK) << GifErrorString(gif->Error);
    gif->UserData = nullptr;  // m goes with this call
    return gif;
}
