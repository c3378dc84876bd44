#include "compact_frame.h"

#include <cstring>
#include <memory>

#include "changed_area.h"
#include "compact_workspace.h"
#include "frame_workspace.h"
#include "palette_refine.h"

namespace {

// Counts the distinct colours of the changed pixels into `exact` (of all pixels of the rect
// when everyChanged). False when there are more than the table holds.
bool CollectExactColours(CExactColours& exact, const PixelView* previous, const PixelView& current,
                         const ImageRect& r, bool everyChanged, bool* anyUnchanged)
{
    exact.Clear();
    *anyUnchanged = false;
    uint32_t last = 0xFFFFFFFFu;
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        const int32_t end = r.left + r.width;
        for (int32_t x = r.left; x < end; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (!everyChanged && prev && (prev[x] & kRgbMask) == rgb) {
                *anyUnchanged = true;
                x = FirstDiffering(prev, cur, x + 1, end) - 1;
                continue;
            }
            if (rgb == last)
                continue;
            last = rgb;
            if (exact.Add(rgb) < 0)
                return false;
        }
    }
    return true;
}

void SetPalette(CompactFrame& f, const uint32_t* colours, uint32_t n, bool transparent)
{
    f.colourCount = n + (transparent ? 1 : 0);
    f.transparentIndex = transparent ? static_cast<int16_t>(n) : -1;
    SetColourTable(f, colours, n, f.colourCount, 1);
}

// An unchanged pixel shows through as transparent, unless the pixel before it was written
// with exactly its colour: then repeating that index keeps the LZW run going.
inline uint8_t StillPixel(uint32_t rgb, int emitted, uint8_t transparent, const uint32_t* colours)
{
    return (emitted != transparent && colours[emitted] == rgb) ? static_cast<uint8_t>(emitted) : transparent;
}

// Unchanged runs up to this long may keep their own colours.
constexpr int32_t kShortStill = 64;

// The other values of the still runs that have any, gathered apart and laid over a copy of
// the indices at the end: the changed pixels pay nothing for them, and a frame without a choice
// (such as the recorder's scrolling texture) has no alternatives at all.
class CStillChoices {
public:
    // The run of n still pixels written at `at` (offset `offset` in the indices) as `written`:
    // each pixel's other value is transparent, or its own colour where the table has it exactly.
    template <typename ExactLookup>
    void Add(size_t offset, const uint8_t* written, const uint32_t* cur, int32_t n, uint8_t transparent,
             ExactLookup exactOf)
    {
        const size_t from = m_others.size();
        m_others.resize(from + static_cast<size_t>(n));
        uint8_t* other = m_others.data() + from;
        bool anyChoice = false;
        for (int32_t k = 0; k < n; ++k) {
            const int ownIndex = written[k] == transparent ? exactOf(cur[k] & kRgbMask) : transparent;
            other[k] = static_cast<uint8_t>(ownIndex >= 0 ? ownIndex : transparent);
            anyChoice |= other[k] != written[k];
        }
        if (anyChoice)
            m_stretches.push_back({offset, from, n});
        else
            m_others.resize(from);
    }

    void LayOver(GifImage& f) const
    {
        if (m_stretches.empty())
            return;
        f.alternatives = f.indices;
        for (const Stretch& st : m_stretches)
            std::memcpy(f.alternatives.data() + st.at, m_others.data() + st.from, static_cast<size_t>(st.length));
    }

private:
    struct Stretch {
        size_t at;     // the run's first pixel
        size_t from;   // its first other value in m_others
        int32_t length;
    };
    std::vector<Stretch> m_stretches;
    std::vector<uint8_t> m_others;
};

