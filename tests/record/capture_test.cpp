// The screen capture on a real screen: the tests put solid windows up and look at what it captured.
#include <gtest/gtest.h>

#include <vector>

#include <memory>
#include <mutex>

#include "pipeline/recording.h"
#include "record/mem_canvas.h"
#include "record/screen_capture.h"
#include "test_scene.h"
#include "wait_until.h"

namespace {

struct SeenFrame {
    int width;
    int height;
    COLORREF topLeft;
    COLORREF centre;
    std::vector<COLORREF> samples;  // at the log's sample points, frame coordinates
};

// Records what the capture hands over instead of encoding it.
class CFrameLog : public IFrameEncoder, public ICanvasSink {
public:
    EncodeFailure Start(CCancellation& cancel, EndedHandler ended) override
    {
        ++starts;
        m_ended = std::move(ended);
        m_wake = std::make_unique<CCancellation::CWake>(cancel, [this] { m_ended(EncodeEnd()); });
        return NoFailure;
    }
    bool AddFrame(CMemCanvas& canvas) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const int w = canvas.Width();
        const int h = canvas.Height();
        std::vector<COLORREF> samples;
        for (const POINT& p : samplePoints)
            samples.push_back(GetPixel(canvas.Hdc(), p.x, p.y));
        m_frames.push_back({w, h, GetPixel(canvas.Hdc(), 0, 0), GetPixel(canvas.Hdc(), w / 2, h / 2), samples});
        m_captureMs.push_back(canvas.CaptureMs());
        return true;
    }
    void Finish(int64_t recordingMs) override
    {
        endMs = recordingMs;
        ++finishes;
        m_ended(EncodeEnd());
    }
    EncoderProgress Progress() const override { return EncoderProgress(); }
    std::wstring FilePath() const override { return std::wstring(); }

    std::vector<int64_t> CaptureTimes()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_captureMs;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frames.size();
    }
    std::vector<SeenFrame> Frames()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frames;
    }
    // Waits until no frame has arrived for a few intervals: capture has really paused.
    bool WaitQuiet(DWORD intervalMs)
    {
        size_t seen = Count();
        DWORD since = GetTickCount();
        return WaitUntil([&] {
            if (Count() != seen) {
                seen = Count();
                since = GetTickCount();
            }
            return GetTickCount() - since > 4 * intervalMs;
        });
    }

    int starts = 0;
    int finishes = 0;
    int64_t endMs = -1;
    std::vector<POINT> samplePoints;

private:
    EndedHandler m_ended;
    std::unique_ptr<CCancellation::CWake> m_wake;
    std::mutex m_lock;
    std::vector<SeenFrame> m_frames;
    std::vector<int64_t> m_captureMs;
};

// A recording of the screen into a log, made as the program makes its recordings.
struct LoggedRecording {
    CFrameLog* log = nullptr;
    CScreenCapture* capture = nullptr;
    std::unique_ptr<CRecording> recording;

    LoggedRecording(RECT rect, int32_t intervalMs, CMemCanvas* preview = nullptr)
    {
        auto ownLog = std::make_unique<CFrameLog>();
        log = ownLog.get();
        auto ownCapture = std::make_unique<CScreenCapture>(CaptureRect{rect.left, rect.top, rect.right, rect.bottom},
                                                           *log, preview, false);
        capture = ownCapture.get();
        recording = std::make_unique<CRecording>(std::move(ownCapture), std::move(ownLog), intervalMs);
    }
    RecordingStart::Result Start() { return recording->Start(nullptr).result; }
    void Resume(RECT r) { recording->Resume(CaptureRect{r.left, r.top, r.right, r.bottom}); }
};

const COLORREF kRed = RGB(220, 30, 30);
const COLORREF kBlue = RGB(30, 30, 220);
const COLORREF kGreen = RGB(30, 200, 30);

int ScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int ScreenHeight()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace

