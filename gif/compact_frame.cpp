#include "compact_frame.h"

#include <memory>

#include "compact_workspace.h"
#include "frame_workspace.h"

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
        for (int32_t x = r.left; x < r.left + r.width; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (!everyChanged && prev && (prev[x] & kRgbMask) == rgb) {
                *anyUnchanged = true;
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

uint8_t TableBitsFor(uint32_t entries)
{
    uint8_t bits = 1;
    while (bits < 8 && entries > (1u << bits))
        ++bits;
    return bits;
}

void SetPalette(CompactFrame& f, const uint32_t* colours, uint32_t n, bool transparent)
{
    f.colourCount = n + (transparent ? 1 : 0);
    f.transparentIndex = transparent ? static_cast<int16_t>(n) : -1;
    f.tableBits = TableBitsFor(f.colourCount);
    f.palette.assign(3u << f.tableBits, 0);
    for (uint32_t i = 0; i < n; ++i) {
        f.palette[3 * i] = static_cast<uint8_t>(colours[i] >> 16);
        f.palette[3 * i + 1] = static_cast<uint8_t>(colours[i] >> 8);
        f.palette[3 * i + 2] = static_cast<uint8_t>(colours[i]);
    }
}

// An unchanged pixel shows through as transparent, unless the pixel before it was written
// with exactly its colour: then repeating that index keeps the LZW run going.
inline uint8_t StillPixel(uint32_t rgb, int emitted, uint8_t transparent, const uint32_t* colours)
{
    return (emitted != transparent && colours[emitted] == rgb) ? static_cast<uint8_t>(emitted) : transparent;
}

void MapExact(CompactFrame& f, const CExactColours& exact, const PixelView* previous,
              const PixelView& current, bool everyChanged)
{
    const ImageRect& r = f.rect;
    const uint8_t transparent = static_cast<uint8_t>(f.transparentIndex);
    const uint32_t* colours = exact.Colours();
    uint8_t* out = f.indices.data();
    uint32_t lastRgb = 0xFFFFFFFFu;
    int lastIndex = 0;
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        int emitted = -1;
        for (int32_t x = r.left; x < r.left + r.width; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (!everyChanged && prev && (prev[x] & kRgbMask) == rgb) {
                emitted = StillPixel(rgb, emitted < 0 ? transparent : emitted, transparent, colours);
            } else {
                if (rgb != lastRgb) {
                    lastRgb = rgb;
                    lastIndex = exact.Find(rgb);
                }
                emitted = lastIndex;
            }
            *out++ = static_cast<uint8_t>(emitted);
        }
    }
}

// A small step between neighbours, as in a gradient or a photo, where reduced colours band
// unless the error is spread; text and window edges are flat areas and sharp steps.
inline uint32_t IsSmoothStep(uint32_t a, uint32_t b)
{
    if (a == b)
        return 0;
    for (int s = 0; s < 24; s += 8) {
        const int d = static_cast<int>(a >> s & 0xFF) - static_cast<int>(b >> s & 0xFF);
        if (d > 12 || d < -12)
            return 0;
    }
    return 1;
}

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Reduced colours, with or without Floyd-Steinberg error diffusion. The error flows only
// between changed pixels: a transparent pixel shows the previous frame, which the error of
// this one has nothing to do with.
void MapReduced(CompactFrame& f, CCompactWorkspace& s, const uint32_t* colours, const PixelView* previous,
                const PixelView& current, bool diffuse)
{
    const ImageRect& r = f.rect;
    const uint8_t transparent = static_cast<uint8_t>(f.transparentIndex);
    const bool hasTransparent = f.transparentIndex >= 0;
    uint8_t* out = f.indices.data();
    // Two rows of errors (this one, the next), three channels, one spare column each side.
    const size_t rowLength = 3 * (static_cast<size_t>(r.width) + 2);
    if (diffuse)
        s.errors.assign(2 * rowLength, 0);
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        int* here = diffuse ? s.errors.data() + ((y - r.top) & 1) * rowLength + 3 : nullptr;
        int* below = diffuse ? s.errors.data() + (((y - r.top) & 1) ^ 1) * rowLength + 3 : nullptr;
        if (diffuse)
            std::fill(below - 3, below - 3 + rowLength, 0);
        int emitted = -1;
        for (int32_t x = r.left; x < r.left + r.width; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (hasTransparent && prev && (prev[x] & kRgbMask) == rgb) {
                emitted = StillPixel(rgb, emitted < 0 ? transparent : emitted, transparent, colours);
                *out++ = static_cast<uint8_t>(emitted);
                continue;
            }
            if (!diffuse) {
                emitted = s.IndexOf(rgb);
                *out++ = static_cast<uint8_t>(emitted);
                continue;
            }
            int* e = here + 3 * (x - r.left);
            // Sixteenths, rounded.
            const int red = Clamp255(static_cast<int>(rgb >> 16 & 0xFF) + ((e[0] + 8) >> 4));
            const int green = Clamp255(static_cast<int>(rgb >> 8 & 0xFF) + ((e[1] + 8) >> 4));
            const int blue = Clamp255(static_cast<int>(rgb & 0xFF) + ((e[2] + 8) >> 4));
            emitted = s.IndexOfCell(static_cast<uint32_t>(red << 16 | green << 8 | blue));
            *out++ = static_cast<uint8_t>(emitted);
            const uint32_t got = colours[emitted];
            const int err[3] = {red - static_cast<int>(got >> 16 & 0xFF), green - static_cast<int>(got >> 8 & 0xFF),
                                blue - static_cast<int>(got & 0xFF)};
            int* b = below + 3 * (x - r.left);
            for (int k = 0; k < 3; ++k) {
                e[3 + k] += 7 * err[k];
                b[k - 3] += 3 * err[k];
                b[k] += 5 * err[k];
                b[k + 3] += err[k];
            }
        }
    }
    s.ForgetIndices();
}

}  // namespace

