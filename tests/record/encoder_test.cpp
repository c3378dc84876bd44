// The encoder's states, counters and failures, with frames from a canvas the test fills.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "gdiplus_session.h"
#include "gif/byte_source.h"
#include "gif/gif_index.h"
#include "gif/gif_pictures.h"
#include "gif_layout.h"
#include "record/gif_encoder.h"
#include "record/mem_canvas.h"
#include "record/file_sink.h"
#include "tests/dib_canvas.h"
#include "win/file.h"
#include "wait_until.h"

namespace {

class CGdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        m_session = std::make_unique<CGdiplusSession>();
        ASSERT_TRUE(m_session->Ok());
    }
    void TearDown() override { m_session.reset(); }

private:
    std::unique_ptr<CGdiplusSession> m_session;
};
const auto* const kGdiplus = ::testing::AddGlobalTestEnvironment(new CGdiplusEnvironment);

bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<uint8_t> ReadBytes(const std::wstring& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    return bytes;
}

// Frame k of a sequence that mixes what screens show: noise that keeps the LZW busy, gradients,
// a checker board with text, flat colour with text. mark, when given, goes bottom left.
// Pixels 0x00RRGGBB, top row first, onto the whole canvas.
void PaintPixels(CMemCanvas& canvas, const std::vector<uint32_t>& pixels)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    const BITMAPINFO info = TopDownInfo32(w, h);
    SetDIBitsToDevice(canvas.Hdc(), 0, 0, w, h, 0, 0, 0, h, pixels.data(), &info, DIB_RGB_COLORS);
}

void PaintMixed(CMemCanvas& canvas, int k, COLORREF mark = CLR_INVALID)
{
    const int w = canvas.Width();
    const int h = canvas.Height();
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
    uint32_t seed = 12345u + static_cast<uint32_t>(k) * 7919u;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t v;
            switch (k % 4) {
            case 0:
                seed = seed * 1664525u + 1013904223u;
                v = seed >> 8;
                break;
            case 1:
                v = static_cast<uint32_t>(x * 255 / w) << 16 | static_cast<uint32_t>(y * 255 / h) << 8 |
                    static_cast<uint32_t>((x + y + k * 10) & 255);
                break;
            case 2:
                v = ((x / 8 + y / 8 + k) % 2) ? 0xF0F0F0u : 0x202080u;
                break;
            default:
                v = 0x10101u * static_cast<uint32_t>(k * 20 % 256);
                break;
            }
            pixels[static_cast<size_t>(y) * w + x] = v;
        }
    }
    PaintPixels(canvas, pixels);
    if (k % 4 >= 2) {
        RECT text = {4, 4, w - 4, h - 4};
        SetBkMode(canvas.Hdc(), TRANSPARENT);
        SetTextColor(canvas.Hdc(), RGB(200, 30, 30));
        const std::wstring line = L"frame " + std::to_wstring(k) + L": the quick brown fox";
        DrawTextW(canvas.Hdc(), line.c_str(), -1, &text, DT_WORDBREAK);
    }
    if (mark != CLR_INVALID)
        SetPixel(canvas.Hdc(), 0, h - 1, mark);
}

// Writes through to a real file, but like a disk that fills up after `limit` bytes: the
// write that crosses it stores what fits and then fails with `error`.
class CFullDiskSink : public IRewindableSink {
public:
    CFullDiskSink(std::unique_ptr<CFile> file, uint32_t limit, DWORD error)
        : m_file(std::move(file)), m_left(limit), m_error(error) {}
    void Write(const void* data, uint32_t count) override
    {
        const uint32_t fits = count < m_left ? count : m_left;
        if (fits > 0)
            m_file->Write(data, fits);
        m_left -= fits;
        if (fits < count)
            throw CFileException(m_error);
    }
    // Bytes written again take no new room.
    void Rewind(uint32_t count) override
    {
        m_file->Rewind(count);
        m_left += count;
    }
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override { m_file->WriteAt(offset, data, count); }

private:
    std::unique_ptr<CFile> m_file;
    uint32_t m_left;
    DWORD m_error;
};

// Holds every write until the gate opens, so frames pile up in the queue meanwhile.
class CGatedSink : public IRewindableSink {
public:
    CGatedSink(std::unique_ptr<CFile> file, HANDLE gate) : m_file(std::move(file)), m_gate(gate) {}
    void Write(const void* data, uint32_t count) override
    {
        WaitForSingleObject(m_gate, INFINITE);
        m_file->Write(data, count);
    }
    void Rewind(uint32_t count) override { m_file->Rewind(count); }
    void WriteAt(uint64_t offset, const void* data, uint32_t count) override
    {
        WaitForSingleObject(m_gate, INFINITE);
        m_file->WriteAt(offset, data, count);
    }

private:
    std::unique_ptr<CFile> m_file;
    HANDLE m_gate;
};

