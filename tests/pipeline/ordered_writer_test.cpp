// The writer on a real worker pool and a file in memory: the order frames reach the file in,
// their delays, frames left out and built again, a stop, and a write that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "gif/compact_frame.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif/gif_writer.h"
#include "gif/memory_sink.h"
#include "pipeline/ordered_writer.h"

namespace {

// Bytes in memory; fails like a full disk once it would pass `limit`.
class CMemoryFile : public IRewindableSink {
public:
    explicit CMemoryFile(size_t limit = SIZE_MAX) : m_limit(limit) {}
    void Write(const void* data, uint32_t count) override
    {
        if (bytes.size() + count > m_limit)
            throw std::runtime_error("disk full");
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + count);
    }
    void Rewind(uint32_t count) override { bytes.resize(bytes.size() - count); }
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override
    {
        ASSERT_LE(offset + count, bytes.size());
        std::memcpy(bytes.data() + offset, data, count);
    }
    std::vector<uint8_t> bytes;

private:
    size_t m_limit;
};

// A frame's image is three bytes that name it: 0xAA, its index, then 0xBB, or 0xCC when it
// was built again. A real image never matters to the writer.
struct FramePlan {
    bool built = true;
    bool sinceFrameBefore = false;
    int64_t captureMs = 0;
    bool unchanged = false;
};

struct FileContents {
    std::vector<int> frames;  // indices in file order, negative when built again
    std::vector<int> delays;
    bool trailer = false;
};

FileContents Read(const std::vector<uint8_t>& bytes)
{
    FileContents contents;
    for (size_t i = 0; i + 2 < bytes.size(); ++i) {
        if (bytes[i] == 0xAA && (bytes[i + 2] == 0xBB || bytes[i + 2] == 0xCC))
            contents.frames.push_back(bytes[i + 2] == 0xBB ? bytes[i + 1] : -bytes[i + 1]);
        if (bytes[i] == 0x21 && bytes[i + 1] == 0xF9 && i + 5 < bytes.size())
            contents.delays.push_back(bytes[i + 4] | bytes[i + 5] << 8);
    }
    contents.trailer = !bytes.empty() && bytes.back() == 0x3B;
    return contents;
}

// Names its frame: one pixel that holds the frame's index.
class CIndexOrigin : public IFrameOrigin {
public:
    explicit CIndexOrigin(int index) : m_index(index) {}
    bool Pixels(CFramePixels* pixels) const override
    {
        *pixels->Fill(1, 1) = static_cast<uint32_t>(m_index);
        return true;
    }

private:
    int m_index;
};

int IndexOf(const IFrameOrigin* origin)
{
    CFramePixels pixels;
    return origin && origin->Pixels(&pixels) ? static_cast<int>(pixels.View().top[0]) : -1;
}

struct WriterRun {
    COrderedWriter::End end = COrderedWriter::End::Stopped;
    bool drained = false;
    bool raised = false;
    uint64_t committed = 0;
    int written = 0;
    std::vector<std::pair<int, int>> rebuilds;  // (frame, last frame in the file; -1 for none)
    FileContents contents;
};

