#include "reference_octree.h"

#include "gif/dib.h"

namespace reference {

struct CPaletteOctree::OctreeNode {
    bool isLeaf = false;
    int64_t pixelCount = 0;
    // 64-bit: a 4096 x 2160 frame of one bright colour already overflows 32 bits.
    int64_t sumRed = 0;
    int64_t sumGreen = 0;
    int64_t sumBlue = 0;
    int paletteIndex = 0;
    OctreeNode* child[8] = {};
    OctreeNode* nextInLevel = nullptr;
};

namespace {

int ChildIndex(uint8_t red, uint8_t green, uint8_t blue, int depth)
{
    const int shift = 7 - depth;
    return ((red >> shift) & 1) * 4 + ((green >> shift) & 1) * 2 + ((blue >> shift) & 1);
}

}  // namespace

CPaletteOctree::CPaletteOctree(uint32_t maxColours_, int colourBits)
    : depthLimit(colourBits >= 8 ? 8 : (colourBits < 1 ? 1 : colourBits)), maxColours(maxColours_)
{
}

CPaletteOctree::~CPaletteOctree()
{
    FreeTree(root);
    root = nullptr;
}

void CPaletteOctree::FreeTree(OctreeNode* node)
{
    if (!node)
        return;
    for (OctreeNode* c : node->child)
        FreeTree(c);
    delete node;
}

CPaletteOctree::OctreeNode* CPaletteOctree::NewNode(int depth)
{
    auto node = new OctreeNode;
    if (depth == depthLimit) {
        node->isLeaf = true;
        ++leafCount;
    } else {
        node->nextInLevel = levelLists[depth];
        levelLists[depth] = node;
    }
    return node;
}

void CPaletteOctree::InsertColour(uint8_t red, uint8_t green, uint8_t blue)
{
    if (!root)
        root = NewNode(0);
    OctreeNode* node = root;
    int depth = 0;
    while (!node->isLeaf) {
        OctreeNode*& next = node->child[ChildIndex(red, green, blue, depth)];
        ++depth;
        if (!next)
            next = NewNode(depth);
        node = next;
    }
    node->pixelCount += 1;
    node->sumRed += red;
    node->sumGreen += green;
    node->sumBlue += blue;
}

void CPaletteOctree::AddColour(uint8_t red, uint8_t green, uint8_t blue)
{
    InsertColour(red, green, blue);
    while (leafCount > maxColours)
        MergeSmallestNode();
}

void CPaletteOctree::MergeSmallestNode()
{
    int level = depthLimit - 1;
    while (level > 0 && !levelLists[level])
        --level;
    OctreeNode* head = levelLists[level];
    if (!head)
        return;

    OctreeNode* chosen = nullptr;
    OctreeNode* chosenPrev = nullptr;
    int64_t lightest = 0;
    OctreeNode* prev = nullptr;
    for (OctreeNode* n = head; n; prev = n, n = n->nextInLevel) {
        int64_t weight = 0;
        for (OctreeNode* c : n->child)
            if (c)
                weight += c->pixelCount;
        if (!chosen || weight < lightest) {
            chosen = n;
            chosenPrev = prev;
            lightest = weight;
        }
    }
    if (chosenPrev)
        chosenPrev->nextInLevel = chosen->nextInLevel;
    else
        levelLists[level] = chosen->nextInLevel;
    chosen->nextInLevel = nullptr;

    int64_t red = 0, green = 0, blue = 0;
    uint32_t children = 0;
    for (OctreeNode*& c : chosen->child) {
        if (!c)
            continue;
        chosen->pixelCount += c->pixelCount;
        red += c->sumRed;
        green += c->sumGreen;
        blue += c->sumBlue;
        delete c;
        c = nullptr;
        ++children;
    }
    chosen->isLeaf = true;
    chosen->sumRed = red;
    chosen->sumGreen = green;
    chosen->sumBlue = blue;
    leafCount -= children - 1;
}

int CPaletteOctree::FeedDib(const uint8_t* dib)
{
    const DibInfo info = ReadDibInfo(dib);
    if (!IsSupportedDibDepth(info.bitsPerPixel))
        return 0;
    const uint8_t* table = dib + kDibHeaderSize;
    const uint8_t* rows = dib + info.headerSize;
    const uint64_t stride = DibStride(info.width, info.bitsPerPixel);
    for (int32_t y = 0; y < info.height; ++y) {
        const uint8_t* row = rows + stride * static_cast<uint64_t>(y);
        for (int32_t x = 0; x < info.width; ++x) {
            uint8_t red = 0, green = 0, blue = 0;
            const uint8_t* entry = nullptr;
            switch (info.bitsPerPixel) {
            case 1:
                entry = table + 4 * ((row[x / 8] >> (7 - x % 8)) & 1);
                break;
            case 4:
                entry = table + 4 * ((x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F);
                break;
            case 8:
                entry = table + 4 * row[x];
                break;
            case 15:
            case 16: {
                const uint8_t b0 = row[2 * x], b1 = row[2 * x + 1];
                blue = static_cast<uint8_t>((b0 & 0x1F) * 8);
                green = static_cast<uint8_t>(((b0 >> 5) + ((b1 & 3) << 3)) * 8);
                red = static_cast<uint8_t>(((b1 >> 2) & 0x1F) * 8);
                break;
            }
            case 24:
                entry = row + 3 * x;
                break;
            default:
                entry = row + 4 * x;
                break;
            }
            if (entry) {
                blue = entry[0];
                green = entry[1];
                red = entry[2];
            }
            AddColour(red, green, blue);
        }
    }
    return 1;
}

void CPaletteOctree::FillFrom(OctreeNode* node, uint8_t* rgbQuads, int* next)
{
    if (node->isLeaf) {
        node->paletteIndex = *next;
        uint8_t* q = rgbQuads + 4 * *next;
        q[0] = static_cast<uint8_t>(node->sumBlue / node->pixelCount);
        q[1] = static_cast<uint8_t>(node->sumGreen / node->pixelCount);
        q[2] = static_cast<uint8_t>(node->sumRed / node->pixelCount);
        q[3] = 0;
        ++*next;
        return;
    }
    for (OctreeNode* c : node->child)
        if (c)
            FillFrom(c, rgbQuads, next);
}

void CPaletteOctree::FillPalette(uint8_t* rgbQuads)
{
    int next = 0;
    if (root)
        FillFrom(root, rgbQuads, &next);
}

int CPaletteOctree::LookupIndex(uint8_t red, uint8_t green, uint8_t blue, uint8_t* index) const
{
    const OctreeNode* node = root;
    int depth = 0;
    while (node && !node->isLeaf)
        node = node->child[ChildIndex(red, green, blue, depth++)];
    if (!node)
        return 0;
    *index = static_cast<uint8_t>(node->paletteIndex);
    return 1;
}

}  // namespace reference
