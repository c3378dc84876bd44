#include "lzw_decoder.h"

namespace {

constexpr uint32_t kMaxCodes = 4096;
constexpr uint32_t kNoCode = 0xFFFFFFFFu;

struct CodeTable {
    uint16_t prefix[kMaxCodes];
    uint16_t length[kMaxCodes];
    uint8_t last[kMaxCodes];   // the string's final index
    uint8_t first[kMaxCodes];  // the string's first index
};

// Writes the string of code at out[position...], back to front along its prefixes; the part
// past count is dropped (a last code may run over the image's end).
void WriteString(const CodeTable& t, uint32_t code, uint8_t* out, size_t position, size_t count)
{
    size_t at = position + t.length[code];
    while (at > position) {
        --at;
        if (at < count)
            out[at] = t.last[code];
        code = t.prefix[code];
    }
}

// Reads codes of a given width from the data, least significant bit first.
class CLzwCodeReader {
public:
    CLzwCodeReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next code; false when the data ends first.
    bool Next(uint32_t width, uint32_t* code)
    {
        while (m_bitCount < width) {
            if (m_in == m_size)
                return false;
            m_bits |= static_cast<uint64_t>(m_data[m_in++]) << m_bitCount;
            m_bitCount += 8;
        }
        *code = static_cast<uint32_t>(m_bits) & ((1u << width) - 1);
        m_bits >>= width;
        m_bitCount -= width;
        return true;
    }

private:
    const uint8_t* const m_data;
    const size_t m_size;
    size_t m_in = 0;
    uint64_t m_bits = 0;
    uint32_t m_bitCount = 0;
};

}  // namespace

GifError DecodeLzw(const uint8_t* data, size_t size, uint8_t minCodeSize, uint8_t* out, size_t count)
{
    if (minCodeSize < 1 || minCodeSize > 11)
        return GifError::BadImage;
    CodeTable t;  // 24 KiB; only entries already made are read
    const uint32_t clear = 1u << minCodeSize;
    const uint32_t endCode = clear + 1;
    for (uint32_t c = 0; c < clear; ++c) {
        t.prefix[c] = 0;
        t.length[c] = 1;
        t.last[c] = t.first[c] = static_cast<uint8_t>(c);
    }
    uint32_t width = minCodeSize + 1u;
    uint32_t next = clear + 2;
    uint32_t previous = kNoCode;
    CLzwCodeReader codes(data, size);
    size_t position = 0;
    while (position < count) {
        uint32_t code = 0;
        if (!codes.Next(width, &code))
            return GifError::ShortData;
        if (code == clear) {
            width = minCodeSize + 1u;
            next = clear + 2;
            previous = kNoCode;
            continue;
        }
        if (code == endCode)
            return GifError::ShortData;
        if (previous == kNoCode) {
            if (code > clear)
                return GifError::BadCode;
            out[position++] = static_cast<uint8_t>(code);
            previous = code;
            continue;
        }
        if (code > next || (code == next && next == kMaxCodes))
            return GifError::BadCode;
        if (next < kMaxCodes) {
            // The new string is the previous one and the first index of this code's string,
            // which for the code not yet in the table is the previous string's own first.
            t.prefix[next] = static_cast<uint16_t>(previous);
            t.length[next] = static_cast<uint16_t>(t.length[previous] + 1);
            t.first[next] = t.first[previous];
            t.last[next] = code == next ? t.first[previous] : t.first[code];
            ++next;
            if (next == (1u << width) && width < 12)
                ++width;
        }
        WriteString(t, code, out, position, count);
        position += t.length[code];
        previous = code;
    }
    return GifError::None;
}