// Writes a run of n unchanged pixels from cur at out: in their own colours where the run is short
// and the table has them exactly (the strings of the content go on, where transparent pixels would
// break them), else each as the entry before it where that is its colour, or transparent. False
// for the latter.
template <typename ExactLookup>
bool WriteStillRun(uint8_t* out, const uint32_t* cur, int32_t n, int emitted, uint8_t transparent,
                   const uint32_t* colours, ExactLookup exactOf)
{
    bool own = n <= kShortStill;
    for (int32_t k = 0; own && k < n; ++k) {
        const int index = exactOf(cur[k] & kRgbMask);
        own = index >= 0;
        out[k] = static_cast<uint8_t>(index);
    }
    if (own)
        return true;
    for (int32_t k = 0; k < n; ++k) {
        emitted = StillPixel(cur[k] & kRgbMask, emitted < 0 ? transparent : emitted, transparent, colours);
        out[k] = static_cast<uint8_t>(emitted);
    }
    return false;
}

// Walks the changed rectangle row by row; every changed pixel gets its entry from `lookup`.
// Where `keepStill`, a pixel the previous frame already had is written in its own colour when
// it lies in a short unchanged run and the table has the run's colours exactly; otherwise it
// keeps the run of the entry before it when that entry is its colour, and is transparent when
// not. (Measured on screen recordings, against transparent runs: desktop 10.5 -> 9.4 KB a
// frame, text 40.2 -> 37.3, terminal 32.2 -> 30.8; runs of up to 64 did better than 3, 8 or
// 24, and than any length, which broke the terminal's long still runs. Short runs at the ends
// of a row, or after a transparent pixel, in their own colours too: terminal and text another
// 1 % smaller, the desktop the same.)
// The pixels of those other runs may be written either way; the image's alternatives give each
// the other value (transparent, or its own colour where the table has it exactly), and the LZW
// coder picks. (Measured: the dragged-window desktop 3 % smaller; choices in the short runs too
// made the terminal and the coloured terminal larger.)
// `exactOf` gives the entry of exactly a colour, -1 where the table has none.
template <typename Lookup, typename ExactLookup>
void MapRect(CompactFrame& f, const PixelView* previous, const PixelView& current, bool keepStill,
             const uint32_t* colours, Lookup lookup, ExactLookup exactOf)
{
    const ImageRect& r = f.rect;
    const uint8_t transparent = static_cast<uint8_t>(f.transparentIndex);
    uint8_t* const first = f.indices.data();
    uint8_t* out = first;
    const bool choices = keepStill && previous;
    CStillChoices stillChoices;
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        int emitted = -1;
        const int32_t end = r.left + r.width;
        for (int32_t x = r.left; x < end; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (!(keepStill && prev && (prev[x] & kRgbMask) == rgb)) {
                emitted = lookup(rgb);
                *out++ = static_cast<uint8_t>(emitted);
                continue;
            }
            const int32_t n = FirstDiffering(prev, cur, x + 1, end) - x;
            const bool own = WriteStillRun(out, cur + x, n, emitted, transparent, colours, exactOf);
            if (!own && choices)
                stillChoices.Add(static_cast<size_t>(out - first), out, cur + x, n, transparent, exactOf);
            out += n;
            emitted = out[-1];
            x += n - 1;
        }
    }
    stillChoices.LayOver(f);
}

void MapExact(CompactFrame& f, const CExactColours& exact, const PixelView* previous,
              const PixelView& current, bool everyChanged)
{
    uint32_t lastRgb = 0xFFFFFFFFu;
    int lastIndex = 0;
    const auto lookup = [&](uint32_t rgb) {
        if (rgb != lastRgb) {
            lastRgb = rgb;
            lastIndex = exact.Find(rgb);
        }
        return lastIndex;
    };
    MapRect(f, previous, current, !everyChanged, exact.Colours(), lookup, lookup);
}

// The largest difference of one channel between two neighbours, 0 for the same colour. Small
// steps dominate gradients and photos, where reduced colours band unless the error is spread;
// text and window edges are flat areas and sharp steps. Free of branches: the steps of photos
// and texture are too irregular to predict.
inline int LargestStep(uint32_t a, uint32_t b)
{
    int largest = 0;
    for (int s = 0; s < 24; s += 8) {
        const int d = static_cast<int>(a >> s & 0xFF) - static_cast<int>(b >> s & 0xFF);
        const int size = d < 0 ? -d : d;
        largest = size > largest ? size : largest;
    }
    return largest;
}

