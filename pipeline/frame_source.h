#pragma once
#include <cstdint>

// A rectangle of the screen in pixels, right and bottom exclusive.
struct CaptureRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
    bool operator==(const CaptureRect& other) const
    {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const CaptureRect& other) const { return !(*this == other); }
};

// Where a recording's frames come from. Every call but MoveTo is made on the recording's capture
// thread; MoveTo is made while capture is paused, when that thread does not touch the source.
class IFrameSource {
public:
    virtual ~IFrameSource() = default;
    // Gets ready to capture; false when nothing can be captured.
    virtual bool Open() = 0;
    // Captures one frame, taken recordingMs into the recording, and hands it to the encoder.
    virtual void CaptureFrame(int64_t recordingMs) = 0;
    // The region to capture from the next frame on; a rectangle that cannot be captured is
    // ignored then and the old one kept.
    virtual void MoveTo(const CaptureRect& rect) = 0;
};