// A still picture on which frame k has gained its k-th small block: each frame changes only a
// little from the one before it.
void PaintGrowing(CMemCanvas& canvas, int k, COLORREF mark = CLR_INVALID)
{
    PaintMixed(canvas, 2);
    for (int i = 0; i <= k; ++i) {
        const RECT block = {i * 11 % (canvas.Width() - 8), i * 7 % (canvas.Height() - 8), 0, 0};
        const RECT filled = {block.left, block.top, block.left + 8, block.top + 8};
        const CBrush brush(RGB(i * 17, 255 - i * 13, i * 29));
        FillRect(canvas.Hdc(), &filled, brush.Get());
    }
    if (mark != CLR_INVALID)
        SetPixel(canvas.Hdc(), 0, canvas.Height() - 1, mark);
}

// The pixel that marks a frame the test wants to fail: bottom left, blue 3, green 2, red 1.
constexpr COLORREF kFailMark = RGB(1, 2, 3);
constexpr COLORREF kThrowMark = RGB(4, 5, 6);

bool HasMark(const CQueuedFrame& frame, COLORREF mark)
{
    const uint8_t* p = frame.Pixels();
    return p[0] == GetBValue(mark) && p[1] == GetGValue(mark) && p[2] == GetRValue(mark);
}

// Where a run is, as the test reads it from the run's start and its ended handler.
enum RunState { Idle, Encoding, Finished, Failed };

// Each run gets a cancellation of its own, as each recording has; the run's end is read from
// its ended handler, the one way the encoder tells it.
class CTestEncoder : public CGifEncoder {
public:
    explicit CTestEncoder(uint64_t budget = kDefaultQueueBudget, int threads = 0)
        : CGifEncoder(budget, threads) {}
    ~CTestEncoder() override
    {
        // Shut down here, while the overrides the worker calls and the cancellations still exist.
        if (m_gate)
            SetEvent(m_gate);
        Abort();
        if (m_gate)
            CloseHandle(m_gate);
    }
    using CGifEncoder::Start;
    EncodeFailure Start()
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_state = Encoding;
            m_end = EncodeEnd();
        }
        m_runs.emplace_back();
        const EncodeFailure failure = Start(m_runs.back(), [this](const EncodeEnd& end) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_end = end;
            m_state = end.failure == NoFailure ? Finished : Failed;
            m_changed.notify_all();
        });
        if (failure != NoFailure) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_end.failure = failure;
            m_state = Failed;
        }
        return failure;
    }
    // Cancels the run and waits for its end.
    void Abort()
    {
        if (State() != Encoding)
            return;
        m_runs.back().Cancel();
        WaitEnded(INFINITE);
    }
    RunState State() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_state;
    }
    EncodeFailure Failure() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_end.failure;
    }
    RunState WaitEnded(DWORD timeoutMs = 20000)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        const auto ended = [this] { return m_state != Encoding; };
        if (timeoutMs == INFINITE)
            m_changed.wait(lock, ended);
        else
            m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended);
        return m_state;
    }
    void FailAfter(uint32_t bytes, DWORD error = ERROR_DISK_FULL)
    {
        m_limit = bytes;
        m_error = error;
    }
    // Every frame takes this long to build, as large frames on a slow machine do.
    void BuildSlowly(DWORD ms) { m_buildMs = ms; }
    void HoldWrites() { m_gate = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    void ReleaseWrites() { SetEvent(m_gate); }

protected:
    std::unique_ptr<IRewindableSink> OpenOutput(std::wstring* path) override
    {
        std::unique_ptr<CFile> file = CreateNewFile(path);
        if (!file)
            return nullptr;
        if (m_limit)
            return std::make_unique<CFullDiskSink>(std::move(file), m_limit, m_error);
        if (m_gate)
            return std::make_unique<CGatedSink>(std::move(file), m_gate);
        return std::make_unique<CFileSink>(std::move(file));
    }
    // Frames with a mark fail to build, or raise, as frames the builder refuses would.
    void EncodeFrame(const CFrameJob& job, CFrameWorkspace& workspace, CEncodedFrame* result) override
    {
        if (m_buildMs)
            Sleep(m_buildMs);
        if (HasMark(*job.frame, kFailMark))
            return;
        if (HasMark(*job.frame, kThrowMark))
            throw std::runtime_error("a frame that cannot be built");
        CGifEncoder::EncodeFrame(job, workspace, result);
    }

private:
    uint32_t m_limit = 0;
    DWORD m_error = ERROR_DISK_FULL;
    DWORD m_buildMs = 0;
    HANDLE m_gate = nullptr;
    std::deque<CCancellation> m_runs;  // every run's, the last the current one
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    RunState m_state = Idle;  // guarded by m_lock, as is the next one
    EncodeEnd m_end;
};

class EncoderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"ravlin-encoder-" + std::to_wstring(GetCurrentProcessId()) +
                   L"-" + std::to_wstring(++s_serial);
        CreateDirectoryW(m_folder.c_str(), nullptr);
        m_canvas.Resize(64, 48);
    }
    void TearDown() override
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((m_folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((m_folder + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(m_folder.c_str());
    }

    std::wstring PathOf(const wchar_t* name) const { return m_folder + L"\\" + name; }

    static EncoderParams Params(const std::wstring& file, int width = 64, int height = 48, int delay = 4)
    {
        EncoderParams params;
        params.fileName = file;
        params.outputRect = RECT{10, 20, 10 + width, 20 + height};
        params.frameDelay = delay;
        return params;
    }

    // A frame of its own colour, so that frames differ.
    int AddFrame(CGifEncoder& encoder, int index)
    {
        HBRUSH brush = CreateSolidBrush(RGB(index * 40 % 256, 255 - index * 25 % 256, index * 90 % 256));
        const RECT all = {0, 0, m_canvas.Width(), m_canvas.Height()};
        FillRect(m_canvas.Hdc(), &all, brush);
        DeleteObject(brush);
        return encoder.AddFrame(m_canvas) ? 1 : 0;
    }

    static RunState State(CTestEncoder& encoder, int32_t* encoded = nullptr, int32_t* received = nullptr)
    {
        const EncoderProgress progress = encoder.Progress();
        if (encoded)
            *encoded = progress.encoded;
        if (received)
            *received = progress.received;
        return encoder.State();
    }

    std::wstring m_folder;
    CMemCanvas m_canvas;
    static int s_serial;
};
int EncoderTest::s_serial = 0;

TEST_F(EncoderTest, FinishEncodesEveryQueuedFrameBeforeTheTrailer)
{
    const std::wstring file = PathOf(L"finish.gif");
    CTestEncoder encoder;
    int32_t encoded = -1;
    int32_t received = -1;
    EXPECT_EQ(Idle, State(encoder, &encoded, &received));
    EXPECT_EQ(0, encoded);
    EXPECT_EQ(0, received);

    // Scaled to 32 x 24; only the low 16 bits of the delay count.
    encoder.SetParams(Params(file, 32, 24, 0x10004));
    encoder.HoldWrites();
    ASSERT_EQ(NoFailure, encoder.Start());
    EXPECT_EQ(Encoding, State(encoder));
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(1, AddFrame(encoder, i));
    encoder.Finish(0);
    EXPECT_EQ(Encoding, State(encoder, &encoded, &received));
    EXPECT_EQ(6, received);
    EXPECT_LT(encoded, 6);

    encoder.ReleaseWrites();
    int32_t lastEncoded = 0;
    int status = Encoding;
    ASSERT_TRUE(WaitUntil([&] {
        status = State(encoder, &encoded, &received);
        EXPECT_GE(encoded, lastEncoded);
        EXPECT_LE(encoded, received);
        lastEncoded = encoded;
        return status != Encoding;
    }));
    EXPECT_EQ(Finished, status);
    EXPECT_EQ(6, encoded);
    EXPECT_EQ(6, received);
    EXPECT_EQ(0, encoder.Progress().dropped);
    EXPECT_EQ(NoFailure, encoder.Failure());

    const GifLayout layout = ReadGifLayout(file);
    EXPECT_TRUE(layout.complete);
    EXPECT_TRUE(layout.loops);
    EXPECT_EQ(32, layout.width);
    EXPECT_EQ(24, layout.height);
    EXPECT_EQ(std::vector<int>(6, 4), layout.delays);
}

// A recording killed between two frames must leave a file every decoder reads: each frame is
// followed by the trailer, which the next frame writes over.
TEST_F(EncoderTest, FileIsACompleteGifAfterEveryFrame)
{
    const std::wstring file = PathOf(L"growing.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(file));
    ASSERT_EQ(NoFailure, encoder.Start());
    int32_t encoded = 0;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(1, AddFrame(encoder, i));
        ASSERT_TRUE(WaitUntil([&] { return State(encoder, &encoded) != Encoding || encoded == i + 1; }));
        ASSERT_EQ(Encoding, State(encoder));
        const GifLayout layout = ReadGifLayout(file);
        EXPECT_TRUE(layout.complete) << "after frame " << i + 1;
        EXPECT_EQ(std::vector<int>(i + 1, 4), layout.delays);
    }
    const std::vector<uint8_t> before = ReadBytes(file);
    encoder.Finish(0);
    ASSERT_NE(Encoding, encoder.WaitEnded());
    EXPECT_EQ(Finished, State(encoder));
    // Finishing adds nothing: the last frame's trailer is the file's end.
    EXPECT_TRUE(before == ReadBytes(file));
}

// Compact recordings: an unchanged frame adds its time to the frame before, and counts as
// encoded; the first frame and the first after the region moved or was resized (a new canvas)
// are whole.
TEST_F(EncoderTest, CompactModeWritesChangesAndWholeFramesAfterANewRegion)
{
    const std::wstring file = PathOf(L"compact.gif");
    CTestEncoder encoder;
    EncoderParams params = Params(file);
    params.compact = true;
    encoder.SetParams(params);
    ASSERT_EQ(NoFailure, encoder.Start());
    ASSERT_EQ(1, AddFrame(encoder, 0));
    ASSERT_EQ(1, AddFrame(encoder, 0));
    ASSERT_EQ(1, AddFrame(encoder, 1));
    m_canvas.Resize(64, 48);
    ASSERT_EQ(1, AddFrame(encoder, 1));
    ASSERT_EQ(1, AddFrame(encoder, 1));
    encoder.Finish(0);
    ASSERT_NE(Encoding, encoder.WaitEnded());
    EXPECT_EQ(Finished, State(encoder));

    const GifLayout layout = ReadGifLayout(file);
    EXPECT_TRUE(layout.complete);
    EXPECT_EQ(64, layout.width);
    EXPECT_EQ(48, layout.height);
    EXPECT_EQ((std::vector<int>{64 * 48, 64 * 48, 64 * 48}), layout.areas);
    EXPECT_EQ((std::vector<int>{8, 4, 8}), layout.delays);
    EXPECT_EQ(5, encoder.Progress().encoded);
}

// Compact frames of up to 255 colours whose colours come again share the file's global colour
// table: the entries a later frame takes are written into the header before it, so the file
// shows every frame's picture after every frame.
TEST_F(EncoderTest, CompactFramesShareTheHeadersColourTable)
{
    const std::wstring file = PathOf(L"shared-table.gif");
    m_canvas.Resize(32, 8);
    CTestEncoder encoder;
    EncoderParams params = Params(file, 32, 8);
    params.compact = true;
    encoder.SetParams(params);
    ASSERT_EQ(NoFailure, encoder.Start());
    // Colours from a list, from `from` on, `count` of them, shifted by the frame: frame 0 takes
    // 200 entries, frame 2 brings 150 others (no room, it keeps its table), frame 3 takes 40
    // more in the header of the file written so far.
    const uint32_t from[] = {0, 0, 1000, 100};
    const uint32_t count[] = {200, 200, 150, 140};
    std::vector<std::vector<uint32_t>> pictures;
    int32_t encoded = 0;
    for (int k = 0; k < 4; ++k) {
        std::vector<uint32_t> pixels;
        for (uint32_t i = 0; i < 32 * 8; ++i)
            pixels.push_back((from[k] + (i + static_cast<uint32_t>(k)) % count[k]) * 2654435761u & 0xFFFFFF);
        PaintPixels(m_canvas, pixels);
        pictures.push_back(pixels);
        ASSERT_TRUE(encoder.AddFrame(m_canvas));
        ASSERT_TRUE(WaitUntil([&] { return State(encoder, &encoded) != Encoding || encoded == k + 1; }));
        ASSERT_EQ(Encoding, State(encoder));

        const std::vector<uint8_t> bytes = ReadBytes(file);
        CMemorySource source(bytes);
        GifFileInfo info;
        ASSERT_EQ(GifError::None, IndexGif(source, &info));
        ASSERT_EQ(static_cast<size_t>(k + 1), info.frames.size());
        EXPECT_EQ(k == 2, info.frames[k].tableOffset != 0) << "frame " << k;
        CGifPictures shown(source, info, 1 << 20);
        for (int j = 0; j <= k; ++j) {
            ASSERT_EQ(GifError::None, shown.Show(static_cast<size_t>(j)));
            for (size_t i = 0; i < pictures[j].size(); ++i)
                ASSERT_EQ(pictures[j][i], shown.Picture()[i] & 0xFFFFFF) << "frame " << j << " pixel " << i;
        }
    }
    encoder.Finish(0);
    ASSERT_NE(Encoding, encoder.WaitEnded());
    EXPECT_EQ(Finished, State(encoder));
}

TEST_F(EncoderTest, StopInsteadOfFinishDeletesTheFileAndFinishes)
{
    const std::wstring file = PathOf(L"stopped.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(file));
    ASSERT_EQ(NoFailure, encoder.Start());
    for (int i = 0; i < 3; ++i)
        AddFrame(encoder, i);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(file); }));
    encoder.Abort();
    EXPECT_EQ(Finished, State(encoder));
    EXPECT_FALSE(FileExists(file));
}

