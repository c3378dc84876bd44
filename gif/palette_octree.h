#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Octree colour quantizer: files every colour of one frame into a tree of depth 8 by the bits
// of its channels, merging the lightest node of the deepest level whenever there are more
// leaves than colours allowed, then numbers the leaves as palette entries.
//
// Nodes live in one pool and link by index. Colours of 5 bits per channel (what the frame
// builder's dither leaves) take a shorter path with the same outcome: a colour seen before
// cannot create a leaf, so it cannot cause a merge either; its pixels are only counted, and the
// counts reach the leaves' sums just before the next merge (whose choice depends on them) and
// before the palette is read. Each such colour also remembers its leaf until a merge moves it.
class CPaletteOctree {
public:
    CPaletteOctree(uint32_t maxColours, int colourBits);
    CPaletteOctree(const CPaletteOctree&) = delete;
    CPaletteOctree& operator=(const CPaletteOctree&) = delete;

    // Files every pixel of a packed bitmap (gif/dib.h), rows in storage order. Returns 0 for a
    // depth it cannot decode, inserting nothing.
    int FeedDib(const uint8_t* dib);
    // Files count 15-bit pixels (blue 0-4, green 5-9, red 10-14; channel = level x 8) in order.
    void Feed15BitPixels(const uint16_t* values, size_t count);
    // Files one colour (count times in a row) and merges until the leaf count is within the
    // limit again.
    void AddColour(uint8_t red, uint8_t green, uint8_t blue, uint32_t count = 1);

    uint32_t LeafCount() const { return leafCount; }
    // LeafCount() four-byte entries, blue, green, red, 0; numbers the leaves in tree order.
    void FillPalette(uint8_t* rgbQuads);
    // 1 and the palette index, or 0 with *index untouched when the colour's path is missing.
    int LookupIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t* index) const;
    // Palette index of a 15-bit colour, or -1 when its path is missing. After FillPalette.
    int LookupIndex15(uint16_t value);
    // table[v] = palette index of every 15-bit colour v inserted through Feed15BitPixels (0 for
    // the others): the whole lookup of a frame as one 32 KiB table. After FillPalette.
    void FillIndexTable15(uint8_t* table);

private:
    struct OctreeNode {
        // 64-bit: a 4096 x 2160 frame of one bright colour already overflows 32 bits.
        int64_t pixelCount;
        int64_t sumRed;
        int64_t sumGreen;
        int64_t sumBlue;
        int32_t child[8];     // 0: absent (slot 0 is never a node)
        int32_t nextInLevel;
        int32_t paletteIndex;
        uint32_t serial;      // changes whenever the slot is freed
        int32_t isLeaf;
    };

    int32_t NewNode(int depth);
    void FreeNode(int32_t node);
    int32_t FindLeaf(uint8_t red, uint8_t green, uint8_t blue) const;
    int32_t InsertColour(uint8_t red, uint8_t green, uint8_t blue);
    void MergeSmallestNode();
    void MergeWholeLevel(int level);
    uint32_t FoldChildren(OctreeNode& node);
    static uint32_t ChildCount(const OctreeNode& node);
    int32_t CachedLeaf(uint16_t value) const;
    void Remember(uint16_t value, int32_t leaf);
    void FileRun15(uint16_t value, uint32_t count);
    void FileRun15Slow(uint16_t value, uint32_t count);
    void AddToLeaf(int32_t leaf, uint16_t value, uint64_t count);
    void FlushPending();
    void MergeWhileTooMany();

    int depthLimit;
    uint32_t leafCount = 0;
    uint32_t maxColours;
    int32_t root = 0;
    int32_t levelLists[9] = {};
    // Per level, the listed nodes with more than one child.
    uint32_t multiChildNodes[9] = {};
    std::vector<OctreeNode> nodes;
    std::vector<int32_t> freeSlots;
    // Leaf of each 15-bit colour inserted so far, with the slot's serial when it was recorded.
    std::unique_ptr<uint64_t[]> leafOf15;
    // Per 15-bit colour: kInserted once it has been inserted, plus pixels counted but not yet added
    // to its leaf; pendingColours lists the colours with such pixels.
    std::unique_ptr<uint32_t[]> state15;
    std::vector<uint16_t> pendingColours;
};
