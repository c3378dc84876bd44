#include "frame_scaler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
// The vertical pass keeps this many bits below each 8-bit value for the horizontal one.
constexpr int kCarryBits = 6;

// For each output position, the source positions it takes from and their weights, which add
// up to kOne.
struct Taps {
    std::vector<int32_t> first;   // index into source/weight of each output's first tap
    std::vector<int32_t> count;
    std::vector<int32_t> source;
    std::vector<int32_t> weight;
};

Taps MakeTaps(int32_t sourceSize, int32_t size)
{
    Taps taps;
    taps.first.resize(size);
    taps.count.resize(size);
    const double scale = static_cast<double>(sourceSize) / size;
    std::vector<double> raw;
    for (int32_t i = 0; i < size; ++i) {
        raw.clear();
        const int32_t start = static_cast<int32_t>(taps.source.size());
        if (scale > 1.0) {
            // Shrinking: the share of each source pixel in [i, i + 1) * scale.
            const double from = i * scale;
            const double to = from + scale;
            for (int32_t s = static_cast<int32_t>(from); s < sourceSize && s < to; ++s) {
                const double cover = std::min<double>(s + 1, to) - std::max<double>(s, from);
                if (cover > 1e-9) {
                    taps.source.push_back(s);
                    raw.push_back(cover / scale);
                }
            }
        } else {
            // Growing (or the same size): between the two source centres around this one.
            const double centre = std::max(0.0, (i + 0.5) * scale - 0.5);
            const int32_t left = std::min(static_cast<int32_t>(centre), sourceSize - 1);
            const double right = centre - left;
            taps.source.push_back(left);
            raw.push_back(1.0 - right);
            if (left + 1 < sourceSize && right > 1e-9) {
                taps.source.push_back(left + 1);
                raw.push_back(right);
            }
        }
        // Rounded weights, the remainder given to the largest so that a flat area stays flat.
        int32_t total = 0;
        size_t largest = 0;
        for (size_t k = 0; k < raw.size(); ++k) {
            const int32_t w = static_cast<int32_t>(std::lround(raw[k] * kOne));
            taps.weight.push_back(w);
            total += w;
            if (raw[k] > raw[largest])
                largest = k;
        }
        taps.weight[start + largest] += kOne - total;
        taps.first[i] = start;
        taps.count[i] = static_cast<int32_t>(raw.size());
    }
    return taps;
}

}  // namespace

bool ScalePixels32(const uint8_t* source, int32_t sourceWidth, int32_t sourceHeight, size_t sourceStride,
                   uint8_t* destination, int32_t width, int32_t height, size_t stride)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || width <= 0 || height <= 0)
        return false;
    const Taps across = MakeTaps(sourceWidth, width);
    const Taps down = MakeTaps(sourceHeight, height);
    // All four bytes of a pixel go through both passes alike, unused one included: plain loops
    // over whole rows that the compiler turns into vector code, where skipping a byte would not.
    const size_t rowValues = static_cast<size_t>(sourceWidth) * 4;
    std::vector<uint32_t> sums(rowValues);
    // One source-wide row of blended rows, with kCarryBits of fraction.
    std::vector<uint16_t> blended(rowValues);

    for (int32_t y = 0; y < height; ++y) {
        // Down: the weighted sum of the source rows this output row covers.
        const int32_t firstTap = down.first[y];
        const int32_t lastTap = firstTap + down.count[y];
        {
            const uint8_t* row = source + sourceStride * static_cast<size_t>(down.source[firstTap]);
            const uint32_t w = static_cast<uint32_t>(down.weight[firstTap]);
            for (size_t v = 0; v < rowValues; ++v)
                sums[v] = row[v] * w;
        }
        for (int32_t t = firstTap + 1; t < lastTap; ++t) {
            const uint8_t* row = source + sourceStride * static_cast<size_t>(down.source[t]);
            const uint32_t w = static_cast<uint32_t>(down.weight[t]);
            for (size_t v = 0; v < rowValues; ++v)
                sums[v] += row[v] * w;
        }
        constexpr int kDrop = kWeightBits - kCarryBits;
        for (size_t v = 0; v < rowValues; ++v)
            blended[v] = static_cast<uint16_t>((sums[v] + (1u << (kDrop - 1))) >> kDrop);

        // Across: the weighted sum of the blended pixels each output pixel covers.
        uint8_t* out = destination + stride * static_cast<size_t>(y);
        for (int32_t x = 0; x < width; ++x, out += 4) {
            uint32_t b = 0, g = 0, r = 0;
            const int32_t end = across.first[x] + across.count[x];
            for (int32_t t = across.first[x]; t < end; ++t) {
                const uint16_t* p = blended.data() + 4 * static_cast<size_t>(across.source[t]);
                const uint32_t w = static_cast<uint32_t>(across.weight[t]);
                b += p[0] * w;
                g += p[1] * w;
                r += p[2] * w;
            }
            // Weights add up to one and values stay within 8 bits, so no result passes 255.
            constexpr int kShift = kWeightBits + kCarryBits;
            constexpr uint32_t kHalf = 1u << (kShift - 1);
            out[0] = static_cast<uint8_t>((b + kHalf) >> kShift);
            out[1] = static_cast<uint8_t>((g + kHalf) >> kShift);
            out[2] = static_cast<uint8_t>((r + kHalf) >> kShift);
            out[3] = 0;
        }
    }
    return true;
}
