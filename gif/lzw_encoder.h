#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "byte_sink.h"
#include "lzw_strings.h"

// Variable-width LZW for GIF image data: codes from minCodeSize + 1 up to 12 bits, a clear
// code when code 4095 is assigned (or the full table kept, see LzwWhenFull), packed least
// significant bit first into 255-byte data sub-blocks, then the zero-length terminator.
//
// The work behind those bytes is cut down in ways that leave them unchanged:
// - the strings are kept in a hash table small enough for the first-level cache (see
//   CLzwStrings), obtained once per encoder; only the slots a frame filled are cleared again;
// - codes are gathered in a 64-bit accumulator whose whole bytes go into a buffer after every
//   code, without a branch, and the buffer is cut into sub-blocks when written;
// - each code remembers the child it led to last (a 16 KiB table that stays in the first-level
//   cache), which is the one needed again in the repeating patterns of a screen, and the code
//   four pixels further on, so that a pattern seen before is walked four pixels per step;
// - the strings made of one repeated index are remembered by length, so a run of equal pixels
//   jumps straight to the longest such string instead of walking the table pixel by pixel;
// - the child, four-step and run shortcuts only pay on long strings, so stretches of short ones
//   (photos, noise) go without them;
// - a string that begins at a single index looks its second pixel up in the table at once:
//   such a code has many children, so its shortcuts rarely fit.
// What the coder does once all 4096 codes are assigned: send a clear code and build the table
// again from the pixels that follow (fits content that changes along the image), or keep the
// full table and go on with the strings it has (fits content that repeats what came before,
// as lines of text do).
enum class LzwWhenFull { Clear, Keep };

class CLzwEncoder {
public:
    CLzwEncoder();
    CLzwEncoder(const CLzwEncoder&) = delete;
    CLzwEncoder& operator=(const CLzwEncoder&) = delete;

    // Writes the image data (everything after the minimum code size byte) for count indices,
    // each below 2^minCodeSize (2 to 8). True when the code table filled up on the way.
    bool Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize,
                  LzwWhenFull whenFull = LzwWhenFull::Clear);

    // The same for pixels that may take either of two values (a pixel that shows the same
    // colour opaque or transparent): alternatives[k] is pixel k's other value, equal to
    // indices[k] where it has none. A string goes on with the alternative where the first value
    // would end it, and a new string starts with the value whose strings reach further. The
    // value written is swapped into indices, so that they hold what a decoder reads and a second
    // coding has the same choices.
    bool CompressChoosing(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count,
                          uint8_t minCodeSize, LzwWhenFull whenFull = LzwWhenFull::Clear);

private:
    static constexpr uint32_t kCodes = 4096;
    template <bool kChoosing>
    bool Code(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count, uint8_t minCodeSize,
              LzwWhenFull whenFull);
    void ResetTable(uint32_t clearCode);
    void RecordShortcuts(uint32_t prefix, uint32_t c, uint32_t code);

    CLzwStrings strings;
    std::unique_ptr<uint32_t[]> touched;   // the string of each code assigned since the last clear
    // pixel << 16 | code of the child last assigned or walked to, with a flag when the code has
    // other children too; kNoChild for a code without children.
    std::unique_ptr<uint32_t[]> lastChild;
    // Four steps at once: the next four pixels last walked from a code and the code reached
    // (0: none), filled while walking one pixel at a time.
    struct FourSteps {
        uint32_t pixels;
        uint32_t code;
    };
    std::unique_ptr<FourSteps[]> fourSteps;
    uint32_t touchedCount = 0;
    // Strings of one repeated index: runPixel[code] is that index (-1 for other strings),
    // runLength[code] the string's length; runCode[n * 256 + pixel] the code of n times
    // pixel, for n up to longestRun[pixel].
    std::unique_ptr<int16_t[]> runPixel;
    std::unique_ptr<uint16_t[]> runLength;
    std::unique_ptr<uint16_t[]> runCode;
    uint16_t longestRun[256];
    std::unique_ptr<uint8_t[]> packed;     // packed bytes not yet cut into sub-blocks
};
