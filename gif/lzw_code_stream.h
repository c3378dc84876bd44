#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "byte_sink.h"

// What the coder does once all 4096 codes are assigned: send a clear code and build the table
// again from the pixels that follow (fits content that changes along the image), or keep the
// full table and go on with the strings it has (fits content that repeats what came before,
// as lines of text do).
enum class LzwWhenFull { Clear, Keep };

// Packs codes least significant bit first and hands the bytes to the sink in 255-byte data
// sub-blocks, each preceded by its length byte, then the zero-length terminator.
class CCodePacker {
public:
    static constexpr size_t kFlushAt = 64 * 1024;
    static constexpr size_t kBufferSize = kFlushAt + 64;  // room for one code past kFlushAt

    // buffer: kBufferSize bytes, the packed bytes not yet cut into sub-blocks.
    CCodePacker(IByteSink& f, uint8_t* buffer) : file(f), start(buffer), out(buffer) {}

    void PutCode(uint32_t code, int width)
    {
        bits |= static_cast<uint64_t>(code) << bitCount;
        bitCount += width;
        // Every code stores the pending bits and keeps the whole bytes among them: no branch on
        // how full the accumulator is, which follows the code widths and guesses badly.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        std::memcpy(out, &bits, 4);
#else
        out[0] = static_cast<uint8_t>(bits);
        out[1] = static_cast<uint8_t>(bits >> 8);
        out[2] = static_cast<uint8_t>(bits >> 16);
        out[3] = static_cast<uint8_t>(bits >> 24);
#endif
        const int bytes = bitCount >> 3;
        out += bytes;
        bits >>= 8 * bytes;
        bitCount &= 7;
        if (static_cast<size_t>(out - start) >= kFlushAt)
            WriteBlocks(false);
    }

    // The last bits padded with zeros to a whole byte, the last (short) sub-block, and the
    // terminator.
    void Finish();

private:
    // Writes every complete 255-byte sub-block (and with last, the rest as a shorter one),
    // keeping what remains at the buffer's start.
    void WriteBlocks(bool last);

    IByteSink& file;
    uint8_t* start;
    uint8_t* out;
    uint64_t bits = 0;
    int bitCount = 0;
};

// The codes of one image's data as a decoder numbers them: a clear code first, variable widths
// from minCodeSize + 1 up to 12 bits, a clear code when code 4095 is assigned (or the full table
// kept, see LzwWhenFull), the end code last. The coder keeps the strings; this keeps the count.
class CLzwCodeStream {
public:
    static constexpr uint32_t kMaxCode = 4095;
    // EndString's answer when the string filled the table and a clear code started a new one.
    static constexpr uint32_t kCleared = 0xFFFFFFFFu;

    // Writes the first clear code.
    CLzwCodeStream(IByteSink& file, uint8_t* buffer, uint8_t minCodeSize, LzwWhenFull whenFull_)
        : out(file, buffer), clearCode(1u << minCodeSize), firstWidth(minCodeSize + 1), whenFull(whenFull_)
    {
        Restart();
        out.PutCode(clearCode, firstWidth);
    }

    uint32_t ClearCode() const { return clearCode; }
    // The code the next string added gets.
    uint32_t NextCode() const { return lastCode + 1; }
    // The table is full and kept: no string is added any more.
    bool Frozen() const { return frozen; }
    // All 4096 codes were assigned at least once.
    bool Filled() const { return filled; }

    // Writes the code of a string that ends. Returns the code of the new string (the one ended
    // followed by the pixel that ended it), for the coder to add; 0 when the table is full and
    // kept; kCleared when the new string filled the table and a clear code followed, so the
    // coder empties its table.
    uint32_t EndString(uint32_t prefix)
    {
        out.PutCode(prefix, codeWidth);
        if (frozen)
            return 0;
        const uint32_t code = ++lastCode;
        if (code >= widthLimit) {
            ++codeWidth;
            widthLimit <<= 1;
        }
        if (code != kMaxCode)
            return code;
        filled = true;
        if (whenFull == LzwWhenFull::Keep) {
            frozen = true;
            return code;
        }
        out.PutCode(clearCode, codeWidth);
        Restart();
        return kCleared;
    }

    // Writes the last string's code, the closing clear and end codes and the terminator.
    // Returns Filled().
    bool Finish(uint32_t prefix);
    // The data of an image without pixels: the end code right after the first clear.
    void FinishEmpty();

private:
    void Restart()
    {
        codeWidth = firstWidth;
        widthLimit = 1u << codeWidth;
        lastCode = clearCode + 1;
    }

    CCodePacker out;
    const uint32_t clearCode;
    const int firstWidth;
    const LzwWhenFull whenFull;
    int codeWidth = 0;
    uint32_t widthLimit = 0;  // widen once lastCode reaches this
    uint32_t lastCode = 0;    // the last code assigned (the end code right after a clear)
    bool frozen = false;
    bool filled = false;
};
