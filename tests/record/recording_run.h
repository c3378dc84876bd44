#pragma once
// What the recording tools share: the settings of a plain recording into a file, and the wait
// for the encoder to finish it.
#include <windows.h>

#include <string>

#include "record/gif_encoder.h"

// Frames of width x height into file, each shown for four hundredths of a second.
inline EncoderParams RecordingParams(const std::wstring& file, int width, int height)
{
    EncoderParams params;
    params.fileName = file;
    params.outputRect = RECT{0, 0, width, height};
    params.frameDelay = 4;
    return params;
}

// The encoder's state once it has left Encoding, or Encoding when the time ran out first.
inline int WaitEnded(CGifEncoder& encoder, DWORD timeoutMs = INFINITE)
{
    return encoder.WaitEnded(timeoutMs);
}