inline uint32_t IsStepUpTo(int step, int most)
{
    return step > 0 && step <= most ? 1 : 0;
}

constexpr int kSmoothStep = 12;  // a small step, at most, in every channel
constexpr int kTinyStep = 3;

// Histograms of up to this many colours are merged into a palette rather than cut.
constexpr size_t kMergedColours = 2048;

// Smooth changed areas of at least this many pixels are counted for the palette on half of
// them.
constexpr uint64_t kSampledArea = 1u << 18;

// Whether small steps dominate the changed pixels, judged from every 8th row.
bool MostlySmooth(const PixelView* previous, const PixelView& current, const ImageRect& r)
{
    uint64_t changed = 0, smooth = 0;
    for (int32_t y = r.top; y < r.top + r.height; y += 8) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        for (int32_t x = r.left + 1; x < r.left + r.width; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (prev && (prev[x] & kRgbMask) == rgb)
                continue;
            ++changed;
            smooth += IsStepUpTo(LargestStep(cur[x - 1] & kRgbMask, rgb), kSmoothStep);
        }
    }
    return smooth * 4 > changed;
}

// Counts a run of one colour into the histogram; when it overflows (photos, noise), moves the
// colours counted so far and the run to the quantizer's coarse cells.
void CountIntoHistogram(CCompactWorkspace& s, uint32_t rgb, uint32_t n)
{
    s.histogram.Add(rgb, n);
    if (!s.histogram.Full())
        return;
    for (const CColourHistogram::Entry& e : s.histogram.Entries())
        s.cut.AddCoarse(e.rgb, e.count);
    s.cut.AddCoarse(rgb, n);
}

inline void CountRun(CCompactWorkspace& s, uint32_t rgb, uint32_t n)
{
    if (s.histogram.Full())
        s.cut.AddCoarse(rgb, n);
    else
        CountIntoHistogram(s, rgb, n);
}

// Whether any pixel of the row's span kept its colour.
bool AnyStill(const uint32_t* prev, const uint32_t* cur, int32_t from, int32_t to)
{
    for (int32_t x = from; x < to; ++x)
        if (((prev[x] ^ cur[x]) & kRgbMask) == 0)
            return true;
    return false;
}

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Reduced colours mapped to their nearest entries, no diffusion. Colours the histogram counted
// have their entries listed; any other (a pixel the count skipped) is searched. Where the
// histogram overflowed (photos, noise) a colour takes the entry nearest to the centre of its
// cell of 8 x 8 x 8 colours, from a table that stays in the first-level cache.
void MapPlain(CompactFrame& f, CCompactWorkspace& s, const uint32_t* colours, uint32_t n, const PixelView* previous,
              const PixelView& current)
{
    // Whether an unchanged pixel can be written in its own colour is looked up among the
    // palette's colours: the nearest-entry search would spend the frame's searches on them.
    s.paletteColours.Clear();
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t known = s.paletteColours.Count();
        const int k = s.paletteColours.Add(colours[i]);
        if (static_cast<uint32_t>(k) == known)
            s.paletteEntry[k] = static_cast<uint8_t>(i);
    }
    uint32_t lastExact = 0xFFFFFFFFu;
    int lastEntry = -1;
    const auto exactOf = [&](uint32_t rgb) {
        if (rgb != lastExact) {
            lastExact = rgb;
            const int k = s.paletteColours.Find(rgb);
            lastEntry = k >= 0 ? s.paletteEntry[k] : -1;
        }
        return lastEntry;
    };
    if (s.histogram.Full()) {
        MapRect(f, previous, current, f.transparentIndex >= 0, colours,
                [&](uint32_t rgb) { return s.IndexOfCell(rgb); }, exactOf);
        return;
    }
    const auto& counted = s.histogram.Entries();
    s.histogramIndex.resize(counted.size());
    for (size_t i = 0; i < counted.size(); ++i)
        s.histogramIndex[i] = s.nearest.Find(counted[i].rgb);
    uint32_t lastRgb = 0xFFFFFFFFu;
    int lastIndex = 0;
    MapRect(f, previous, current, f.transparentIndex >= 0, colours, [&](uint32_t rgb) {
        if (rgb != lastRgb) {
            lastRgb = rgb;
            const int k = s.histogram.Find(rgb);
            lastIndex = k >= 0 ? s.histogramIndex[k] : s.IndexOf(rgb);
        }
        return lastIndex;
    }, exactOf);
}

