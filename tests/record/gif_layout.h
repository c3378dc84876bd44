#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The block layout of a GIF file as the encoder writes it, read without decoding pixels:
// enough to count frames and see that the stream ends properly. Pixel checks are left to an
// independent decoder.
struct GifLayout {
    bool complete = false;  // header, whole blocks, trailer, nothing after
    bool loops = false;     // NETSCAPE2.0 application extension present
    int width = 0;
    int height = 0;
    std::vector<int> delays;  // one per frame, hundredths of a second
    std::vector<int> areas;   // one per frame, width x height of its image
};

GifLayout ReadGifLayout(const std::wstring& path);
