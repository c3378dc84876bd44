#pragma once
#include <cstdint>

// The distinct colours of a frame's changed pixels while there are at most 256 of them: a
// small open-addressed table from 24-bit colour to palette index, in the order first seen.
class CExactColours {
public:
    static constexpr uint32_t kMaxColours = 256;

    void Clear();
    // The colour's index, adding it when new; -1 when it is new and the table is full.
    int Add(uint32_t rgb);
    // The colour's index, or -1 when it was never added.
    int Find(uint32_t rgb) const;
    uint32_t Count() const { return count; }
    const uint32_t* Colours() const { return colours; }

private:
    static constexpr uint32_t kSlots = 1024;  // at most a quarter full: short probe chains
    static constexpr uint32_t kUsed = 0x01000000u;
    static uint32_t SlotOf(uint32_t rgb) { return (rgb * 0x9E3779B1u) >> 22; }

    uint32_t keys[kSlots] = {};  // colour | kUsed, 0 for a free slot
    uint8_t values[kSlots] = {};
    uint32_t colours[kMaxColours] = {};
    uint32_t count = 0;
};
