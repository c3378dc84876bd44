#include "lzw_code_stream.h"

void CCodePacker::Finish()
{
    while (bitCount > 0) {
        *out++ = static_cast<uint8_t>(bits);
        bits >>= 8;
        bitCount = bitCount > 8 ? bitCount - 8 : 0;
    }
    WriteBlocks(true);
    const uint8_t terminator = 0;
    file.Write(&terminator, 1);
}

void CCodePacker::WriteBlocks(bool last)
{
    const size_t length = static_cast<size_t>(out - start);
    size_t done = 0;
    uint8_t frame[1 + 255];
    while (length - done >= 255 || (last && done < length)) {
        const size_t n = length - done >= 255 ? 255 : length - done;
        frame[0] = static_cast<uint8_t>(n);
        std::memcpy(frame + 1, start + done, n);
        file.Write(frame, static_cast<uint32_t>(n + 1));
        done += n;
    }
    std::memmove(start, start + done, length - done);
    out = start + (length - done);
}

bool CLzwCodeStream::Finish(uint32_t prefix)
{
    out.PutCode(prefix, codeWidth);
    // A decoder assigns one more code on reading that last prefix and widens when it reaches
    // 2^codeWidth, so the closing clear goes out at the width the decoder will read it with.
    const int clearWidth = (lastCode + 1 == widthLimit && codeWidth < 12) ? codeWidth + 1 : codeWidth;
    out.PutCode(clearCode, clearWidth);
    out.PutCode(clearCode + 1, firstWidth);
    out.Finish();
    return filled;
}

void CLzwCodeStream::FinishEmpty()
{
    out.PutCode(clearCode + 1, firstWidth);
    out.Finish();
}