// A region reaching past an edge records at its own size, not stretched: the off-screen part
// is black and each on-screen pixel lands where it lies in the region. Checked at each edge and
// at two opposite corners by pixels on both sides of a scene's border.
TEST(ScreenCapture, RectanglesPastTheEdgesKeepTheirSizeWithTheOffScreenPartBlack)
{
    const int sw = ScreenWidth();
    const int sh = ScreenHeight();
    // Solid squares 100 pixels in from each corner; the regions below end 40 pixels past an edge.
    CTestScene topLeft(CTestScene::Kind::Solid, RECT{0, 0, 100, 100}, kRed);
    CTestScene bottomRight(CTestScene::Kind::Solid, RECT{sw - 100, sh - 100, sw, sh}, kBlue);
    ASSERT_TRUE(topLeft.WaitShown());
    ASSERT_TRUE(bottomRight.WaitShown());

    struct Case {
        const char* name;
        RECT rect;         // 200 x 160, 40 pixels of it past the edge(s)
        COLORREF colour;   // the square it overlaps
        POINT inside;      // frame pixel on the square
        POINT beside;      // frame pixel just off the square, on screen
        POINT offScreen;   // frame pixel past the edge
    };
    const Case cases[] = {
        {"left", RECT{-40, 20, 160, 180}, kRed, {40, 0}, {140, 0}, {39, 0}},
        {"top", RECT{20, -40, 220, 120}, kRed, {0, 40}, {80, 40}, {0, 39}},
        {"top left", RECT{-40, -40, 160, 120}, kRed, {40, 40}, {140, 139}, {39, 39}},
        {"right", RECT{sw - 160, sh - 180, sw + 40, sh - 20}, kBlue, {159, 80}, {59, 80}, {160, 80}},
        {"bottom", RECT{sw - 220, sh - 120, sw - 20, sh + 40}, kBlue, {199, 119}, {119, 119}, {199, 120}},
        {"bottom right", RECT{sw - 160, sh - 120, sw + 40, sh + 40}, kBlue, {159, 119}, {59, 20}, {160, 120}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoggedRecording run(c.rect, 30);
        CFrameLog& log = *run.log;
        log.samplePoints = {c.inside, c.beside, c.offScreen};
        ASSERT_EQ(RecordingStart::Result::Started, run.Start());
        ASSERT_TRUE(WaitUntil([&] { return log.Count() >= 2; }));
        run.recording->Finish();
        const SeenFrame frame = log.Frames().back();
        EXPECT_EQ(200, frame.width);
        EXPECT_EQ(160, frame.height);
        EXPECT_TRUE(ColourNear(c.colour, frame.samples[0], 8)) << std::hex << frame.samples[0];
        EXPECT_FALSE(ColourNear(c.colour, frame.samples[1], 40)) << std::hex << frame.samples[1];
        EXPECT_EQ(RGB(0, 0, 0), frame.samples[2]) << std::hex << frame.samples[2];
    }
}

TEST(ScreenCapture, RefusesToStartOnNothingToCapture)
{
    struct Case {
        const char* name;
        RECT rect;
    };
    const Case cases[] = {
        {"empty rectangle", RECT{10, 10, 10, 50}},
        {"wholly off screen to the right", RECT{ScreenWidth() + 10, 0, ScreenWidth() + 200, 100}},
        {"wholly off screen above and left", RECT{-300, -300, -10, -10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoggedRecording run(c.rect, 30);
        EXPECT_EQ(RecordingStart::Result::NothingToCapture, run.Start());
        EXPECT_EQ(0, run.log->starts) << "the encoder is started only for a capture that runs";
        run.recording->Finish();
        EXPECT_EQ(0, run.log->finishes);
    }
    LoggedRecording run(RECT{0, 0, 50, 50}, 30);
    ASSERT_EQ(RecordingStart::Result::Started, run.Start());
    EXPECT_EQ(RecordingStart::Result::AlreadyStarted, run.Start()) << "already running";
    run.recording->Finish();
    EXPECT_EQ(1, run.log->starts);
    EXPECT_EQ(1, run.log->finishes);
}

TEST(ScreenCapture, ResumeFollowsAMovedRectangleAndKeepsTheCanvasOtherwise)
{
    CTestScene left(CTestScene::Kind::Solid, RECT{300, 300, 460, 420}, kRed);
    CTestScene right(CTestScene::Kind::Solid, RECT{700, 300, 800, 350}, kBlue);
    ASSERT_TRUE(left.WaitShown());
    ASSERT_TRUE(right.WaitShown());

    CMemCanvas preview;
    ASSERT_TRUE(preview.Resize(320, 180));
    LoggedRecording run(RECT{310, 310, 450, 410}, 25, &preview);
    CFrameLog& log = *run.log;
    ASSERT_EQ(RecordingStart::Result::Started, run.Start());
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= 3; }));
    {
        std::lock_guard<std::mutex> guard(preview.PaintLock());
        EXPECT_TRUE(ColourNear(kRed, GetPixel(preview.Hdc(), 160, 90), 8));
    }

    // Paused and resumed in place: the same canvas goes on.
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    run.Resume(RECT{310, 310, 450, 410});
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= 6; }));
    EXPECT_EQ(1, run.capture->CanvasesMade());

    // Paused, moved and resized: every frame after the resume, the first included, is new.
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    const size_t beforeResume = log.Count();
    run.Resume(RECT{710, 310, 790, 340});
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= beforeResume + 3; }));
    EXPECT_EQ(2, run.capture->CanvasesMade());

    // An empty rectangle on resume is ignored; capture goes on where it was.
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    run.Resume(RECT{5, 5, 5, 5});
    const size_t beforeEmpty = log.Count();
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= beforeEmpty + 2; }));
    run.recording->Finish();
    EXPECT_EQ(2, run.capture->CanvasesMade());
    EXPECT_EQ(1, log.finishes);

    const std::vector<SeenFrame> frames = log.Frames();
    for (size_t i = 0; i < beforeResume; ++i) {
        EXPECT_EQ(140, frames[i].width) << "frame " << i;
        EXPECT_TRUE(ColourNear(kRed, frames[i].centre, 8)) << "frame " << i;
    }
    for (size_t i = beforeResume; i < frames.size(); ++i) {
        EXPECT_EQ(80, frames[i].width) << "frame " << i;
        EXPECT_EQ(30, frames[i].height) << "frame " << i;
        EXPECT_TRUE(ColourNear(kBlue, frames[i].centre, 8)) << "frame " << i;
    }
}

