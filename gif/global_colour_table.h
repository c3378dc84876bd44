#pragma once
#include <cstddef>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
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
// The entries one frame took in the global table, for the writer to put in the file's header.
struct TableClaims {
    uint32_t first = 0;            // the first entry taken
    std::vector<uint8_t> colours;  // red, green, blue of each entry taken from `first` on
};

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
    // claims: the entries the frame took, or null.
    bool Place(GifImage& image, bool exact, TableClaims* claims = nullptr);

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
    // The colours of the frame before (0xRRGGBB) but its transparent entry, sorted.
    std::vector<uint32_t> m_previous;
    // The entries taken by colour (colour << 8 | entry), sorted; kept for its memory.
    std::vector<uint32_t> m_taken;
};

// The global table shared by the workers that build a compact file's frames. Each frame is
// placed on its worker once it is built and before it is coded, strictly in file order: a
// frame's turn comes when every frame before it was placed or passed. A worker waits only for
// frames taken before its own, which are being built or done, so no turn waits for ever as long
// as every frame taken resolves its turn (CTableTurn sees to that).
class CSharedColourTable {
public:
    // Waits for frame `turn` (0, 1, 2 ... in file order), then places it as
    // CGlobalColourTable::Place does.
    bool Place(uint64_t turn, GifImage& image, bool exact, TableClaims* claims);
    // Frame `turn` is not placed (it was not built): the frames after it need not wait for it.
    void Pass(uint64_t turn);

private:
    void Advance();  // past the turns resolved, under the lock

    std::mutex m_mutex;
    std::condition_variable m_turnDone;
    uint64_t m_next = 0;           // the turn that may be placed now
    std::set<uint64_t> m_passed;   // turns after m_next passed already
    CGlobalColourTable m_table;
};

// One frame's turn at the shared table: passed when it goes without being placed, whichever way
// the frame's build ends.
class CTableTurn {
public:
    CTableTurn(CSharedColourTable& table, uint64_t turn) : m_table(table), m_turn(turn) {}
    ~CTableTurn()
    {
        if (!m_resolved)
            m_table.Pass(m_turn);
    }
    CTableTurn(const CTableTurn&) = delete;
    CTableTurn& operator=(const CTableTurn&) = delete;

    bool Place(GifImage& image, bool exact, TableClaims* claims)
    {
        m_resolved = true;
        return m_table.Place(m_turn, image, exact, claims);
    }

private:
    CSharedColourTable& m_table;
    const uint64_t m_turn;
    bool m_resolved = false;
};

// The file's copy of the global table, as the frames written so far claimed it, for its header.
class CHeaderTable {
public:
    // The entries a frame took: they go into the header with the next WriteNew.
    void Add(const TableClaims& claims);
    // 3 * 256 bytes, zero where no frame took the entry.
    const uint8_t* Bytes() const { return m_bytes; }
    // The header was written with Bytes(): nothing is new.
    void Written() { m_newFrom = m_newTo = 0; }
    // Writes the entries added since the last write over the table in the header of `file`.
    void WriteNew(IRewindableSink& file);

private:
    uint8_t m_bytes[3 * CGlobalColourTable::kEntries] = {};
    uint32_t m_newFrom = 0, m_newTo = 0;  // entries added, not in the file yet
};
