#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Why a recording has no complete file. WriteFailed and EncodeError are faults nobody foresaw:
// the encoder has already shown "Encode catch error!" and the window should not show a second
// box. The others tell nobody, so the window says what happened.
enum EncodeFailure : int32_t {
    NoFailure = 0,
    EmptyOutput = 1,       // output rectangle with no area: no file was created
    CannotCreateFile = 2,  // the output file could not be created (folder not writable)
    WriteFailed = 3,       // a write failed part-way; the frames written before stay readable
    EncodeError = 4,       // any other exception in the encoder; the same care for the file
    DiskFull = 5,          // the disk filled up; the frames encoded before it stay readable
    NothingToCapture = 6,  // the region is off screen, or the display cannot be read
};

// Counters of the current or last run, safe to read from any thread.
struct EncoderProgress {
    int32_t received = 0;  // frames accepted for encoding
    int32_t encoded = 0;   // frames in the file
    int32_t dropped = 0;   // frames refused for the memory budget
    int64_t bytesWritten = 0;
    bool atSizeLimit = false;  // the run ended because the next frame would pass the size limit
};

// Where a recording's frames go. The frame source hands frames to it directly; the recording
// starts it and ends it.
class IFrameEncoder {
public:
    // Called once per started run, from any thread, as the encoder's last act for it.
    using EndedHandler = std::function<void(EncodeFailure)>;

    virtual ~IFrameEncoder() = default;
    // Creates the output and starts the run; NoFailure when it runs. A run that did not start
    // never calls `ended`.
    virtual EncodeFailure Start(EndedHandler ended) = 0;
    // No more frames: writes out what is in flight. endMs is when capture ended on the clock of
    // the frames' capture times; the last frame is shown until then at true speed.
    virtual void Finish(int64_t endMs) = 0;
    // Drops what is in flight, leaves no file and waits for the run to end.
    virtual void Abort() = 0;
    virtual EncoderProgress Progress() const = 0;
    // The file the run writes; fixed once Start has created it.
    virtual std::wstring FilePath() const = 0;
};
