#include "colour_histogram.h"

CColourHistogram::CColourHistogram() : keys(new uint32_t[1u << kSlotBits]()), place(new uint16_t[1u << kSlotBits])
{
    entries.reserve(kMaxColours);
}

void CColourHistogram::Clear()
{
    for (const Entry& e : entries) {
        uint32_t slot = (e.rgb * 0x9E3779B1u) >> (32 - kSlotBits);
        while (keys[slot] != (e.rgb | kUsed))
            slot = (slot + 1) & ((1u << kSlotBits) - 1);
        keys[slot] = 0;
    }
    entries.clear();
    full = false;
}

void CColourHistogram::Add(uint32_t rgb, uint32_t n)
{
    if (full)
        return;
    uint32_t slot = (rgb * 0x9E3779B1u) >> (32 - kSlotBits);
    for (;;) {
        const uint32_t key = keys[slot];
        if (key == (rgb | kUsed)) {
            entries[place[slot]].count += n;
            return;
        }
        if (key == 0)
            break;
        slot = (slot + 1) & ((1u << kSlotBits) - 1);
    }
    if (entries.size() == kMaxColours) {
        full = true;
        return;
    }
    keys[slot] = rgb | kUsed;
    place[slot] = static_cast<uint16_t>(entries.size());
    entries.push_back(Entry{rgb, n});
}

int CColourHistogram::Find(uint32_t rgb) const
{
    uint32_t slot = (rgb * 0x9E3779B1u) >> (32 - kSlotBits);
    for (;;) {
        const uint32_t key = keys[slot];
        if (key == (rgb | kUsed))
            return place[slot];
        if (key == 0)
            return -1;
        slot = (slot + 1) & ((1u << kSlotBits) - 1);
    }
}
