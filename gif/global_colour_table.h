#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_sink.h"
#include "gif_image.h"

// The compact file's global colour table, filled in file order as frames take its entries. A
// frame with a local table of 256 entries (LZW minimum code size 8, as the global table's) uses
// the global table instead of its own (768 bytes less) when every colour it may be written with
// is in the table already or fits in its free entries. The choice is made before the frame is
// coded: its indices are turned into the table's entries, so the coder writes them directly.
// Entries once taken never change (the frames before use them) and the last entry is the
// transparent one of every frame that uses the table.
//
// The frames are placed one by one in file order, so the file is the same for any number of
// workers.
// Whether a compact frame is coded with its own table on its worker, before the writer places
// it: a table of fewer than 256 entries never takes the global one, and a reduced frame's fitted
// palette takes it only where the frame before had the same colours, which is rare. The writer
// codes it again, after placing it, only where it takes the global table after all. The other
// frames (exact, 256 entries: they mostly take it) are coded by the writer once placed.
inline bool CodedBeforePlacing(const GifImage& image, bool exact)
{
    return image.tableBits < 8 || !exact;
}

class CGlobalColourTable {
public:
    static constexpr uint32_t kEntries = 256;
    static constexpr uint8_t kTransparent = 255;
    // Where the table lies in the file: right after the logical screen descriptor.
    static constexpr uint64_t kFileOffset = 13;

    // The next frame of the file, not coded yet. exact: the frame's colours are the screen's
    // own, and it may take free entries for any colour the table lacks; a reduced frame, whose
    // palette was fitted to it, only for colours the frame before had too (a palette that came
    // again: on a dragged window a reduced first frame that took every entry left none for the
    // frames after it). True when the frame uses the table: its indices and alternatives are the
    // table's entries, its transparent index the last one, image.globalTable is set, and the
    // entries it claimed are taken. False, with the image as it was, when it keeps its own
    // table. Either way the frame's colours are remembered as those of the frame before the next.
    bool Place(GifImage& image, bool exact);
    // Writes the entries the last frame placed took over the table in the header of `file`.
    void WriteClaimed(IRewindableSink& file) const;

    // 3 * kEntries bytes, zero where no frame took the entry.
    const uint8_t* Bytes() const { return m_bytes; }
    uint32_t Used() const { return m_used; }

private:
    // The entry each index the frame may be written with goes to, and the colours it takes new
    // entries for (from m_used on); false when the frame does not fit. Takes no entry yet.
    bool Map(const GifImage& image, bool exact, const std::vector<uint32_t>& before, uint8_t* place,
             std::vector<uint32_t>* claimed);

    uint8_t m_bytes[3 * kEntries] = {};
    uint32_t m_used = 0;              // entries 0 .. m_used - 1 are taken
    uint32_t m_claimedFrom = 0;       // the last frame placed took entries m_claimedFrom .. m_used - 1
    // The colours of the frame before (0xRRGGBB) but its transparent entry, sorted.
    std::vector<uint32_t> m_previous;
    // The entries taken by colour (colour << 8 | entry), sorted; kept for its memory.
    std::vector<uint32_t> m_taken;
};