TEST_F(EncoderTest, FinishWithoutFramesLeavesTheTrailerOnly)
{
    const std::wstring file = PathOf(L"empty.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(file));
    ASSERT_EQ(NoFailure, encoder.Start());
    encoder.Finish(0);
    ASSERT_NE(Encoding, encoder.WaitEnded());
    EXPECT_EQ(Finished, State(encoder));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(1u, data.nFileSizeLow);
}

TEST_F(EncoderTest, DestroyingARunningEncoderEndsItsWorkerAndRemovesThePartialFile)
{
    const std::wstring file = PathOf(L"destroyed.gif");
    {
        CTestEncoder encoder;
        encoder.SetParams(Params(file, 640, 480));
        ASSERT_EQ(NoFailure, encoder.Start());
        for (int i = 0; i < 20; ++i)
            AddFrame(encoder, i);
        ASSERT_TRUE(WaitUntil([&] { return FileExists(file); }));
    }
    EXPECT_FALSE(FileExists(file));
}

// A run that cannot write refuses to start, so nothing waits for an end that never comes.
TEST_F(EncoderTest, EmptyOutputOrUncreatableFileFailsWithoutAFileOrABox)
{
    const std::wstring noArea = PathOf(L"no-area.gif");
    CTestEncoder flat;
    flat.SetParams(Params(noArea, 64, 0));
    EXPECT_EQ(EmptyOutput, flat.Start());
    EXPECT_EQ(Failed, State(flat));
    EXPECT_EQ(EmptyOutput, flat.Failure());
    EXPECT_FALSE(FileExists(noArea));
    EXPECT_EQ(0, AddFrame(flat, 1)) << "nothing would drain the queue";
    int32_t received = -1;
    State(flat, nullptr, &received);
    EXPECT_EQ(0, received);
    flat.Abort();
    EXPECT_EQ(Failed, State(flat));

    // A file stands where the output folder should be.
    const std::wstring blocker = PathOf(L"blocker");
    CFile block;
    ASSERT_TRUE(block.OpenForWrite(blocker.c_str()));
    block.Close();
    const std::wstring unreachable = blocker + L"\\out.gif";
    CTestEncoder blocked;
    blocked.SetParams(Params(unreachable));
    EXPECT_EQ(CannotCreateFile, blocked.Start());
    EXPECT_EQ(0, AddFrame(blocked, 1));
    EXPECT_EQ(Failed, State(blocked));
    EXPECT_EQ(CannotCreateFile, blocked.Failure());
    EXPECT_FALSE(FileExists(unreachable));
}

TEST_F(EncoderTest, WriteFailingPartWayKeepsTheFramesBeforeItAsAValidFile)
{
    // A full disk is the user's to act on; any other write failure is a fault nobody foresaw.
    // The window words both from the run's end.
    struct Case {
        DWORD error;
        EncodeFailure failure;
    };
    for (const Case& c : {Case{ERROR_DISK_FULL, DiskFull}, Case{ERROR_HANDLE_DISK_FULL, DiskFull},
                          Case{ERROR_NETNAME_DELETED, WriteFailed}}) {
        SCOPED_TRACE(c.error);
        const std::wstring file = PathOf((L"full-" + std::to_wstring(c.error) + L".gif").c_str());
        CTestEncoder encoder;
        // A solid frame of 64 x 48 takes some 80 bytes: the disk fills within the first few.
        encoder.FailAfter(300, c.error);
        encoder.SetParams(Params(file));
        ASSERT_EQ(NoFailure, encoder.Start());
        for (int i = 0; i < 8; ++i)
            AddFrame(encoder, i);
        encoder.Finish(0);
        ASSERT_NE(Encoding, encoder.WaitEnded());
        int32_t encoded = 0;
        EXPECT_EQ(Failed, State(encoder, &encoded));
        EXPECT_EQ(c.failure, encoder.Failure());
        EXPECT_GE(encoded, 1);
        EXPECT_LT(encoded, 8);
        EXPECT_EQ(0, AddFrame(encoder, 9));

        const GifLayout layout = ReadGifLayout(file);
        EXPECT_TRUE(layout.complete) << "cut back to the last whole frame and closed";
        EXPECT_TRUE(layout.loops);
        EXPECT_EQ(std::vector<int>(encoded, 4), layout.delays) << "the frames counted are the frames kept";
    }

    // A disk full from the start: nothing worth keeping, and the window tells the user.
    const std::wstring early = PathOf(L"early.gif");
    CTestEncoder first;
    first.FailAfter(20);
    first.SetParams(Params(early));
    ASSERT_EQ(NoFailure, first.Start());
    AddFrame(first, 1);
    ASSERT_NE(Encoding, first.WaitEnded());
    int32_t encoded = -1;
    EXPECT_EQ(Failed, State(first, &encoded));
    EXPECT_EQ(DiskFull, first.Failure());
    EXPECT_EQ(0, encoded);
    EXPECT_FALSE(FileExists(early));
}

// A full budget with the writer held: frames being built or waiting to be written still count,
// so the workers cannot take more frames in than the budget holds.
TEST_F(EncoderTest, QueueOverItsBudgetDropsAndCountsFramesThenEncodesTheRest)
{
    for (const int threads : {1, 4}) {
        const std::wstring file = PathOf((L"budget-" + std::to_wstring(threads) + L".gif").c_str());
        // Room for three frames of 64 x 48 at 32 bits.
        CTestEncoder encoder(3 * m_canvas.DibSize(), threads);
        encoder.HoldWrites();
        encoder.SetParams(Params(file));
        ASSERT_EQ(NoFailure, encoder.Start());
        int accepted = 0;
        for (int i = 0; i < 10; ++i)
            accepted += AddFrame(encoder, i);
        int32_t received = 0;
        State(encoder, nullptr, &received);
        EXPECT_EQ(accepted, received);
        EXPECT_EQ(3, received) << threads << " workers";
        EXPECT_EQ(10 - received, encoder.Progress().dropped);

        encoder.ReleaseWrites();
        encoder.Finish(0);
        int32_t encoded = 0;
        EXPECT_EQ(Finished, encoder.WaitEnded());
        EXPECT_EQ(Finished, State(encoder, &encoded, &received));
        EXPECT_EQ(received, encoded);
        EXPECT_EQ(static_cast<size_t>(encoded), ReadGifLayout(file).delays.size());
    }
}

// Frames that the workers could not build within a few seconds are dropped while recording,
// not left for the user to wait for after Stop.
TEST_F(EncoderTest, ABacklogOfMoreThanAFewSecondsOfWorkIsDropped)
{
    const std::wstring file = PathOf(L"backlog.gif");
    CTestEncoder encoder(CGifEncoder::kDefaultQueueBudget, 1);
    encoder.BuildSlowly(250);
    encoder.SetParams(Params(file));
    ASSERT_EQ(NoFailure, encoder.Start());
    ASSERT_EQ(1, AddFrame(encoder, 0));
    // The pace is known once a frame is built.
    ASSERT_TRUE(WaitUntil([&] {
        int32_t encoded = 0;
        State(encoder, &encoded);
        return encoded == 1;
    }));
    for (int i = 1; i <= 40; ++i)
        AddFrame(encoder, i);
    int32_t received = 0;
    State(encoder, nullptr, &received);
    // 3 s of work at 250 ms a frame is 12 frames in flight; one may have finished meanwhile.
    EXPECT_LE(received, 1 + 14);
    EXPECT_EQ(41 - received, encoder.Progress().dropped);
    encoder.Finish(0);
    int32_t encoded = 0;
    EXPECT_EQ(Finished, encoder.WaitEnded());
    EXPECT_EQ(Finished, State(encoder, &encoded, &received));
    EXPECT_EQ(received, encoded);
}

// Encodes the mixed sequence with the given number of workers and returns the file's bytes.
// Frames 4 and 9 fail to build; frame `raiseAt`, when given, raises in its worker.
struct MixedRun {
    RunState status = Encoding;
    EncodeFailure failure = NoFailure;
    int32_t encoded = 0;
    int32_t received = 0;
    std::vector<uint8_t> bytes;
};

class MixedEncoderTest : public EncoderTest {
protected:
    static constexpr int kFrames = 14;

    // Default: frames 4 and 9 fail to build. Compact: the compact mode, no frame fails.
    // CompactFailing: the compact mode on growing frames with frames 4 and 9 failing;
    // CompactWithout: the same without frames 4 and 9 at all.
    enum class Mode { Default, Compact, CompactFailing, CompactWithout };

    MixedRun Record(const std::wstring& file, int threads, int outWidth, int outHeight,
                    int raiseAt = -1, uint32_t failWritesAfter = 0, Mode mode = Mode::Default)
    {
        const bool compact = mode != Mode::Default;
        const bool failing = mode == Mode::Default || mode == Mode::CompactFailing;
        MixedRun run;
        CTestEncoder encoder(CGifEncoder::kDefaultQueueBudget, threads);
        if (failWritesAfter)
            encoder.FailAfter(failWritesAfter);
        EncoderParams params = Params(file, outWidth, outHeight);
        params.compact = compact;
        encoder.SetParams(params);
        EXPECT_EQ(NoFailure, encoder.Start());
        EXPECT_EQ(threads, encoder.Threads());
        int32_t lastEncoded = 0;
        for (int k = 0; k < kFrames; ++k) {
            const bool fourOrNine = k == 4 || k == 9;
            if (mode == Mode::CompactWithout && fourOrNine)
                continue;
            const COLORREF mark = failing && fourOrNine ? kFailMark
                                  : k == raiseAt        ? kThrowMark
                                                        : CLR_INVALID;
            if (mode == Mode::CompactFailing || mode == Mode::CompactWithout)
                PaintGrowing(m_canvas, k, mark);
            else
                PaintMixed(m_canvas, k, mark);
            encoder.AddFrame(m_canvas);
            State(encoder, &run.encoded, &run.received);
            EXPECT_GE(run.encoded, lastEncoded);
            EXPECT_LE(run.encoded, run.received);
            lastEncoded = run.encoded;
        }
        encoder.Finish(0);
        EXPECT_TRUE(WaitUntil([&] {
            run.status = State(encoder, &run.encoded, &run.received);
            EXPECT_GE(run.encoded, lastEncoded);
            EXPECT_LE(run.encoded, run.received);
            lastEncoded = run.encoded;
            return run.status != Encoding;
        }));
        run.failure = encoder.Failure();
        run.bytes = ReadBytes(file);
        return run;
    }
};

TEST_F(MixedEncoderTest, AnyNumberOfWorkersWritesTheSameBytes)
{
    m_canvas.Resize(160, 120);
    for (const SIZE out : {SIZE{160, 120}, SIZE{96, 72}}) {
        const bool scaled = out.cx != 160;
        std::vector<uint8_t> reference;
        for (const int threads : {1, 2, 3, 8}) {
            if (scaled && threads == 2)
                continue;  // GDI+ scaling is slow under Wine; 1, 3 and 8 say enough
            const std::wstring name = L"mixed-" + std::to_wstring(threads) + L"-" +
                                      std::to_wstring(out.cx) + L".gif";
            const MixedRun run = Record(PathOf(name.c_str()), threads, out.cx, out.cy);
            EXPECT_EQ(Finished, run.status) << threads << " workers";
            EXPECT_EQ(kFrames, run.received);
            EXPECT_EQ(kFrames - 2, run.encoded) << "the two frames that fail are left out";
            const GifLayout layout = ReadGifLayout(PathOf(name.c_str()));
            EXPECT_TRUE(layout.complete);
            EXPECT_EQ(out.cx, layout.width);
            EXPECT_EQ(static_cast<size_t>(kFrames - 2), layout.delays.size());
            if (reference.empty())
                reference = run.bytes;
            else
                EXPECT_TRUE(run.bytes == reference) << threads << " workers, scaled " << scaled;
        }
    }

    // The compact mode, whose workers compare each frame with the one before it.
    std::vector<uint8_t> reference;
    for (const int threads : {1, 3, 8}) {
        const std::wstring name = L"compact-" + std::to_wstring(threads) + L".gif";
        const MixedRun run = Record(PathOf(name.c_str()), threads, 160, 120, -1, 0, Mode::Compact);
        EXPECT_EQ(Finished, run.status);
        EXPECT_EQ(kFrames, run.encoded);
        EXPECT_TRUE(ReadGifLayout(PathOf(name.c_str())).complete);
        if (reference.empty())
            reference = run.bytes;
        else
            EXPECT_TRUE(run.bytes == reference) << threads << " workers, compact";
    }
}

// A compact frame holds only what changed since the frame before it. When that frame could not
// be built, the file must go on from the last frame it holds, as if the lost one had never
// been captured.
TEST_F(MixedEncoderTest, CompactFramesAfterALostFrameFollowOnFromTheFile)
{
    m_canvas.Resize(160, 120);
    const MixedRun without = Record(PathOf(L"compact-without.gif"), 1, 160, 120, -1, 0, Mode::CompactWithout);
    ASSERT_EQ(Finished, without.status);
    for (const int threads : {1, 3}) {
        const std::wstring name = L"compact-lost-" + std::to_wstring(threads) + L".gif";
        const MixedRun run = Record(PathOf(name.c_str()), threads, 160, 120, -1, 0, Mode::CompactFailing);
        EXPECT_EQ(Finished, run.status);
        EXPECT_EQ(kFrames - 2, run.encoded);
        EXPECT_TRUE(run.bytes == without.bytes) << threads << " workers";
    }
}

// A frame that raises in its worker, or a write that fails, ends the run where a single worker
// would have ended it: the file holds the frames before it, byte for byte, and a trailer.
TEST_F(MixedEncoderTest, AFailurePartWayKeepsTheSameFramesBeforeItForAnyNumberOfWorkers)
{
    m_canvas.Resize(160, 120);
    const MixedRun whole = Record(PathOf(L"whole.gif"), 1, 160, 120);
    ASSERT_EQ(Finished, whole.status);
    ASSERT_GT(whole.bytes.size(), 20000u);
    const auto isPrefixOfWhole = [&](const std::vector<uint8_t>& bytes) {
        return bytes.size() > 1 && bytes.size() < whole.bytes.size() && bytes.back() == 0x3B &&
               std::equal(bytes.begin(), bytes.end() - 1, whole.bytes.begin());
    };
    for (const int threads : {1, 3, 8}) {
        const std::wstring raised = PathOf((L"raised-" + std::to_wstring(threads) + L".gif").c_str());
        const MixedRun run = Record(raised, threads, 160, 120, 7);
        EXPECT_EQ(Failed, run.status);
        EXPECT_EQ(EncodeError, run.failure);
        EXPECT_EQ(6, run.encoded) << "frames 0 to 6 without frame 4";
        EXPECT_TRUE(ReadGifLayout(raised).complete);
        EXPECT_TRUE(isPrefixOfWhole(run.bytes)) << threads << " workers";

        const std::wstring full = PathOf((L"full-" + std::to_wstring(threads) + L".gif").c_str());
        const MixedRun cut = Record(full, threads, 160, 120, -1, static_cast<uint32_t>(whole.bytes.size() / 2));
        EXPECT_EQ(Failed, cut.status);
        EXPECT_EQ(DiskFull, cut.failure);
        EXPECT_GE(cut.encoded, 1);
        EXPECT_LT(cut.encoded, kFrames - 2);
        const GifLayout layout = ReadGifLayout(full);
        EXPECT_TRUE(layout.complete);
        EXPECT_EQ(static_cast<size_t>(cut.encoded), layout.delays.size());
        EXPECT_TRUE(isPrefixOfWhole(cut.bytes)) << threads << " workers";
    }
}

TEST_F(EncoderTest, StopWithFramesInFlightEndsEveryThreadAndRemovesTheFile)
{
    m_canvas.Resize(640, 480);
    const std::wstring file = PathOf(L"in-flight.gif");
    CTestEncoder encoder(CGifEncoder::kDefaultQueueBudget, 3);
    encoder.SetParams(Params(file, 640, 480));
    ASSERT_EQ(NoFailure, encoder.Start());
    for (int k = 0; k < 24; ++k) {
        PaintMixed(m_canvas, 4 * k);  // noise: slow to build
        ASSERT_TRUE(encoder.AddFrame(m_canvas));
    }
    int32_t encoded = 0;
    int32_t received = 0;
    ASSERT_TRUE(WaitUntil([&] {
        State(encoder, &encoded, &received);
        return encoded >= 1;
    }));
    encoder.Abort();
    EXPECT_EQ(Finished, State(encoder, &encoded, &received));
    EXPECT_EQ(24, received);
    EXPECT_LT(encoded, 24) << "Stop did not wait for the queue";
    EXPECT_FALSE(FileExists(file));

    // The same encoder serves a new run with fresh workers.
    const std::wstring again = PathOf(L"again.gif");
    encoder.SetParams(Params(again, 640, 480));
    ASSERT_EQ(NoFailure, encoder.Start());
    PaintMixed(m_canvas, 2);
    ASSERT_TRUE(encoder.AddFrame(m_canvas));
    encoder.Finish(0);
    EXPECT_EQ(Finished, encoder.WaitEnded());
    EXPECT_EQ(1u, ReadGifLayout(again).delays.size());
}

}  // namespace

