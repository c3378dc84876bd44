#pragma once
#include <cstdint>
#include <memory>

// The strings of an LZW code table: (prefix code << 8 | pixel) -> the string's code. An
// open-addressed hash of 8192 slots (32 KiB, twice the 4096 codes a table can hold) that stays
// in the first-level cache; a direct 4096 x 256 table (2 MiB) missed the cache on nearly every
// look-up of short strings (photos) and of a full table kept to the end of a frame.
class CLzwStrings {
public:
    CLzwStrings() : slots(new uint32_t[kSlots]()), used(new uint16_t[kCodes]) {}
    CLzwStrings(const CLzwStrings&) = delete;
    CLzwStrings& operator=(const CLzwStrings&) = delete;

    // The code of the string, 0 when it is not in the table (no string has code 0).
    uint32_t Find(uint32_t key) const
    {
        for (uint32_t s = SlotOf(key);; s = (s + 1) & (kSlots - 1)) {
            const uint32_t v = slots[s];
            if (v == 0)
                return 0;
            if ((v >> 12) == key)
                return v & 0xFFF;
        }
    }

    // A string not in the table yet, with a code from 1 to 4095; at most 4096 between Clears.
    void Add(uint32_t key, uint32_t code)
    {
        uint32_t s = SlotOf(key);
        while (slots[s] != 0)
            s = (s + 1) & (kSlots - 1);
        slots[s] = key << 12 | code;
        used[usedCount++] = static_cast<uint16_t>(s);
    }

    // Empties the slots filled since the last Clear.
    void Clear()
    {
        for (uint32_t i = 0; i < usedCount; ++i)
            slots[used[i]] = 0;
        usedCount = 0;
    }

private:
    static constexpr uint32_t kCodes = 4096;
    static constexpr uint32_t kSlots = 8192;
    static uint32_t SlotOf(uint32_t key) { return (key * 0x9E3779B1u) >> 19; }

    std::unique_ptr<uint32_t[]> slots;  // key << 12 | code, 0 when free
    std::unique_ptr<uint16_t[]> used;  // slots filled since the last Clear
    uint32_t usedCount = 0;
};
