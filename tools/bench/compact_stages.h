#pragma once
#include <cstdint>
#include <string>

// The compact mode's figures on one core: for each content, one frame built against the frame
// before it, plain and with error diffusion, its LZW coding, its size and its PSNR against the
// source (the changed rectangle composited over the previous frame, as a player shows it).
// only: a content name, or empty for all of them.
void BenchCompactStages(int iterations, int32_t width, int32_t height, const std::string& only);
