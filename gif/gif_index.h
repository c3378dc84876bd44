#pragma once
#include <cstdint>
#include <vector>

#include "byte_source.h"
#include "changed_area.h"

// What can go wrong reading a GIF. The reader never guesses past damage: a file with any of
// these is refused as a whole, so nothing is rewritten from a file that was misread.
enum class GifError {
    None,
    ReadFailed,     // the source could not be read
    NotGif,         // no GIF87a/GIF89a signature
    Truncated,      // the file ends inside a block, or before its trailer
    BadBlock,       // a byte that starts no known block
    BadImage,       // an image whose code size or colour table is impossible
    BadCode,        // the compressed data holds a code that cannot occur
    ShortData,      // the compressed data ends before every pixel of its image
    NoFrames,       // a well-formed file without a single image, or a frame asked for past the last
    Unsupported,    // well-formed, but beyond what this program rewrites
};

// Where one frame lies in the file and how it is drawn.
struct GifFrameInfo {
    uint64_t start = 0;          // first byte after the previous frame (its extensions belong here)
    uint64_t controlOffset = 0;  // its graphic control extension; 0 when it has none
    uint64_t imageOffset = 0;    // its image descriptor (0x2C)
    uint64_t tableOffset = 0;    // its local colour table; 0 when it uses the global one
    uint64_t dataOffset = 0;     // the LZW minimum code size byte
    uint64_t end = 0;            // one past the zero block that ends its data
    ImageRect rect;
    uint16_t tableSize = 0;      // colour table entries (its own or the global one's)
    uint16_t delay = 0;          // hundredths of a second
    uint8_t disposal = 0;
    int16_t transparentIndex = -1;
    bool interlaced = false;
    uint8_t minCodeSize = 0;
};

struct GifFileInfo {
    uint16_t width = 0, height = 0;   // the logical screen
    uint64_t headerEnd = 0;           // one past the screen descriptor and the global colour table
    std::vector<uint8_t> globalTable; // 3 bytes an entry; empty when there is none
    // The looping extension's count, or -1 when the file has none (then it plays once).
    int32_t loopCount = -1;
    std::vector<GifFrameInfo> frames;
};

// Reads the file's block structure once, from start to trailer, without decoding any image.
GifError IndexGif(IByteSource& source, GifFileInfo* info);
