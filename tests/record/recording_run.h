#pragma once
// What the recording tools share: the settings of a plain recording into a file, and the
// recording of the screen into it.
#include <windows.h>

#include <memory>
#include <string>

#include "pipeline/recording.h"
#include "record/gif_encoder.h"
#include "record/screen_capture.h"

// Frames of width x height into file, each shown for four hundredths of a second.
inline EncoderParams RecordingParams(const std::wstring& file, int width, int height)
{
    EncoderParams params;
    params.fileName = file;
    params.outputRect = RECT{0, 0, width, height};
    params.frameDelay = 4;
    return params;
}

// A recording of rect on the screen into params' file, each frame captured intervalMs after
// the one before; *encoder and *capture (when given) are the recording's, for their figures.
inline std::unique_ptr<CRecording> ScreenRecording(const EncoderParams& params, RECT rect, int32_t intervalMs,
                                                  CMemCanvas* preview, CGifEncoder** encoder,
                                                  CScreenCapture** capture = nullptr)
{
    auto ownEncoder = std::make_unique<CGifEncoder>();
    ownEncoder->SetParams(params);
    auto ownCapture = std::make_unique<CScreenCapture>(CaptureRect{rect.left, rect.top, rect.right, rect.bottom},
                                                       *ownEncoder, preview, false);
    *encoder = ownEncoder.get();
    if (capture)
        *capture = ownCapture.get();
    return std::make_unique<CRecording>(std::move(ownCapture), std::move(ownEncoder), intervalMs);
}