WriterRun WriteFrames(const std::vector<FramePlan>& plans, FrameTiming timing, int threads, int64_t endMs = 0,
                      size_t fileLimit = SIZE_MAX, bool stop = false)
{
    CCancellation cancel;
    CEncodePool pool;
    EXPECT_TRUE(pool.Start(threads, cancel));
    for (size_t i = 0; i < plans.size(); ++i) {
        const FramePlan plan = plans[i];
        const int index = static_cast<int>(i);
        pool.Submit([plan, index](CFrameWorkspace&, CEncodedFrame& frame) {
            // Later frames finish first now and then: the writer must wait for the earlier.
            std::this_thread::sleep_for(std::chrono::milliseconds((7 - index % 4) * 2));
            frame.built = plan.built;
            frame.width = 4;
            frame.height = 4;
            frame.bitsPerIndex = 1;
            frame.captureMs = plan.captureMs;
            frame.sinceFrameBefore = plan.sinceFrameBefore;
            frame.unchanged = plan.unchanged;
            frame.origin = std::make_shared<CIndexOrigin>(index);
            frame.image = {0xAA, static_cast<uint8_t>(index), 0xBB};
        });
    }
    if (stop)
        cancel.Cancel();
    else
        pool.Finish();
    WriterRun run;
    CMemoryFile file(fileLimit);
    COrderedWriter writer(
        pool, file, timing, nullptr,
        [&run](const IFrameOrigin* lastWritten, CEncodedFrame* frame) {
            const int index = IndexOf(frame->origin.get());
            run.rebuilds.push_back({index, IndexOf(lastWritten)});
            frame->image = {0xAA, static_cast<uint8_t>(index), 0xCC};
        },
        [&run](uint64_t) { ++run.written; });
    const std::atomic<int64_t> end{endMs};
    try {
        run.end = writer.Run(end);
        run.drained = run.end == COrderedWriter::End::Drained;
        writer.Finish();
    } catch (const std::runtime_error&) {
        run.raised = true;
    }
    cancel.Cancel();
    pool.Join();
    run.committed = writer.Committed();
    run.contents = Read(file.bytes);
    return run;
}

std::vector<FramePlan> Plain(int count)
{
    return std::vector<FramePlan>(static_cast<size_t>(count));
}

}  // namespace

TEST(OrderedWriter, FramesReachTheFileInCaptureOrderWithTheirDelays)
{
    std::vector<FramePlan> leftOut = Plain(8);
    leftOut[2].built = false;
    leftOut[5].built = false;
    std::vector<FramePlan> timed = Plain(4);
    const int64_t captures[] = {0, 100, 250, 400};
    for (size_t i = 0; i < timed.size(); ++i)
        timed[i].captureMs = captures[i];
    struct Case {
        const char* name;
        std::vector<FramePlan> plans;
        FrameTiming timing;
        int64_t endMs;
        std::vector<int> frames;
        std::vector<int> delays;
    };
    const Case cases[] = {
        {"fixed delay", Plain(8), {false, 4}, 0, {0, 1, 2, 3, 4, 5, 6, 7}, std::vector<int>(8, 4)},
        {"frames left out", leftOut, {false, 7}, 0, {0, 1, 3, 4, 6, 7}, std::vector<int>(6, 7)},
        {"true speed", timed, {true, 4}, 500, {0, 1, 2, 3}, {10, 15, 15, 10}},
        {"no frames", Plain(0), {false, 4}, 0, {}, {}},
    };
    for (const Case& c : cases) {
        for (int threads : {1, 4}) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(threads) + " workers");
            const WriterRun run = WriteFrames(c.plans, c.timing, threads, c.endMs);
            EXPECT_TRUE(run.drained);
            EXPECT_FALSE(run.raised);
            EXPECT_EQ(c.frames, run.contents.frames);
            EXPECT_EQ(c.delays, run.contents.delays);
            EXPECT_EQ(static_cast<int>(c.frames.size()), run.written);
            EXPECT_TRUE(run.contents.trailer);
            EXPECT_TRUE(run.rebuilds.empty());
        }
    }
}

