#include "nearest_colour.h"

#include <algorithm>

void CNearestColour::SetPalette(const uint32_t* palette, uint32_t n)
{
    count = n;
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
        const int d = dr * dr + dg * dg + db * db;
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
            if (dg * dg > best)
                up = end;
            else
                consider(*up++);
        }
        if (down != begin) {
            const int dg = green - (down - 1)->green;
            if (dg * dg > best)
                down = begin;
            else
                consider(*--down);
        }
    }
    return static_cast<uint8_t>(answer);
}
