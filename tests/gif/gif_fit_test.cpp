// Fitting an edited recording into a size: the file that comes out is within the size, at the
// highest quality that fits (one step up does not), smaller only when quality 1 does not fit,
// and reads back with every planned frame.
#include <gtest/gtest.h>

#include <vector>

#include "gif/compact_frame.h"
#include "gif/gif_edit_writer.h"
#include "gif/gif_fit.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"

namespace {

constexpr int32_t kW = 96, kH = 64;
constexpr int kFrames = 12;

// A photo-like picture with grain, drifting a step a frame: far more than 256 colours, all
// changing.
std::vector<uint32_t> Busy(int step)
{
    std::vector<uint32_t> p(size_t(kW) * kH);
    uint32_t grain = 777u + step;
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x) {
            grain = grain * 1103515245u + 12345u;
            const uint32_t n = (grain >> 16) & 15;
            const uint32_t r = ((x + step * 3) * 5 + n) & 255, g = (y * 4 + n) & 255, b = ((x + y + step) * 2) & 255;
            p[size_t(y) * kW + x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    return p;
}

std::vector<uint8_t> Recording()
{
    CMemorySink sink;
    WriteGifHeader(sink, kW, kH, 8);
    std::vector<uint32_t> before;
    for (int k = 0; k < kFrames; ++k) {
        const std::vector<uint32_t> now = Busy(k);
        const PixelView was{before.data(), kW, kW, kH}, is{now.data(), kW, kW, kH};
        WriteGifFrame(sink, BuildCompactFrame(k ? &was : nullptr, is, CompactOptions()), 4);
        before = now;
    }
    WriteGifTrailer(sink);
    return sink.Take();
}

class CMemoryFitOutput : public IFitOutput {
public:
    IByteSink& Restart() override
    {
        sink.Clear();
        return sink;
    }
    CMemorySink sink;
};

struct Fixture {
    std::vector<uint8_t> file = Recording();
    CMemorySource source{file};
    GifFileInfo info;
    std::vector<PlannedFrame> plan;
    ImageRect all{0, 0, kW, kH};
    Fixture()
    {
        EXPECT_EQ(IndexGif(source, &info), GifError::None);
        for (size_t k = 0; k < info.frames.size(); ++k)
            plan.push_back(PlannedFrame{k, 4, false});
    }
    // The size of the edited file at an encoding.
    uint64_t SizeAt(const EditEncoding& encoding)
    {
        CGifPictures pictures(source, info, 0);
        CMemorySink sink;
        bool cancelled = false;
        EXPECT_EQ(WriteEditedGif(source, info, pictures, plan, all, sink, nullptr, &cancelled, encoding), GifError::None);
        return sink.Size();
    }
};

}  // namespace

TEST(GifFit, TheFileFitsAtTheHighestQualityThenScale)
{
    Fixture f;
    const uint64_t plain = f.SizeAt(EditEncoding());
    const uint64_t roughest = f.SizeAt(EditEncoding{1, 0, true});
    ASSERT_LT(roughest, plain * 8 / 10) << "the scene is too plain for quality to matter";
    struct Row {
        const char* name;
        uint64_t limit;
        bool fits, lowered, scaled;
    } rows[] = {
        {"roomy: the file as it is", plain + 10, true, false, false},
        {"just below the file", plain - 1, true, true, false},
        {"between the roughest and the file", (plain + roughest) / 2, true, true, false},
        {"below quality 1", roughest * 6 / 10, true, true, true},
        {"below any scale", 200, false, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CGifPictures pictures(f.source, f.info, 0);
        CMemoryFitOutput out;
        const FitResult r = FitEditedGif(f.source, f.info, pictures, f.plan, f.all, row.limit, out, nullptr);
        ASSERT_EQ(r.error, GifError::None);
        EXPECT_FALSE(r.cancelled);
        EXPECT_EQ(r.fits, row.fits);
        EXPECT_EQ(!r.encoding.Plain(), row.lowered);
        EXPECT_EQ(r.encoding.width != 0, row.scaled);
        if (!row.fits)
            continue;
        EXPECT_EQ(r.bytes, out.sink.Size());
        EXPECT_LE(r.trials, 16) << "the search tried nearly every value";
        EXPECT_LE(r.bytes, row.limit);
        // The highest quality that fits (one step up would not), or near the size at quality 1.
        if (row.scaled) {
            EXPECT_EQ(r.encoding.quality, 1);
            EXPECT_GE(r.bytes * 10, row.limit * 9);
        } else if (row.lowered) {
            if (r.encoding.quality < 100) {
                EXPECT_GT(f.SizeAt(EditEncoding{r.encoding.quality + 1, 0, true}), row.limit);
            }
        }
        // Every frame is there, at the encoding's size.
        CMemorySource back(out.sink.Bytes());
        GifFileInfo info;
        ASSERT_EQ(IndexGif(back, &info), GifError::None);
        EXPECT_EQ(info.frames.size(), f.plan.size());
        const ImageRect size = EncodedSize(f.all, r.encoding);
        EXPECT_EQ(info.width, size.width);
        EXPECT_EQ(info.height, size.height);
    }
}

TEST(GifFit, ProgressGoesForwardAndCanCancel)
{
    Fixture f;
    const uint64_t limit = f.SizeAt(EditEncoding{50, 0});
    for (const size_t stopAt : {size_t(0), size_t(30)}) {
        SCOPED_TRACE(stopAt);
        CGifPictures pictures(f.source, f.info, 0);
        CMemoryFitOutput out;
        size_t calls = 0, last = 0;
        bool backwards = false;
        const auto progress = [&](size_t done, size_t total) {
            EXPECT_EQ(total, 1000u);
            backwards = backwards || done < last;
            last = done;
            return stopAt == 0 || ++calls < stopAt;
        };
        const FitResult r = FitEditedGif(f.source, f.info, pictures, f.plan, f.all, limit, out, progress);
        EXPECT_FALSE(backwards);
        EXPECT_EQ(r.cancelled, stopAt != 0);
        if (stopAt == 0) {
            EXPECT_TRUE(r.fits);
        }
    }
}
