#include "lzw_encoder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint32_t kMaxCode = 4095;
constexpr uint32_t kNoChild = 0xFFFF0000u;   // no pixel value is 0xFFFF
constexpr uint32_t kMoreChildren = 0x8000u;  // the code has other children than the one recorded
constexpr size_t kPackedFlushAt = 64 * 1024;
constexpr size_t kPackedSize = kPackedFlushAt + 64;

// Number of leading bytes of p (at most limit) equal to v.
inline size_t RunLength(const uint8_t* p, size_t limit, uint8_t v)
{
    size_t n = 0;
#if defined(__SSE2__)
    const __m128i want = _mm_set1_epi8(static_cast<char>(v));
    while (n + 16 <= limit) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, want)));
        if (mask != 0xFFFF)
            return n + static_cast<size_t>(__builtin_ctz(~mask));
        n += 16;
    }
#endif
    while (n < limit && p[n] == v)
        ++n;
    return n;
}

// Packs codes least significant bit first and hands the bytes to the sink in 255-byte data
// sub-blocks, each preceded by its length byte.
class CCodePacker {
public:
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
        if (static_cast<size_t>(out - start) >= kPackedFlushAt)
            WriteBlocks(false);
    }

    // The last bits padded with zeros to a whole byte, the last (short) sub-block, and the
    // terminator.
    void Finish()
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

private:
    // Writes every complete 255-byte sub-block (and with last, the rest as a shorter one),
    // keeping what remains at the buffer's start.
    void WriteBlocks(bool last)
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

    IByteSink& file;
    uint8_t* start;
    uint8_t* out;
    uint64_t bits = 0;
    int bitCount = 0;
};

}  // namespace

CLzwEncoder::CLzwEncoder()
    : touched(new uint32_t[kCodes]),
      lastChild(new uint32_t[kCodes]), fourSteps(new FourSteps[kCodes]),
      runPixel(new int16_t[kCodes]), runLength(new uint16_t[kCodes]),
      runCode(new uint16_t[256 * kCodes]), packed(new uint8_t[kPackedSize])
{
}

void CLzwEncoder::ResetTable(uint32_t clearCode)
{
    strings.Clear();
    touchedCount = 0;
    for (uint32_t c = 0; c < clearCode; ++c) {
        lastChild[c] = kNoChild;
        fourSteps[c].code = 0;
        runPixel[c] = static_cast<int16_t>(c);
        runLength[c] = 1;
        runCode[256 + c] = static_cast<uint16_t>(c);
        longestRun[c] = 1;
    }
    runPixel[clearCode] = -1;
    runPixel[clearCode + 1] = -1;
}

// The shortcuts of a new code: its parent's last child, no four-step yet, and its place
// among the strings of one repeated index.
inline void CLzwEncoder::RecordShortcuts(uint32_t prefix, uint32_t c, uint32_t code)
{
    const uint32_t siblings = lastChild[prefix] == kNoChild ? 0 : kMoreChildren;
    lastChild[prefix] = c << 16 | siblings | code;
    lastChild[code] = kNoChild;
    fourSteps[code].code = 0;
    if (runPixel[prefix] == static_cast<int16_t>(c)) {
        const uint32_t length = runLength[prefix] + 1u;
        runPixel[code] = static_cast<int16_t>(c);
        runLength[code] = static_cast<uint16_t>(length);
        runCode[length * 256 + c] = static_cast<uint16_t>(code);
        longestRun[c] = static_cast<uint16_t>(length);
    } else {
        runPixel[code] = -1;
    }
}

bool CLzwEncoder::Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize,
                           LzwWhenFull whenFull)
{
    // Without alternatives the indices are only read.
    return Code<false>(file, const_cast<uint8_t*>(indices), nullptr, count, minCodeSize, whenFull);
}

bool CLzwEncoder::CompressChoosing(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count,
                                   uint8_t minCodeSize, LzwWhenFull whenFull)
{
    return Code<true>(file, indices, alternatives, count, minCodeSize, whenFull);
}

