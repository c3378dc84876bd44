#pragma once
#include <cstdint>
#include <memory>

#include "colour_distance.h"

// Nearest palette entry by (weighted) squared distance, for palettes of up to 256 colours. The entries
// are kept sorted by green, and a search walks out from the query's green in both directions
// until the green difference alone exceeds the best distance found: a few dozen entries are
// looked at instead of all of them. Ties go to the lower palette index.
class CNearestColour {
public:
    // palette: n colours 0x00RRGGBB, 1 <= n <= 256.
    void SetPalette(const uint32_t* palette, uint32_t n, ColourWeights weights = kPlainWeights);
    uint8_t Find(uint32_t rgb) const;

private:
    struct Entry {
        int red, green, blue;
        uint32_t index;
    };
    Entry sorted[256];
    uint32_t count = 0;
    ColourWeights w = kPlainWeights;
};

// The nearest palette entry to the centre of a cell of 8 x 8 x 8 colours (the error diffusion's
// lookups), same answer as CNearestColour. Cells are grouped in blocks of 4 x 4 x 4; the first
// lookup in a block lists the entries that can be nearest to any centre in it (those no farther
// from the block than the best entry's farthest point), and the block's later lookups search
// only that list: a handful of entries instead of a walk through the palette.
class CBlockNearest {
public:
    CBlockNearest();
    // palette: n colours 0x00RRGGBB, 1 <= n <= 256. Forgets every block's list.
    void SetPalette(const uint32_t* palette, uint32_t n, ColourWeights weights = kPlainWeights);
    // cell: red, green and blue's top five bits, 5 bits each, red highest.
    uint8_t FindCentre(uint32_t cell);

private:
    static constexpr uint32_t kBlocks = 512;
    void ListBlock(uint32_t block);

    int red[256], green[256], blue[256];
    uint32_t count = 0;
    ColourWeights w = kPlainWeights;
    std::unique_ptr<uint8_t[]> candidates;  // kBlocks lists of up to 256 entries
    uint16_t listed[kBlocks] = {};           // entries in each block's list, 0: not made yet
    uint32_t blocksListed[kBlocks] = {};
    uint32_t blocksListedCount = 0;
};