// An unchanged frame is not written: its time goes to the last frame in the file, as long as
// that frame's delay holds the sum; past 65535 it is written as a frame of its own, which the
// unchanged frames after it lengthen. Each frame still counts as written.
TEST(OrderedWriter, UnchangedFramesLengthenTheFrameBefore)
{
    const auto planned = [](std::vector<int64_t> captures, std::vector<int> unchanged) {
        std::vector<FramePlan> plans(captures.size());
        for (size_t i = 0; i < plans.size(); ++i)
            plans[i].captureMs = captures[i];
        for (int i : unchanged)
            plans[static_cast<size_t>(i)].unchanged = true;
        return plans;
    };
    struct Case {
        const char* name;
        std::vector<FramePlan> plans;
        FrameTiming timing;
        int64_t endMs;
        std::vector<int> frames;
        std::vector<int> delays;
    };
    const Case cases[] = {
        {"fixed delay", planned({0, 0, 0, 0, 0}, {1, 2, 4}), {false, 4}, 0, {0, 3}, {12, 8}},
        // The separate delays would be 10, 15, 15, 10, 7: the sums keep the recorded time.
        {"true speed", planned({0, 100, 250, 400, 500}, {1, 2, 4}), {true, 4}, 573, {0, 3}, {40, 17}},
        {"past 65535", planned({0, 0, 0, 0, 0}, {1, 2, 3, 4}), {false, 30000}, 0, {0, 2, 4}, {60000, 60000, 30000}},
        {"true speed past 65535", planned({0, 400000, 800000}, {1, 2}), {true, 4}, 1000000, {0, 1},
         {40000, 60000}},
        {"delay 0 does not add up", planned({0, 0, 0}, {1, 2}), {false, 0}, 0, {0, 1, 2}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WriterRun run = WriteFrames(c.plans, c.timing, 3, c.endMs);
        EXPECT_TRUE(run.drained);
        EXPECT_EQ(c.frames, run.contents.frames);
        EXPECT_EQ(c.delays, run.contents.delays);
        EXPECT_EQ(static_cast<int>(c.plans.size()), run.written);
        EXPECT_TRUE(run.contents.trailer);
    }
}

// A frame that holds only what changed since the frame before cannot follow a frame left out:
// it is built again against the last frame the file holds.
TEST(OrderedWriter, AFrameAfterOneLeftOutIsBuiltAgainstTheLastOneWritten)
{
    std::vector<FramePlan> plans = Plain(6);
    for (FramePlan& plan : plans)
        plan.sinceFrameBefore = true;
    plans[0].sinceFrameBefore = false;
    plans[1].built = false;
    plans[3].built = false;
    plans[4].built = false;
    const WriterRun run = WriteFrames(plans, {false, 4}, 3);
    EXPECT_EQ((std::vector<int>{0, -2, -5}), run.contents.frames);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{2, 0}, {5, 2}}), run.rebuilds);
}

TEST(OrderedWriter, AStopOrAFailedWriteEndsTheRun)
{
    const WriterRun stopped = WriteFrames(Plain(5), {false, 4}, 2, 0, SIZE_MAX, true);
    EXPECT_FALSE(stopped.drained);
    EXPECT_FALSE(stopped.raised);

    // Room for the header and two frames, not a third: the two are whole and counted, and the
    // file is cut back to them afterwards (the encoder's repair).
    const WriterRun whole = WriteFrames(Plain(2), {false, 4}, 2);
    const WriterRun failed = WriteFrames(Plain(5), {false, 4}, 2, 0, whole.committed + 1);
    EXPECT_TRUE(failed.raised);
    EXPECT_EQ(2, failed.written);
    EXPECT_EQ(whole.committed, failed.committed);
    EXPECT_EQ((std::vector<int>{0, 1}), failed.contents.frames);

    // A size limit with room for the same two: the file ends after them, complete, and no
    // later frame is taken.
    FrameTiming limited{false, 4};
    limited.maxBytes = static_cast<int64_t>(whole.committed) + 1;
    const WriterRun atLimit = WriteFrames(Plain(5), limited, 2);
    EXPECT_EQ(COrderedWriter::End::SizeLimit, atLimit.end);
    EXPECT_FALSE(atLimit.raised);
    EXPECT_EQ(2, atLimit.written);
    EXPECT_EQ((std::vector<int>{0, 1}), atLimit.contents.frames);
    EXPECT_TRUE(atLimit.contents.trailer);
    EXPECT_EQ(static_cast<int64_t>(atLimit.committed) + 1, limited.maxBytes);
}

