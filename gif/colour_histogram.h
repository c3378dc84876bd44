#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// The distinct colours of a frame's changed pixels with their pixel counts, while there are no
// more than kMaxColours of them (screen content: text, windows, icons); past that (photos,
// noise) it stops counting and says so. Kept from frame to frame: only the slots in use are
// cleared again.
class CColourHistogram {
public:
    static constexpr uint32_t kMaxColours = 16384;
    struct Entry {
        uint32_t rgb;    // 0x00RRGGBB
        uint32_t count;
    };

    CColourHistogram();
    CColourHistogram(const CColourHistogram&) = delete;
    CColourHistogram& operator=(const CColourHistogram&) = delete;

    void Clear();
    // Counts n more pixels of the colour; does nothing once Full.
    void Add(uint32_t rgb, uint32_t n = 1);
    // More colours were added than the histogram keeps: its counts are incomplete.
    bool Full() const { return full; }
    const std::vector<Entry>& Entries() const { return entries; }
    // The colour's place in Entries(), or -1 when it was not counted.
    int Find(uint32_t rgb) const;

private:
    static constexpr uint32_t kSlotBits = 16;  // at most a quarter full: short probe chains
    static constexpr uint32_t kUsed = 0x01000000u;
    std::unique_ptr<uint32_t[]> keys;   // colour | kUsed, 0 for a free slot
    std::unique_ptr<uint16_t[]> place;  // the colour's place in `entries`
    std::vector<Entry> entries;
    bool full = false;
};
