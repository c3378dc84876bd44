#pragma once
#include <cstddef>
#include <cstdint>

#include "lzw_strings.h"

// The policy that decides, pixel by pixel, which of the values a pixel may take the LZW coder
// writes: the one place where a choice of what to write is made. Both coders (CLzwEncoder and
// its plain twin, CodeLzwPlain) ask a policy the same four questions, in the same order:
// - Start(strings, k): the value a new string begins with at pixel k;
// - GoOn(strings, from, k): the code of the string `from` followed by a value pixel k may take,
//   0 when the table has none;
// - GoOnOther(strings, from, k): the same for the values other than pixel k's first one (the
//   fast coder looks the first one up through its shortcuts);
// - TakeOther(k, v): whether pixel k may be written as v, which is not its first value; the
//   fast coder asks when its shortcuts know the only string that goes on.
// A policy that picks writes its pick into indices[k], so that the indices hold what a decoder
// reads (the fast coder's shortcuts read them after the pick).

// Every pixel has one value.
class CFixedPixels {
public:
    static constexpr bool kChoosing = false;

    explicit CFixedPixels(const uint8_t* indices_) : indices(indices_) {}
    const uint8_t* Indices() const { return indices; }
    uint32_t Start(const CLzwStrings&, size_t k) const { return indices[k]; }
    uint32_t GoOn(const CLzwStrings& t, uint32_t from, size_t k) const { return t.Find(from << 8 | indices[k]); }
    uint32_t GoOnOther(const CLzwStrings&, uint32_t, size_t) const { return 0; }
    bool TakeOther(size_t, uint32_t) const { return false; }

private:
    const uint8_t* const indices;
};

// Pixels that may take either of two values that show the same (a pixel that kept its colour,
// opaque or transparent): alternatives[k] is pixel k's other value, equal to indices[k] where it
// has none. A string goes on with the other value where the first would end it; only where
// neither goes on does it end, so the string the table gets (the one ended, followed by the next
// one's first value) is always new. A new string begins with the other value only where that one
// goes on to the next pixel and the first does not. (Measured against looking 2 or 4 pixels
// ahead and against taking the other on a tie: see docs/compact-mode.md.) The values written are
// swapped into indices, so that a second coding has the same choices.
class CTwoValuedPixels {
public:
    static constexpr bool kChoosing = true;

    CTwoValuedPixels(uint8_t* indices_, uint8_t* alternatives_, size_t count_)
        : indices(indices_), alternatives(alternatives_), count(count_) {}
    const uint8_t* Indices() const { return indices; }

    uint32_t Start(const CLzwStrings& t, size_t k)
    {
        const uint8_t first = indices[k], other = alternatives[k];
        if (first == other || TwoLong(t, k, first) || !TwoLong(t, k, other))
            return first;
        Swap(k);
        return other;
    }

    uint32_t GoOn(const CLzwStrings& t, uint32_t from, size_t k)
    {
        const uint32_t entry = t.Find(from << 8 | indices[k]);
        return entry != 0 ? entry : GoOnOther(t, from, k);
    }

    uint32_t GoOnOther(const CLzwStrings& t, uint32_t from, size_t k)
    {
        const uint8_t other = alternatives[k];
        if (other == indices[k])
            return 0;
        const uint32_t entry = t.Find(from << 8 | other);
        if (entry != 0)
            Swap(k);
        return entry;
    }

    bool TakeOther(size_t k, uint32_t v)
    {
        if (alternatives[k] == indices[k] || alternatives[k] != v)
            return false;
        Swap(k);
        return true;
    }

private:
    // Whether a string that begins with value v at pixel k is in the table with pixel k + 1 too.
    bool TwoLong(const CLzwStrings& t, size_t k, uint32_t v) const
    {
        if (k + 1 >= count)
            return false;
        const uint8_t first = indices[k + 1], other = alternatives[k + 1];
        return t.Find(v << 8 | first) != 0 || (other != first && t.Find(v << 8 | other) != 0);
    }

    void Swap(size_t k)
    {
        const uint8_t first = indices[k];
        indices[k] = alternatives[k];
        alternatives[k] = first;
    }

    uint8_t* const indices;
    uint8_t* const alternatives;
    const size_t count;
};
