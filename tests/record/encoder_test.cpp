// The encoder's states, counters and failures, with frames from a canvas the test fills.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "gdiplus_session.h"
#include "gif_layout.h"
#include "record/gif_encoder.h"
#include "record/mem_canvas.h"
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

// Writes through to a real file, but like a disk that fills up after `limit` bytes: the
// write that crosses it stores what fits and then fails.
class CFullDiskSink : public IByteSink {
public:
    CFullDiskSink(std::unique_ptr<CFile> file, uint32_t limit) : m_file(std::move(file)), m_left(limit) {}
    void Write(const void* data, uint32_t count) override
    {
        const uint32_t fits = count < m_left ? count : m_left;
        if (fits > 0)
            m_file->Write(data, fits);
        m_left -= fits;
        if (fits < count)
            throw CFileException(ERROR_DISK_FULL);
    }

private:
    std::unique_ptr<CFile> m_file;
    uint32_t m_left;
};

// Holds every write until the gate opens, so frames pile up in the queue meanwhile.
class CGatedSink : public IByteSink {
public:
    CGatedSink(std::unique_ptr<CFile> file, HANDLE gate) : m_file(std::move(file)), m_gate(gate) {}
    void Write(const void* data, uint32_t count) override
    {
        WaitForSingleObject(m_gate, INFINITE);
        m_file->Write(data, count);
    }

private:
    std::unique_ptr<CFile> m_file;
    HANDLE m_gate;
};

class CTestEncoder : public CGifEncoder {
public:
    explicit CTestEncoder(uint64_t budget = kDefaultQueueBudget) : CGifEncoder(budget) {}
    ~CTestEncoder() override
    {
        // Shut down here, while the overrides the worker calls still exist.
        if (m_gate)
            SetEvent(m_gate);
        Shutdown();
        if (m_gate)
            CloseHandle(m_gate);
    }
    void FailAfter(uint32_t bytes) { m_limit = bytes; }
    void HoldWrites() { m_gate = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    void ReleaseWrites() { SetEvent(m_gate); }
    int Boxes() const { return m_boxes; }

protected:
    std::unique_ptr<IByteSink> OpenOutput(const std::wstring& path) override
    {
        auto file = std::make_unique<CFile>();
        if (!file->OpenForWrite(path.c_str()))
            return nullptr;
        if (m_limit)
            return std::make_unique<CFullDiskSink>(std::move(file), m_limit);
        if (m_gate)
            return std::make_unique<CGatedSink>(std::move(file), m_gate);
        return file;
    }
    void ReportError() override { ++m_boxes; }

private:
    uint32_t m_limit = 0;
    HANDLE m_gate = nullptr;
    std::atomic<int> m_boxes{0};
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
        m_canvas.Resize(48, 64);
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
    int AddFrame(IPicEncoder& encoder, int index)
    {
        HBRUSH brush = CreateSolidBrush(RGB(index * 40 % 256, 255 - index * 25 % 256, index * 90 % 256));
        const RECT all = {0, 0, m_canvas.Width(), m_canvas.Height()};
        FillRect(m_canvas.Hdc(), &all, brush);
        DeleteObject(brush);
        return encoder.AddFrame(&m_canvas);
    }

    static int State(IPicEncoder& encoder, int32_t* encoded = nullptr, int32_t* received = nullptr)
    {
        int32_t e = 0;
        int32_t r = 0;
        const int status = encoder.GetState(&e, &r);
        if (encoded)
            *encoded = e;
        if (received)
            *received = r;
        return status;
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
    EXPECT_EQ(Idle, encoder.GetState(&encoded, &received));
    EXPECT_EQ(0, encoded);
    EXPECT_EQ(0, received);

    // Scaled to 32 x 24; only the low 16 bits of the delay count.
    encoder.SetParams(Params(file, 32, 24, 0x10004));
    encoder.HoldWrites();
    ASSERT_EQ(1, encoder.Start());
    EXPECT_EQ(Encoding, State(encoder));
    for (int i = 0; i < 6; ++i)
        ASSERT_EQ(1, AddFrame(encoder, i));
    ASSERT_EQ(1, encoder.AddFrame(nullptr));
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
    EXPECT_EQ(0, encoder.GetDroppedCount());
    EXPECT_EQ(NoFailure, encoder.GetFailure());

    const GifLayout layout = ReadGifLayout(file);
    EXPECT_TRUE(layout.complete);
    EXPECT_TRUE(layout.loops);
    EXPECT_EQ(32, layout.width);
    EXPECT_EQ(24, layout.height);
    EXPECT_EQ(std::vector<int>(6, 4), layout.delays);
}

TEST_F(EncoderTest, StopInsteadOfFinishDeletesTheFileAndFinishes)
{
    const std::wstring file = PathOf(L"stopped.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(file));
    ASSERT_EQ(1, encoder.Start());
    for (int i = 0; i < 3; ++i)
        AddFrame(encoder, i);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(file); }));
    EXPECT_EQ(1, encoder.Stop());
    EXPECT_EQ(Finished, State(encoder));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(0, encoder.Boxes());
}

