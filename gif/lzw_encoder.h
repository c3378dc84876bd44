#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "byte_sink.h"

// Variable-width LZW for GIF image data: codes from minCodeSize + 1 up to 12 bits, a clear
// code when code 4095 is assigned, packed least significant bit first into 255-byte data
// sub-blocks, then the zero-length terminator.
//
// The 4096 x 256 code table is obtained once per encoder and reused frame after frame; only
// the entries a frame actually filled are cleared again, instead of all 2 MiB at every reset.
class CLzwEncoder {
public:
    CLzwEncoder();
    CLzwEncoder(const CLzwEncoder&) = delete;
    CLzwEncoder& operator=(const CLzwEncoder&) = delete;

    // Writes the image data (everything after the minimum code size byte) for count indices,
    // each below 2^minCodeSize (3 to 8).
    void Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize);

private:
    void ClearTouched();

    std::unique_ptr<uint16_t[]> table;     // (prefix << 8 | pixel) -> code, 0 when absent
    std::unique_ptr<uint32_t[]> touched;   // table slots filled since the last clear
    uint32_t touchedCount = 0;
};
