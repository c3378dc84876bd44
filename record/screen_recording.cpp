#include "record/screen_recording.h"

#include "record/screen_capture.h"

std::unique_ptr<CRecording> MakeScreenRecording(const ScreenRecordingParams& params)
{
    auto encoder = std::make_unique<CGifEncoder>();
    encoder->SetParams(params.encoder);
    const RECT& r = params.region;
    auto capture = std::make_unique<CScreenCapture>(CaptureRect{r.left, r.top, r.right, r.bottom}, *encoder,
                                                    params.preview, params.drawPointer,
                                                    params.drawClicks);
    return std::make_unique<CRecording>(std::move(capture), std::move(encoder), params.intervalMs);
}