TEST_F(EncoderTest, FinishWithoutFramesLeavesTheTrailerOnly)
{
    const std::wstring file = PathOf(L"empty.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(file));
    ASSERT_EQ(1, encoder.Start());
    encoder.AddFrame(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return State(encoder) != Encoding; }));
    EXPECT_EQ(Finished, State(encoder));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(1u, data.nFileSizeLow);
}

TEST_F(EncoderTest, StartWhileRunningEndsThePreviousRunAndItsFile)
{
    const std::wstring first = PathOf(L"first.gif");
    const std::wstring second = PathOf(L"second.gif");
    CTestEncoder encoder;
    encoder.SetParams(Params(first));
    ASSERT_EQ(1, encoder.Start());
    AddFrame(encoder, 1);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(first); }));
    encoder.SetParams(Params(second));
    ASSERT_EQ(1, encoder.Start());
    EXPECT_FALSE(FileExists(first));
    AddFrame(encoder, 2);
    encoder.AddFrame(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return State(encoder) != Encoding; }));
    int32_t encoded = 0;
    int32_t received = 0;
    EXPECT_EQ(Finished, State(encoder, &encoded, &received));
    EXPECT_EQ(1, encoded);
    EXPECT_EQ(1, received);
    EXPECT_EQ(1u, ReadGifLayout(second).delays.size());
}

TEST_F(EncoderTest, DestroyingARunningEncoderEndsItsWorkerAndRemovesThePartialFile)
{
    const std::wstring file = PathOf(L"destroyed.gif");
    {
        CTestEncoder encoder;
        encoder.SetParams(Params(file, 640, 480));
        ASSERT_EQ(1, encoder.Start());
        for (int i = 0; i < 20; ++i)
            AddFrame(encoder, i);
        ASSERT_TRUE(WaitUntil([&] { return FileExists(file); }));
    }
    EXPECT_FALSE(FileExists(file));
}

// Early ends reach the failure status instead of leaving the window waiting for ever.
TEST_F(EncoderTest, EmptyOutputOrUncreatableFileFailsWithoutAFileOrABox)
{
    const std::wstring noArea = PathOf(L"no-area.gif");
    CTestEncoder flat;
    flat.SetParams(Params(noArea, 64, 0));
    ASSERT_EQ(1, flat.Start());
    ASSERT_TRUE(WaitUntil([&] { return State(flat) != Encoding; }));
    EXPECT_EQ(Failed, State(flat));
    EXPECT_EQ(EmptyOutput, flat.GetFailure());
    EXPECT_FALSE(FileExists(noArea));
    EXPECT_EQ(0, AddFrame(flat, 1)) << "nothing would drain the queue";
    int32_t received = -1;
    State(flat, nullptr, &received);
    EXPECT_EQ(0, received);
    EXPECT_EQ(1, flat.Stop());
    EXPECT_EQ(Failed, State(flat));
    EXPECT_EQ(0, flat.Boxes());

    // A file stands where the output folder should be.
    const std::wstring blocker = PathOf(L"blocker");
    CFile block;
    ASSERT_TRUE(block.OpenForWrite(blocker.c_str()));
    block.Close();
    const std::wstring unreachable = blocker + L"\\out.gif";
    CTestEncoder blocked;
    blocked.SetParams(Params(unreachable));
    ASSERT_EQ(1, blocked.Start());
    AddFrame(blocked, 1);
    ASSERT_TRUE(WaitUntil([&] { return State(blocked) != Encoding; }));
    EXPECT_EQ(Failed, State(blocked));
    EXPECT_EQ(CannotCreateFile, blocked.GetFailure());
    EXPECT_FALSE(FileExists(unreachable));
    EXPECT_EQ(0, blocked.Boxes());
}

