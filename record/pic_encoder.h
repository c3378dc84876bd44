#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

class CMemCanvas;

// What one recording is encoded into. Only the rectangle's width and height are used: every
// frame is scaled to exactly that size. The low 16 bits of frameDelay (hundredths of a second)
// go into every frame. compact: each frame holds only what changed since the one before.
struct EncoderParams {
    std::wstring fileName;
    RECT outputRect = {0, 0, 0, 0};
    int32_t frameDelay = 0;
    // Each frame is shown for the time until the next capture instead of frameDelay.
    bool trueSpeed = false;
    bool compact = false;
    uint32_t plays = 0;  // how many times the GIF plays; 0 for ever
    // The file never grows past this many bytes: the recording ends at the last frame that
    // fits. 0: no limit.
    int64_t maxBytes = 0;
};

enum EncodeStatus : int32_t {
    Idle = 0,       // constructed, not started
    Encoding = 1,   // Start has run
    Finished = 2,   // the output file is closed, kept or deleted
    Failed = 3,     // the worker ended early; GetFailure says why
};

// Why a worker ended with Failed. WriteFailed and EncodeError are faults nobody foresaw: the
// worker has already shown "Encode catch error!" and the window should not show a second box.
// The others tell nobody, so the window says what happened.
enum EncodeFailure : int32_t {
    NoFailure = 0,
    EmptyOutput = 1,       // output rectangle with no area: no file was created
    CannotCreateFile = 2,  // the output file could not be created (folder not writable)
    WriteFailed = 3,       // a write failed part-way; the frames written before stay readable
    EncodeError = 4,       // any other exception in the worker; the same care for the file
    DiskFull = 5,          // the disk filled up; the frames encoded before it stay readable
};

// The pipeline's picture encoder. Every operation returns 1 for done or accepted, 0 for
// refused, except GetState, which returns an EncodeStatus.
class IPicEncoder {
public:
    virtual ~IPicEncoder() = default;
    virtual int SetParams(EncoderParams params) = 0;
    virtual int Start() = 0;
    // A captured frame, or null: no more frames will come.
    virtual int AddFrame(CMemCanvas* canvas) = 0;
    virtual int Stop() = 0;
    virtual int Shutdown() = 0;
    virtual int GetState(int32_t* encoded, int32_t* received) = 0;
    // Waits up to timeoutMs for the run to end after the finish signal (or a failure) and
    // returns GetState's status then: callers wait here instead of polling in a loop.
    virtual int WaitEnded(DWORD timeoutMs) = 0;
    // Frames refused because the queue was over its memory budget.
    virtual int32_t GetDroppedCount() = 0;
    virtual EncodeFailure GetFailure() = 0;
    // Bytes of the output file written so far.
    virtual int64_t GetBytesWritten() { return 0; }
    // True once the recording ended because the next frame would have passed maxBytes.
    virtual bool ReachedSizeLimit() { return false; }
    // When the capture ended, on the clock of the frames' capture times; the grabber gives it
    // before its finish signal. It is how long the last frame is shown at true speed.
    virtual void SetEndTime(int64_t /*recordingMs*/) {}

protected:
    EncoderParams m_params;
};
