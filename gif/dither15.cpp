#include "dither15.h"

namespace {

// One channel step: the level picked and the error carried on.
inline int DitherChannel(int value, int16_t& error)
{
    const int16_t wanted = static_cast<int16_t>(value + error);
    const int clamped = wanted < 0 ? 0 : (wanted > 255 ? 255 : wanted);
    const int level = clamped >> 3;
    error = static_cast<int16_t>(wanted - Expand5(level));
    return level;
}

}  // namespace

void DitherRowTo15Bit(const uint8_t* pixels, int32_t width, uint16_t* out)
{
    int16_t errBlue = 0, errGreen = 0, errRed = 0;
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t* p = pixels + 4 * x;
        const int blue = DitherChannel(p[0], errBlue);
        const int green = DitherChannel(p[1], errGreen);
        const int red = DitherChannel(p[2], errRed);
        out[x] = static_cast<uint16_t>(blue | green << 5 | red << 10);
    }
}

void Expand15BitPixels(const uint16_t* values, int32_t width, uint8_t* pixels)
{
    for (int32_t x = 0; x < width; ++x) {
        const uint16_t v = values[x];
        uint8_t* p = pixels + 4 * x;
        p[0] = static_cast<uint8_t>((v & 0x1F) * 8);
        p[1] = static_cast<uint8_t>(((v >> 5) & 0x1F) * 8);
        p[2] = static_cast<uint8_t>(((v >> 10) & 0x1F) * 8);
    }
}
