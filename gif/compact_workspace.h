#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "colour_cells.h"
#include "colour_histogram.h"
#include "exact_colours.h"
#include "median_cut.h"
#include "nearest_colour.h"

// The compact mode's working memory of one thread, kept from frame to frame (in the thread's
// CFrameWorkspace): the median cut's cells and the nearest-entry caches are too big to obtain
// for every frame. Each frame leaves the caches empty again.
struct CCompactWorkspace {
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr uint8_t kUnknown = 0xFF;  // reduced palettes have at most 255 entries

    CExactColours exact;
    // A reduced palette's colours, each with its (first) entry: which unchanged pixels it can
    // write in their own colour.
    CExactColours paletteColours;
    uint8_t paletteEntry[256] = {};
    CMedianCut cut;
    CColourHistogram histogram;
    std::vector<uint8_t> histogramIndex;  // the palette entry of each colour the histogram counted
    CNearestColour nearest;
    CBlockNearest blockNearest;
    // One remembered colour per cell of 4 x 4 x 4 colours: colour << 8 | its palette entry.
    std::unique_ptr<uint32_t[]> cache{new uint32_t[1u << 18]};
    std::vector<uint32_t> cellsSet;
    // With error diffusion, and for frames of more colours than the histogram keeps: the entry
    // nearest to the centre of each cell of 8 x 8 x 8 colours, kUnknown when not yet looked
    // up. Such colours are nearly all different, so this bounds the searches per frame
    // (32768); the diffusion makes up for the coarser colours. Cells of 4 x 4 x 4 gave 2 dB
    // more on a diffused photo at up to four times the time on fine texture. One byte a cell
    // keeps the table (32 KiB) in the first-level cache.
    std::unique_ptr<uint8_t[]> coarse{new uint8_t[1u << 15]};
    std::vector<uint32_t> coarseSet;
    std::vector<int16_t> errors;  // diffusion sums, sixteenths: at most 16 x 255 either way
    static constexpr uint32_t kExactSearches = 16384;
    uint32_t searches = 0;

    CCompactWorkspace()
    {
        for (uint32_t i = 0; i < (1u << 18); ++i)
            cache[i] = kEmpty;
        for (uint32_t i = 0; i < (1u << 15); ++i)
            coarse[i] = kUnknown;
    }

    // The palette entry nearest to a colour. Screen content repeats a few colours, so the last
    // colour of each cell is remembered; a colour that is not the remembered one is searched.
    // Past kExactSearches searches in one frame (fine texture, noise) the cell's centre
    // stands for the colour, as with diffusion.
    uint8_t IndexOf(uint32_t rgb)
    {
        const uint32_t cell = CellOf4(rgb);
        uint32_t& slot = cache[cell];
        if ((slot >> 8) != rgb || slot == kEmpty) {
            if (searches == kExactSearches)
                return IndexOfCell(rgb);
            ++searches;
            if (slot == kEmpty)
                cellsSet.push_back(cell);
            slot = rgb << 8 | nearest.Find(rgb);
        }
        return static_cast<uint8_t>(slot);
    }

    // With error diffusion nearly every wanted colour is new.
    uint8_t IndexOfCell(uint32_t rgb)
    {
        const uint32_t cell = CellOf8(rgb);
        uint8_t& slot = coarse[cell];
        if (slot == kUnknown) {
            slot = blockNearest.FindCentre(cell);
            coarseSet.push_back(cell);
        }
        return static_cast<uint8_t>(slot);
    }

    void ForgetIndices()
    {
        searches = 0;
        for (uint32_t cell : cellsSet)
            cache[cell] = kEmpty;
        cellsSet.clear();
        for (uint32_t cell : coarseSet)
            coarse[cell] = kUnknown;
        coarseSet.clear();
    }
};
