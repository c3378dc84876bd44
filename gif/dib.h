#pragma once
#include <cstddef>
#include <cstdint>

// The packed device-independent bitmap the frame builder and the quantizer read: a 40-byte
// info header, the colour table (2^bits four-byte blue, green, red, 0 entries for 1, 4 and 8
// bits per pixel, none otherwise), then the pixel rows, bottom row first, each padded to 4 bytes.

constexpr uint32_t kDibHeaderSize = 40;

struct DibInfo {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t headerSize = 0;   // where the first pixel row starts, from the header's start
};

DibInfo ReadDibInfo(const uint8_t* dib);

// Fills the 40-byte header the way the Windows copy is made: size 40, the given size and depth,
// one plane, BI_RGB, the image size field, everything else 0.
void WriteDibHeader(uint8_t* dib, int32_t width, int32_t height, uint16_t bitsPerPixel);

// Colour-table entries a packed bitmap of this depth carries (2^bits for 1, 4 and 8 bits).
uint32_t DibColourTableEntries(uint16_t bitsPerPixel);

// Bytes from one row to the next; 64-bit so that no frame size can overflow it.
uint64_t DibStride(int32_t width, uint16_t bitsPerPixel);

// Whole packed bitmap: header, colour table and rows. 0 for a size or depth the builder refuses.
uint64_t PackedDibSize(int32_t width, int32_t height, uint16_t bitsPerPixel);

bool IsSupportedDibDepth(uint16_t bitsPerPixel);

// Largest side the builder accepts: a GIF stores each side in 16 bits.
constexpr int32_t kMaxFrameSide = 65535;
