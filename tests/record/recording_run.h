#pragma once
// What the recording tools share: the settings of a plain recording into a file, and the
// recording of the screen into it.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
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

// What a run's ended handler told (an encoder's EncodeEnd or a recording's RecordingOutcome),
// for the tools to wait on.
template <class End>
class CEndWatch {
public:
    std::function<void(const End&)> Handler()
    {
        return [this](const End& end) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_end = end;
            m_ended = true;
            m_changed.notify_all();
        };
    }
    bool Ended()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_ended;
    }
    // False when the run has not ended within timeoutMs.
    bool Wait(DWORD timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_ended; });
    }
    End Get()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_end;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_ended = false;
    End m_end{};
};
