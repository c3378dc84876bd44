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
// Frames of very many colours (photos, fine texture, noise) are counted into coarse cells of
// 8 x 8 x 8 colours instead: so many colours need no finer cut, and that grid (512 KiB) stays in
// the cache where the fine one (4 MiB) missed it at nearly every pixel.
// Kept from frame to frame: only the cells a frame used are cleared again.
class CMedianCut {
public:
    CMedianCut();
    CMedianCut(const CMedianCut&) = delete;
    CMedianCut& operator=(const CMedianCut&) = delete;

    void Clear();
    // At most kMaxPixels pixels between two Clears: the sums are 32-bit.
    static constexpr uint64_t kMaxPixels = (1u << 24) - 1;
    // Counts n pixels of the colour, into the fine cells or the coarse ones. Build cuts the
    // coarse cells when any were counted since Clear, else the fine ones.
    void Add(uint32_t rgb, uint32_t n) { AddTo(fine.get(), fineUsed, CellOf4(rgb), rgb, n); }
    void AddCoarse(uint32_t rgb, uint32_t n) { AddTo(coarse.get(), coarseUsed, CellOf8(rgb), rgb, n); }
    // Fills palette with up to maxColours colours (0x00RRGGBB) and returns how many.
    uint32_t Build(uint32_t maxColours, uint32_t* palette);

private:
    struct Cell {  // 16 bytes: the fine grid is 4 MiB, and its misses are what it costs
        uint32_t red, green, blue;
        uint32_t count;
    };
    static void AddTo(Cell* grid, std::vector<uint32_t>& used, uint32_t cell, uint32_t rgb, uint32_t n)
    {
        Cell& c = grid[cell];
        if (c.count == 0)
            used.push_back(cell);
        c.count += n;
        c.blue += n * (rgb & 0xFF);
        c.green += n * ((rgb >> 8) & 0xFF);
        c.red += n * ((rgb >> 16) & 0xFF);
    }
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

    std::unique_ptr<Cell[]> fine;    // cells of 4 x 4 x 4 colours
    std::unique_ptr<Cell[]> coarse;  // cells of 8 x 8 x 8 colours
    std::vector<uint32_t> fineUsed;  // cells counted into since the last Clear
    std::vector<uint32_t> coarseUsed;
    std::vector<Item> items;  // used cells, grouped box by box
    std::vector<Item> spare;
};
