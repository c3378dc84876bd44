#include "palette_refine.h"

#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nearest_colour.h"

namespace {

// The place of the smallest of n >= 1 values (none of them NaN), the first of equals: the
// smallest found four at a time, then the first block of four that holds it.
uint32_t FirstMinimum(const float* v, uint32_t n)
{
    uint32_t k = 0;
    float least = v[0];
#if defined(__SSE2__)
    if (n >= 4) {
        __m128 m = _mm_loadu_ps(v);
        for (k = 4; k + 4 <= n; k += 4)
            m = _mm_min_ps(m, _mm_loadu_ps(v + k));
        m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(1, 0, 3, 2)));
        m = _mm_min_ps(m, _mm_shuffle_ps(m, m, _MM_SHUFFLE(2, 3, 0, 1)));
        least = _mm_cvtss_f32(m);
    }
#endif
    for (uint32_t j = k; j < n; ++j)
        least = v[j] < least ? v[j] : least;
    uint32_t j = 0;
#if defined(__SSE2__)
    const __m128 want = _mm_set1_ps(least);
    for (; j + 4 <= n; j += 4) {
        const int mask = _mm_movemask_ps(_mm_cmpeq_ps(_mm_loadu_ps(v + j), want));
        if (mask != 0)
            return j + static_cast<uint32_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (v[j] != least)
        ++j;
    return j;
}

constexpr int kMaxRounds = 12;

inline uint32_t SquaredDistance(uint32_t a, uint32_t b, ColourWeights w)
{
    const int dr = static_cast<int>(a >> 16 & 0xFF) - static_cast<int>(b >> 16 & 0xFF);
    const int dg = static_cast<int>(a >> 8 & 0xFF) - static_cast<int>(b >> 8 & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return static_cast<uint32_t>(w.Distance(dr, dg, db));
}

struct Sums {
    uint64_t red, green, blue, count;
};

// The groups of colours being merged, side by side in arrays, the groups still in place at
// the front (a merged-away group's place goes to the last one). Merging a and b adds the
// distance of their means squared, times a.weight * b.weight / (a.weight + b.weight), to the
// squared error.
struct Groups {
    std::vector<float> red, green, blue, weight;  // means and pixel counts
    std::vector<double> sumRed, sumGreen, sumBlue;
    std::vector<uint32_t> nearest;  // the place whose merge with this one cost least when last looked at
    std::vector<float> cost;        // what that merge adds
    std::vector<uint32_t> stale;    // a merge has happened since: cost is a lower bound only
    std::vector<float> scratch;     // FindNearest's costs
    uint32_t count = 0;
    float wr = 1, wg = 1, wb = 1;   // the channels' weights in the distance

    // Every other group's merge cost in one plain pass the compiler turns into vector code,
    // then the cheapest, the first of equals.
    void FindNearest(uint32_t i)
    {
        const float r = red[i], g = green[i], b = blue[i], w = weight[i];
        float* c = scratch.data();
        for (uint32_t j = 0; j < count; ++j) {
            const float dr = r - red[j], dg = g - green[j], db = b - blue[j];
            const float ow = weight[j];
            c[j] = (wr * dr * dr + wg * dg * dg + wb * db * db) * (w * ow / (w + ow));
        }
        c[i] = 3.4e38f;
        const uint32_t at = FirstMinimum(c, count);
        cost[i] = c[at];
        nearest[i] = c[at] < 3.4e38f ? at : i;
        stale[i] = 0;
    }

    // Moves the last group into place j.
    void Remove(uint32_t j)
    {
        const uint32_t last = --count;
        red[j] = red[last];
        green[j] = green[last];
        blue[j] = blue[last];
        weight[j] = weight[last];
        sumRed[j] = sumRed[last];
        sumGreen[j] = sumGreen[last];
        sumBlue[j] = sumBlue[last];
        nearest[j] = nearest[last];
        cost[j] = cost[last];
        stale[j] = stale[last];
        for (uint32_t k = 0; k < count; ++k)
            if (nearest[k] == last)
                nearest[k] = j;
    }
};

}  // namespace