template <bool kChoosing>
bool CLzwEncoder::Code(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count, uint8_t minCodeSize,
                       LzwWhenFull whenFull)
{
    const uint32_t clearCode = 1u << minCodeSize;
    const uint32_t endCode = clearCode + 1;
    const int firstWidth = minCodeSize + 1;
    // Clears what the previous frame filled, also when a failed write stopped it half way.
    ResetTable(clearCode);

    CCodePacker out(file, packed.get());
    out.PutCode(clearCode, firstWidth);
    if (count == 0) {
        out.PutCode(endCode, firstWidth);
        out.Finish();
        return false;
    }

    CLzwStrings& t = strings;
    uint32_t* slots = touched.get();
    uint32_t* childOf = lastChild.get();
    FourSteps* quads = fourSteps.get();
    int16_t* pixelOf = runPixel.get();
    uint16_t* lengthOf = runLength.get();
    uint16_t* runs = runCode.get();
    // The codes passed one pixel at a time in the current string, to fill quads.
    uint32_t recent[4] = {};
    uint32_t stepsInString = 0;
    uint32_t walked = 0;  // the last four of those pixels, the latest in the top byte
    int codeWidth = firstWidth;
    uint32_t lastCode = clearCode + 1;
    uint32_t widthLimit = 1u << codeWidth;   // widen once lastCode reaches this
    uint32_t codesWritten = 0;

    // The choices between a pixel's two values (none without kChoosing). A string goes on with
    // the other value where the first would end it; only where neither goes on does it end, so
    // the string the table gets (the one ended, followed by the next one's first value) is
    // always new.
    //
    // The code of the string `from` followed by pixel k's other value, with the two values
    // swapped so that indices hold what is written (the four-step and run shortcuts read them);
    // 0 where the pixel has no other value or the table no such string.
    const auto goOnWithOther = [&](size_t k, uint32_t from) -> uint32_t {
        if constexpr (!kChoosing)
            return 0;
        const uint8_t other = alternatives[k];
        if (other == indices[k])
            return 0;
        const uint32_t entry = t.Find(from << 8 | other);
        if (entry != 0) {
            alternatives[k] = indices[k];
            indices[k] = other;
        }
        return entry;
    };
    // The code of the string `from` followed by pixel k, with either of its values; 0 for none.
    const auto goOn = [&](size_t k, uint32_t from) -> uint32_t {
        const uint32_t entry = t.Find(from << 8 | indices[k]);
        return entry != 0 ? entry : goOnWithOther(k, from);
    };
    // Whether a string that begins with value v at pixel k is in the table with pixel k + 1 too.
    const auto twoLong = [&](size_t k, uint32_t v) {
        if (k + 1 >= count)
            return false;
        const uint8_t first = indices[k + 1], other = alternatives[k + 1];
        return t.Find(v << 8 | first) != 0 || (other != first && t.Find(v << 8 | other) != 0);
    };
    // The value a new string begins with at pixel k: the other one only where it goes on to
    // the next pixel and the first does not. (Measured against looking 2 or 4 pixels ahead and
    // against taking the other on a tie: see docs/compact-mode.md.)
    const auto firstValue = [&](size_t k) -> uint32_t {
        const uint8_t first = indices[k];
        if constexpr (!kChoosing)
            return first;
        const uint8_t other = alternatives[k];
        if (first == other || twoLong(k, first) || !twoLong(k, other))
            return first;
        alternatives[k] = first;
        indices[k] = other;
        return other;
    };
    uint32_t prefix = firstValue(0);

    // Long strings (screen content) gain from the child and run shortcuts; short ones (photos,
    // noise) only pay for their extra, unpredictable branches. Each stretch of pixels takes the
    // loop that suited the previous one; both give the same codes.
    constexpr size_t kStretch = 16384;
    bool shortcuts = true;
    size_t i = 1;
    // Codes up to shortcutsUpTo have their child, four-step and run shortcuts; the plain loop leaves
    // them out and the shortcut loop catches up from the list of filled slots when it resumes.
    uint32_t shortcutsUpTo = lastCode;
    bool filled = false;
    // LzwWhenFull::Keep: the full table stays as it is, strings only grow along the codes it
    // has (with the same shortcuts), at the widest codes.
    bool frozen = false;
    // Writes the prefix and gives prefix followed by the pixel in slot the next code, widening
    // the codes and clearing the table when due.
    const auto endString = [&](uint32_t slot) {
        out.PutCode(prefix, codeWidth);
        ++codesWritten;
        if (frozen)
            return;
        ++lastCode;
        t.Add(slot, lastCode);
        slots[touchedCount++] = slot;
        if (lastCode >= widthLimit) {
            ++codeWidth;
            widthLimit <<= 1;
        }
        if (lastCode == kMaxCode) {
            filled = true;
            if (whenFull == LzwWhenFull::Keep) {
                frozen = true;
                return;
            }
            out.PutCode(clearCode, codeWidth);
            ResetTable(clearCode);
            codeWidth = firstWidth;
            widthLimit = 1u << codeWidth;
            lastCode = clearCode + 1;
            shortcutsUpTo = lastCode;
        }
    };
    while (i < count) {
        const size_t stretchStart = i;
        const size_t stretchEnd = count - i > kStretch ? i + kStretch : count;
        const uint32_t codesBefore = codesWritten;
        if (!shortcuts) {
            // The plain loop: one table probe per pixel and nothing else, in a loop small
            // enough to keep everything in registers.
            while (i < stretchEnd) {
                const uint32_t entry = goOn(i, prefix);
                if (entry != 0) {
                    prefix = entry;
                    ++i;
                    continue;
                }
                const uint32_t next = firstValue(i);
                endString(prefix << 8 | next);
                prefix = next;
                ++i;
            }
            shortcuts = (codesWritten - codesBefore) * 8 < i - stretchStart;
            continue;
        }
        for (; shortcutsUpTo < lastCode; ++shortcutsUpTo) {
            const uint32_t slot = slots[shortcutsUpTo + 1 - (clearCode + 2)];
            RecordShortcuts(slot >> 8, slot & 0xFF, shortcutsUpTo + 1);
        }
        stepsInString = 0;
        while (i < stretchEnd) {
            uint32_t c = indices[i];
            {
                if (count - i >= 4) {
                    const FourSteps q = quads[prefix];
                    const uint8_t* p = indices + i;
                    const uint32_t next4 = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
                    if (q.code != 0 && q.pixels == next4) {
                        prefix = q.code;
                        i += 4;
                        stepsInString = 0;
                        continue;
                    }
                }
                const uint32_t child = childOf[prefix];
                if constexpr (kChoosing) {
                    // The prefix's only child is the pixel's other value: the first does not go
                    // on, so the other is taken here, at the shortcuts' pace (long unchanged
                    // stretches inside the content go this way, one table probe a pixel slower
                    // otherwise).
                    const uint32_t other = alternatives[i];
                    if (other != c && (child >> 16) == other && !(child & kMoreChildren)) {
                        alternatives[i] = static_cast<uint8_t>(c);
                        indices[i] = static_cast<uint8_t>(other);
                        c = other;
                    }
                }
                if ((child >> 16) == c) {
                    recent[stepsInString & 3] = prefix;
                    prefix = child & 0xFFF;
                    walked = walked >> 8 | c << 24;
                    if (++stepsInString >= 4) {
                        FourSteps& q = quads[recent[stepsInString & 3]];
                        q.pixels = walked;
                        q.code = prefix;
                    }
                    ++i;
                    continue;
                }
                stepsInString = 0;
                if (pixelOf[prefix] == static_cast<int16_t>(c) && lengthOf[prefix] >= 2) {
                    // The prefix is c repeated: every string of more c's up to the longest is
                    // in the table, so walk the run in one step.
                    const uint32_t have = lengthOf[prefix];
                    const uint32_t longest = longestRun[c];
                    const size_t run = RunLength(indices + i, count - i, static_cast<uint8_t>(c));
                    if (have + run <= longest) {
                        prefix = runs[(have + run) * 256 + c];
                        i += run;
                        continue;
                    }
                    // Up to the longest run in the table; the next c is not in it.
                    prefix = runs[longest * 256 + c];
                    i += longest - have;
                } else if (child & kMoreChildren) {
                    const uint32_t entry = t.Find(prefix << 8 | c);
                    if (entry != 0) {
                        childOf[prefix] = c << 16 | kMoreChildren | entry;
                        prefix = entry;
                        ++i;
                        continue;
                    }
                }
                // Otherwise the code has no child, or one that is not c: no entry for c,
                // decided without touching the big table.
            }
            // No entry for prefix followed by c: write the prefix, give the string the next
            // code, and start again from c. A string that begins at a single index goes
            // straight to the table: such a code has many children, so its shortcuts rarely fit.
            const uint32_t other = goOnWithOther(i, prefix);
            if (other != 0) {
                prefix = other;
                ++i;
                continue;
            }
            uint32_t next = firstValue(i);
            for (;;) {
                // Recorded first: endString may clear the table and start the codes again.
                if (!frozen) {
                    RecordShortcuts(prefix, next, lastCode + 1);
                    shortcutsUpTo = lastCode + 1;
                }
                endString(prefix << 8 | next);
                prefix = next;
                ++i;
                if (i >= stretchEnd)
                    break;
                const uint32_t entry = goOn(i, prefix);
                if (entry != 0) {
                    prefix = entry;
                    ++i;
                    break;
                }
                next = firstValue(i);
            }
            stepsInString = 0;
        }
        // More than one code per eight pixels: short strings, take the plain loop.
        shortcuts = (codesWritten - codesBefore) * 8 < i - stretchStart;
    }
    out.PutCode(prefix, codeWidth);
    // A decoder assigns one more code on reading that last prefix and widens when it reaches
    // 2^codeWidth, so the closing clear goes out at the width the decoder will read it with.
    const int clearWidth = (lastCode + 1 == widthLimit && codeWidth < 12) ? codeWidth + 1 : codeWidth;
    out.PutCode(clearCode, clearWidth);
    out.PutCode(endCode, firstWidth);
    out.Finish();
    return filled;
}