namespace {

constexpr int32_t kSharedWidth = 32;
constexpr int32_t kSharedHeight = 8;

// Frame k of a scene whose pixels take turns through `colours` of a fixed list, starting at
// `from` in that list and shifted by k: every frame changes nearly everywhere, in more colours
// than a 128-entry table holds.
struct SharedScene {
    uint32_t from;
    uint32_t colours;
};

std::vector<uint32_t> ScenePicture(const SharedScene& scene, int k)
{
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < kSharedHeight; ++y)
        for (int32_t x = 0; x < kSharedWidth; ++x) {
            const uint32_t i = scene.from + (static_cast<uint32_t>(x * kSharedHeight + y + k)) % scene.colours;
            pixels.push_back(0xFF000000u | ((i * 2654435761u) & 0xFFFFFF));
        }
    return pixels;
}

}  // namespace

// The compact file's frames share the header's colour table where they fit it: after every
// frame the file is a whole GIF that shows each frame's picture, whatever the workers, and a
// size limit still ends it at a whole frame.
TEST(OrderedWriter, AFileWithASharedTableIsWholeAfterEveryFrame)
{
    // 200 colours (frame 0 takes them), the same again, 150 others (no room: the frame keeps its
    // table), 40 new beside 100 of the first (they fit), the first again.
    const SharedScene scenes[] = {{0, 200}, {0, 200}, {1000, 150}, {100, 140}, {0, 200}};
    const size_t frames = sizeof scenes / sizeof scenes[0];
    std::vector<std::vector<uint32_t>> pictures;
    for (size_t k = 0; k < frames; ++k)
        pictures.push_back(ScenePicture(scenes[k], static_cast<int>(k)));
    struct Case {
        const char* name;
        int threads;
        int64_t maxBytes;  // 0: none; else the size after `written` frames and the trailer
        int written;
    };
    std::vector<uint8_t> whole;
    uint64_t afterTwo = 0;
    for (const Case& c : {Case{"one worker", 1, 0, 5}, Case{"three workers", 3, 0, 5}, Case{"size limit", 2, -1, 2}}) {
        SCOPED_TRACE(c.name);
        CCancellation cancel;
        CEncodePool pool;
        ASSERT_TRUE(pool.Start(c.threads, cancel));
        CSharedColourTable table;
        for (size_t k = 0; k < frames; ++k)
            pool.Submit([&pictures, &table, k](CFrameWorkspace& workspace, CEncodedFrame& frame) {
                CTableTurn turn(table, k);
                const PixelView current{pictures[k].data(), kSharedWidth, kSharedWidth, kSharedHeight};
                const PixelView before{k > 0 ? pictures[k - 1].data() : nullptr, kSharedWidth, kSharedWidth,
                                       kSharedHeight};
                CompactFrame built =
                    BuildCompactFrame(k > 0 ? &before : nullptr, current, CompactOptions(), &workspace);
                turn.Place(built, built.exact, &frame.claims);
                CMemorySink image;
                WriteGifImage(image, built, &workspace);
                frame.image = image.Take();
                frame.width = kSharedWidth;
                frame.height = kSharedHeight;
                frame.bitsPerIndex = 8;
                frame.transparentIndex = built.transparentIndex;
                frame.built = true;
            });
        pool.Finish();
        CMemoryFile file;
        FrameTiming timing{false, 4};
        timing.globalTable = true;
        timing.maxBytes = c.maxBytes < 0 ? static_cast<int64_t>(afterTwo) + 1 : 0;
        int written = 0;
        size_t withoutTable = 0;
        COrderedWriter writer(pool, file, timing, nullptr, nullptr, [&](uint64_t committed) {
            ++written;
            if (written == 2)
                afterTwo = committed;
            CMemorySource source(file.bytes);
            GifFileInfo info;
            ASSERT_EQ(GifError::None, IndexGif(source, &info));
            ASSERT_EQ(static_cast<size_t>(written), info.frames.size());
            withoutTable += info.frames.back().tableOffset == 0 ? 1 : 0;
            CGifPictures shown(source, info, 1 << 20);
            for (int k = 0; k < written; ++k) {
                ASSERT_EQ(GifError::None, shown.Show(static_cast<size_t>(k)));
                EXPECT_TRUE(std::equal(pictures[k].begin(), pictures[k].end(), shown.Picture())) << "frame " << k;
            }
        });
        const std::atomic<int64_t> end{0};
        EXPECT_EQ(c.maxBytes < 0 ? COrderedWriter::End::SizeLimit : COrderedWriter::End::Drained, writer.Run(end));
        writer.Finish();
        cancel.Cancel();
        pool.Join();
        EXPECT_EQ(c.written, written);
        EXPECT_EQ(c.maxBytes < 0 ? 2u : 4u, withoutTable);  // all but frame 2 use the shared table
        if (c.maxBytes != 0)
            continue;
        if (whole.empty())
            whole = file.bytes;
        EXPECT_TRUE(whole == file.bytes);
    }
}