// At true speed each frame is shown until the next capture and the last until the end, with a
// frame the builder refuses adding its time to the frame before it; the bytes counted are the
// file's.
TEST_F(EncoderTest, TrueSpeedDelaysFollowTheCaptureTimesAndTheEnd)
{
    const std::wstring file = PathOf(L"true-speed.gif");
    CTestEncoder encoder;
    EncoderParams params = Params(file);
    params.trueSpeed = true;
    encoder.SetParams(params);
    ASSERT_EQ(NoFailure, encoder.Start());
    const int64_t times[] = {40, 100, 133, 166, 400, 405};
    for (int i = 0; i < 6; ++i) {
        m_canvas.SetCaptureMs(times[i]);
        if (i == 3) {
            PaintMixed(m_canvas, i, kFailMark);
            ASSERT_TRUE(encoder.AddFrame(m_canvas));
        } else {
            ASSERT_EQ(1, AddFrame(encoder, i));
        }
    }
    encoder.Finish(500);
    ASSERT_NE(Encoding, encoder.WaitEnded());
    ASSERT_EQ(Finished, State(encoder));

    const GifLayout layout = ReadGifLayout(file);
    EXPECT_TRUE(layout.complete);
    // From the start of the recording's clock to 100 (the first frame is shown from the start),
    // 100 to 133, 133 to 400 (the refused frame's time included), the two hundredths a frame
    // cannot go below, and the rest of the time to the end.
    EXPECT_EQ((std::vector<int>{10, 3, 27, 2, 8}), layout.delays);
    EXPECT_EQ(static_cast<int64_t>(ReadBytes(file).size()), encoder.Progress().bytesWritten);
}

