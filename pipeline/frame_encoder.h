#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "pipeline/cancellation.h"

// Why a run of the encoder has no complete file.
enum EncodeFailure : int32_t {
    NoFailure = 0,
    EmptyOutput = 1,       // output rectangle with no area: no file was created
    CannotCreateFile = 2,  // the output file could not be created (folder not writable)
    WriteFailed = 3,       // a write failed part-way; the frames written before stay readable
    // A fault nobody foresaw: an exception in a worker or the writer, or no thread to run on.
    // The frames written before it stay readable.
    EncodeError = 4,
    DiskFull = 5,  // the disk filled up; the frames encoded before it stay readable
};

// How a run ended, told once by its ended handler.
struct EncodeEnd {
    EncodeFailure failure = NoFailure;
    bool atSizeLimit = false;  // complete at its last frame that fits the size limit
};

// Counters of the current or last run, safe to read from any thread.
struct EncoderProgress {
    int32_t received = 0;  // frames accepted for encoding
    int32_t encoded = 0;   // frames in the file
    int32_t dropped = 0;   // frames refused for the memory budget
    int64_t bytesWritten = 0;
};

// Where a recording's frames go. The frame source hands frames to it directly; the recording
// starts it, finishes it or cancels it.
class IFrameEncoder {
public:
    // Called once per started run, from any thread, as the encoder's last act for it.
    using EndedHandler = std::function<void(const EncodeEnd&)>;

    virtual ~IFrameEncoder() = default;
    // Creates the output and starts a run; NoFailure when it runs. A run that did not start
    // never calls `ended`. `cancel` (which outlives the run) ends the run early: what is in
    // flight is dropped and no file is left. The encoder cancels it too when the run ends at a
    // failure or at the size limit, so that nothing more is built for it.
    virtual EncodeFailure Start(CCancellation& cancel, EndedHandler ended) = 0;
    // No more frames: writes out what is in flight. endMs is when capture ended on the clock of
    // the frames' capture times; the last frame is shown until then at true speed.
    virtual void Finish(int64_t endMs) = 0;
    virtual EncoderProgress Progress() const = 0;
    // The file the run writes; fixed once Start has created it.
    virtual std::wstring FilePath() const = 0;
};
