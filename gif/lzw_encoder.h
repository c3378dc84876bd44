#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "byte_sink.h"
#include "lzw_choices.h"
#include "lzw_code_stream.h"
#include "lzw_shortcuts.h"
#include "lzw_strings.h"

// Variable-width LZW for GIF image data, in three parts: the code stream (lzw_code_stream.h:
// code numbering, widths, clears, packing into sub-blocks), the string index (CLzwStrings) with
// its shortcuts (CLzwShortcuts), and the policy that picks what each pixel is written as
// (lzw_choices.h). CodeLzwPlain (lzw_plain_coder.h) is the plain twin this coder writes the same
// bytes as, faster:
// - the strings are kept in a hash table small enough for the first-level cache, obtained once
//   per encoder; only the slots a frame filled are cleared again;
// - codes are gathered in a 64-bit accumulator whose whole bytes go into a buffer after every
//   code, without a branch, and the buffer is cut into sub-blocks when written;
// - the child, four-step and run shortcuts walk the long strings of a screen without a table
//   look-up a pixel; they only pay on long strings, so stretches of short ones (photos, noise)
//   go without them;
// - a string that begins at a single index looks its second pixel up in the table at once:
//   such a code has many children, so its shortcuts rarely fit.
class CLzwEncoder {
public:
    CLzwEncoder();
    CLzwEncoder(const CLzwEncoder&) = delete;
    CLzwEncoder& operator=(const CLzwEncoder&) = delete;

    // Writes the image data (everything after the minimum code size byte) for count indices,
    // each below 2^minCodeSize (2 to 8). True when the code table filled up on the way.
    bool Compress(IByteSink& file, const uint8_t* indices, size_t count, uint8_t minCodeSize,
                  LzwWhenFull whenFull = LzwWhenFull::Clear);

    // The same for pixels that may take either of two values (CTwoValuedPixels):
    // alternatives[k] is pixel k's other value, equal to indices[k] where it has none. The value
    // written is swapped into indices, so that they hold what a decoder reads and a second
    // coding has the same choices.
    bool CompressChoosing(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count,
                          uint8_t minCodeSize, LzwWhenFull whenFull = LzwWhenFull::Clear);

    // The same, where pixels may also be written as a value near enough to their captured colour
    // (CNearPixels): lossy.
    bool CompressNear(IByteSink& file, uint8_t* indices, uint8_t* alternatives, size_t count, const NearEnough& reach,
                      uint8_t minCodeSize, LzwWhenFull whenFull = LzwWhenFull::Clear);

private:
    struct Walk;
    template <class Choice>
    bool Code(IByteSink& file, Choice& choice, size_t count, uint8_t minCodeSize, LzwWhenFull whenFull);
    template <class Choice>
    void PlainStretch(Walk& w, Choice& choice, size_t end);
    template <class Choice>
    void ShortcutStretch(Walk& w, Choice& choice, size_t end);
    template <class Choice>
    bool StepByShortcut(Walk& w, Choice& choice);
    template <class Choice>
    void EndStrings(Walk& w, Choice& choice, size_t end);
    void EndString(Walk& w, uint32_t next);
    void ResetTable(uint32_t clearCode);

    CLzwStrings strings;
    CLzwShortcuts shortcuts;
    std::unique_ptr<uint32_t[]> touched;   // the string of each code assigned since the last clear
    uint32_t touchedCount = 0;
    std::unique_ptr<uint8_t[]> packed;     // packed bytes not yet cut into sub-blocks
};
