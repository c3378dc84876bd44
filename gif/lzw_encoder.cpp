#include "lzw_encoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

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

}  // namespace

// Where the coder is in the pixels and the strings, kept in one place for the steps below.
struct CLzwEncoder::Walk {
    CLzwCodeStream& out;
    const size_t count;
    size_t i;          // the pixel that goes on the current string next
    uint32_t prefix;   // the current string's code
    uint32_t codesWritten = 0;
    // Codes up to shortcutsUpTo have their shortcuts; the plain stretches leave them out and a
    // shortcut stretch catches up from the list of strings added when it resumes.
    uint32_t shortcutsUpTo;
    // The codes passed one pixel at a time in the current string, to fill the four-steps.
    uint32_t recent[4] = {};
    uint32_t stepsInString = 0;
    uint32_t walked = 0;  // the last four of those pixels, the latest in the top byte
};

CLzwEncoder::CLzwEncoder()
    : touched(new uint32_t[CLzwShortcuts::kCodes]), packed(new uint8_t[CCodePacker::kBufferSize])
{
}

bool CLzwEncoder::Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize,
                           LzwWhenFull whenFull)
{
    CFixedPixels choice(indices);
    return Code(file, choice, count, minCodeSize, whenFull);
}

bool CLzwEncoder::CompressChoosing(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count,
                                   uint8_t minCodeSize, LzwWhenFull whenFull)
{
    CTwoValuedPixels choice(indices, alternatives, count);
    return Code(file, choice, count, minCodeSize, whenFull);
}

bool CLzwEncoder::CompressNear(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count,
                               const NearEnough& reach, uint8_t minCodeSize, LzwWhenFull whenFull)
{
    CNearPixels choice(indices, alternatives, count, reach);
    return Code(file, choice, count, minCodeSize, whenFull);
}

void CLzwEncoder::ResetTable(uint32_t clearCode)
{
    strings.Clear();
    touchedCount = 0;
    shortcuts.Reset(clearCode);
}

template <class Choice>
bool CLzwEncoder::Code(IByteSink& file, Choice& choice, size_t count, uint8_t minCodeSize, LzwWhenFull whenFull)
{
    CLzwCodeStream out(file, packed.get(), minCodeSize, whenFull);
    // Clears what the previous frame filled, also when a failed write stopped it half way.
    ResetTable(out.ClearCode());
    if (count == 0) {
        out.FinishEmpty();
        return false;
    }
    Walk w{out, count, 1, choice.Start(strings, 0), 0, out.NextCode() - 1};
    // Long strings (screen content) gain from the shortcuts; short ones (photos, noise) only pay
    // for their extra, unpredictable branches. Each stretch of pixels takes the loop that suited
    // the previous one; both give the same codes.
    constexpr size_t kStretch = 16384;
    bool withShortcuts = true;
    while (w.i < count) {
        const size_t start = w.i;
        const size_t end = count - start > kStretch ? start + kStretch : count;
        const uint32_t codesBefore = w.codesWritten;
        if (withShortcuts)
            ShortcutStretch(w, choice, end);
        else
            PlainStretch(w, choice, end);
        // More than one code per eight pixels: short strings, take the plain loop.
        withShortcuts = (w.codesWritten - codesBefore) * 8 < w.i - start;
    }
    return out.Finish(w.prefix);
}

// Writes the current string and gives it, followed by `next`, the next code; `next` begins the
// new string.
inline void CLzwEncoder::EndString(Walk& w, uint32_t next)
{
    const uint32_t code = w.out.EndString(w.prefix);
    ++w.codesWritten;
    if (code == CLzwCodeStream::kCleared) {
        ResetTable(w.out.ClearCode());
        w.shortcutsUpTo = w.out.NextCode() - 1;
    } else if (code != 0) {
        const uint32_t slot = w.prefix << 8 | next;
        strings.Add(slot, code);
        touched[touchedCount++] = slot;
    }
    w.prefix = next;
}

// One table probe per pixel and nothing else, in a loop small enough to keep everything in
// registers: the plain coder's steps.
template <class Choice>
inline void CLzwEncoder::PlainStretch(Walk& w, Choice& choice, size_t end)
{
    for (; w.i < end; ++w.i) {
        const uint32_t entry = choice.GoOn(strings, w.prefix, w.i);
        if (entry != 0) {
            w.prefix = entry;
            continue;
        }
        EndString(w, choice.Start(strings, w.i));
    }
}

