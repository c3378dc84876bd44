#include "palette_octree.h"

#include <algorithm>
#include <cstring>

#include "dib.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

int ChildIndex(uint8_t red, uint8_t green, uint8_t blue, int depth)
{
    const int shift = 7 - depth;
    return ((red >> shift) & 1) * 4 + ((green >> shift) & 1) * 2 + ((blue >> shift) & 1);
}

constexpr uint32_t kInserted = 0x80000000u;
constexpr uint32_t kPendingLimit = 0x40000000u;   // counts are added to the leaf before this

inline uint8_t Red15(uint16_t v) { return static_cast<uint8_t>(((v >> 10) & 0x1F) << 3); }
inline uint8_t Green15(uint16_t v) { return static_cast<uint8_t>(((v >> 5) & 0x1F) << 3); }
inline uint8_t Blue15(uint16_t v) { return static_cast<uint8_t>((v & 0x1F) << 3); }

}  // namespace

CPaletteOctree::CPaletteOctree(uint32_t maxColours_, int colourBits)
    : depthLimit(colourBits >= 8 ? 8 : (colourBits < 1 ? 1 : colourBits)), maxColours(maxColours_),
      nodes(1), leafOf15(new uint64_t[32768]()), state15(new uint32_t[32768]())
{
    nodes.reserve(4096);
}

int32_t CPaletteOctree::NewNode(int depth)
{
    int32_t n;
    if (!freeSlots.empty()) {
        n = freeSlots.back();
        freeSlots.pop_back();
    } else {
        n = static_cast<int32_t>(nodes.size());
        nodes.emplace_back();
        nodes[n].serial = 0;
    }
    OctreeNode& node = nodes[n];
    const uint32_t serial = node.serial;
    std::memset(&node, 0, sizeof node);
    node.serial = serial;
    if (depth == depthLimit) {
        node.isLeaf = 1;
        ++leafCount;
    } else {
        node.nextInLevel = levelLists[depth];
        levelLists[depth] = n;
    }
    return n;
}

void CPaletteOctree::FreeNode(int32_t n)
{
    ++nodes[n].serial;
    freeSlots.push_back(n);
}

int32_t CPaletteOctree::InsertColour(uint8_t red, uint8_t green, uint8_t blue)
{
    if (!root)
        root = NewNode(0);
    int32_t n = root;
    int depth = 0;
    while (!nodes[n].isLeaf) {
        const int c = ChildIndex(red, green, blue, depth);
        ++depth;
        int32_t next = nodes[n].child[c];
        if (!next) {
            next = NewNode(depth);   // may move the pool: index again afterwards
            nodes[n].child[c] = next;
            if (ChildCount(nodes[n]) == 2)
                ++multiChildNodes[depth - 1];
        }
        n = next;
    }
    return n;
}

uint32_t CPaletteOctree::ChildCount(const OctreeNode& node)
{
    uint32_t count = 0;
    for (int32_t c : node.child)
        count += c != 0;
    return count;
}

int32_t CPaletteOctree::FindLeaf(uint8_t red, uint8_t green, uint8_t blue) const
{
    int32_t n = root;
    int depth = 0;
    while (n && !nodes[n].isLeaf)
        n = nodes[n].child[ChildIndex(red, green, blue, depth++)];
    return n;
}

void CPaletteOctree::AddColour(uint8_t red, uint8_t green, uint8_t blue, uint32_t count)
{
    if (count == 0)
        return;
    int32_t leaf = InsertColour(red, green, blue);
    OctreeNode* node = &nodes[leaf];
    node->pixelCount += 1;
    node->sumRed += red;
    node->sumGreen += green;
    node->sumBlue += blue;
    if (leafCount > maxColours) {
        MergeWhileTooMany();
        leaf = FindLeaf(red, green, blue);
        node = &nodes[leaf];
    }
    // The rest of the run lands in the same leaf without creating one, so nothing merges.
    const int64_t rest = count - 1;
    node->pixelCount += rest;
    node->sumRed += rest * red;
    node->sumGreen += rest * green;
    node->sumBlue += rest * blue;
}

void CPaletteOctree::MergeWhileTooMany()
{
    // The merge choice weighs the leaves' pixel counts: bring them up to date first.
    FlushPending();
    while (leafCount > maxColours) {
        int level = depthLimit - 1;
        while (level > 0 && !levelLists[level])
            --level;
        // A merge of a node with one child leaves the leaf count as it is, so when every
        // node of the level has one child, the merges go on until the level is empty: the
        // order cannot matter and the weighing can be skipped. Colours of 5 bits per channel
        // make every node of depth 5 to 7 such a node.
        if (level > 0 && multiChildNodes[level] == 0)
            MergeWholeLevel(level);
        else
            MergeSmallestNode();
    }
}

void CPaletteOctree::MergeWholeLevel(int level)
{
    int32_t n = levelLists[level];
    levelLists[level] = 0;
    while (n) {
        OctreeNode& node = nodes[n];
        const int32_t next = node.nextInLevel;
        node.nextInLevel = 0;
        leafCount -= FoldChildren(node) - 1;
        n = next;
    }
}