// One row of Floyd-Steinberg error diffusion, in sixteenths. The error for the pixel to the
// right and the three sums for the row below are carried in locals: each pixel waits for the
// one before it, and a round trip through memory would lengthen every link of that chain.
struct DiffusedRow {
    const uint32_t* cur;   // the row's pixels, from the rectangle's left
    const uint32_t* prev;  // the previous frame's, or null
    const int16_t* here;   // sums from the row above, three channels a pixel
    int16_t* below;        // sums for the row below
    uint8_t* out;
    int emitted = -1;
    int rightR = 0, rightG = 0, rightB = 0;  // 7/16 of the last error, for this pixel
    int nearR = 0, nearG = 0, nearB = 0;     // the row below, one column left of this one
    int underR = 0, underG = 0, underB = 0;  // the row below, this column
};

struct DiffusionTables {
    CCompactWorkspace& s;
    const uint32_t* colours;
    uint8_t transparent;
    bool hasTransparent;
    int16_t red[256], green[256], blue[256];
};

// The error flows only between changed pixels: a transparent pixel shows the previous frame,
// which the error of this one has nothing to do with, so it passes on no error.
inline void DiffusePixel(DiffusedRow& row, int32_t x, DiffusionTables& t)
{
    const uint32_t rgb = row.cur[x] & kRgbMask;
    int er = 0, eg = 0, eb = 0;
    if (t.hasTransparent && row.prev && (row.prev[x] & kRgbMask) == rgb) {
        row.emitted = StillPixel(rgb, row.emitted < 0 ? t.transparent : row.emitted, t.transparent, t.colours);
    } else {
        const int16_t* e = row.here + 3 * x;
        const int wr = Clamp255(static_cast<int>(rgb >> 16 & 0xFF) + ((e[0] + row.rightR + 8) >> 4));
        const int wg = Clamp255(static_cast<int>(rgb >> 8 & 0xFF) + ((e[1] + row.rightG + 8) >> 4));
        const int wb = Clamp255(static_cast<int>(rgb & 0xFF) + ((e[2] + row.rightB + 8) >> 4));
        row.emitted = t.s.IndexOfCell(static_cast<uint32_t>(wr << 16 | wg << 8 | wb));
        // Three quarters of the error is passed on: enough to keep gradients from banding, and
        // less noise (the photo sequence 267 -> 238 KB a frame, 39.8 -> 41.2 dB).
        er = (wr - t.red[row.emitted]) * 3 / 4;
        eg = (wg - t.green[row.emitted]) * 3 / 4;
        eb = (wb - t.blue[row.emitted]) * 3 / 4;
    }
    row.out[x] = static_cast<uint8_t>(row.emitted);
    row.rightR = 7 * er;
    row.rightG = 7 * eg;
    row.rightB = 7 * eb;
    if (x > 0) {
        int16_t* b = row.below + 3 * (x - 1);
        b[0] = static_cast<int16_t>(row.nearR + 3 * er);
        b[1] = static_cast<int16_t>(row.nearG + 3 * eg);
        b[2] = static_cast<int16_t>(row.nearB + 3 * eb);
    }
    row.nearR = row.underR + 5 * er;
    row.nearG = row.underG + 5 * eg;
    row.nearB = row.underB + 5 * eb;
    row.underR = er;
    row.underG = eg;
    row.underB = eb;
}

