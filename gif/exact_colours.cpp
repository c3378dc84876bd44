#include "exact_colours.h"

#include <cstring>

void CExactColours::Clear()
{
    std::memset(keys, 0, sizeof keys);
    count = 0;
}

int CExactColours::Add(uint32_t rgb)
{
    const uint32_t key = rgb | kUsed;
    for (uint32_t s = SlotOf(rgb);; s = (s + 1) & (kSlots - 1)) {
        if (keys[s] == key)
            return values[s];
        if (keys[s] == 0) {
            if (count == kMaxColours)
                return -1;
            keys[s] = key;
            values[s] = static_cast<uint8_t>(count);
            colours[count] = rgb;
            return static_cast<int>(count++);
        }
    }
}

int CExactColours::Find(uint32_t rgb) const
{
    const uint32_t key = rgb | kUsed;
    for (uint32_t s = SlotOf(rgb);; s = (s + 1) & (kSlots - 1)) {
        if (keys[s] == key)
            return values[s];
        if (keys[s] == 0)
            return -1;
    }
}
