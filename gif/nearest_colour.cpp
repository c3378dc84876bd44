#include "nearest_colour.h"

#include <algorithm>

void CNearestColour::SetPalette(const uint32_t* palette, uint32_t n, ColourWeights weights)
{
    count = n;
    w = weights;
    for (uint32_t i = 0; i < n; ++i)
        sorted[i] = Entry{static_cast<int>(palette[i] >> 16 & 0xFF), static_cast<int>(palette[i] >> 8 & 0xFF),
                          static_cast<int>(palette[i] & 0xFF), i};
    std::sort(sorted, sorted + n, [](const Entry& a, const Entry& b) {
        return a.green != b.green ? a.green < b.green : a.index < b.index;
    });
}

uint8_t CNearestColour::Find(uint32_t rgb) const
{
    const int red = rgb >> 16 & 0xFF, green = rgb >> 8 & 0xFF, blue = rgb & 0xFF;
    const Entry* begin = sorted;
    const Entry* end = sorted + count;
    const Entry* at = std::lower_bound(begin, end, green, [](const Entry& e, int g) { return e.green < g; });
    int best = 1 << 30;
    uint32_t answer = 0;
    const auto consider = [&](const Entry& e) {
        const int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
        const int d = w.Distance(dr, dg, db);
        if (d < best || (d == best && e.index < answer)) {
            best = d;
            answer = e.index;
        }
    };
    const Entry* up = at;
    const Entry* down = at;
    while (up != end || down != begin) {
        if (up != end) {
            const int dg = up->green - green;
            if (w.green * dg * dg > best)
                up = end;
            else
                consider(*up++);
        }
        if (down != begin) {
            const int dg = green - (down - 1)->green;
            if (w.green * dg * dg > best)
                down = begin;
            else
                consider(*--down);
        }
    }
    return static_cast<uint8_t>(answer);
}

CBlockNearest::CBlockNearest() : candidates(new uint8_t[kBlocks * 256])
{
}

void CBlockNearest::SetPalette(const uint32_t* palette, uint32_t n, ColourWeights weights)
{
    w = weights;
    for (uint32_t i = 0; i < blocksListedCount; ++i)
        listed[blocksListed[i]] = 0;
    blocksListedCount = 0;
    count = n;
    for (uint32_t i = 0; i < n; ++i) {
        red[i] = static_cast<int>(palette[i] >> 16 & 0xFF);
        green[i] = static_cast<int>(palette[i] >> 8 & 0xFF);
        blue[i] = static_cast<int>(palette[i] & 0xFF);
    }
}

namespace {

// Squared distances from v to the nearest and the farthest of the centres lo, lo + 8, ... hi.
inline int NearSquare(int v, int lo, int hi)
{
    const int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
    return d * d;
}

inline int FarSquare(int v, int lo, int hi)
{
    const int d = v - lo > hi - v ? v - lo : hi - v;
    return d * d;
}

}  // namespace

void CBlockNearest::ListBlock(uint32_t block)
{
    int lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        lo[k] = static_cast<int>((block >> (6 - 3 * k)) & 7) * 32 + 4;
        hi[k] = lo[k] + 24;
    }
    int bound = 1 << 30;
    for (uint32_t i = 0; i < count; ++i) {
        const int far = w.red * FarSquare(red[i], lo[0], hi[0]) + w.green * FarSquare(green[i], lo[1], hi[1]) +
                        w.blue * FarSquare(blue[i], lo[2], hi[2]);
        bound = far < bound ? far : bound;
    }
    uint8_t* list = candidates.get() + block * 256;
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (w.red * NearSquare(red[i], lo[0], hi[0]) + w.green * NearSquare(green[i], lo[1], hi[1]) +
                w.blue * NearSquare(blue[i], lo[2], hi[2]) <= bound)
            list[n++] = static_cast<uint8_t>(i);
    listed[block] = static_cast<uint16_t>(n);
    blocksListed[blocksListedCount++] = block;
}

uint8_t CBlockNearest::FindCentre(uint32_t cell)
{
    const uint32_t block = (cell >> 6 & 0x1C0) | (cell >> 4 & 0x38) | (cell >> 2 & 0x7);
    if (listed[block] == 0)
        ListBlock(block);
    const int r = static_cast<int>(cell >> 10 & 0x1F) * 8 + 4;
    const int g = static_cast<int>(cell >> 5 & 0x1F) * 8 + 4;
    const int b = static_cast<int>(cell & 0x1F) * 8 + 4;
    const uint8_t* list = candidates.get() + block * 256;
    int best = 1 << 30;
    uint8_t answer = 0;
    for (uint32_t j = 0; j < listed[block]; ++j) {
        const uint8_t i = list[j];
        const int d = w.Distance(red[i] - r, green[i] - g, blue[i] - b);
        if (d < best) {  // the list is in index order: ties keep the lower index
            best = d;
            answer = i;
        }
    }
    return answer;
}
