#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_sink.h"

// The compact file's global colour table, filled by the writer as frames take its entries. A
// frame with a local table of 256 entries may drop that table (768 bytes) when every colour it
// uses is in the global table already or fits in its free entries: its LZW data is rewritten
// with each index code relabelled to its global entry, which keeps every code's width, so the
// data keeps its length. Entries once taken never change (the frames before use them) and the
// last entry is the transparent one of every frame that drops its table.
//
// The writer asks frame by frame, in file order, so the file is the same for any number of
// workers.

// A frame's image rewritten to use the global table.
struct GlobalTableFit {
    std::vector<uint8_t> image;      // descriptor without a local table, LZW data relabelled
    int16_t transparentIndex = -1;   // for the control block
    uint32_t firstClaimed = 0;       // entries the frame took: firstClaimed .. + claimed.size() / 3
    std::vector<uint8_t> claimed;    // their colours, red, green, blue
};

class CGlobalColourTable {
public:
    static constexpr uint32_t kEntries = 256;
    static constexpr uint8_t kTransparent = 255;
    // Where the table lies in the file: right after the logical screen descriptor.
    static constexpr uint64_t kFileOffset = 13;

    // The next frame of the file. image: as WriteGifImage writes it (descriptor, local table,
    // LZW data); transparentIndex: its control block's. exact: the frame's colours are the
    // screen's own, and it may take free entries for any colour the table lacks; a reduced
    // frame, whose palette was fitted to it, only for colours the table of the frame before held
    // too (a palette that came again: on a dragged window a reduced first frame that took every
    // entry left none for the frames after it). True when the frame fits the table: *fit
    // holds it rewritten and the entries it claimed are taken. False, with *fit as it was, when
    // the frame keeps its own table: a table smaller than 256 entries, colours that do not fit,
    // or data that is not a whole LZW stream. Either way the frame's table is remembered as that
    // of the frame before the next.
    bool Take(const uint8_t* image, size_t size, int16_t transparentIndex, bool exact, GlobalTableFit* fit);
    // Writes the entries a frame took over the table in the header of `file`.
    void WriteClaimed(IRewindableSink& file, const GlobalTableFit& fit) const;

    // 3 * kEntries bytes, zero where no frame took the entry.
    const uint8_t* Bytes() const { return m_bytes; }
    uint32_t Used() const { return m_used; }

private:
    uint8_t m_bytes[3 * kEntries] = {};
    uint32_t m_used = 0;              // entries 0 .. m_used - 1 are taken
    // The table of the frame before (0xRRGGBB) but its transparent entry, sorted.
    std::vector<uint32_t> m_previous;
    // Kept from frame to frame for their memory: a frame's LZW data, its sub-blocks joined; the
    // entries taken by colour (colour << 8 | entry), sorted.
    std::vector<uint8_t> m_data;
    std::vector<uint32_t> m_taken;
};
