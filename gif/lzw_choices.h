#pragma once
#include <cstddef>
#include <cstdint>

#include "colour_distance.h"
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

// What lets a pixel be written as a value whose colour is only near its captured colour.
struct NearEnough {
    const uint32_t* captured;  // each pixel's captured colour, 0xRRGGBB
    const uint8_t* palette;    // the values' colours: red, green, blue
    int transparent;           // the transparent value, -1 for none
    size_t width;              // pixels a row
    int limit;                 // the largest error, squared and weighted for the eye
};

// Pixels that may also be written as the value of the pixel before them or of the one above
// them, where that value's colour is near enough to their captured colour: a string goes on over
// small differences (noise, dither, a soft gradient) instead of ending. The error is measured
// against the captured pixel, not against the pixel's first value, so it does not add up along
// a run. Transparent pixels, and the transparent value, take no part. Otherwise as
// CTwoValuedPixels, whose choices are tried first.
class CNearPixels {
public:
    static constexpr bool kChoosing = true;

    CNearPixels(uint8_t* indices_, uint8_t* alternatives_, size_t count_, const NearEnough& reach_)
        : two(indices_, alternatives_, count_), indices(indices_), reach(reach_) {}
    const uint8_t* Indices() const { return indices; }

    uint32_t Start(const CLzwStrings& t, size_t k) { return two.Start(t, k); }

    uint32_t GoOn(const CLzwStrings& t, uint32_t from, size_t k)
    {
        const uint32_t entry = t.Find(from << 8 | indices[k]);
        return entry != 0 ? entry : GoOnOther(t, from, k);
    }

    uint32_t GoOnOther(const CLzwStrings& t, uint32_t from, size_t k)
    {
        const uint32_t entry = two.GoOnOther(t, from, k);
        if (entry != 0 || k == 0)
            return entry;
        const uint32_t before = indices[k - 1];
        if (May(k, before)) {
            const uint32_t e = t.Find(from << 8 | before);
            if (e != 0) {
                indices[k] = static_cast<uint8_t>(before);
                return e;
            }
        }
        if (k < reach.width)
            return 0;
        const uint32_t above = indices[k - reach.width];
        if (above == before || !May(k, above))
            return 0;
        const uint32_t e = t.Find(from << 8 | above);
        if (e != 0)
            indices[k] = static_cast<uint8_t>(above);
        return e;
    }

    bool TakeOther(size_t k, uint32_t v)
    {
        if (two.TakeOther(k, v))
            return true;
        const bool neighbour = k > 0 && (v == indices[k - 1] || (k >= reach.width && v == indices[k - reach.width]));
        if (!neighbour || !May(k, v))
            return false;
        indices[k] = static_cast<uint8_t>(v);
        return true;
    }

private:
    // Whether pixel k may be written as v for its colour.
    bool May(size_t k, uint32_t v) const
    {
        const int first = indices[k];
        if (static_cast<int>(v) == first || first == reach.transparent || static_cast<int>(v) == reach.transparent)
            return false;
        const uint32_t rgb = reach.captured[k];
        const uint8_t* c = reach.palette + 3 * v;
        return kEyeWeights.Distance(static_cast<int>(rgb >> 16 & 0xFF) - c[0], static_cast<int>(rgb >> 8 & 0xFF) - c[1],
                                    static_cast<int>(rgb & 0xFF) - c[2]) <= reach.limit;
    }

    CTwoValuedPixels two;
    uint8_t* const indices;
    const NearEnough reach;
};
