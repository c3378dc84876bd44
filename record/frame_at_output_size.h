#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/frame_pixels.h"
#include "pipeline/stage_times.h"
#include "win/gdi_object.h"

class CFrameWorkspace;
class CQueuedFrame;

// A frame as the default builder reads it: a packed bitmap (header, rows) of any depth, which
// BuildIndexedFrameFromDib may rewrite the header of. It lies in the captured frame itself, in
// the worker's workspace or in `copy`.
struct PackedFrame {
    uint8_t* dib = nullptr;
    size_t size = 0;
    std::vector<uint8_t> copy;
};

// The one place that decides how a captured frame reaches the output size: it is used as it
// lies when it has that size already and the builder reads its depth, scaled by our own
// ScalePixels32 when it has 32 bits per pixel, and by GDI+'s thumbnail otherwise (16- and
// 24-bit displays are rare enough to keep that slow path). The time spent scaling and
// converting goes to `times`, when given. Safe to share between workers.
class CFrameAtOutputSize {
public:
    CFrameAtOutputSize(int32_t width, int32_t height, CStageTimes* times)
        : m_width(width), m_height(height), m_times(times) {}

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    // For the default builder, which reads any depth.
    bool Packed(CQueuedFrame& frame, CFrameWorkspace& workspace, PackedFrame* packed) const;
    // For the compact builder, which reads 32-bit rows only.
    bool Rows(const CQueuedFrame& frame, CFramePixels* pixels) const;

private:
    enum class Scaling { None, Ours, Gdiplus };
    Scaling HowToScale(const CQueuedFrame& frame, bool only32Bits) const;
    bool ScaleOurs(const CQueuedFrame& frame, CFrameWorkspace& workspace, PackedFrame* packed) const;
    CBitmap ScaleByGdiplus(const CQueuedFrame& frame) const;

    const int32_t m_width;
    const int32_t m_height;
    CStageTimes* const m_times;
};
