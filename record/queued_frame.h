#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "gif/recycled_buffers.h"
#include "record/gdiplus_api.h"

class CMemCanvas;

// One captured frame on its way through the encoder: a device-independent copy of the capture
// canvas behind its 40-byte header, which is what the frame builder reads, so a frame at the
// output size is built from it as it is. A GDI+ bitmap over it is made only when the frame has
// to be scaled: Wine's GDI+ copies the pixels into it, which would double the memory for nothing.
class CQueuedFrame {
public:
    // A copy of the canvas's pixels, in a buffer from `buffers` when given (it goes back there
    // with the frame); null when the memory or the copy cannot be had.
    static std::unique_ptr<CQueuedFrame> CopyOf(const CMemCanvas& canvas,
                                                 std::shared_ptr<CRecycledBuffers> buffers = nullptr);
    // A copy of rows laid out as `header` says (bottom-up, each padded to 4 bytes, biSizeImage
    // bytes in all); null when the memory cannot be had.
    static std::unique_ptr<CQueuedFrame> CopyOfRows(const BITMAPINFOHEADER& header, const uint8_t* rows);

    ~CQueuedFrame();
    CQueuedFrame(const CQueuedFrame&) = delete;
    CQueuedFrame& operator=(const CQueuedFrame&) = delete;

    uint32_t Size() const { return m_header.biSizeImage; }  // pixel bytes
    int32_t Width() const { return m_header.biWidth; }
    int32_t Height() const { return m_header.biHeight; }
    uint16_t BitsPerPixel() const { return m_header.biBitCount; }
    // Rows bottom-up in the canvas's depth, each padded to 4 bytes.
    const uint8_t* Pixels() const { return m_packed.get() + sizeof(BITMAPINFOHEADER); }
    // Header and rows for BuildIndexedFrameFromDib, which rewrites the header's size field.
    uint8_t* Packed() { return m_packed.get(); }
    size_t PackedSize() const { return sizeof(BITMAPINFOHEADER) + m_header.biSizeImage; }
    // Recording time of the capture in milliseconds, pauses left out.
    int64_t CaptureMs() const { return m_captureMs; }
    void SetCaptureMs(int64_t ms) { m_captureMs = ms; }

    // A GDI+ bitmap over the pixels, which must outlive it; null on failure.
    GpBitmap* ToGdiplusBitmap() const;

private:
    CQueuedFrame(std::unique_ptr<uint8_t[]> packed, const BITMAPINFOHEADER& header,
                 std::shared_ptr<CRecycledBuffers> buffers)
        : m_packed(std::move(packed)), m_header(header), m_buffers(std::move(buffers)) {}

    std::unique_ptr<uint8_t[]> m_packed;
    BITMAPINFOHEADER m_header;
    int64_t m_captureMs = 0;
    std::shared_ptr<CRecycledBuffers> m_buffers;
};
