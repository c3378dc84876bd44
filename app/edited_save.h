#pragma once
// Writes an edited recording to a new file on a thread of its own, so that the review window
// shows how far it got and can stop it. The recording is read through a handle of the
// thread's own; the window's reader is not touched.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/byte_source.h"
#include "gif/gif_edits.h"
#include "gif/gif_index.h"
#include "win/file.h"

class CEditedSave {
public:
    // TooLarge: not even the smallest pictures fit the size asked for.
    enum class Outcome { Written, Stopped, CannotCreate, WriteFailed, ReadFailed, TooLarge };

    // Posts `message` to `window` as the frames are written (wParam: percent done) and once
    // more when the thread ends (wParam: kEnded).
    static constexpr WPARAM kEnded = 1000;
    CEditedSave(HWND window, UINT message) : m_window(window), m_message(message) {}
    ~CEditedSave();
    CEditedSave(const CEditedSave&) = delete;
    CEditedSave& operator=(const CEditedSave&) = delete;

    // info stays as it is until Finish. fitBytes: 0 writes the frames as they are; else they
    // are fit within that many bytes (FitEditedGif). False when a save is running already.
    bool Start(const std::wstring& recording, const GifFileInfo& info, std::vector<PlannedFrame> plan,
               const ImageRect& crop, const std::wstring& output, uint64_t fitBytes = 0);
    bool Running() const { return m_thread.joinable(); }
    void Stop() { m_stop = true; }
    // After the end message: waits for the thread and says how it went; a file not Written
    // has been deleted. *error: why the recording could not be read (ReadFailed).
    Outcome Finish(GifError* error);

private:
    void Run();
    // Writes into out through sink; false when stopped, *tooLarge when the fit found no size.
    bool Write(IByteSource& source, CFile& out, IByteSink& sink, bool* tooLarge);

    HWND m_window;
    UINT m_message;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::wstring m_recording, m_output;
    const GifFileInfo* m_info = nullptr;
    std::vector<PlannedFrame> m_plan;
    ImageRect m_crop;
    uint64_t m_fitBytes = 0;
    Outcome m_outcome = Outcome::Written;
    GifError m_error = GifError::None;
};
