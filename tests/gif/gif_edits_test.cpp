// The edit list, what it comes to in frames and delays, and the edited files read back: every
// frame shows exactly the original's picture (cut to the crop) at the planned frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/gif_edit_writer.h"
#include "gif/gif_edits.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"
#include "gif/unchanged_frames.h"

namespace {

using Picture = std::vector<uint32_t>;
constexpr int32_t kW = 48, kH = 30;

// A screen of a few colours with a box at x (no box when x < 0).
Picture Screen(int x)
{
    Picture p(size_t(kW) * kH);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t i = 0; i < kW; ++i)
            p[size_t(y) * kW + i] = 0xFF000000u | uint32_t((i / 6) * 30) << 16 | uint32_t((y / 5) * 40) << 8 | 0x20;
    for (int32_t y = 10; y < 18 && x >= 0; ++y)
        for (int32_t i = x; i < x + 8 && i < kW; ++i)
            p[size_t(y) * kW + i] = 0xFFFF0000u | uint32_t(x * 7 % 256);
    return p;
}

// Box places, one per frame: equal places are still moments.
const std::vector<int> kPlaces = {0, 3, 3, 3, 6, 9, 9, 12, 15, 18, 21, 24};

std::vector<uint8_t> MakeGif(bool compact, const std::vector<uint16_t>& delays)
{
    CMemorySink sink;
    WriteGifHeader(sink, kW, kH, 8);
    Picture before;
    for (size_t k = 0; k < kPlaces.size(); ++k) {
        const Picture now = Screen(kPlaces[k]);
        const PixelView was{before.data(), kW, kW, kH}, is{now.data(), kW, kW, kH};
        WriteGifFrame(sink, BuildCompactFrame(compact && k ? &was : nullptr, is, CompactOptions()), delays[k]);
        before = now;
    }
    WriteGifTrailer(sink);
    return sink.Take();
}

struct Read {
    std::vector<Picture> pictures;
    std::vector<uint16_t> delays;
    uint16_t width = 0, height = 0;
};

Read ReadBack(const std::vector<uint8_t>& file)
{
    Read r;
    CMemorySource source(file);
    GifFileInfo info;
    EXPECT_EQ(IndexGif(source, &info), GifError::None);
    CGifPictures pictures(source, info, 0);
    r.width = info.width;
    r.height = info.height;
    for (size_t k = 0; k < info.frames.size(); ++k) {
        EXPECT_EQ(pictures.Show(k), GifError::None);
        r.pictures.emplace_back(pictures.Picture(), pictures.Picture() + size_t(info.width) * info.height);
        r.delays.push_back(info.frames[k].delay);
    }
    return r;
}

Picture Cut(const Picture& p, const ImageRect& r)
{
    Picture out;
    for (int32_t y = r.top; y < r.top + r.height; ++y)
        out.insert(out.end(), p.begin() + y * kW + r.left, p.begin() + y * kW + r.left + r.width);
    return out;
}

std::vector<std::pair<size_t, uint16_t>> Pairs(const std::vector<PlannedFrame>& plan)
{
    std::vector<std::pair<size_t, uint16_t>> out;
    for (const PlannedFrame& p : plan)
        out.emplace_back(p.source, p.delay);
    return out;
}

}  // namespace

TEST(GifEdits, UndoRedoAndWhatTheListComesTo)
{
    CGifEditList list;
    list.Add({GifEdit::Kind::Crop, {2, 2, 10, 10}});
    list.Add({GifEdit::Kind::Cut, {}, 3, 4});
    list.Add({GifEdit::Kind::Speed, {}, 0, 0, 200});
    list.Add({GifEdit::Kind::Crop, {-5, 20, 100, 100}});  // kept on the screen
    list.Add({GifEdit::Kind::Cut, {}, 8, 20});             // past the end: up to the last frame
    GifEditState s = FoldEdits(list.Active(), 10, kW, kH);
    EXPECT_EQ(std::vector<int32_t>({s.crop.left, s.crop.top, s.crop.width, s.crop.height}),
              std::vector<int32_t>({0, 20, kW, kH - 20}));
    EXPECT_EQ(s.removed, std::vector<bool>({0, 0, 0, 1, 1, 0, 0, 0, 1, 1}));
    EXPECT_EQ(s.speedPercent, 200u);

    list.Undo();
    list.Undo();
    s = FoldEdits(list.Active(), 10, kW, kH);
    EXPECT_EQ(s.crop.width, 10);
    EXPECT_EQ(s.removed, std::vector<bool>({0, 0, 0, 1, 1, 0, 0, 0, 0, 0}));
    list.Redo();
    EXPECT_EQ(FoldEdits(list.Active(), 10, kW, kH).crop.top, 20);
    list.Add({GifEdit::Kind::ShortenStills, {}, 0, 0, 100});  // a new edit ends the redo
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.Active().size(), 5u);
    while (list.CanUndo())
        list.Undo();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(FoldEdits(list.Active(), 10, kW, kH).crop.width, kW);
}