inline void FinishRow(DiffusedRow& row, int32_t width)
{
    int16_t* last = row.below + 3 * (width - 1);
    last[0] = static_cast<int16_t>(row.nearR);
    last[1] = static_cast<int16_t>(row.nearG);
    last[2] = static_cast<int16_t>(row.nearB);
}

// Reduced colours with error diffusion. Rows go in pairs, the second two pixels behind the
// first: by then the sums it reads from the first are complete, and the two chains of
// dependent steps overlap in the processor (twice the speed of one row at a time).
void MapDiffused(CompactFrame& f, CCompactWorkspace& s, const uint32_t* colours, const PixelView* previous,
                 const PixelView& current)
{
    const ImageRect& r = f.rect;
    DiffusionTables t{s, colours, static_cast<uint8_t>(f.transparentIndex), f.transparentIndex >= 0, {}, {}, {}};
    const uint32_t entries = t.hasTransparent ? t.transparent : f.colourCount;
    for (uint32_t i = 0; i < entries; ++i) {
        t.red[i] = static_cast<int16_t>(colours[i] >> 16 & 0xFF);
        t.green[i] = static_cast<int16_t>(colours[i] >> 8 & 0xFF);
        t.blue[i] = static_cast<int16_t>(colours[i] & 0xFF);
    }
    // Three rows of sums: row i reads buffer i % 3 and fills buffer (i + 1) % 3.
    const int32_t w = r.width;
    const size_t rowLength = 3 * static_cast<size_t>(w);
    s.errors.assign(3 * rowLength, 0);
    const auto rowAt = [&](int32_t i) {
        const int32_t y = r.top + i;
        DiffusedRow row;
        row.cur = current.Row(y) + r.left;
        row.prev = previous ? previous->Row(y) + r.left : nullptr;
        row.here = s.errors.data() + (i % 3) * rowLength;
        row.below = s.errors.data() + ((i + 1) % 3) * rowLength;
        row.out = f.indices.data() + static_cast<size_t>(i) * w;
        return row;
    };
    constexpr int32_t kLag = 2;
    int32_t i = 0;
    for (; i + 1 < r.height; i += 2) {
        DiffusedRow a = rowAt(i), b = rowAt(i + 1);
        int32_t x = 0;
        for (; x < w && x < kLag; ++x)
            DiffusePixel(a, x, t);
        for (; x < w; ++x) {
            DiffusePixel(a, x, t);
            DiffusePixel(b, x - kLag, t);
        }
        FinishRow(a, w);
        for (x = w > kLag ? w - kLag : 0; x < w; ++x)
            DiffusePixel(b, x, t);
        FinishRow(b, w);
    }
    if (i < r.height) {
        DiffusedRow a = rowAt(i);
        for (int32_t x = 0; x < w; ++x)
            DiffusePixel(a, x, t);
    }
}

// The frame in its exact colours, where the changed pixels have few enough; false when not.
bool BuildExact(CompactFrame& f, CCompactWorkspace& s, const PixelView* previous, const PixelView& current)
{
    bool anyUnchanged = false;
    if (!CollectExactColours(s.exact, previous, current, f.rect, false, &anyUnchanged))
        return false;
    if (s.exact.Count() + (anyUnchanged ? 1 : 0) <= 256) {
        SetPalette(f, s.exact.Colours(), s.exact.Count(), anyUnchanged);
        MapExact(f, s.exact, previous, current, false);
        return true;
    }
    // 256 changed colours leave no room for the transparent index; the whole rectangle
    // written opaque may still fit.
    bool none = false;
    if (!CollectExactColours(s.exact, previous, current, f.rect, true, &none))
        return false;
    SetPalette(f, s.exact.Colours(), s.exact.Count(), false);
    MapExact(f, s.exact, previous, current, true);
    return true;
}