uint32_t CPaletteOctree::FoldChildren(OctreeNode& node)
{
    int64_t red = 0, green = 0, blue = 0;
    uint32_t children = 0;
    for (int32_t& c : node.child) {
        if (!c)
            continue;
        const OctreeNode& leaf = nodes[c];
        node.pixelCount += leaf.pixelCount;
        red += leaf.sumRed;
        green += leaf.sumGreen;
        blue += leaf.sumBlue;
        FreeNode(c);
        c = 0;
        ++children;
    }
    node.isLeaf = 1;
    node.sumRed = red;
    node.sumGreen = green;
    node.sumBlue = blue;
    return children;
}

void CPaletteOctree::MergeSmallestNode()
{
    int level = depthLimit - 1;
    while (level > 0 && !levelLists[level])
        --level;
    const int32_t head = levelLists[level];
    if (!head)
        return;

    // The first node of least weight wins; lists run newest first.
    int32_t chosen = 0, chosenPrev = 0, prev = 0;
    int64_t lightest = 0;
    for (int32_t n = head; n; prev = n, n = nodes[n].nextInLevel) {
        int64_t weight = 0;
        for (int32_t c : nodes[n].child)
            if (c)
                weight += nodes[c].pixelCount;
        if (!chosen || weight < lightest) {
            chosen = n;
            chosenPrev = prev;
            lightest = weight;
        }
    }
    OctreeNode& node = nodes[chosen];
    if (chosenPrev)
        nodes[chosenPrev].nextInLevel = node.nextInLevel;
    else
        levelLists[level] = node.nextInLevel;
    node.nextInLevel = 0;
    const uint32_t children = FoldChildren(node);
    if (children >= 2)
        --multiChildNodes[level];
    leafCount -= children - 1;
}

int32_t CPaletteOctree::CachedLeaf(uint16_t value) const
{
    const uint64_t e = leafOf15[value];
    const int32_t leaf = static_cast<int32_t>(e & 0xFFFFFFFFu);
    if (leaf && nodes[leaf].serial == static_cast<uint32_t>(e >> 32))
        return leaf;
    return 0;
}

void CPaletteOctree::Remember(uint16_t value, int32_t leaf)
{
    leafOf15[value] = static_cast<uint64_t>(nodes[leaf].serial) << 32 | static_cast<uint32_t>(leaf);
}

void CPaletteOctree::AddToLeaf(int32_t leaf, uint16_t value, uint64_t count)
{
    OctreeNode& node = nodes[leaf];
    const int64_t n = static_cast<int64_t>(count);
    node.pixelCount += n;
    node.sumRed += n * Red15(value);
    node.sumGreen += n * Green15(value);
    node.sumBlue += n * Blue15(value);
}

void CPaletteOctree::FlushPending()
{
    for (uint16_t v : pendingColours) {
        const uint32_t pending = state15[v] & ~kInserted;
        if (pending == 0)
            continue;
        int32_t leaf = CachedLeaf(v);
        if (!leaf) {
            leaf = FindLeaf(Red15(v), Green15(v), Blue15(v));
            Remember(v, leaf);
        }
        AddToLeaf(leaf, v, pending);
        state15[v] = kInserted;
    }
    pendingColours.clear();
}

inline void CPaletteOctree::FileRun15(uint16_t value, uint32_t count)
{
    uint32_t* state = state15.get();
    const uint32_t e = state[value];
    // Inserted, already pending, and far from the count limit: just count.
    if (e > kInserted && e - kInserted < kPendingLimit - count) {
        state[value] = e + count;
        return;
    }
    FileRun15Slow(value, count);
}

void CPaletteOctree::FileRun15Slow(uint16_t value, uint32_t count)
{
    const uint32_t e = state15[value];
    if (!(e & kInserted)) {
        // A colour not seen before: inserted now, in order, so that merges happen exactly when
        // the new leaf appears; the rest of its run is counted.
        const uint8_t red = Red15(value), green = Green15(value), blue = Blue15(value);
        AddToLeaf(InsertColour(red, green, blue), value, 1);
        if (leafCount > maxColours)
            MergeWhileTooMany();
        Remember(value, FindLeaf(red, green, blue));
        state15[value] = kInserted;
        --count;
        if (count == 0)
            return;
    }
    const uint32_t pending = state15[value] & ~kInserted;
    if (static_cast<uint64_t>(pending) + count < kPendingLimit) {
        if (pending == 0)
            pendingColours.push_back(value);
        state15[value] = kInserted | (pending + count);
        return;
    }
    // Too many to count: straight into the leaf.
    int32_t leaf = CachedLeaf(value);
    if (!leaf)
        leaf = FindLeaf(Red15(value), Green15(value), Blue15(value));
    AddToLeaf(leaf, value, static_cast<uint64_t>(pending) + count);
    state15[value] = kInserted;
}

namespace {

// Whether the eight values at p are all equal.
inline bool EightEqual(const uint16_t* p)
{
#if defined(__SSE2__)
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm_movemask_epi8(_mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(p[0])))) == 0xFFFF;
#else
    for (int k = 1; k < 8; ++k)
        if (p[k] != p[0])
            return false;
    return true;