TEST(ScreenCapture, StopWhilePausedStillEndsTheFrames)
{
    CTestScene scene(CTestScene::Kind::Solid, RECT{1000, 600, 1100, 700}, kGreen);
    ASSERT_TRUE(scene.WaitShown());
    LoggedRecording run(RECT{1010, 610, 1090, 690}, 25);
    CFrameLog& log = *run.log;
    ASSERT_EQ(RecordingStart::Result::Started, run.Start());
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= 1; }));
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    run.recording->Finish();
    EXPECT_EQ(1, log.finishes);
    run.recording->WaitEnded();
    EXPECT_TRUE(ColourNear(kGreen, log.Frames().back().centre, 8));
}

TEST(ScreenCapture, AnIntervalShorterThanAFrameRunsBackToBack)
{
    LoggedRecording run(RECT{0, 0, 64, 64}, 0);
    ASSERT_EQ(RecordingStart::Result::Started, run.Start());
    ASSERT_TRUE(WaitUntil([&] { return run.log->Count() >= 50; }));
    run.recording->Finish();
    EXPECT_EQ(1, run.log->finishes);
}

// The frames' clock runs only while capturing: a pause adds nothing between the frames around
// it, and a stop while paused ends the recording at the pause.
TEST(ScreenCapture, CaptureClockLeavesPausesOut)
{
    LoggedRecording run(RECT{10, 10, 90, 90}, 25);
    CFrameLog& log = *run.log;
    ASSERT_EQ(RecordingStart::Result::Started, run.Start());
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= 5; }));
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    const size_t beforePause = log.Count();
    Sleep(500);  // the pause being measured, not a wait for the capture
    run.Resume(RECT{10, 10, 90, 90});
    ASSERT_TRUE(WaitUntil([&] { return log.Count() >= beforePause + 5; }));
    run.recording->Pause();
    ASSERT_TRUE(log.WaitQuiet(25));
    Sleep(300);
    run.recording->Finish();

    const std::vector<int64_t> times = log.CaptureTimes();
    ASSERT_GE(times.size(), beforePause + 5);
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i], times[i - 1]) << "frame " << i;
    EXPECT_LT(times[beforePause] - times[beforePause - 1], 250) << "the pause was counted";
    EXPECT_GE(log.endMs, times.back());
    EXPECT_LT(log.endMs - times.back(), 250) << "the pause before the stop was counted";
}