// Two recordings that want one name at the same instant, in this copy of the program or in
// another: each gets a file of its own, and only a folder that cannot be written is refused.
TEST_F(EncoderTest, ANewFileTakesTheNextFreeNameAndNeverReplacesOne)
{
    EXPECT_EQ(L"C:\\a\\20240102030405-2.gif", NumberedPath(L"C:\\a\\20240102030405.gif", 2));
    EXPECT_EQ(L"C:\\a\\plain-3", NumberedPath(L"C:\\a\\plain", 3));

    const std::wstring wanted = PathOf(L"20240102030405.gif");
    struct Case {
        const char* name;
        std::vector<const wchar_t*> existing;  // files there before, the first held open
        const wchar_t* expected;               // null: refused
    };
    const Case cases[] = {
        {"free", {}, L"20240102030405.gif"},
        {"taken and held open", {L"20240102030405.gif"}, L"20240102030405-2.gif"},
        {"two taken", {L"20240102030405-2.gif", L"20240102030405.gif"}, L"20240102030405-3.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        std::vector<std::unique_ptr<CFile>> held;
        for (const wchar_t* name : c.existing) {
            held.push_back(std::make_unique<CFile>());
            ASSERT_TRUE(held.back()->OpenForWrite(PathOf(name).c_str()));
            held.back()->Write("x", 1);
        }
        std::wstring path = PathOf(L"20240102030405.gif");
        std::unique_ptr<CFile> file = CreateNewFile(&path);
        ASSERT_TRUE(file);
        EXPECT_EQ(PathOf(c.expected), path);
        held.clear();
        file.reset();
        for (const wchar_t* name : c.existing)
            EXPECT_EQ(1u, ReadBytes(PathOf(name)).size()) << "a file was replaced";
    }

    // A file stands where the folder should be: no name helps, and no other name is tried.
    const std::wstring blocker = PathOf(L"blocker");
    CFile block;
    ASSERT_TRUE(block.OpenForWrite(blocker.c_str()));
    block.Close();
    std::wstring unreachable = blocker + L"\\out.gif";
    EXPECT_FALSE(CreateNewFile(&unreachable));
    EXPECT_EQ(blocker + L"\\out.gif", unreachable);
    EXPECT_FALSE(FileExists(blocker + L"\\out-2.gif"));
}
