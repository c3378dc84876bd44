#include "lzw_encoder.h"

namespace {

constexpr uint32_t kMaxCode = 4095;

// Gathers codes in a 64-bit accumulator and moves whole bytes into the current sub-block;
// a sub-block is written as soon as its 255th byte is complete.
class CBlockPacker {
public:
    explicit CBlockPacker(IByteSink& f) : file(f) {}

    void PutCode(uint32_t code, int width)
    {
        bits |= static_cast<uint64_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            block[1 + length] = static_cast<uint8_t>(bits);
            bits >>= 8;
            bitCount -= 8;
            if (++length == 255)
                FlushBlock();
        }
    }

    // Pads the last byte with zero bits, writes what is gathered and the terminator.
    void Finish()
    {
        if (bitCount > 0)
            PutCode(0, 8 - bitCount);
        if (length != 0)
            FlushBlock();
        const uint8_t terminator = 0;
        file.Write(&terminator, 1);
    }

private:
    void FlushBlock()
    {
        block[0] = static_cast<uint8_t>(length);
        file.Write(block, static_cast<uint32_t>(length) + 1);
        length = 0;
    }

    IByteSink& file;
    uint64_t bits = 0;
    int bitCount = 0;
    int length = 0;
    uint8_t block[256];   // the length byte, then up to 255 data bytes
};

}  // namespace

CLzwEncoder::CLzwEncoder()
    : table(new uint16_t[(kMaxCode + 1) * 256]()), touched(new uint32_t[kMaxCode + 1])
{
}

void CLzwEncoder::ClearTouched()
{
    uint16_t* t = table.get();
    const uint32_t* slot = touched.get();
    for (uint32_t i = 0; i < touchedCount; ++i)
        t[slot[i]] = 0;
    touchedCount = 0;
}

void CLzwEncoder::Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize)
{
    // The table must be clean for the next frame even when a write raises half way.
    struct ClearOnExit {
        CLzwEncoder& encoder;
        ~ClearOnExit() { encoder.ClearTouched(); }
    } clearOnExit{*this};

    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    const int firstWidth = minCodeSize + 1;
    CBlockPacker out(file);
    out.PutCode(clearCode, firstWidth);
    if (count == 0) {
        out.PutCode(endCode, firstWidth);
        out.Finish();
        return;
    }

    uint16_t* t = table.get();
    uint32_t* slots = touched.get();
    int codeWidth = firstWidth;
    uint32_t lastCode = clearCode + 1;
    uint32_t widthLimit = 1u << codeWidth;   // widen once lastCode reaches this
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < count; ++i) {
        const uint32_t slot = prefix << 8 | indices[i];
        const uint32_t entry = t[slot];
        if (entry != 0) {
            prefix = entry;
            continue;
        }
        out.PutCode(prefix, codeWidth);
        ++lastCode;
        t[slot] = static_cast<uint16_t>(lastCode);
        slots[touchedCount++] = slot;
        if (lastCode >= widthLimit) {
            ++codeWidth;
            widthLimit <<= 1;
        }
        if (lastCode == kMaxCode) {
            out.PutCode(clearCode, codeWidth);
            ClearTouched();
            codeWidth = firstWidth;
            widthLimit = 1u << codeWidth;
            lastCode = clearCode + 1;
        }
        prefix = indices[i];
    }
    out.PutCode(prefix, codeWidth);
    // A decoder assigns one more code on reading that last prefix and widens when it reaches
    // 2^codeWidth, so the closing clear goes out at the width the decoder will read it with.
    const int clearWidth = (lastCode + 1 == widthLimit && codeWidth < 12) ? codeWidth + 1 : codeWidth;
    out.PutCode(clearCode, clearWidth);
    out.PutCode(endCode, firstWidth);
    out.Finish();
}
