#include "test_frames.h"

#include "gif/dib.h"
#include "gif/gif_writer.h"
#include "gif/indexed_frame.h"

std::vector<uint8_t> MakeDib(int32_t width, int32_t height, const std::vector<Rgb>& topDown,
                             uint16_t bitsPerPixel)
{
    std::vector<uint8_t> dib(PackedDibSize(width, height, bitsPerPixel));
    WriteDibHeader(dib.data(), width, height, bitsPerPixel);
    const uint64_t stride = DibStride(width, bitsPerPixel);
    const int bytes = bitsPerPixel / 8;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = dib.data() + kDibHeaderSize + stride * (height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const Rgb& c = topDown[static_cast<size_t>(y) * width + x];
            row[bytes * x] = c.blue;
            row[bytes * x + 1] = c.green;
            row[bytes * x + 2] = c.red;
            if (bytes == 4)
                row[bytes * x + 3] = static_cast<uint8_t>(x * 37 + y);  // never read
        }
    }
    return dib;
}

std::vector<uint8_t> MakePaletteDib(int32_t width, int32_t height,
                                    const std::vector<uint8_t>& topDownValues,
                                    const std::vector<Rgb>& table, uint16_t bitsPerPixel)
{
    std::vector<uint8_t> dib(PackedDibSize(width, height, bitsPerPixel));
    WriteDibHeader(dib.data(), width, height, bitsPerPixel);
    for (size_t i = 0; i < table.size(); ++i) {
        dib[kDibHeaderSize + 4 * i] = table[i].blue;
        dib[kDibHeaderSize + 4 * i + 1] = table[i].green;
        dib[kDibHeaderSize + 4 * i + 2] = table[i].red;
    }
    const uint64_t stride = DibStride(width, bitsPerPixel);
    uint8_t* rows = dib.data() + kDibHeaderSize + 4 * DibColourTableEntries(bitsPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = rows + stride * (height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t v = topDownValues[static_cast<size_t>(y) * width + x];
            if (bitsPerPixel == 1)
                row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
            else if (bitsPerPixel == 4)
                row[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? v << 4 : v & 0x0F);
            else
                row[x] = v;
        }
    }
    return dib;
}

BuiltFrame Build(std::vector<uint8_t> dib, int useNearestColour, CFrameWorkspace* workspace)
{
    BuiltFrame f;
    GifImage image;
    f.result = BuildIndexedFrameFromDib(dib.data(), dib.size(), &image, useNearestColour, workspace) ? 1 : 0;
    if (f.result) {
        f.palette = std::move(image.palette);
        f.indices = std::move(image.indices);
        f.bitsPerIndex = image.tableBits;
        f.width = image.rect.width;
        f.height = image.rect.height;
    }
    return f;
}

void WriteWholeFrame(IByteSink& sink, const uint8_t* indices, const uint8_t* palette, uint16_t w, uint16_t h,
                     uint8_t bits, uint16_t delay, int16_t transparentIndex, CFrameWorkspace* workspace)
{
    GifImage image;
    image.rect = ImageRect{0, 0, w, h};
    image.tableBits = bits;
    image.palette.assign(palette, palette + (3u << bits));
    image.indices.assign(indices, indices + static_cast<size_t>(w) * h);
    image.transparentIndex = transparentIndex;
    WriteGifFrame(sink, image, delay, workspace);
}

uint32_t NextRandom(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::vector<Rgb> NoisePixels(int32_t width, int32_t height, uint32_t seed)
{
    std::vector<Rgb> px(static_cast<size_t>(width) * height);
    uint32_t s = seed | 1;
    for (Rgb& c : px) {
        const uint32_t r = NextRandom(s);
        c = {static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16)};
    }
    return px;
}

std::vector<Rgb> ScreenLikePixels(int32_t width, int32_t height, uint32_t seed)
{
    std::vector<Rgb> px(static_cast<size_t>(width) * height);
    uint32_t s = seed | 1;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Rgb c;
            if (y < height / 8) {
                c = {static_cast<uint8_t>(40 + x * 100 / width), 90, static_cast<uint8_t>(160 + y % 40)};
            } else if (x < width / 3) {
                const uint32_t r = NextRandom(s);
                c = {static_cast<uint8_t>((x * 255 / width + (r & 15)) & 0xFF),
                     static_cast<uint8_t>((y * 255 / height + ((r >> 4) & 15)) & 0xFF),
                     static_cast<uint8_t>(((x + y) & 0xFF) ^ ((r >> 8) & 7))};
            } else {
                const bool ink = ((x / 3 + y / 5) % 7 == 0) && (y % 14 < 10) && (x % 9 < 6);
                c = ink ? Rgb{20, 20, 30} : Rgb{250, 250, 250};
            }
            px[static_cast<size_t>(y) * width + x] = c;
        }
    }
    return px;
}
