#pragma once

// The squared distance between two colours with a weight on each channel's squared difference.
// Plain weights are the distance PSNR measures; the eye's weights count green most and blue
// least, as the eye tells them apart.
struct ColourWeights {
    int red, green, blue;

    int Distance(int dr, int dg, int db) const { return red * dr * dr + green * dg * dg + blue * db * db; }
};

constexpr ColourWeights kPlainWeights{1, 1, 1};
constexpr ColourWeights kEyeWeights{2, 4, 1};