#endif
}

}  // namespace

void CPaletteOctree::Feed15BitPixels(const uint16_t* values, size_t count)
{
    // Pixels go eight at a time: a block of one colour extends the run being gathered (screen
    // content is mostly long runs), any other block is inserted pixel by pixel (photos). The run
    // is inserted before any later pixel, so the order of insertion stays that of the pixels.
    constexpr uint32_t kLongestRun = 1u << 20;
    uint16_t runValue = 0;
    uint32_t runCount = 0;
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const uint16_t* block = values + i;
        if (EightEqual(block)) {
            const uint16_t v = block[0] & 0x7FFF;
            if (v == runValue && runCount < kLongestRun) {
                runCount += 8;
                continue;
            }
            if (runCount != 0)
                FileRun15(runValue, runCount);
            runValue = v;
            runCount = 8;
            continue;
        }
        if (runCount != 0) {
            FileRun15(runValue, runCount);
            runCount = 0;
        }
        for (int k = 0; k < 8; ++k)
            FileRun15(block[k] & 0x7FFF, 1);
    }
    if (runCount != 0)
        FileRun15(runValue, runCount);
    for (; i < count; ++i)
        FileRun15(values[i] & 0x7FFF, 1);
}

int CPaletteOctree::FeedDib(const uint8_t* dib)
{
    const DibInfo info = ReadDibInfo(dib);
    if (!IsSupportedDibDepth(info.bitsPerPixel))
        return 0;
    const uint8_t* table = dib + kDibHeaderSize;
    const uint8_t* rows = dib + info.headerSize;
    const uint64_t stride = DibStride(info.width, info.bitsPerPixel);
    std::vector<uint16_t> values;
    if (info.bitsPerPixel == 15 || info.bitsPerPixel == 16)
        values.resize(static_cast<size_t>(info.width));
    for (int32_t y = 0; y < info.height; ++y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        if (!values.empty()) {
            // Five bits per channel in the low 15 bits: the same colours as the 5-5-5 decode.
            for (int32_t x = 0; x < info.width; ++x)
                values[x] = static_cast<uint16_t>(row[2 * x] | row[2 * x + 1] << 8);
            Feed15BitPixels(values.data(), values.size());
            continue;
        }
        const int bytes = info.bitsPerPixel / 8;
        int32_t x = 0;
        while (x < info.width) {
            const uint8_t* entry;
            switch (info.bitsPerPixel) {
            case 1: entry = table + 4 * ((row[x / 8] >> (7 - x % 8)) & 1); break;
            case 4: entry = table + 4 * ((x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F); break;
            case 8: entry = table + 4 * row[x]; break;
            default: entry = row + bytes * x; break;
            }
            // Runs of one colour go in at once (24 and 32 bits).
            uint32_t run = 1;
            if (bytes >= 3)
                while (x + static_cast<int32_t>(run) < info.width &&
                       std::memcmp(entry, entry + bytes * run, 3) == 0)
                    ++run;
            AddColour(entry[2], entry[1], entry[0], run);
            x += static_cast<int32_t>(run);
        }
    }
    return 1;
}

void CPaletteOctree::FillPalette(uint8_t* rgbQuads)
{
    FlushPending();
    if (!root)
        return;
    // Depth first, children in index order; an explicit stack keeps it iterative.
    int32_t stack[8 * 9 + 1];
    int top = 0;
    stack[top++] = root;
    int next = 0;
    while (top > 0) {
        const int32_t n = stack[--top];
        OctreeNode& node = nodes[n];
        if (node.isLeaf) {
            node.paletteIndex = next;
            uint8_t* q = rgbQuads + 4 * next;
            q[0] = static_cast<uint8_t>(node.sumBlue / node.pixelCount);
            q[1] = static_cast<uint8_t>(node.sumGreen / node.pixelCount);
            q[2] = static_cast<uint8_t>(node.sumRed / node.pixelCount);
            q[3] = 0;
            ++next;
            continue;
        }
        for (int c = 7; c >= 0; --c)
            if (node.child[c])
                stack[top++] = node.child[c];
    }
}

int CPaletteOctree::LookupIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t* index) const
{
    const int32_t leaf = FindLeaf(red, green, blue);
    if (!leaf)
        return 0;
    *index = static_cast<uint8_t>(nodes[leaf].paletteIndex);
    return 1;
}

int CPaletteOctree::LookupIndex15(uint16_t value)
{
    value &= 0x7FFF;
    int32_t leaf = CachedLeaf(value);
    if (!leaf) {
        leaf = FindLeaf(Red15(value), Green15(value), Blue15(value));
        if (!leaf)
            return -1;
        Remember(value, leaf);
    }
    return nodes[leaf].paletteIndex;
}

void CPaletteOctree::FillIndexTable15(uint8_t* table)
{
    for (uint32_t v = 0; v < 32768; ++v) {
        const int index = (state15[v] & kInserted) ? LookupIndex15(static_cast<uint16_t>(v)) : -1;
        table[v] = static_cast<uint8_t>(index < 0 ? 0 : index);
    }
}