// Merges grow groups, and a merge with a larger group costs more, so a cost found before a
// merge is taken as a lower bound: only the cheapest group is looked at again, when it is stale.
uint32_t MergeColours(const CColourHistogram::Entry* colours, size_t count, uint32_t n, uint32_t* palette,
                      ColourWeights weights)
{
    Groups g;
    g.count = static_cast<uint32_t>(count);
    g.wr = static_cast<float>(weights.red);
    g.wg = static_cast<float>(weights.green);
    g.wb = static_cast<float>(weights.blue);
    for (auto* v : {&g.red, &g.green, &g.blue, &g.weight, &g.cost, &g.scratch})
        v->resize(count);
    for (auto* v : {&g.sumRed, &g.sumGreen, &g.sumBlue})
        v->resize(count);
    g.nearest.resize(count);
    g.stale.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t rgb = colours[i].rgb;
        const double w = colours[i].count;
        g.red[i] = static_cast<float>(rgb >> 16 & 0xFF);
        g.green[i] = static_cast<float>(rgb >> 8 & 0xFF);
        g.blue[i] = static_cast<float>(rgb & 0xFF);
        g.weight[i] = static_cast<float>(w);
        g.sumRed[i] = g.red[i] * w;
        g.sumGreen[i] = g.green[i] * w;
        g.sumBlue[i] = g.blue[i] * w;
    }
    for (uint32_t i = 0; i < g.count; ++i)
        g.FindNearest(i);
    while (g.count > n) {
        const uint32_t i = FirstMinimum(g.cost.data(), g.count);
        if (g.stale[i]) {
            g.FindNearest(i);
            continue;
        }
        const uint32_t j = g.nearest[i];
        g.sumRed[i] += g.sumRed[j];
        g.sumGreen[i] += g.sumGreen[j];
        g.sumBlue[i] += g.sumBlue[j];
        const double w = static_cast<double>(g.weight[i]) + g.weight[j];
        g.weight[i] = static_cast<float>(w);
        g.red[i] = static_cast<float>(g.sumRed[i] / w);
        g.green[i] = static_cast<float>(g.sumGreen[i] / w);
        g.blue[i] = static_cast<float>(g.sumBlue[i] / w);
        for (uint32_t k = 0; k < g.count; ++k)
            if (g.nearest[k] == i || g.nearest[k] == j)
                g.stale[k] = 1;
        g.Remove(j);
        const uint32_t merged = i == g.count ? j : i;  // the merged group moved when it was last
        g.FindNearest(merged);
    }
    for (uint32_t k = 0; k < g.count; ++k) {
        const auto channel = [](float v) { return static_cast<uint32_t>(v + 0.5f); };
        palette[k] = channel(g.red[k]) << 16 | channel(g.green[k]) << 8 | channel(g.blue[k]);
    }
    return g.count;
}

int RefinePalette(const CColourHistogram::Entry* colours, size_t count, uint32_t* palette, uint32_t n,
                  CNearestColour& nearest, ColourWeights weights)
{
    std::vector<Sums> sums(n);
    std::vector<uint64_t> worst(count);  // each colour's weighted error in the last round
    std::vector<uint32_t> best(palette, palette + n);
    uint64_t bestError = ~0ull;
    int rounds = 0;
    for (; rounds < kMaxRounds; ++rounds) {
        nearest.SetPalette(palette, n, weights);
        for (Sums& s : sums)
            s = Sums{0, 0, 0, 0};
        uint64_t error = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t rgb = colours[i].rgb;
            const uint32_t w = colours[i].count;
            const uint8_t j = nearest.Find(rgb);
            Sums& s = sums[j];
            s.red += static_cast<uint64_t>(rgb >> 16 & 0xFF) * w;
            s.green += static_cast<uint64_t>(rgb >> 8 & 0xFF) * w;
            s.blue += static_cast<uint64_t>(rgb & 0xFF) * w;
            s.count += w;
            worst[i] = static_cast<uint64_t>(SquaredDistance(rgb, palette[j], weights)) * w;
            error += worst[i];
        }
        if (error < bestError) {
            const bool enough = bestError != ~0ull && error * 1000 > bestError * 999;
            bestError = error;
            best.assign(palette, palette + n);
            if (enough || error == 0)
                break;
        } else {
            break;  // rounding can undo a round's gain: keep the best palette seen
        }
        for (uint32_t j = 0; j < n; ++j) {
            const Sums& s = sums[j];
            if (s.count == 0) {
                // Unused: to the colour that costs most where it is now.
                size_t pick = 0;
                for (size_t i = 1; i < count; ++i)
                    if (worst[i] > worst[pick])
                        pick = i;
                if (worst[pick] != 0) {
                    palette[j] = colours[pick].rgb;
                    worst[pick] = 0;
                }
                continue;
            }
            const uint64_t half = s.count / 2;
            palette[j] = static_cast<uint32_t>((s.red + half) / s.count) << 16 |
                         static_cast<uint32_t>((s.green + half) / s.count) << 8 |
                         static_cast<uint32_t>((s.blue + half) / s.count);
        }
    }
    for (uint32_t j = 0; j < n; ++j)
        palette[j] = best[j];
    nearest.SetPalette(palette, n, weights);
    return rounds + 1;
}