// What counting the changed pixels tells of them besides their colours.
struct ChangedPixels {
    bool anyUnchanged = false;  // some pixel of the rectangle kept its colour
    uint64_t changed = 0, smooth = 0, tiny = 0, steps = 0;  // the steps to their left neighbours
};

// Counts one row's changed pixels (every other one where skip is 1) into the histogram.
void CountRow(CCompactWorkspace& s, const uint32_t* cur, const uint32_t* prev, const ImageRect& r, int32_t y,
              int32_t skip, ChangedPixels* c)
{
    const int32_t end = r.left + r.width;
    // A run of one colour is counted into the histogram at once.
    uint32_t runColour = 0, runLength = 0;
    for (int32_t x = r.left; x < end; ++x) {
        const uint32_t rgb = cur[x] & kRgbMask;
        if (prev && (prev[x] & kRgbMask) == rgb) {
            c->anyUnchanged = true;
            x = FirstDiffering(prev, cur, x + 1, end) - 1;
            continue;
        }
        if (((x + y) & skip) != 0)
            continue;
        if (rgb != runColour || runLength == 0) {
            if (runLength != 0)
                CountRun(s, runColour, runLength);
            runColour = rgb;
            runLength = 0;
        }
        ++runLength;
        ++c->changed;
        const uint32_t left = x > r.left ? cur[x - 1] & kRgbMask : rgb;
        const int step = LargestStep(left, rgb);
        c->smooth += IsStepUpTo(step, kSmoothStep);
        c->tiny += IsStepUpTo(step, kTinyStep);
        c->steps += step > 0 ? 1 : 0;
    }
    if (runLength != 0)
        CountRun(s, runColour, runLength);
}

// Counts the changed pixels' colours into the histogram (or its coarse cells).
ChangedPixels CountChanged(CCompactWorkspace& s, const PixelView* previous, const PixelView& current,
                           const ImageRect& r)
{
    s.cut.Clear();
    s.histogram.Clear();
    // Frames too big for the quantizer's 32-bit sums are counted every n-th row. Large areas
    // of gradients or photos are counted on every other pixel, in a checkerboard: the counting
    // is a third of the time of such a frame, and half of its pixels give the same palette.
    // Text and windows are counted whole: their few pixels of rare shades matter (sampled, a
    // page of text lost 1.6 dB).
    const uint64_t area = static_cast<uint64_t>(r.width) * static_cast<uint64_t>(r.height);
    const int32_t rowStep = static_cast<int32_t>((area + CMedianCut::kMaxPixels - 1) / CMedianCut::kMaxPixels);
    const int32_t skip = area >= kSampledArea && MostlySmooth(previous, current, r) ? 1 : 0;
    ChangedPixels c;
    for (int32_t y = r.top; y < r.top + r.height; y += rowStep) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        // Once the histogram has overflowed, every fourth row is counted: so many colours are
        // cut on coarse cells, which a quarter of the rows fill as well (the recorder
        // benchmark's scrolling texture 425 -> 431 KiB at the same PSNR, its counting 16 ->
        // 10 ms a frame in the 32-bit build; the photo sequences within 0.1 dB). Whether a
        // pixel stayed is still looked for, since it decides the transparent index.
        if (s.histogram.Full() && ((y - r.top) & 3) != 0) {
            c.anyUnchanged = c.anyUnchanged || (prev && AnyStill(prev, cur, r.left, r.left + r.width));
            continue;
        }
        CountRow(s, cur, prev, r, y, skip, &c);
    }
    return c;
}

// 255 colours fitted to the counted ones; returns how many.
uint32_t FitPalette(CCompactWorkspace& s, uint32_t* colours)
{
    const auto& counted = s.histogram.Entries();
    uint32_t n = 0;
    if (!s.histogram.Full() && counted.size() <= kMergedColours) {
        n = MergeColours(counted.data(), counted.size(), 255, colours, kReducedWeights);
    } else {
        // Cut the histogram's colours in fine cells, or the coarse cells it overflowed into.
        if (!s.histogram.Full())
            for (const CColourHistogram::Entry& e : counted)
                s.cut.Add(e.rgb, e.count);
        n = s.cut.Build(255, colours);
    }
    // Where the frame's colours were all counted, the palette is fitted to them.
    if (!s.histogram.Full())
        RefinePalette(counted.data(), counted.size(), colours, n, s.nearest, kReducedWeights);
    return n;
}

