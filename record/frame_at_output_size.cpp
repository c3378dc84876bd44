#include "record/frame_at_output_size.h"

#include <new>
#include <optional>

#include "gif/dib.h"
#include "gif/frame_scaler.h"
#include "gif/frame_workspace.h"
#include "record/bitmap_to_frame.h"
#include "record/queued_frame.h"
#include "win/dc.h"

namespace {

// Owner of a GDI+ image; disposes of it unless it is another owner's image.
class CGdiplusImage {
public:
    explicit CGdiplusImage(GpImage* image, GpImage* ownedElsewhere = nullptr)
        : m_image(image), m_ownedElsewhere(ownedElsewhere) {}
    ~CGdiplusImage()
    {
        if (m_image && m_image != m_ownedElsewhere)
            gdip::GdipDisposeImage(m_image);
    }
    CGdiplusImage(const CGdiplusImage&) = delete;
    CGdiplusImage& operator=(const CGdiplusImage&) = delete;

private:
    GpImage* m_image;
    GpImage* m_ownedElsewhere;
};

// The bitmap's pixels as 32-bit rows, top row first.
bool ReadRows(HBITMAP bitmap, CFramePixels* pixels)
{
    BITMAP description = {};
    if (GetObjectW(bitmap, sizeof description, &description) == 0 || description.bmWidth <= 0 ||
        description.bmHeight <= 0)
        return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = description.bmWidth;
    info.bmiHeader.biHeight = -description.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    uint32_t* rows = pixels->Fill(description.bmWidth, description.bmHeight);
    CWindowDC screen(nullptr);
    if (!screen)
        return false;
    const int lines =
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(description.bmHeight), rows, &info, DIB_RGB_COLORS);
    return lines == description.bmHeight;
}

}  // namespace

bool CFrameAtOutputSize::Packed(CQueuedFrame& frame, CFrameWorkspace& workspace, PackedFrame* packed) const
{
    switch (HowToScale(frame, false)) {
    case Scaling::None:
        packed->dib = frame.Packed();
        packed->size = frame.PackedSize();
        return true;
    case Scaling::Ours:
        return ScaleOurs(frame, workspace, packed);
    case Scaling::Gdiplus:
        break;
    }
    const CBitmap scaled = ScaleByGdiplus(frame);
    CStageTimer timer(m_times, Stage::Convert);
    if (!scaled || !CopyBitmapPacked(scaled.Get(), &packed->copy))
        return false;
    packed->dib = packed->copy.data();
    packed->size = packed->copy.size();
    return true;
}

bool CFrameAtOutputSize::Rows(const CQueuedFrame& frame, CFramePixels* pixels) const
{
    switch (HowToScale(frame, true)) {
    case Scaling::None:
        pixels->Borrow(frame.Pixels(), m_width, m_height);
        return true;
    case Scaling::Ours: {
        CStageTimer timer(m_times, Stage::Scale);
        return pixels->Scale(frame.Pixels(), frame.Width(), frame.Height(), m_width, m_height);
    }
    case Scaling::Gdiplus:
        break;
    }
    const CBitmap scaled = ScaleByGdiplus(frame);
    CStageTimer timer(m_times, Stage::Convert);
    return scaled && ReadRows(scaled.Get(), pixels);
}

// A frame already at the output size is never given to GDI+ when the builder reads its depth:
// GDI+ scaling to the frame's own size gives back the same pixels (compared pixel by pixel on
// 640 x 480, 1280 x 720 and 1920 x 1080) at up to 40 ms a frame, and its conversion to a GDI
// bitmap costs more again.
CFrameAtOutputSize::Scaling CFrameAtOutputSize::HowToScale(const CQueuedFrame& frame, bool only32Bits) const
{
    const bool is32Bits = frame.BitsPerPixel() == 32;
    if (frame.Width() == m_width && frame.Height() == m_height && (is32Bits || !only32Bits))
        return Scaling::None;
    return is32Bits ? Scaling::Ours : Scaling::Gdiplus;
}

// A 32-bit frame scaled with our own scaler, as a packed bitmap in the worker's workspace:
// GDI+'s thumbnail call takes 100 ms and more per 1080p frame under Wine (400 ms when it
// enlarges), far behind capture, where this takes a few milliseconds.
bool CFrameAtOutputSize::ScaleOurs(const CQueuedFrame& frame, CFrameWorkspace& workspace, PackedFrame* packed) const
{
    CStageTimer timer(m_times, Stage::Scale);
    const size_t stride = static_cast<size_t>(m_width) * 4;
    const size_t size = sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(m_height);
    uint8_t* out = nullptr;
    try {
        out = workspace.FrameBytes(size);
    } catch (const std::bad_alloc&) {
        return false;  // left out like any frame that cannot be built
    }
    WriteDibHeader(out, m_width, m_height, 32);
    // Both bottom-up, so rows correspond as they are.
    const size_t sourceStride = static_cast<size_t>(frame.Width()) * 4;
    if (!ScalePixels32(frame.Pixels(), frame.Width(), frame.Height(), sourceStride, out + sizeof(BITMAPINFOHEADER),
                       m_width, m_height, stride))
        return false;
    packed->dib = out;
    packed->size = size;
    return true;
}

// The frame scaled by GDI+ as a GDI bitmap; empty on failure.
CBitmap CFrameAtOutputSize::ScaleByGdiplus(const CQueuedFrame& frame) const
{
    std::optional<CStageTimer> scaling(std::in_place, m_times, Stage::Scale);
    GpBitmap* original = frame.ToGdiplusBitmap();
    if (!original)
        return CBitmap();
    CGdiplusImage originalOwner(original);
    GpImage* scaled = nullptr;
    if (gdip::GdipGetImageThumbnail(original, static_cast<UINT>(m_width), static_cast<UINT>(m_height), &scaled,
                                    nullptr, nullptr) != Gdiplus::Ok ||
        !scaled)
        return CBitmap();
    CGdiplusImage scaledOwner(scaled, original);
    scaling.reset();
    CStageTimer converting(m_times, Stage::Convert);
    HBITMAP bitmap = nullptr;
    if (gdip::GdipCreateHBITMAPFromBitmap(static_cast<GpBitmap*>(scaled), &bitmap, 0xFF000000) != Gdiplus::Ok)
        bitmap = nullptr;
    return CBitmap(bitmap);
}
