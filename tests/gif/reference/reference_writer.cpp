#include "reference_writer.h"

#include <cstring>
#include <vector>

namespace reference {

namespace {

void PutLe16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Gathers LZW codes, least significant bit first, into 255-byte data sub-blocks.
struct GifBlockWriter {
    IByteSink& file;
    uint32_t bits = 0;      // pending bits, low first
    int bitCount = 0;
    int length = 0;
    uint8_t block[256] = {};

    explicit GifBlockWriter(IByteSink& f) : file(f) {}

    void FlushBlock()
    {
        uint8_t n = static_cast<uint8_t>(length);
        file.Write(&n, 1);
        file.Write(block, static_cast<uint32_t>(length));
        length = 0;
    }

    void PutCode(uint32_t code, int width)
    {
        bits |= code << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            block[length++] = static_cast<uint8_t>(bits);
            bits >>= 8;
            bitCount -= 8;
            if (length == 255)
                FlushBlock();
        }
    }

    void Finish()
    {
        if (bitCount > 0)
            PutCode(0, 8 - bitCount);
        if (length != 0)
            FlushBlock();
        uint8_t terminator = 0;
        file.Write(&terminator, 1);
    }
};

void LzwCompressFrame(IByteSink& file, const uint8_t* indices, uint8_t minCodeSize, uint32_t width,
                      uint32_t height)
{
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    std::vector<uint16_t> table(4096u * 256u, 0);
    int codeWidth = minCodeSize + 1;
    uint32_t lastCode = clearCode + 1;
    GifBlockWriter out(file);
    out.PutCode(clearCode, codeWidth);

    const size_t count = static_cast<size_t>(width) * height;
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < count; ++i) {
        uint32_t c = indices[i];
        uint16_t& entry = table[prefix * 256 + c];
        if (entry != 0) {
            prefix = entry;
            continue;
        }
        out.PutCode(prefix, codeWidth);
        ++lastCode;
        entry = static_cast<uint16_t>(lastCode);
        if (lastCode >= (1u << codeWidth))
            ++codeWidth;
        if (lastCode == 4095) {
            out.PutCode(clearCode, codeWidth);
            std::fill(table.begin(), table.end(), 0);
            codeWidth = minCodeSize + 1;
            lastCode = clearCode + 1;
        }
        prefix = c;
    }
    out.PutCode(prefix, codeWidth);
    // A decoder adds one more table entry after reading that last prefix and widens when it
    // reaches 2^codeWidth, so the closing clear must be written at the width it will read.
    int clearWidth = codeWidth;
    if (lastCode + 1 == (1u << codeWidth) && codeWidth < 12)
        ++clearWidth;
    out.PutCode(clearCode, clearWidth);
    out.PutCode(endCode, minCodeSize + 1);
    out.Finish();
}

}  // namespace

void WriteGifHeader(IByteSink& file, uint16_t width, uint16_t height, uint8_t bitsPerIndex)
{
    uint8_t h[32] = {'G', 'I', 'F', '8', '9', 'a'};
    PutLe16(h + 6, width);
    PutLe16(h + 8, height);
    h[10] = static_cast<uint8_t>((bitsPerIndex - 1) << 4);
    h[11] = 0;
    h[12] = 0;
    const uint8_t loop[19] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                              '2',  '.',  '0',  0x03, 0x01, 0x00, 0x00, 0x00};
    std::memcpy(h + 13, loop, sizeof loop);
    file.Write(h, sizeof h);
}

void WriteGifFrame(IByteSink& file, const uint8_t* indices, const uint8_t* palette, uint16_t width,
                   uint16_t height, uint8_t bitsPerIndex, uint16_t delay, int16_t transparentIndex)
{
    uint8_t gce[8] = {0x21, 0xF9, 0x04, 0x04, 0, 0, 0, 0};
    if (transparentIndex != -1) {
        gce[3] |= 0x01;
        gce[6] = static_cast<uint8_t>(transparentIndex & 0xFF);
    }
    PutLe16(gce + 4, delay);
    file.Write(gce, sizeof gce);

    uint8_t desc[10] = {0x2C, 0, 0, 0, 0};
    PutLe16(desc + 5, width);
    PutLe16(desc + 7, height);
    desc[9] = static_cast<uint8_t>(0x80 | (bitsPerIndex - 1));
    file.Write(desc, sizeof desc);
    file.Write(palette, 3u << bitsPerIndex);
    file.Write(&bitsPerIndex, 1);
    LzwCompressFrame(file, indices, bitsPerIndex, width, height);
}

void WriteGifTrailer(IByteSink& file)
{
    const uint8_t trailer = 0x3B;
    file.Write(&trailer, 1);
}

}  // namespace reference