TEST(GifEdits, PlannedFramesAndDelays)
{
    using Frames = std::vector<std::pair<size_t, uint16_t>>;
    struct Case {
        const char* name;
        std::vector<uint16_t> delays;
        std::vector<bool> removed, unchanged;
        uint32_t speed, limit;
        size_t first, last;
        Frames want;
    };
    const std::vector<uint16_t> fives(6, 5);
    const Case cases[] = {
        {"as recorded", fives, {}, {}, 100, 0, 0, 5, {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}},
        {"kept part and a cut", fives, {0, 0, 1, 1, 0, 0}, {}, 100, 0, 1, 4, {{1, 5}, {4, 5}}},
        {"twice as fast: halves summed, not dropped", fives, {}, {}, 200, 0, 0, 5,
         {{0, 3}, {1, 2}, {2, 3}, {3, 2}, {4, 3}, {5, 2}}},
        {"three times: 1.67 each, every third merged", fives, {}, {}, 300, 0, 0, 5, {{0, 2}, {1, 3}, {3, 2}, {4, 3}}},
        {"half speed", {5, 7}, {}, {}, 50, 0, 0, 1, {{0, 10}, {1, 14}}},
        {"one and a half", {4, 4, 4}, {}, {}, 150, 0, 0, 2, {{0, 3}, {1, 2}, {2, 3}}},
        {"a last frame too short joins the one before", {10, 10, 2}, {}, {}, 300, 0, 0, 2, {{0, 3}, {1, 4}}},
        {"delays kept below the minimum at 1x", {1, 0, 1}, {}, {}, 100, 0, 0, 2, {{0, 1}, {1, 0}, {2, 1}}},
        {"still moment shortened to the limit", {5, 50, 50, 50, 5}, {}, {0, 0, 1, 1, 0}, 100, 100, 0, 4,
         {{0, 5}, {1, 100}, {4, 5}}},
        {"short still moment kept whole", {5, 30, 30, 5}, {}, {0, 0, 1, 0}, 100, 100, 0, 3, {{0, 5}, {1, 60}, {3, 5}}},
        {"one long frame is a still moment", {5, 400, 5}, {}, {}, 100, 100, 0, 2, {{0, 5}, {1, 100}, {2, 5}}},
        {"limit after speed", {5, 300, 5}, {}, {}, 200, 100, 0, 2, {{0, 3}, {1, 100}, {2, 2}}},
        {"no still moment across a cut", {5, 5, 80, 80}, {0, 1, 0, 0}, {0, 1, 1, 1}, 100, 100, 0, 3,
         {{0, 5}, {2, 100}}},
        {"still flags unused without a limit", fives, {}, {0, 1, 1, 1, 1, 1}, 100, 0, 0, 2, {{0, 5}, {1, 5}, {2, 5}}},
        {"longest delay a file holds", {60000, 60000}, {}, {}, 50, 0, 0, 1, {{0, 65535}, {1, 65535}}},
        {"everything cut", fives, std::vector<bool>(6, true), {}, 100, 0, 0, 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifEditState state;
        state.removed = c.removed;
        state.speedPercent = c.speed;
        state.stillLimit = c.limit;
        EXPECT_EQ(Pairs(PlanEditedFrames(state, c.delays, c.unchanged, c.first, c.last)), c.want);
    }
}

TEST(GifEdits, AfterRemovedMarksCutsNotMerges)
{
    GifEditState state;
    state.removed = {0, 0, 1, 0, 0, 0};
    state.speedPercent = 300;
    const std::vector<PlannedFrame> plan = PlanEditedFrames(state, std::vector<uint16_t>(6, 5), {}, 0, 5);
    std::vector<bool> after;
    for (const PlannedFrame& p : plan)
        after.push_back(p.afterRemoved);
    // Frame 3 follows the cut but is merged away; the frame that takes its place follows the cut.
    EXPECT_EQ(Pairs(plan), (std::vector<std::pair<size_t, uint16_t>>{{0, 2}, {1, 3}, {4, 3}}));
    EXPECT_EQ(after, std::vector<bool>({false, false, true}));
}

TEST(GifEdits, StillFramesFoundInTheFile)
{
    const std::vector<uint16_t> delays(kPlaces.size(), 5);
    // The box runs through rows 10..17: a crop above it sees no change after the first frame.
    const ImageRect all{0, 0, kW, kH}, above{0, 0, kW, 8};
    const std::vector<bool> moves = {0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0};
    for (bool compact : {false, true}) {
        SCOPED_TRACE(compact ? "compact" : "whole frames");
        const std::vector<uint8_t> file = MakeGif(compact, delays);
        CMemorySource source(file);
        GifFileInfo info;
        ASSERT_EQ(IndexGif(source, &info), GifError::None);
        std::vector<bool> unchanged;
        ASSERT_EQ(FindUnchangedFrames(source, info, all, &unchanged), GifError::None);
        EXPECT_EQ(unchanged, moves);
        ASSERT_EQ(FindUnchangedFrames(source, info, above, &unchanged), GifError::None);
        // Whole frames are compared as stored: a change outside the crop still counts.
        EXPECT_EQ(unchanged, compact ? std::vector<bool>({0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}) : moves);
    }
}

TEST(GifEdits, EditedFilesShowTheOriginalsPictures)
{
    struct Case {
        const char* name;
        bool compact;
        std::vector<GifEdit> edits;
        size_t first, last;
        bool copied;  // every frame's image bytes are the original's
    };
    const ImageRect box{5, 4, 30, 20};
    const Case cases[] = {
        {"whole frames, cut", false, {{GifEdit::Kind::Cut, {}, 3, 5}}, 0, 11, true},
        {"whole frames, 3x and kept part", false, {{GifEdit::Kind::Speed, {}, 0, 0, 300}}, 1, 10, true},
        {"whole frames, crop", false, {{GifEdit::Kind::Crop, box}}, 0, 11, false},
        {"compact, cut", true, {{GifEdit::Kind::Cut, {}, 2, 6}}, 0, 11, false},
        {"compact, 3x", true, {{GifEdit::Kind::Speed, {}, 0, 0, 300}}, 0, 11, false},
        {"compact, still moments", true, {{GifEdit::Kind::ShortenStills, {}, 0, 0, 8}}, 0, 11, false},
        {"compact, everything", true,
         {{GifEdit::Kind::Crop, box}, {GifEdit::Kind::Cut, {}, 7, 8}, {GifEdit::Kind::Speed, {}, 0, 0, 200},
          {GifEdit::Kind::ShortenStills, {}, 0, 0, 6}},
         2, 11, false},
        {"whole frames, everything", false,
         {{GifEdit::Kind::Crop, box}, {GifEdit::Kind::Cut, {}, 7, 8}, {GifEdit::Kind::Speed, {}, 0, 0, 150},
          {GifEdit::Kind::ShortenStills, {}, 0, 0, 6}},
         0, 10, false},
    };
    const std::vector<uint16_t> delays = {4, 5, 6, 4, 5, 6, 4, 5, 6, 4, 5, 6};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> file = MakeGif(c.compact, delays);
        const Read before = ReadBack(file);
        CMemorySource source(file);
        GifFileInfo info;
        ASSERT_EQ(IndexGif(source, &info), GifError::None);
        const GifEditState state = FoldEdits(c.edits, info.frames.size(), info.width, info.height);
        std::vector<bool> unchanged;
        ASSERT_EQ(FindUnchangedFrames(source, info, state.crop, &unchanged), GifError::None);
        const std::vector<PlannedFrame> plan = PlanEditedFrames(state, delays, unchanged, c.first, c.last);
        CGifPictures pictures(source, info, 0);
        CMemorySink out;
        bool cancelled = true;
        ASSERT_EQ(WriteEditedGif(source, info, pictures, plan, state.crop, out, nullptr, &cancelled), GifError::None);
        EXPECT_FALSE(cancelled);

        const Read after = ReadBack(out.Bytes());
        ASSERT_EQ(after.pictures.size(), plan.size());
        EXPECT_EQ(after.width, state.crop.width);
        EXPECT_EQ(after.height, state.crop.height);
        for (size_t k = 0; k < plan.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(after.delays[k], plan[k].delay);
            ASSERT_EQ(after.pictures[k], Cut(before.pictures[plan[k].source], state.crop));
            const GifFrameInfo& f = info.frames[plan[k].source];
            const std::vector<uint8_t> image(file.begin() + ptrdiff_t(f.imageOffset), file.begin() + ptrdiff_t(f.end));
            const bool found =
                std::search(out.Bytes().begin(), out.Bytes().end(), image.begin(), image.end()) != out.Bytes().end();
            EXPECT_TRUE(found || !c.copied);
        }
    }
}

TEST(GifEdits, ProgressCanStopTheWriting)
{
    const std::vector<uint8_t> file = MakeGif(true, std::vector<uint16_t>(kPlaces.size(), 5));
    CMemorySource source(file);
    GifFileInfo info;
    ASSERT_EQ(IndexGif(source, &info), GifError::None);
    const GifEditState state = FoldEdits({}, info.frames.size(), info.width, info.height);
    const std::vector<PlannedFrame> plan = PlanEditedFrames(state, std::vector<uint16_t>(kPlaces.size(), 5), {}, 0, 11);
    CGifPictures pictures(source, info, 0);
    CMemorySink out;
    std::vector<size_t> told;
    bool cancelled = false;
    const auto progress = [&](size_t done, size_t total) {
        told.push_back(done * 100 + total);
        return done < 3;
    };
    ASSERT_EQ(WriteEditedGif(source, info, pictures, plan, state.crop, out, progress, &cancelled), GifError::None);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(told, std::vector<size_t>({112, 212, 312}));
}
