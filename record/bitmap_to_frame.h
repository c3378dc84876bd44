#pragma once
#include <windows.h>

#include <cstdint>

class CFrameWorkspace;

// Turns a GDI bitmap of 1, 4, 8, 15/16, 24 or 32 bits per pixel into an indexed frame for
// WriteGifFrame: a thin wrapper that copies the pixels out with GetDIBits and hands them to
// the portable builder. Returns 1 and passes ownership of *palette and *indices (array new)
// to the caller, or 0 with no output set. *bitsPerIndex must be 8 on entry. workspace: as for
// BuildIndexedFrameFromDib.
int BuildIndexedFrame(HBITMAP bitmap, uint8_t** palette, uint8_t** indices, uint8_t* bitsPerIndex,
                      int32_t* width, int32_t* height, int useNearestColour,
                      CFrameWorkspace* workspace = nullptr);
