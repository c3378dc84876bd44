#include "palette_refine.h"

#include <vector>

#include "nearest_colour.h"

namespace {

constexpr int kMaxRounds = 40;

inline uint32_t SquaredDistance(uint32_t a, uint32_t b)
{
    const int dr = static_cast<int>(a >> 16 & 0xFF) - static_cast<int>(b >> 16 & 0xFF);
    const int dg = static_cast<int>(a >> 8 & 0xFF) - static_cast<int>(b >> 8 & 0xFF);
    const int db = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
    return static_cast<uint32_t>(dr * dr + dg * dg + db * db);
}

struct Sums {
    uint64_t red, green, blue, count;
};

// A group of colours being merged: the sums of its pixels and its mean.
struct Group {
    double red, green, blue, weight;
    float mean[3];
    uint32_t nearest;  // the group whose merge with this one costs least
    float cost;        // what that merge adds to the squared error
    bool alive;
};

// The squared error a merge of a and b adds: the distance of their means, weighted by
// a.weight * b.weight / (a.weight + b.weight).
inline float MergeCost(const Group& a, const Group& b)
{
    const float dr = a.mean[0] - b.mean[0], dg = a.mean[1] - b.mean[1], db = a.mean[2] - b.mean[2];
    return static_cast<float>(a.weight * b.weight / (a.weight + b.weight)) * (dr * dr + dg * dg + db * db);
}

void FindNearest(std::vector<Group>& groups, uint32_t i)
{
    Group& g = groups[i];
    g.cost = 3.4e38f;
    for (uint32_t j = 0; j < groups.size(); ++j) {
        if (j == i || !groups[j].alive)
            continue;
        const float c = MergeCost(g, groups[j]);
        if (c < g.cost) {
            g.cost = c;
            g.nearest = j;
        }
    }
}

}  // namespace

uint32_t MergeColours(const CColourHistogram::Entry* colours, size_t count, uint32_t n, uint32_t* palette)
{
    std::vector<Group> groups(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t rgb = colours[i].rgb;
        const double w = colours[i].count;
        Group& g = groups[i];
        g.mean[0] = static_cast<float>(rgb >> 16 & 0xFF);
        g.mean[1] = static_cast<float>(rgb >> 8 & 0xFF);
        g.mean[2] = static_cast<float>(rgb & 0xFF);
        g.red = g.mean[0] * w;
        g.green = g.mean[1] * w;
        g.blue = g.mean[2] * w;
        g.weight = w;
        g.alive = true;
    }
    for (uint32_t i = 0; i < count; ++i)
        FindNearest(groups, i);
    for (size_t alive = count; alive > n; --alive) {
        uint32_t i = 0;
        while (!groups[i].alive)
            ++i;
        for (uint32_t k = i + 1; k < count; ++k)
            if (groups[k].alive && groups[k].cost < groups[i].cost)
                i = k;
        const uint32_t j = groups[i].nearest;
        Group& a = groups[i];
        Group& b = groups[j];
        a.red += b.red;
        a.green += b.green;
        a.blue += b.blue;
        a.weight += b.weight;
        a.mean[0] = static_cast<float>(a.red / a.weight);
        a.mean[1] = static_cast<float>(a.green / a.weight);
        a.mean[2] = static_cast<float>(a.blue / a.weight);
        b.alive = false;
        // Groups that would have merged with either look again; any other may now prefer the
        // merged group.
        for (uint32_t k = 0; k < count; ++k) {
            Group& g = groups[k];
            if (!g.alive || k == i)
                continue;
            if (g.nearest == i || g.nearest == j) {
                FindNearest(groups, k);
            } else {
                const float c = MergeCost(g, a);
                if (c < g.cost) {
                    g.cost = c;
                    g.nearest = i;
                }
            }
        }
        FindNearest(groups, i);
    }
    uint32_t used = 0;
    for (const Group& g : groups) {
        if (!g.alive)
            continue;
        const auto channel = [](float v) { return static_cast<uint32_t>(v + 0.5f); };
        palette[used++] = channel(g.mean[0]) << 16 | channel(g.mean[1]) << 8 | channel(g.mean[2]);
    }
    return used;
}

int RefinePalette(const CColourHistogram::Entry* colours, size_t count, uint32_t* palette, uint32_t n,
                  CNearestColour& nearest)
{
    std::vector<Sums> sums(n);
    std::vector<uint64_t> worst(count);  // each colour's weighted error in the last round
    std::vector<uint32_t> best(palette, palette + n);
    uint64_t bestError = ~0ull;
    int rounds = 0;
    for (; rounds < kMaxRounds; ++rounds) {
        nearest.SetPalette(palette, n);
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
            worst[i] = static_cast<uint64_t>(SquaredDistance(rgb, palette[j])) * w;
            error += worst[i];
        }
        if (error < bestError) {
            const bool enough = bestError != ~0ull && error * 10000 > bestError * 9999;
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
    nearest.SetPalette(palette, n);
    return rounds + 1;
}
