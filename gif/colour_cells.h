#pragma once
#include <cstdint>

// Cells of the colour cube, numbered red highest: the top bits of each channel of a colour
// 0x00RRGGBB side by side.

// Cells of 4 x 4 x 4 colours: six bits a channel, 2^18 cells.
inline uint32_t CellOf4(uint32_t rgb)
{
    return (rgb >> 6 & 0x3F000) | (rgb >> 4 & 0xFC0) | (rgb >> 2 & 0x3F);
}

// Cells of 8 x 8 x 8 colours: five bits a channel, 2^15 cells.
inline uint32_t CellOf8(uint32_t rgb)
{
    return (rgb >> 9 & 0x7C00) | (rgb >> 6 & 0x3E0) | (rgb >> 3 & 0x1F);
}
