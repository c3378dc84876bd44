// The frame scaler against a plain double-precision reference: the exact mean of the covered
// area when shrinking, the two-by-two linear blend when growing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gif/frame_scaler.h"

namespace {

struct Image {
    int w, h;
    std::vector<uint8_t> px;  // 32-bit, w * 4 bytes a row
    const uint8_t* At(int x, int y) const { return &px[(static_cast<size_t>(y) * w + x) * 4]; }
};

// Screen-like content: flat areas, sharp edges, a gradient and some noise.
Image Content(int w, int h)
{
    Image im{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 4)};
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &im.px[(static_cast<size_t>(y) * w + x) * 4];
            seed = seed * 1103515245u + 12345u;
            if (x < w / 3) {
                p[0] = (x / 5 + y / 7) % 2 ? 250 : 10;
                p[1] = 128;
                p[2] = static_cast<uint8_t>(y * 255 / h);
            } else if (y < h / 2) {
                p[0] = static_cast<uint8_t>(seed >> 24);
                p[1] = static_cast<uint8_t>(seed >> 16);
                p[2] = static_cast<uint8_t>(seed >> 8);
            } else {
                p[0] = static_cast<uint8_t>(x * 255 / w);
                p[1] = static_cast<uint8_t>((x + y) % 256);
                p[2] = 200;
            }
            p[3] = 77;
        }
    return im;
}

// The weight of source pixel s in output pixel i along one side.
double Weight(int s, int i, int sourceSize, int size)
{
    const double scale = static_cast<double>(sourceSize) / size;
    if (scale > 1.0) {
        const double from = i * scale, to = from + scale;
        return std::max(0.0, std::min<double>(s + 1, to) - std::max<double>(s, from)) / scale;
    }
    const double centre = std::max(0.0, (i + 0.5) * scale - 0.5);
    const int left = std::min(static_cast<int>(centre), sourceSize - 1);
    const double right = left + 1 < sourceSize ? centre - left : 0.0;
    return s == left ? 1.0 - right : s == left + 1 ? right : 0.0;
}

double Reference(const Image& im, int x, int y, int c, int w, int h)
{
    double sum = 0;
    for (int sy = 0; sy < im.h; ++sy) {
        const double wy = Weight(sy, y, im.h, h);
        if (wy == 0)
            continue;
        for (int sx = 0; sx < im.w; ++sx) {
            const double wx = Weight(sx, x, im.w, w);
            if (wx != 0)
                sum += wx * wy * im.At(sx, sy)[c];
        }
    }
    return sum;
}

TEST(FrameScaler, ShrinksAndGrowsWithinOneLevelOfTheReference)
{
    const Image im = Content(97, 61);
    // Shrink by whole and broken factors, grow, and shrink one way while growing the other.
    for (const auto& size : {std::make_pair(48, 30), std::make_pair(40, 17), std::make_pair(97, 61),
                             std::make_pair(150, 100), std::make_pair(13, 90), std::make_pair(1, 1)}) {
        const int w = size.first, h = size.second;
        std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4, 0xEE);
        ASSERT_TRUE(ScalePixels32(im.px.data(), im.w, im.h, im.w * 4u, out.data(), w, h, w * 4u));
        int worst = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = &out[(static_cast<size_t>(y) * w + x) * 4];
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, static_cast<int>(std::lround(std::abs(p[c] - Reference(im, x, y, c, w, h)))));
                ASSERT_EQ(0, p[3]);
            }
        EXPECT_LE(worst, 1) << w << " x " << h;
        if (w == im.w && h == im.h) {
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(i % 4 == 3 ? 0 : im.px[i], out[i]) << "the same size changes nothing";
        }
    }
}

TEST(FrameScaler, KeepsFlatColourFlatAndRefusesEmptySizes)
{
    std::vector<uint8_t> flat(64 * 48 * 4);
    for (size_t i = 0; i < flat.size(); i += 4) {
        flat[i] = 255;
        flat[i + 1] = 1;
        flat[i + 2] = 37;
    }
    for (const auto& size : {std::make_pair(7, 5), std::make_pair(129, 95)}) {
        // Rows padded past the pixels, as bitmaps have them.
        const size_t stride = size.first * 4 + 8;
        std::vector<uint8_t> out(stride * size.second);
        ASSERT_TRUE(ScalePixels32(flat.data(), 64, 48, 64 * 4, out.data(), size.first, size.second, stride));
        for (int y = 0; y < size.second; ++y)
            for (int x = 0; x < size.first; ++x) {
                const uint8_t* p = &out[y * stride + x * 4];
                ASSERT_TRUE(p[0] == 255 && p[1] == 1 && p[2] == 37) << x << "," << y;
            }
    }
    uint8_t pixel[4] = {};
    EXPECT_FALSE(ScalePixels32(flat.data(), 64, 48, 256, pixel, 0, 1, 4));
    EXPECT_FALSE(ScalePixels32(flat.data(), 0, 48, 256, pixel, 1, 1, 4));
}

}  // namespace