// Compact frames of a screen that stands still now and then, at true speed: after every frame
// the file is a whole GIF that shows the frame just captured, its delays add up to the time so
// far, and each still stretch is one image.
TEST(OrderedWriter, AStillScreenIsOneImageWholeAfterEveryStep)
{
    const SharedScene a{0, 20}, b{500, 30};
    const std::vector<std::vector<uint32_t>> pictures = {ScenePicture(a, 0), ScenePicture(a, 0), ScenePicture(a, 0),
                                                         ScenePicture(b, 1), ScenePicture(b, 1), ScenePicture(a, 0)};
    CCancellation cancel;
    CEncodePool pool;
    ASSERT_TRUE(pool.Start(2, cancel));
    for (size_t k = 0; k < pictures.size(); ++k)
        pool.Submit([&pictures, k](CFrameWorkspace& workspace, CEncodedFrame& frame) {
            const PixelView current{pictures[k].data(), kSharedWidth, kSharedWidth, kSharedHeight};
            const PixelView before{k > 0 ? pictures[k - 1].data() : nullptr, kSharedWidth, kSharedWidth,
                                   kSharedHeight};
            const CompactFrame built = BuildCompactFrame(k > 0 ? &before : nullptr, current, CompactOptions(), &workspace);
            CMemorySink image;
            WriteGifImage(image, built, &workspace);
            frame.image = image.Take();
            frame.width = kSharedWidth;
            frame.height = kSharedHeight;
            frame.bitsPerIndex = 8;
            frame.transparentIndex = built.transparentIndex;
            frame.unchanged = built.unchanged;
            frame.captureMs = static_cast<int64_t>(k) * 100;
            frame.built = true;
        });
    pool.Finish();
    CMemoryFile file;
    const size_t imagesAfter[] = {1, 1, 1, 2, 2, 3};
    size_t written = 0;
    COrderedWriter writer(pool, file, FrameTiming{true, 4}, nullptr, nullptr, [&](uint64_t committed) {
        SCOPED_TRACE("after frame " + std::to_string(written));
        EXPECT_EQ(committed + 1, file.bytes.size());
        EXPECT_EQ(0x3B, file.bytes.back());
        CMemorySource source(file.bytes);
        GifFileInfo info;
        ASSERT_EQ(GifError::None, IndexGif(source, &info));
        ASSERT_EQ(imagesAfter[written], info.frames.size());
        int total = 0;
        for (const GifFrameInfo& f : info.frames)
            total += f.delay;
        EXPECT_EQ(10 * static_cast<int>(written + 1), total);
        CGifPictures shown(source, info, 1 << 20);
        ASSERT_EQ(GifError::None, shown.Show(info.frames.size() - 1));
        EXPECT_TRUE(std::equal(pictures[written].begin(), pictures[written].end(), shown.Picture()));
        ++written;
    });
    const std::atomic<int64_t> end{600};
    EXPECT_EQ(COrderedWriter::End::Drained, writer.Run(end));
    writer.Finish();
    cancel.Cancel();
    pool.Join();
    EXPECT_EQ(pictures.size(), written);
}
