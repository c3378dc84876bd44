#pragma once
// Writes an edited recording to a new file on a thread of its own, so that the review window
// shows how far it got and can stop it. The recording is read through a handle of the
// thread's own; the window's reader is not touched.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "gif/gif_edits.h"
#include "gif/gif_index.h"

class CEditedSave {
public:
    enum class Outcome { Written, Stopped, CannotCreate, WriteFailed, ReadFailed };

    // Posts `message` to `window` as the frames are written (wParam: percent done) and once
    // more when the thread ends (wParam: kEnded).
    static constexpr WPARAM kEnded = 1000;
    CEditedSave(HWND window, UINT message) : m_window(window), m_message(message) {}
    ~CEditedSave();
    CEditedSave(const CEditedSave&) = delete;
    CEditedSave& operator=(const CEditedSave&) = delete;

    // info stays as it is until Finish. False when a save is running already.
    bool Start(const std::wstring& recording, const GifFileInfo& info, std::vector<PlannedFrame> plan,
               const ImageRect& crop, const std::wstring& output);
    bool Running() const { return m_thread.joinable(); }
    void Stop() { m_stop = true; }
    // After the end message: waits for the thread and says how it went; a file not Written
    // has been deleted. *error: why the recording could not be read (ReadFailed).
    Outcome Finish(GifError* error);

private:
    void Run();

    HWND m_window;
    UINT m_message;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::wstring m_recording, m_output;
    const GifFileInfo* m_info = nullptr;
    std::vector<PlannedFrame> m_plan;
    ImageRect m_crop;
    Outcome m_outcome = Outcome::Written;
    GifError m_error = GifError::None;
};