TEST_F(EncoderTest, WriteFailingPartWayKeepsTheFramesBeforeItAsAValidFile)
{
    const std::wstring file = PathOf(L"full.gif");
    CTestEncoder encoder;
    // A solid frame of 64 x 48 takes some 80 bytes: the disk fills within the first few.
    encoder.FailAfter(300);
    encoder.SetParams(Params(file));
    ASSERT_EQ(1, encoder.Start());
    for (int i = 0; i < 8; ++i)
        AddFrame(encoder, i);
    encoder.AddFrame(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return State(encoder) != Encoding; }));
    int32_t encoded = 0;
    EXPECT_EQ(Failed, State(encoder, &encoded));
    EXPECT_EQ(WriteFailed, encoder.GetFailure());
    EXPECT_EQ(1, encoder.Boxes()) << "one box for one failure";
    EXPECT_GE(encoded, 1);
    EXPECT_LT(encoded, 8);
    EXPECT_EQ(0, AddFrame(encoder, 9));

    const GifLayout layout = ReadGifLayout(file);
    EXPECT_TRUE(layout.complete) << "cut back to the last whole frame and closed";
    EXPECT_TRUE(layout.loops);
    EXPECT_EQ(std::vector<int>(encoded, 4), layout.delays);

    // Failing in the very first frame leaves nothing worth keeping.
    const std::wstring early = PathOf(L"early.gif");
    CTestEncoder first;
    first.FailAfter(20);
    first.SetParams(Params(early));
    ASSERT_EQ(1, first.Start());
    AddFrame(first, 1);
    ASSERT_TRUE(WaitUntil([&] { return State(first) != Encoding; }));
    EXPECT_EQ(Failed, State(first));
    EXPECT_FALSE(FileExists(early));
}

TEST_F(EncoderTest, QueueOverItsBudgetDropsAndCountsFramesThenEncodesTheRest)
{
    const std::wstring file = PathOf(L"budget.gif");
    // Room for three frames of 64 x 48 at 32 bits.
    CTestEncoder encoder(3 * m_canvas.DibSize());
    encoder.HoldWrites();
    encoder.SetParams(Params(file));
    ASSERT_EQ(1, encoder.Start());
    int accepted = 0;
    for (int i = 0; i < 10; ++i)
        accepted += AddFrame(encoder, i);
    int32_t received = 0;
    State(encoder, nullptr, &received);
    EXPECT_EQ(accepted, received);
    EXPECT_LE(received, 4);  // three queued and perhaps one already held by the worker
    EXPECT_EQ(10 - received, encoder.GetDroppedCount());
    EXPECT_LE(encoder.GetFigures().maxQueueLength, 3);

    encoder.ReleaseWrites();
    encoder.AddFrame(nullptr);
    ASSERT_TRUE(WaitUntil([&] { return State(encoder) != Encoding; }));
    int32_t encoded = 0;
    EXPECT_EQ(Finished, State(encoder, &encoded, &received));
    EXPECT_EQ(received, encoded);
    EXPECT_EQ(static_cast<size_t>(encoded), ReadGifLayout(file).delays.size());
}

}  // namespace
