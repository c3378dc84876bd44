#include "global_colour_table.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

uint32_t Rgb(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
}

// Whether the 16 pixels at k all repeat `last` and have no other value: a block a screen's
// runs are mostly made of.
inline bool SameBlock(const uint8_t* indices, const uint8_t* others, size_t k, uint8_t last)
{
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(indices + k));
    int same = _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(last))));
    if (others)
        same &= _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_loadu_si128(reinterpret_cast<const __m128i*>(others + k))));
    return same == 0xFFFF;
#else
    for (size_t i = k; i < k + 16; ++i)
        if (indices[i] != last || (others && others[i] != last))
            return false;
    return true;
#endif
}

// Which indices the image may be written with, in the order they first appear; each once.
uint32_t ValuesInOrder(const GifImage& image, uint8_t* order)
{
    bool seen[256] = {};
    uint32_t n = 0;
    const uint8_t* indices = image.indices.data();
    const uint8_t* others = image.alternatives.empty() ? nullptr : image.alternatives.data();
    const size_t count = image.indices.size();
    const auto see = [&](uint8_t v) {
        if (!seen[v]) {
            seen[v] = true;
            order[n++] = v;
        }
    };
    size_t k = 0;
    while (k < count && n < 256) {
        const uint8_t last = indices[k];
        if (count - k >= 16 && seen[last] && SameBlock(indices, others, k, last)) {
            k += 16;
            continue;
        }
        for (const size_t end = count - k >= 16 ? k + 16 : count; k < end; ++k) {
            see(indices[k]);
            if (others)
                see(others[k]);
        }
    }
    return n;
}

}  // namespace

bool CGlobalColourTable::Map(const GifImage& image, bool exact, const std::vector<uint32_t>& before,
                             uint8_t* place, std::vector<uint32_t>* claimed)
{
    m_taken.clear();
    for (uint32_t entry = 0; entry < m_used; ++entry)
        m_taken.push_back(Rgb(m_bytes + 3 * entry) << 8 | entry);  // by colour, then entry
    std::sort(m_taken.begin(), m_taken.end());
    uint8_t order[256];
    const uint32_t values = ValuesInOrder(image, order);
    // An index to claim takes the next free entry at its first appearance, the entry of an
    // index of the same colour claimed before it where there is one.
    claimed->clear();
    for (uint32_t k = 0; k < values; ++k) {
        const uint8_t i = order[k];
        const uint32_t rgb = Rgb(image.palette.data() + 3 * i);
        const auto taken = std::lower_bound(m_taken.begin(), m_taken.end(), rgb << 8);
        if (i == image.transparentIndex) {
            place[i] = kTransparent;
        } else if (taken != m_taken.end() && *taken >> 8 == rgb) {
            place[i] = static_cast<uint8_t>(*taken & 0xFF);
        } else if (exact || std::binary_search(before.begin(), before.end(), rgb)) {
            const auto same = std::find(claimed->begin(), claimed->end(), rgb);
            if (same == claimed->end() && m_used + claimed->size() >= kTransparent)
                return false;
            place[i] = static_cast<uint8_t>(m_used + (same - claimed->begin()));
            if (same == claimed->end())
                claimed->push_back(rgb);
        } else {
            return false;
        }
    }
    return true;
}

bool CGlobalColourTable::Place(GifImage& image, bool exact, TableClaims* claims)
{
    std::vector<uint32_t> before;
    before.swap(m_previous);
    if (claims) {
        claims->first = m_used;
        claims->colours.clear();
    }
    const uint32_t entries = 1u << image.tableBits;
    // The frame's colours for the next frame to find again: its table but the transparent entry
    // (a compact frame's table holds the colours it uses).
    for (uint32_t i = 0; i < entries; ++i)
        if (static_cast<int32_t>(i) != image.transparentIndex)
            m_previous.push_back(Rgb(image.palette.data() + 3 * i));
    std::sort(m_previous.begin(), m_previous.end());
    // Index codes as wide as the table's keep the data as it is; a smaller table codes shorter.
    if (entries != kEntries || image.globalTable)
        return false;
    uint8_t place[kEntries] = {};
    std::vector<uint32_t> claimed;
    if (!Map(image, exact, before, place, &claimed))
        return false;
    for (uint8_t& v : image.indices)
        v = place[v];
    for (uint8_t& v : image.alternatives)
        v = place[v];
    for (uint32_t rgb : claimed) {
        uint8_t* entry = m_bytes + 3 * m_used++;
        entry[0] = static_cast<uint8_t>(rgb >> 16);
        entry[1] = static_cast<uint8_t>(rgb >> 8);
        entry[2] = static_cast<uint8_t>(rgb);
        if (claims)
            claims->colours.insert(claims->colours.end(), entry, entry + 3);
    }
    image.palette.assign(m_bytes, m_bytes + 3 * kEntries);  // the values' colours from now on
    image.transparentIndex = image.transparentIndex >= 0 ? kTransparent : -1;
    image.globalTable = true;
    return true;
}

bool CSharedColourTable::Place(uint64_t turn, GifImage& image, bool exact, TableClaims* claims)
{
    std::unique_lock<std::mutex> hold(m_mutex);
    m_turnDone.wait(hold, [&] { return m_next == turn; });
    const bool global = m_table.Place(image, exact, claims);
    ++m_next;
    Advance();
    m_turnDone.notify_all();
    return global;
}

void CSharedColourTable::Pass(uint64_t turn)
{
    std::lock_guard<std::mutex> hold(m_mutex);
    if (turn == m_next)
        ++m_next;
    else
        m_passed.insert(turn);
    Advance();
    m_turnDone.notify_all();
}

void CSharedColourTable::Advance()
{
    while (!m_passed.empty() && *m_passed.begin() == m_next) {
        m_passed.erase(m_passed.begin());
        ++m_next;
    }
}

void CHeaderTable::Add(const TableClaims& claims)
{
    if (claims.colours.empty())
        return;
    std::memcpy(m_bytes + 3 * claims.first, claims.colours.data(), claims.colours.size());
    const uint32_t to = claims.first + static_cast<uint32_t>(claims.colours.size() / 3);
    m_newFrom = m_newFrom == m_newTo ? claims.first : std::min(m_newFrom, claims.first);
    m_newTo = std::max(m_newTo, to);
}

void CHeaderTable::WriteNew(IRewindableSink& file)
{
    if (m_newTo > m_newFrom)
        file.WriteAt(CGlobalColourTable::kFileOffset + 3 * m_newFrom, m_bytes + 3 * m_newFrom,
                     3 * (m_newTo - m_newFrom));
    Written();
}
