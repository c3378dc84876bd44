#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "gif/gif_image.h"

class CFrameWorkspace;

// A GDI bitmap of 1, 4, 8, 15/16, 24 or 32 bits per pixel as the packed bitmap
// BuildIndexedFrameFromDib reads, in its own depth: header, colour table, rows copied out with
// GetDIBits. False when the bitmap cannot be read.
bool CopyBitmapPacked(HBITMAP bitmap, std::vector<uint8_t>* dib);

// The image of a GDI bitmap of any of those depths, as BuildIndexedFrameFromDib builds it from
// CopyBitmapPacked's copy. False with *image untouched when the bitmap cannot be read or built.
bool BuildImageFromBitmap(HBITMAP bitmap, GifImage* image, int useNearestColour,
                          CFrameWorkspace* workspace = nullptr);

// The same as separate buffers: returns 1 and passes ownership of *palette and *indices (array new)
// to the caller, or 0 with no output set. *bitsPerIndex must be 8 on entry. workspace: as for
// BuildIndexedFrameFromDib.
int BuildIndexedFrame(HBITMAP bitmap, uint8_t** palette, uint8_t** indices, uint8_t* bitsPerIndex,
                      int32_t* width, int32_t* height, int useNearestColour,
                      CFrameWorkspace* workspace = nullptr);