// Too many colours: 255 from the changed pixels, leaving room for the transparent index.
void BuildReduced(CompactFrame& f, CCompactWorkspace& s, const CompactOptions& options, const PixelView* previous,
                  const PixelView& current)
{
    f.exact = false;
    const ChangedPixels c = CountChanged(s, previous, current, f.rect);
    uint32_t colours[256];
    const uint32_t n = FitPalette(s, colours);
    SetPalette(f, colours, n, c.anyUnchanged);
    s.nearest.SetPalette(colours, n, kReducedWeights);
    s.blockNearest.SetPalette(colours, n, kReducedWeights);
    // Measured on screen recordings: text and windows have almost no small steps (at most 6 %
    // of their changed pixels) and look and compress better plain; gradients and photos
    // (over 80 %) band without diffusion. Fine many-coloured texture has small steps too, but
    // few tiny ones (at most 3 a channel: 41 % of its steps, against 63 % and more in photos
    // and gradients): its plain errors are noise already, and diffused it came out 2 dB worse
    // at two and a half times the size.
    const bool diffuse = options.dither == CompactDither::Diffusion ||
                         (options.dither == CompactDither::Auto && c.smooth * 4 > c.changed && c.tiny * 2 > c.steps);
    if (diffuse)
        MapDiffused(f, s, colours, previous, current);
    else
        MapPlain(f, s, colours, n, previous, current);
    s.ForgetIndices();
}

// The captured colours of the image's pixels, for the lossy coder to measure its error against.
void KeepCaptured(CompactFrame& f, const PixelView& current, int nearEnough)
{
    const ImageRect& r = f.rect;
    f.captured.resize(static_cast<size_t>(r.width) * static_cast<size_t>(r.height));
    uint32_t* out = f.captured.data();
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint32_t* cur = current.Row(y);
        for (int32_t x = r.left; x < r.left + r.width; ++x)
            *out++ = cur[x] & kRgbMask;
    }
    f.nearEnough = nearEnough;
}

}  // namespace

CompactFrame BuildCompactFrame(const PixelView* previous, const PixelView& current,
                               const CompactOptions& options, CFrameWorkspace* workspace)
{
    CompactFrame f;
    f.shortestCode = true;
    if (previous) {
        f.rect = FindChangedArea(*previous, current);
        if (f.rect.Empty()) {
            // Nothing changed: one transparent pixel keeps the frame's place in time.
            f.rect = ImageRect{0, 0, 1, 1};
            SetPalette(f, nullptr, 0, true);
            f.indices.assign(1, static_cast<uint8_t>(f.transparentIndex));
            f.unchanged = true;
            return f;
        }
    } else {
        f.rect = ImageRect{0, 0, current.width, current.height};
    }
    f.indices.resize(static_cast<size_t>(f.rect.width) * static_cast<size_t>(f.rect.height));

    std::unique_ptr<CFrameWorkspace> own;
    if (!workspace) {
        own.reset(new CFrameWorkspace());
        workspace = own.get();
    }
    CCompactWorkspace& s = workspace->Compact();
    if (!BuildExact(f, s, previous, current))
        BuildReduced(f, s, options, previous, current);
    if (options.quality < 100)
        KeepCaptured(f, current, NearEnoughFor(options.quality));
    return f;
}

int NearEnoughFor(int quality)
{
    // An error of up to (100 - quality) * 2 / 5 in each channel, weighted as the eye sees it.
    const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
    const int step = (100 - q) * 2 / 5;
    return (kEyeWeights.red + kEyeWeights.green + kEyeWeights.blue) * step * step;
}
