// How a captured frame reaches the output size for each builder: as it lies, by our scaler or
// by GDI+'s thumbnail, with the pixels GDI+'s thumbnail gives and the stages timed.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gif/dib.h"
#include "gif/frame_workspace.h"
#include "gif/indexed_frame.h"
#include "record/bitmap_to_frame.h"
#include "record/frame_at_output_size.h"
#include "record/queued_frame.h"
#include "tests/dib_canvas.h"
#include "win/dc.h"

namespace {

// A frame of `bits` per pixel (16 is 5-5-5) with colours that vary across and down, and noise.
std::unique_ptr<CQueuedFrame> MakeFrame(SIZE size, uint16_t bits)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = size.cx;
    header.biHeight = size.cy;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(size.cx) * bits + 31) / 32 * 4;
    header.biSizeImage = static_cast<DWORD>(stride * size.cy);
    std::vector<uint8_t> rows(header.biSizeImage, 0);
    uint32_t seed = 7;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t red = static_cast<uint32_t>(x * 255 / size.cx);
            const uint32_t green = static_cast<uint32_t>(y * 255 / size.cy);
            const uint32_t blue = seed >> 24;
            uint8_t* p = rows.data() + stride * y + static_cast<size_t>(x) * bits / 8;
            if (bits == 16) {
                const uint32_t v = (red >> 3) << 10 | (green >> 3) << 5 | blue >> 3;
                p[0] = static_cast<uint8_t>(v);
                p[1] = static_cast<uint8_t>(v >> 8);
            } else {
                p[0] = static_cast<uint8_t>(blue);
                p[1] = static_cast<uint8_t>(green);
                p[2] = static_cast<uint8_t>(red);
            }
        }
    }
    return CQueuedFrame::CopyOfRows(header, rows.data());
}

// The reference for 16- and 24-bit frames: GDI+'s thumbnail at the output size as a GDI bitmap.
CBitmap Thumbnail(const CQueuedFrame& frame, SIZE size)
{
    GpBitmap* original = frame.ToGdiplusBitmap();
    GpImage* scaled = nullptr;
    HBITMAP bitmap = nullptr;
    if (original && gdip::GdipGetImageThumbnail(original, size.cx, size.cy, &scaled, nullptr, nullptr) == Gdiplus::Ok)
        gdip::GdipCreateHBITMAPFromBitmap(static_cast<GpBitmap*>(scaled), &bitmap, 0xFF000000);
    if (scaled && scaled != original)
        gdip::GdipDisposeImage(scaled);
    if (original)
        gdip::GdipDisposeImage(original);
    return CBitmap(bitmap);
}

std::vector<uint32_t> RowsOf(const PixelView& view)
{
    std::vector<uint32_t> rows;
    for (int32_t y = 0; y < view.height; ++y)
        rows.insert(rows.end(), view.Row(y), view.Row(y) + view.width);
    return rows;
}

std::vector<uint32_t> RowsOf(HBITMAP bitmap, SIZE size)
{
    CFramePixels pixels;
    BITMAPINFO info = TopDownInfo32(size.cx, size.cy);
    EXPECT_EQ(size.cy, GetDIBits(CWindowDC(nullptr), bitmap, 0, size.cy, pixels.Fill(size.cx, size.cy), &info,
                                 DIB_RGB_COLORS));
    return RowsOf(pixels.View());
}

void ExpectSameImage(const GifImage& expected, const GifImage& actual)
{
    EXPECT_EQ(expected.rect.width, actual.rect.width);
    EXPECT_EQ(expected.rect.height, actual.rect.height);
    EXPECT_EQ(expected.tableBits, actual.tableBits);
    EXPECT_TRUE(expected.palette == actual.palette);
    EXPECT_TRUE(expected.indices == actual.indices);
}

TEST(FrameAtOutputSize, EachDepthReachesTheOutputSizeOneWayForBothBuilders)
{
    enum class Way { AsItLies, Ours, Gdiplus };
    struct Case {
        const char* name;
        uint16_t bits;
        SIZE source;
        SIZE out;
        Way packed;  // for the default builder
        Way rows;    // for the compact builder, which reads 32 bits only
    };
    const Case cases[] = {
        {"32 bits at the output size", 32, {64, 48}, {64, 48}, Way::AsItLies, Way::AsItLies},
        {"32 bits made smaller", 32, {64, 48}, {40, 30}, Way::Ours, Way::Ours},
        {"32 bits made larger, one side only", 32, {40, 30}, {64, 30}, Way::Ours, Way::Ours},
        {"24 bits at the output size", 24, {64, 48}, {64, 48}, Way::AsItLies, Way::Gdiplus},
        {"24 bits made smaller", 24, {64, 48}, {40, 30}, Way::Gdiplus, Way::Gdiplus},
        {"16 bits at the output size", 16, {50, 40}, {50, 40}, Way::AsItLies, Way::Gdiplus},
        {"16 bits made larger", 16, {50, 40}, {96, 72}, Way::Gdiplus, Way::Gdiplus},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CQueuedFrame> frame = MakeFrame(c.source, c.bits);
        ASSERT_TRUE(frame);
        CStageTimes times;
        const CFrameAtOutputSize output(c.out.cx, c.out.cy, &times);
        CFrameWorkspace workspace;

        PackedFrame packed;
        ASSERT_TRUE(output.Packed(*frame, workspace, &packed));
        const DibInfo info = ReadDibInfo(packed.dib);
        EXPECT_EQ(c.out.cx, info.width);
        EXPECT_EQ(c.out.cy, info.height);
        EXPECT_EQ(c.packed == Way::AsItLies, packed.dib == frame->Packed());
        EXPECT_EQ(c.packed == Way::Gdiplus, !packed.copy.empty());
        GifImage built;
        ASSERT_TRUE(BuildIndexedFrameFromDib(packed.dib, packed.size, &built, 1, &workspace));
        if (c.packed == Way::Gdiplus) {
            GifImage expected;
            ASSERT_TRUE(BuildImageFromBitmap(Thumbnail(*frame, c.out).Get(), &expected, 1));
            ExpectSameImage(expected, built);
        }
        EXPECT_EQ(c.packed != Way::AsItLies, times.Ms(Stage::Scale) > 0);
        EXPECT_EQ(c.packed == Way::Gdiplus, times.Ms(Stage::Convert) > 0);

        CFramePixels pixels;
        ASSERT_TRUE(output.Rows(*frame, &pixels));
        EXPECT_EQ(c.out.cx, pixels.View().width);
        EXPECT_EQ(c.out.cy, pixels.View().height);
        const uint8_t* top = reinterpret_cast<const uint8_t*>(pixels.View().top);
        EXPECT_EQ(c.rows == Way::AsItLies, top >= frame->Pixels() && top < frame->Pixels() + frame->Size());
        if (c.rows == Way::Gdiplus) {
            EXPECT_TRUE(RowsOf(Thumbnail(*frame, c.out).Get(), c.out) == RowsOf(pixels.View()));
        } else {
            // Both builders see the same pixels.
            ASSERT_EQ(32, info.bitsPerPixel);
            EXPECT_TRUE(RowsOf(ViewOfPackedDib32(packed.dib, c.out.cx, c.out.cy)) == RowsOf(pixels.View()));
        }
    }
}

}  // namespace
