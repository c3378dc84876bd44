#include "global_colour_table.h"

#include <algorithm>
#include <cstring>

namespace {

// The image as WriteGifImage writes it: a 10-byte descriptor, whose last byte holds the local
// table's flag and size, the table, the LZW minimum code size and the data sub-blocks.
constexpr size_t kDescriptor = 10;
constexpr uint8_t kHasTable = 0x80;
constexpr uint8_t kTableSizeBits = 0x07;
constexpr uint8_t kSortedFlag = 0x20;

// Calls root(bitOffset, code) for every index code (below the clear code) of LZW data coded
// with minimum code size 8 (the sub-blocks' bytes joined), in order, up to its end code: the
// indices the image uses. Follows a decoder's code widths only, not its strings. False when the
// data ends first, holds a code no decoder would accept, or root returns false.
template <class Root>
bool WalkLzwRoots(const uint8_t* data, size_t size, Root root)
{
    constexpr uint32_t kClear = 256;
    constexpr uint32_t kEnd = kClear + 1;
    constexpr uint32_t kMaxCodes = 4096;
    uint32_t width = 9;
    uint32_t next = kClear + 2;  // the code a decoder assigns next
    bool afterClear = true;      // the first code after a clear makes no new string
    uint64_t bits = 0;
    uint32_t bitCount = 0;
    size_t in = 0;
    for (;;) {
        while (bitCount < width) {
            if (in == size)
                return false;
            bits |= static_cast<uint64_t>(data[in++]) << bitCount;
            bitCount += 8;
        }
        const uint32_t code = static_cast<uint32_t>(bits) & ((1u << width) - 1);
        const uint64_t at = static_cast<uint64_t>(in) * 8 - bitCount;
        bits >>= width;
        bitCount -= width;
        if (code == kClear) {
            width = 9;
            next = kClear + 2;
            afterClear = true;
            continue;
        }
        if (code == kEnd)
            return true;
        if (code < kClear) {
            if (!root(at, code))
                return false;
        } else if (afterClear || code > next || (code == next && next == kMaxCodes)) {
            return false;
        }
        if (!afterClear && next < kMaxCodes) {
            ++next;
            if (next == (1u << width) && width < 12)
                ++width;
        }
        afterClear = false;
    }
}

uint32_t Rgb(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

// The sub-blocks' bytes joined; false when their lengths run past the image or no terminator
// ends them.
bool JoinSubBlocks(const uint8_t* blocks, size_t size, std::vector<uint8_t>* data)
{
    data->clear();
    size_t at = 0;
    while (at < size) {
        const size_t length = blocks[at++];
        if (length == 0)
            return true;
        if (length > size - at)
            return false;
        data->insert(data->end(), blocks + at, blocks + at + length);
        at += length;
    }
    return false;
}

// Puts the 8 bits of an index code at a bit offset of the joined data; the code's higher bits
// are zero either way.
void PutRoot(uint8_t* data, uint64_t at, uint8_t code)
{
    const size_t byte = static_cast<size_t>(at >> 3);
    const unsigned shift = static_cast<unsigned>(at & 7);
    const uint32_t mask = 0xFFu << shift;
    uint32_t window = data[byte];
    if (shift != 0)
        window |= static_cast<uint32_t>(data[byte + 1]) << 8;
    window = (window & ~mask) | (static_cast<uint32_t>(code) << shift);
    data[byte] = static_cast<uint8_t>(window);
    if (shift != 0)
        data[byte + 1] = static_cast<uint8_t>(window >> 8);
}

// The joined data back into sub-blocks of the lengths they had.
void SplitLikeBefore(const uint8_t* blocks, const std::vector<uint8_t>& data, std::vector<uint8_t>* out)
{
    size_t from = 0;
    size_t at = 0;
    for (;;) {
        const size_t length = blocks[at++];
        out->push_back(static_cast<uint8_t>(length));
        if (length == 0)
            return;
        out->insert(out->end(), data.begin() + static_cast<ptrdiff_t>(from),
                    data.begin() + static_cast<ptrdiff_t>(from + length));
        from += length;
        at += length;
    }
}

}  // namespace

bool CGlobalColourTable::Take(const uint8_t* image, size_t size, int16_t transparentIndex, bool exact,
                              GlobalTableFit* fit)
{
    std::vector<uint32_t> before;
    before.swap(m_previous);
    if (size < kDescriptor || image[0] != 0x2C || !(image[9] & kHasTable))
        return false;
    const uint32_t entries = 2u << (image[9] & kTableSizeBits);
    const uint8_t* local = image + kDescriptor;
    const size_t codeSizeAt = kDescriptor + 3 * entries;
    if (size <= codeSizeAt)
        return false;
    // The frame's colours for the next frame to find again: its table but the transparent entry
    // (a compact frame's table holds the colours it uses).
    for (uint32_t i = 0; i < entries; ++i)
        if (static_cast<int32_t>(i) != transparentIndex)
            m_previous.push_back(Rgb(local + 3 * i));
    std::sort(m_previous.begin(), m_previous.end());
    // Relabelling keeps each code's width only where the index codes are as wide as the table's.
    if (entries != kEntries || image[codeSizeAt] != 8)
        return false;

    // Where each index would go: an entry taken, one to claim if the index is used, or none, and
    // then the frame cannot use the table if it uses the index. Such an index stops the walk
    // below at its first use, so a frame that does not fit costs little.
    constexpr uint16_t kClaim = 0x100;
    constexpr uint16_t kNowhere = 0x101;
    m_taken.clear();
    for (uint32_t entry = 0; entry < m_used; ++entry)
        m_taken.push_back(Rgb(m_bytes + 3 * entry) << 8 | entry);  // by colour, then entry
    std::sort(m_taken.begin(), m_taken.end());
    uint16_t place[kEntries];
    for (uint32_t i = 0; i < kEntries; ++i) {
        const uint8_t* rgb = local + 3 * i;
        const auto taken = std::lower_bound(m_taken.begin(), m_taken.end(), Rgb(rgb) << 8);
        if (static_cast<int32_t>(i) == transparentIndex)
            place[i] = kTransparent;
        else if (taken != m_taken.end() && *taken >> 8 == Rgb(rgb))
            place[i] = static_cast<uint16_t>(*taken & 0xFF);
        else if (exact || std::binary_search(before.begin(), before.end(), Rgb(rgb)))
            place[i] = kClaim;
        else
            place[i] = kNowhere;
    }
    const uint8_t* blocks = image + codeSizeAt + 1;
    if (!JoinSubBlocks(blocks, size - codeSizeAt - 1, &m_data))
        return false;
    // One walk relabels the codes; an index to claim takes the next free entry at its first use,
    // the entry of an index of the same colour claimed before it where there is one.
    std::vector<uint8_t> claimed;
    const bool fits = WalkLzwRoots(m_data.data(), m_data.size(), [&](uint64_t at, uint32_t code) {
        if (place[code] == kNowhere)
            return false;
        if (place[code] == kClaim) {
            const uint8_t* rgb = local + 3 * code;
            size_t k = 0;
            while (k < claimed.size() && std::memcmp(claimed.data() + k, rgb, 3) != 0)
                k += 3;
            if (k == claimed.size()) {
                if (m_used + claimed.size() / 3 >= kTransparent)
                    return false;
                claimed.insert(claimed.end(), rgb, rgb + 3);
            }
            place[code] = static_cast<uint16_t>(m_used + k / 3);
        }
        PutRoot(m_data.data(), at, static_cast<uint8_t>(place[code]));
        return true;
    });
    if (!fits)
        return false;

    fit->image.assign(image, image + kDescriptor);
    fit->image[9] = static_cast<uint8_t>(image[9] & ~(kHasTable | kTableSizeBits | kSortedFlag));
    fit->image.push_back(8);
    SplitLikeBefore(blocks, m_data, &fit->image);
    fit->transparentIndex = transparentIndex >= 0 ? kTransparent : -1;
    fit->firstClaimed = m_used;
    fit->claimed = std::move(claimed);
    if (!fit->claimed.empty())
        std::memcpy(m_bytes + 3 * m_used, fit->claimed.data(), fit->claimed.size());
    m_used += static_cast<uint32_t>(fit->claimed.size() / 3);
    return true;
}

void CGlobalColourTable::WriteClaimed(IRewindableSink& file, const GlobalTableFit& fit) const
{
    if (!fit.claimed.empty())
        file.WriteAt(kFileOffset + 3 * fit.firstClaimed, m_bytes + 3 * fit.firstClaimed,
                     static_cast<uint32_t>(fit.claimed.size()));
}
