#pragma once
#include <windows.h>

#include <memory>

#include "pipeline/recording.h"
#include "record/gif_encoder.h"

class CMemCanvas;

// Everything a recording of the screen into a GIF is made from.
struct ScreenRecordingParams {
    EncoderParams encoder;
    RECT region = {0, 0, 0, 0};  // screen pixels to capture
    int32_t intervalMs = 40;     // from one capture's start to the next
    bool drawPointer = false;
    bool drawClicks = false;
    CMemCanvas* preview = nullptr;  // stretched into now and then; not owned, outlives the recording
};

// A recording of the screen: the capture feeding the GIF encoder, both owned by the recording.
std::unique_ptr<CRecording> MakeScreenRecording(const ScreenRecordingParams& params);
