#pragma once
#include <cstdint>

// Nearest palette entry by squared distance, for palettes of up to 256 colours. The entries
// are kept sorted by green, and a search walks out from the query's green in both directions
// until the green difference alone exceeds the best distance found: a few dozen entries are
// looked at instead of all of them. Ties go to the lower palette index.
class CNearestColour {
public:
    // palette: n colours 0x00RRGGBB, 1 <= n <= 256.
    void SetPalette(const uint32_t* palette, uint32_t n);
    uint8_t Find(uint32_t rgb) const;

private:
    struct Entry {
        int red, green, blue;
        uint32_t index;
    };
    Entry sorted[256];
    uint32_t count = 0;
};
