// The off-screen canvas and its device-independent copy.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "record/dib_copy.h"
#include "record/mem_canvas.h"
#include "record/queued_frame.h"
#include "win/dc.h"
#include "win/gdi_object.h"

namespace {

void Fill(HDC dc, const RECT& rect, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

bool AllPixels(const CMemCanvas& canvas, COLORREF colour)
{
    for (int y = 0; y < canvas.Height(); y += 7)
        for (int x = 0; x < canvas.Width(); x += 7)
            if (GetPixel(canvas.Hdc(), x, y) != colour)
                return false;
    return GetPixel(canvas.Hdc(), canvas.Width() - 1, canvas.Height() - 1) == colour;
}

}  // namespace

TEST(MemCanvas, StartsBlackAt800x600AndResizeLosesThePixels)
{
    CMemCanvas canvas;
    ASSERT_EQ(800, canvas.Width());
    ASSERT_EQ(600, canvas.Height());
    EXPECT_TRUE(AllPixels(canvas, RGB(0, 0, 0)));

    Fill(canvas.Hdc(), RECT{0, 0, 800, 600}, RGB(200, 10, 10));
    ASSERT_TRUE(canvas.Resize(320, 180));
    EXPECT_EQ(320, canvas.Width());
    EXPECT_EQ(180, canvas.Height());
    EXPECT_TRUE(AllPixels(canvas, RGB(0, 0, 0)));

    BITMAP description = {};
    ASSERT_EQ(sizeof description,
              static_cast<size_t>(GetObjectW(canvas.Bitmap(), sizeof description, &description)));
    EXPECT_EQ(320, description.bmWidth);
    EXPECT_EQ(180, description.bmHeight);
    EXPECT_EQ(canvas.Bitmap(), GetCurrentObject(canvas.Hdc(), OBJ_BITMAP));
}

TEST(MemCanvas, ImpossibleSizeLeavesAnEmptyCanvasThatCopiesToNothing)
{
    CMemCanvas canvas;
    EXPECT_FALSE(canvas.Resize(100, 0));
    EXPECT_EQ(0, canvas.Width());
    EXPECT_EQ(0, canvas.Height());
    EXPECT_EQ(0u, canvas.DibSize());
    uint32_t size = 77;
    BITMAPINFO info = {};
    EXPECT_EQ(nullptr, canvas.CopyDib(&size, &info));
    EXPECT_EQ(77u, size);
    EXPECT_FALSE(canvas.Resize(-1, 10));
    // And it recovers on the next good size.
    EXPECT_TRUE(canvas.Resize(4, 3));
    EXPECT_EQ(4, canvas.Width());
}

TEST(MemCanvas, CopyDibOf101x3Has404ByteRowsBottomUp)
{
    CMemCanvas canvas;
    ASSERT_TRUE(canvas.Resize(101, 3));
    ASSERT_EQ(32, canvas.BitsPerPixel()) << "the test display is expected at 32 bits";
    Fill(canvas.Hdc(), RECT{0, 0, 101, 1}, RGB(255, 0, 0));  // top row red
    Fill(canvas.Hdc(), RECT{0, 2, 101, 3}, RGB(0, 0, 255));  // bottom row blue

    uint32_t size = 0;
    BITMAPINFO info = {};
    std::unique_ptr<uint8_t[]> pixels(canvas.CopyDib(&size, &info));
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(1212u, size);
    EXPECT_EQ(canvas.DibSize(), size);
    EXPECT_EQ(40u, info.bmiHeader.biSize);
    EXPECT_EQ(101, info.bmiHeader.biWidth);
    EXPECT_EQ(3, info.bmiHeader.biHeight);
    EXPECT_EQ(1, info.bmiHeader.biPlanes);
    EXPECT_EQ(32, info.bmiHeader.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), info.bmiHeader.biCompression);
    EXPECT_EQ(1212u, info.bmiHeader.biSizeImage);
    // Blue, green, red order; the first row in the buffer is the bottom row of the canvas.
    EXPECT_EQ(255, pixels[0]);
    EXPECT_EQ(0, pixels[2]);
    EXPECT_EQ(0, pixels[2 * 404 + 0]);
    EXPECT_EQ(255, pixels[2 * 404 + 2]);
    EXPECT_EQ(255, pixels[2 * 404 + 100 * 4 + 2]);

    // The encoder's queue takes the same copy behind the same header, in a fresh buffer or in
    // one that an earlier frame gave back.
    auto buffers = std::make_shared<CRecycledBuffers>(1, 0);
    for (int round = 0; round < 2; ++round) {
        std::unique_ptr<CQueuedFrame> queued = CQueuedFrame::CopyOf(canvas, buffers);
        ASSERT_NE(nullptr, queued);
        EXPECT_EQ(0, memcmp(&info.bmiHeader, queued->Packed(), sizeof info.bmiHeader));
        EXPECT_EQ(0, memcmp(pixels.get(), queued->Pixels(), size));
        if (round == 0)
            memset(queued->Packed(), 0xAB, queued->PackedSize());  // what a stale buffer holds
    }
}

TEST(DibCopy, A24BitBitmapOf101x3Has304ByteRows)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 101;
    info.bmiHeader.biHeight = 3;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bitmap(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    std::unique_ptr<uint8_t[]> pixels;
    uint32_t size = 0;
    BITMAPINFO copy = {};
    {
        CSelectGuard select(dc, bitmap);
        Fill(dc, RECT{0, 0, 101, 1}, RGB(0, 255, 0));  // top row green
        GdiFlush();
        pixels.reset(CopyBitmapDib(dc, bitmap, &size, &copy));
    }
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(912u, size);
    EXPECT_EQ(24, copy.bmiHeader.biBitCount);
    EXPECT_EQ(3, copy.bmiHeader.biHeight);
    EXPECT_EQ(912u, copy.bmiHeader.biSizeImage);
    EXPECT_EQ(0, pixels[1]) << "bottom row first";
    EXPECT_EQ(255, pixels[2 * 304 + 1]);
    EXPECT_EQ(255, pixels[2 * 304 + 100 * 3 + 1]);
    EXPECT_EQ(0, pixels[2 * 304 + 303]) << "row padding stays zero";
}

TEST(DibCopy, SizesRoundRowsToWholeWordsAndRefuseWhatCannotBeCopied)
{
    EXPECT_EQ(1212u, DibImageSize(101, 3, 32));
    EXPECT_EQ(912u, DibImageSize(101, 3, 24));
    EXPECT_EQ(204u * 3, DibImageSize(101, 3, 16));
    EXPECT_EQ(0u, DibImageSize(0, 3, 32));
    EXPECT_EQ(0xFFFFFFFFu, DibImageSize(70000, 70000, 32));

    CBitmap mono(CreateBitmap(16, 16, 1, 1, nullptr));
    uint32_t size = 0;
    BITMAPINFO info = {};
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(nullptr, CopyBitmapDib(dc, mono, &size, &info)) << "would need a colour table";
    EXPECT_EQ(nullptr, CopyBitmapDib(dc, nullptr, &size, &info));
}
