#include "median_cut.h"

#include <algorithm>

namespace {

uint32_t Coordinate(uint32_t cell, int channel)  // 0 red, 1 green, 2 blue; 0..63
{
    return (cell >> (12 - 6 * channel)) & 0x3F;
}

// A coarse cell as the fine cell at its low corner: the cuts work in one numbering.
uint32_t FineOfCoarse(uint32_t cell)
{
    return (cell >> 10 & 0x1F) << 13 | (cell >> 5 & 0x1F) << 7 | (cell & 0x1F) << 1;
}

template <typename Item>
inline void AddMoments(const Item& c, double* n, double sum[3], double squares[3])
{
    *n += c.count;
    for (int k = 0; k < 3; ++k) {
        const double weighted = c.count * c.mean[k];
        sum[k] += weighted;
        squares[k] += weighted * c.mean[k];
    }
}

}  // namespace

CMedianCut::CMedianCut() : fine(new Cell[1u << 18]()), coarse(new Cell[1u << 15]())
{
}

void CMedianCut::Clear()
{
    for (uint32_t c : fineUsed)
        fine[c] = Cell{};
    fineUsed.clear();
    for (uint32_t c : coarseUsed)
        coarse[c] = Cell{};
    coarseUsed.clear();
}

// Pixel count, and per channel the sum and the sum of squares of the cells' mean colours,
// each cell weighted by its pixel count.
void CMedianCut::Moments(const Box& box, double* n, double sum[3], double squares[3]) const
{
    *n = 0;
    for (int k = 0; k < 3; ++k)
        sum[k] = squares[k] = 0;
    for (uint32_t i = box.begin; i < box.end; ++i)
        AddMoments(items[i], n, sum, squares);
}

// The squared error around the box's mean.
void CMedianCut::Measure(Box& box) const
{
    double n, sum[3], squares[3];
    Moments(box, &n, sum, squares);
    box.error = 0;
    for (int k = 0; k < 3; ++k)
        box.error += squares[k] - sum[k] * sum[k] / n;
}

// Cuts the box across the channel whose cell means spread most, at the cell coordinate
// where half of its pixels lie on either side. False when the box is one cell.
bool CMedianCut::Cut(const Box& box, Box* low, Box* high)
{
    if (box.end - box.begin < 2)
        return false;
    // One pass for the moments, each channel's extent and its pixels per coordinate.
    double n = 0, sum[3] = {}, spread[3] = {};
    uint32_t lo[3] = {63, 63, 63}, hi[3] = {};
    uint32_t weights[3][64] = {};  // at most kMaxPixels in all
    uint32_t total = 0;
    for (uint32_t i = box.begin; i < box.end; ++i) {
        const Item& c = items[i];
        AddMoments(c, &n, sum, spread);
        total += c.count;
        for (int k = 0; k < 3; ++k) {
            const uint32_t at = Coordinate(c.cell, k);
            lo[k] = at < lo[k] ? at : lo[k];
            hi[k] = at > hi[k] ? at : hi[k];
            weights[k][at] += c.count;
        }
    }
    for (int k = 0; k < 3; ++k)
        spread[k] -= sum[k] * sum[k] / n;
    int axis = -1;
    for (int k = 0; k < 3; ++k)
        if (hi[k] > lo[k] && (axis < 0 || spread[k] > spread[axis]))
            axis = k;
    if (axis < 0)
        return false;

    const uint32_t* weight = weights[axis];
    // Cells at or below `at` go low; `at` stays below the highest coordinate so that both
    // halves keep at least one cell.
    uint32_t at = lo[axis];
    uint32_t below = weight[at];
    while (at + 1 < hi[axis] && below * 2 < total)
        below += weight[++at];

    // A stable split: the order of cells within each half stays as it was.
    spare.clear();
    uint32_t w = box.begin;
    for (uint32_t i = box.begin; i < box.end; ++i) {
        if (Coordinate(items[i].cell, axis) <= at)
            items[w++] = items[i];
        else
            spare.push_back(items[i]);
    }
    std::copy(spare.begin(), spare.end(), items.begin() + w);
    *low = Box{box.begin, w, 0};
    *high = Box{w, box.end, 0};
    Measure(*low);
    Measure(*high);
    return true;
}

uint32_t CMedianCut::Build(uint32_t maxColours, uint32_t* palette)
{
    const bool coarseCells = !coarseUsed.empty();
    const std::vector<uint32_t>& used = coarseCells ? coarseUsed : fineUsed;
    const Cell* grid = coarseCells ? coarse.get() : fine.get();
    if (used.empty() || maxColours == 0)
        return 0;
    // The used cells side by side, so that the cuts read them in order instead of all over
    // the grid.
    items.clear();
    for (uint32_t cell : used) {
        const Cell& c = grid[cell];
        if (coarseCells) {  // many pixels a cell: sums divided in double precision
            const double n = c.count;
            items.push_back(Item{FineOfCoarse(cell), c.count,
                                 {static_cast<float>(c.red / n), static_cast<float>(c.green / n),
                                  static_cast<float>(c.blue / n)}});
        } else {
            const float n = static_cast<float>(c.count);
            items.push_back(Item{cell, c.count, {c.red / n, c.green / n, c.blue / n}});
        }
    }
    std::vector<Box> boxes;
    boxes.push_back(Box{0, static_cast<uint32_t>(items.size()), 0});
    Measure(boxes[0]);
    while (boxes.size() < maxColours) {
        // The box that costs most; one-cell boxes cannot be cut and are passed over.
        size_t worst = boxes.size();
        for (size_t b = 0; b < boxes.size(); ++b)
            if (boxes[b].end - boxes[b].begin > 1 && (worst == boxes.size() || boxes[b].error > boxes[worst].error))
                worst = b;
        Box low, high;
        if (worst == boxes.size() || !Cut(boxes[worst], &low, &high))
            break;
        boxes[worst] = low;
        boxes.push_back(high);
    }
    uint32_t n = 0;
    for (const Box& box : boxes) {
        uint64_t count = 0;
        double red = 0, green = 0, blue = 0;
        for (uint32_t i = box.begin; i < box.end; ++i) {
            count += items[i].count;
            red += items[i].count * static_cast<double>(items[i].mean[0]);
            green += items[i].count * static_cast<double>(items[i].mean[1]);
            blue += items[i].count * static_cast<double>(items[i].mean[2]);
        }
        const auto channel = [count](double sum) {
            const double v = sum / count + 0.5;
            return static_cast<uint32_t>(v > 255 ? 255 : v);
        };
        palette[n++] = channel(red) << 16 | channel(green) << 8 | channel(blue);
    }
    return n;
}
