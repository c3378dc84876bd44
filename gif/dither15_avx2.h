#pragma once
#include <cstdint>

// Sixteen rows of the 15-bit dither at once with 256-bit vectors: each 128-bit half carries one
// group of eight rows through the same steps as the SSE2 version, so the values are the same.
// Built with AVX2 enabled for this file alone; call it only where the processor has AVX2. The
// file uses no inline function shared with other files: the linker could keep its AVX2 copy
// for every caller.
void DitherSixteenRowsAvx2(const uint8_t* const row[16], int32_t width, uint16_t* const out[16]);