CompactFrame BuildCompactFrame(const PixelView* previous, const PixelView& current,
                               const CompactOptions& options, CFrameWorkspace* workspace)
{
    CompactFrame f;
    if (previous) {
        f.rect = FindChangedArea(*previous, current);
        if (f.rect.Empty()) {
            // Nothing changed: one transparent pixel keeps the frame's place in time.
            f.rect = ImageRect{0, 0, 1, 1};
            SetPalette(f, nullptr, 0, true);
            f.indices.assign(1, static_cast<uint8_t>(f.transparentIndex));
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
    bool anyUnchanged = false;
    if (CollectExactColours(s.exact, previous, current, f.rect, false, &anyUnchanged)) {
        if (s.exact.Count() + (anyUnchanged ? 1 : 0) <= 256) {
            SetPalette(f, s.exact.Colours(), s.exact.Count(), anyUnchanged);
            MapExact(f, s.exact, previous, current, false);
            return f;
        }
        // 256 changed colours leave no room for the transparent index; the whole rectangle
        // written opaque may still fit.
        bool none = false;
        if (CollectExactColours(s.exact, previous, current, f.rect, true, &none)) {
            SetPalette(f, s.exact.Colours(), s.exact.Count(), false);
            MapExact(f, s.exact, previous, current, true);
            return f;
        }
    }

    // Too many colours: 255 from the changed pixels, leaving room for the transparent index.
    f.exact = false;
    s.cut.Clear();
    anyUnchanged = false;
    uint64_t changedCount = 0, smoothCount = 0;
    // Frames too big for the quantizer's 32-bit sums are counted every n-th row.
    const uint64_t area = static_cast<uint64_t>(f.rect.width) * static_cast<uint64_t>(f.rect.height);
    const int32_t rowStep = static_cast<int32_t>((area + CMedianCut::kMaxPixels - 1) / CMedianCut::kMaxPixels);
    for (int32_t y = f.rect.top; y < f.rect.top + f.rect.height; y += rowStep) {
        const uint32_t* cur = current.Row(y);
        const uint32_t* prev = previous ? previous->Row(y) : nullptr;
        uint32_t left = cur[f.rect.left] & kRgbMask;
        for (int32_t x = f.rect.left; x < f.rect.left + f.rect.width; ++x) {
            const uint32_t rgb = cur[x] & kRgbMask;
            if (prev && (prev[x] & kRgbMask) == rgb) {
                anyUnchanged = true;
                left = rgb;
                continue;
            }
            s.cut.Add(rgb);
            ++changedCount;
            smoothCount += IsSmoothStep(left, rgb);
            left = rgb;
        }
    }
    uint32_t colours[256];
    const uint32_t n = s.cut.Build(255, colours);
    SetPalette(f, colours, n, anyUnchanged);
    s.nearest.SetPalette(colours, n);
    // Measured on screen recordings: text and windows have almost no small steps (at most 6 %
    // of their changed pixels) and look and compress better plain; gradients and photos
    // (over 80 %) band without diffusion.
    const bool diffuse = options.dither == CompactDither::Diffusion ||
                         (options.dither == CompactDither::Auto && smoothCount * 4 > changedCount);
    MapReduced(f, s, colours, previous, current, diffuse);
    return f;
}