template <class Choice>
inline void CLzwEncoder::ShortcutStretch(Walk& w, Choice& choice, size_t end)
{
    // The shortcuts of the codes the plain stretches added.
    const uint32_t firstCode = w.out.ClearCode() + 2;
    for (; w.shortcutsUpTo + 1 < w.out.NextCode(); ++w.shortcutsUpTo) {
        const uint32_t slot = touched[w.shortcutsUpTo + 1 - firstCode];
        shortcuts.Record(slot >> 8, slot & 0xFF, w.shortcutsUpTo + 1);
    }
    w.stepsInString = 0;
    while (w.i < end) {
        if (StepByShortcut(w, choice))
            continue;
        // No string goes on with pixel i's first value: its other one, or the string ends.
        const uint32_t other = choice.GoOnOther(strings, w.prefix, w.i);
        if (other != 0) {
            w.prefix = other;
            ++w.i;
            continue;
        }
        EndStrings(w, choice, end);
        w.stepsInString = 0;
    }
}

// Goes on from the current string with pixel i's first value through the shortcuts; false
// where the table has no such string (then pixel i may be further on, after a run).
template <class Choice>
inline bool CLzwEncoder::StepByShortcut(Walk& w, Choice& choice)
{
    const uint8_t* indices = choice.Indices();
    uint32_t c = indices[w.i];
    if (w.count - w.i >= 4) {
        const CLzwShortcuts::FourSteps q = shortcuts.fourSteps[w.prefix];
        const uint8_t* p = indices + w.i;
        const uint32_t next4 = p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
        if (q.code != 0 && q.pixels == next4) {
            w.prefix = q.code;
            w.i += 4;
            w.stepsInString = 0;
            return true;
        }
    }
    const uint32_t child = shortcuts.lastChild[w.prefix];
    // The prefix's only child is a value the pixel may take other than its first: the first
    // does not go on, so the other is taken here, at the shortcuts' pace (long unchanged
    // stretches inside the content go this way, one table probe a pixel slower otherwise).
    if (Choice::kChoosing && !(child & CLzwShortcuts::kMoreChildren) && (child >> 16) != c &&
        choice.TakeOther(w.i, child >> 16))
        c = child >> 16;
    if ((child >> 16) == c) {
        w.recent[w.stepsInString & 3] = w.prefix;
        w.prefix = child & 0xFFF;
        w.walked = w.walked >> 8 | c << 24;
        if (++w.stepsInString >= 4) {
            CLzwShortcuts::FourSteps& q = shortcuts.fourSteps[w.recent[w.stepsInString & 3]];
            q.pixels = w.walked;
            q.code = w.prefix;
        }
        ++w.i;
        return true;
    }
    w.stepsInString = 0;
    if (shortcuts.runPixel[w.prefix] == static_cast<int16_t>(c) && shortcuts.runLength[w.prefix] >= 2) {
        // The prefix is c repeated: every string of more c's up to the longest is in the table,
        // so the run is walked in one step.
        const uint32_t have = shortcuts.runLength[w.prefix];
        const uint32_t longest = shortcuts.longestRun[c];
        const size_t run = RunLength(indices + w.i, w.count - w.i, static_cast<uint8_t>(c));
        const bool whole = have + run <= longest;
        const uint32_t reached = whole ? have + static_cast<uint32_t>(run) : longest;
        w.prefix = shortcuts.runCode[reached * 256 + c];
        w.i += reached - have;
        return whole;  // else the next c is not in the table
    }
    if (child & CLzwShortcuts::kMoreChildren) {
        const uint32_t entry = strings.Find(w.prefix << 8 | c);
        if (entry != 0) {
            shortcuts.lastChild[w.prefix] = c << 16 | CLzwShortcuts::kMoreChildren | entry;
            w.prefix = entry;
            ++w.i;
            return true;
        }
    }
    // Otherwise the code has no child, or one that is not c: no entry for c, decided without
    // touching the big table.
    return false;
}

// Ends the current string at pixel i, and the strings after it as long as the next pixel does
// not go on: a string that begins at a single index goes straight to the table, since such a
// code has many children and its shortcuts rarely fit.
template <class Choice>
inline void CLzwEncoder::EndStrings(Walk& w, Choice& choice, size_t end)
{
    uint32_t next = choice.Start(strings, w.i);
    for (;;) {
        // Recorded first: EndString may clear the table and start the codes again.
        if (!w.out.Frozen()) {
            shortcuts.Record(w.prefix, next, w.out.NextCode());
            w.shortcutsUpTo = w.out.NextCode();
        }
        EndString(w, next);
        ++w.i;
        if (w.i >= end)
            return;
        const uint32_t entry = choice.GoOn(strings, w.prefix, w.i);
        if (entry != 0) {
            w.prefix = entry;
            ++w.i;
            return;
        }
        next = choice.Start(strings, w.i);
    }
}
