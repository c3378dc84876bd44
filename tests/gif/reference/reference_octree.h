#pragma once
// The plain octree, written step by step as first landed: the fast one must give the same results.
#include <cstdint>

// Octree colour quantizer: files every colour of one frame into a tree of depth 8 by the bits
// of its channels, merging the lightest node of the deepest level whenever there are more
// leaves than colours allowed, then numbers the leaves as palette entries.
namespace reference {

class CPaletteOctree {
public:
    CPaletteOctree(uint32_t maxColours, int colourBits);
    ~CPaletteOctree();
    CPaletteOctree(const CPaletteOctree&) = delete;
    CPaletteOctree& operator=(const CPaletteOctree&) = delete;

    // Files every pixel of a packed bitmap (gif/dib.h), rows in storage order. Returns 0 for a
    // depth it cannot decode, inserting nothing.
    int FeedDib(const uint8_t* dib);
    // Files one colour and merges until the leaf count is within the limit again.
    void AddColour(uint8_t red, uint8_t green, uint8_t blue);

    uint32_t LeafCount() const { return leafCount; }
    // LeafCount() four-byte entries, blue, green, red, 0; numbers the leaves in tree order.
    void FillPalette(uint8_t* rgbQuads);
    // 1 and the palette index, or 0 with *index untouched when the colour's path is missing.
    int LookupIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t* index) const;

private:
    struct OctreeNode;
    OctreeNode* NewNode(int depth);
    void InsertColour(uint8_t red, uint8_t green, uint8_t blue);
    void MergeSmallestNode();
    void FillFrom(OctreeNode* node, uint8_t* rgbQuads, int* next);
    static void FreeTree(OctreeNode* node);

    int depthLimit;
    uint32_t leafCount = 0;
    uint32_t maxColours;
    OctreeNode* root = nullptr;
    OctreeNode* levelLists[9] = {};
};

}  // namespace reference
