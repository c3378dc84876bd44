#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "colour_cells.h"

// Weighted median-cut quantizer over full 24-bit colours. Pixels are counted into a grid of
// 64 x 64 x 64 cells that keep the sums of their exact colours, so every palette entry is the
// true mean of the pixels it stands for (a grid of 32 per channel saves a tenth of the time on
// a photo but cannot part the shades of anti-aliased text: 4 dB less on a terminal); the box of cells with the largest squared error is
// cut in two at the weighted median of its widest channel until there are enough boxes.
// Kept from frame to frame: only the cells a frame used are cleared again.
class CMedianCut {
public:
    CMedianCut();
    CMedianCut(const CMedianCut&) = delete;
    CMedianCut& operator=(const CMedianCut&) = delete;

    void Clear();
    // At most kMaxPixels pixels between two Clears: the sums are 32-bit.
    static constexpr uint64_t kMaxPixels = (1u << 24) - 1;
    void Add(uint32_t rgb)
    {
        Cell& c = cells[CellOf4(rgb)];
        if (c.count++ == 0)
            used.push_back(CellOf4(rgb));
        c.blue += rgb & 0xFF;
        c.green += (rgb >> 8) & 0xFF;
        c.red += (rgb >> 16) & 0xFF;
    }
    // Fills palette with up to maxColours colours (0x00RRGGBB) and returns how many.
    uint32_t Build(uint32_t maxColours, uint32_t* palette);

private:
    struct Cell {  // 16 bytes: the whole grid is 4 MiB, and its misses are what this costs
        uint32_t red, green, blue;
        uint32_t count;
    };
    struct Item {  // a used cell and the mean of its pixels
        uint32_t cell;
        uint32_t count;
        float mean[3];
    };
    struct Box {
        uint32_t begin, end;  // range of `items`
        double error;         // weighted squared error around the box's mean
    };
    void Moments(const Box& box, double* n, double sum[3], double squares[3]) const;
    void Measure(Box& box) const;
    bool Cut(const Box& box, Box* low, Box* high);

    std::unique_ptr<Cell[]> cells;
    std::vector<uint32_t> used;   // cells counted into since the last Clear
    static constexpr size_t kFineCells = 16384;
    std::vector<Item> items;  // used cells, grouped box by box
    std::vector<Item> spare;
    // Coarse cells: each one's place in `items` plus one, zero again after each Build (made on
    // the first frame that needs it, instead of a megabyte cleared every frame).
    std::unique_ptr<uint32_t[]> slotOf;
    std::vector<double> coarseSums;
};
