// A recording's life with a fake frame source and a fake encoder: which calls reach them in
// which order, what the ended event says, and that capture sleeps while paused.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "pipeline/recording.h"
#include "pipeline/wake_lead.h"

namespace {

using namespace std::chrono_literals;

// Everything the fakes saw, shared with the test after the recording owns them.
struct Log {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<int64_t> frames;  // capture times
    std::vector<CaptureRect> moves;
    int starts = 0;
    int finishes = 0;
    int cancels = 0;
    int endedEvents = 0;
    RecordingOutcome outcome;

    template <class Predicate>
    bool WaitFor(Predicate done)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 20s, [&] { return done(); });
    }
    size_t FrameCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return frames.size();
    }
};

class CFakeSource : public IFrameSource {
public:
    CFakeSource(Log& log, bool opens) : m_log(log), m_opens(opens) {}
    bool Open() override { return m_opens; }
    void CaptureFrame(int64_t recordingMs) override
    {
        std::lock_guard<std::mutex> lock(m_log.mutex);
        m_log.frames.push_back(recordingMs);
        m_log.changed.notify_all();
    }
    void MoveTo(const CaptureRect& rect) override { m_log.moves.push_back(rect); }

private:
    Log& m_log;
    bool m_opens;
};

// Ends its run on a thread of its own, as the real writer does: after Finish, at the run's
// cancellation, or at a failure the test makes.
class CFakeEncoder : public IFrameEncoder {
public:
    CFakeEncoder(Log& log, EncodeFailure startResult) : m_log(log), m_startResult(startResult) {}
    ~CFakeEncoder() override
    {
        m_wake.reset();
        Join();
    }
    EncodeFailure Start(CCancellation& cancel, EndedHandler ended) override
    {
        {
            std::lock_guard<std::mutex> lock(m_log.mutex);
            ++m_log.starts;
        }
        m_ended = std::move(ended);
        if (m_startResult == NoFailure)
            m_wake = std::make_unique<CCancellation::CWake>(cancel, [this] {
                {
                    std::lock_guard<std::mutex> lock(m_log.mutex);
                    ++m_log.cancels;
                }
                EndOnThread(NoFailure);
            });
        return m_startResult;
    }
    void Finish(int64_t) override
    {
        {
            std::lock_guard<std::mutex> lock(m_log.mutex);
            ++m_log.finishes;
        }
        EndOnThread(NoFailure);
    }
    EncoderProgress Progress() const override
    {
        EncoderProgress progress;
        progress.received = static_cast<int32_t>(m_log.FrameCount());
        progress.encoded = progress.received;
        return progress;
    }
    std::wstring FilePath() const override { return L"fake.gif"; }
    // A failure of the writer while capture runs.
    void EndOnThread(EncodeFailure failure)
    {
        if (m_ending.exchange(true))
            return;
        m_thread = std::thread([this, failure] {
            EncodeEnd end;
            end.failure = failure;
            m_ended(end);
        });
    }

private:
    void Join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }
    Log& m_log;
    EncodeFailure m_startResult;
    EndedHandler m_ended;
    std::atomic<bool> m_ending{false};
    std::thread m_thread;
    std::unique_ptr<CCancellation::CWake> m_wake;
};

struct Fixture {
    Log log;
    CFakeEncoder* encoder = nullptr;
    std::unique_ptr<CRecording> recording;

    Fixture(bool sourceOpens, EncodeFailure startResult, int32_t intervalMs = 5)
    {
        auto fakeEncoder = std::make_unique<CFakeEncoder>(log, startResult);
        encoder = fakeEncoder.get();
        recording = std::make_unique<CRecording>(std::make_unique<CFakeSource>(log, sourceOpens),
                                                 std::move(fakeEncoder), intervalMs);
    }
    RecordingStart Start()
    {
        return recording->Start([this](const RecordingOutcome& outcome) {
            std::lock_guard<std::mutex> lock(log.mutex);
            ++log.endedEvents;
            log.outcome = outcome;
            log.changed.notify_all();
        });
    }
    bool WaitFrames(size_t count)
    {
        return log.WaitFor([&] { return log.frames.size() >= count; });
    }
};

}  // namespace

TEST(Recording, RefusedStartsRunNothingAndRaiseNoEvent)
{
    using Result = RecordingStart::Result;
    struct Case {
        const char* name;
        bool sourceOpens;
        EncodeFailure encoderStart;
        Result result;
        int encoderStarts;
    };
    const Case cases[] = {
        {"source cannot open", false, NoFailure, Result::NothingToCapture, 0},
        {"file cannot be created", true, CannotCreateFile, Result::EncoderRefused, 1},
        {"disk full at once", true, DiskFull, Result::EncoderRefused, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(c.sourceOpens, c.encoderStart);
        const RecordingStart start = f.Start();
        EXPECT_EQ(c.result, start.result);
        EXPECT_EQ(c.encoderStart, start.failure);
        EXPECT_EQ(c.encoderStarts, f.log.starts);
        f.recording->Finish();
        f.recording.reset();
        EXPECT_EQ(0u, f.log.frames.size());
        EXPECT_EQ(0, f.log.finishes + f.log.cancels);
        EXPECT_EQ(0, f.log.endedEvents);
    }

    // A second start of a running recording is refused as such and leaves the run alone.
    Fixture f(true, NoFailure);
    ASSERT_EQ(Result::Started, f.Start().result);
    EXPECT_EQ(Result::AlreadyStarted, f.Start().result);
    EXPECT_EQ(1, f.log.starts);
    ASSERT_TRUE(f.WaitFrames(2));
    f.recording->Finish();
    f.recording->WaitEnded();
    EXPECT_EQ(RecordingOutcome::End::Completed, f.log.outcome.end);
}

TEST(Recording, EachWayToEndRaisesOneEventWithItsOutcome)
{
    enum class How { Finish, FinishWhilePaused, Abort, Destroy, EncoderFails };
    struct Case {
        const char* name;
        How how;
        RecordingOutcome::End end;
        EncodeFailure failure;
        int finishes;
        int cancels;
    };
    const Case cases[] = {
        {"finish", How::Finish, RecordingOutcome::End::Completed, NoFailure, 1, 0},
        {"finish while paused", How::FinishWhilePaused, RecordingOutcome::End::Completed, NoFailure, 1, 0},
        {"abort", How::Abort, RecordingOutcome::End::Abandoned, NoFailure, 0, 1},
        {"owner goes", How::Destroy, RecordingOutcome::End::Abandoned, NoFailure, 0, 1},
        {"disk fills up", How::EncoderFails, RecordingOutcome::End::Failed, DiskFull, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(true, NoFailure);
        ASSERT_EQ(RecordingStart::Result::Started, f.Start().result);
        ASSERT_TRUE(f.WaitFrames(3));
        switch (c.how) {
        case How::Finish:
            f.recording->Finish();
            break;
        case How::FinishWhilePaused:
            f.recording->Pause();
            f.recording->Finish();
            break;
        case How::Abort:
            f.recording->Abort();
            break;
        case How::Destroy:
            f.recording.reset();
            break;
        case How::EncoderFails:
            f.encoder->EndOnThread(c.failure);
            break;
        }
        ASSERT_TRUE(f.log.WaitFor([&] { return f.log.endedEvents > 0; }));
        if (f.recording) {
            f.recording->WaitEnded();
            // Capture has stopped with the run, and a late Finish changes nothing.
            f.recording->Finish();
            f.recording.reset();
        }
        const size_t frames = f.log.FrameCount();
        EXPECT_EQ(1, f.log.endedEvents);
        EXPECT_EQ(c.end, f.log.outcome.end);
        EXPECT_EQ(c.failure, f.log.outcome.failure);
        EXPECT_EQ(c.finishes, f.log.finishes);
        EXPECT_EQ(c.cancels, f.log.cancels);
        EXPECT_EQ(static_cast<int32_t>(frames), f.log.outcome.counts.encoded);
    }
}

TEST(Recording, PausedCaptureSleepsAndResumesOnTheMovedRegion)
{
    Fixture f(true, NoFailure, 2);
    ASSERT_EQ(RecordingStart::Result::Started, f.Start().result);
    ASSERT_TRUE(f.WaitFrames(3));
    f.recording->Pause();
    // A frame under way when Pause came may still arrive; none may follow it.
    std::this_thread::sleep_for(50ms);
    const size_t atPause = f.log.FrameCount();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(atPause, f.log.FrameCount()) << "a frame captured while paused";

    const CaptureRect moved{10, 20, 110, 220};
    f.recording->Resume(moved);
    ASSERT_TRUE(f.WaitFrames(atPause + 2));
    f.recording->Finish();
    f.recording->WaitEnded();
    ASSERT_EQ(1u, f.log.moves.size());
    EXPECT_TRUE(f.log.moves[0] == moved);
    // The pause is left out of the capture times.
    EXPECT_LT(f.log.frames[atPause] - f.log.frames[atPause - 1], 150);
    for (size_t i = 1; i < f.log.frames.size(); ++i)
        EXPECT_LE(f.log.frames[i - 1], f.log.frames[i]);
}

// Capture waits for its next slot on the state, not on a timer it checks: a stop during a long
// interval ends it at once.
TEST(Recording, FinishWakesCaptureBetweenFrames)
{
    Fixture f(true, NoFailure, 600000);
    ASSERT_EQ(RecordingStart::Result::Started, f.Start().result);
    ASSERT_TRUE(f.WaitFrames(1));
    std::thread finisher([&] { f.recording->Finish(); });
    EXPECT_TRUE(f.log.WaitFor([&] { return f.log.endedEvents == 1; })) << "Finish waited for the next frame";
    finisher.join();
    EXPECT_EQ(1u, f.log.FrameCount());
}

// Waking early must never start a frame early: whatever the wait does, frames start at least an
// interval apart.
TEST(Recording, FramesStartAnIntervalApart)
{
    Fixture f(true, NoFailure, 7);
    ASSERT_EQ(RecordingStart::Result::Started, f.Start().result);
    ASSERT_TRUE(f.WaitFrames(30));
    f.recording->Finish();
    f.recording->WaitEnded();
    for (size_t i = 1; i < f.log.frames.size(); ++i)
        EXPECT_GE(f.log.frames[i] - f.log.frames[i - 1], 7) << "frame " << i;
}

TEST(WakeLead, FollowsRecentLatenessWithinBounds)
{
    // Every wake lateUs late, `wakes` times: the lead, in microseconds, within [least, most].
    const struct {
        int lateUs, wakes, least, most;
    } cases[] = {
        {0, 0, 1500, 1500}, {0, 60, 500, 600}, {-3000, 60, 500, 600}, {2000, 60, 2400, 2500}, {200000, 60, 5000, 5000},
    };
    for (const auto& c : cases) {
        CWakeLead lead;
        for (int i = 0; i < c.wakes; ++i)
            lead.Woke(std::chrono::microseconds(c.lateUs));
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(lead.Lead()).count();
        EXPECT_TRUE(us >= c.least && us <= c.most) << c.lateUs << " us late " << c.wakes << " times: lead " << us;
    }
}

TEST(RecordingClock, LeavesPausesOut)
{
    using Clock = CRecordingClock::Clock;
    struct Step {
        char action;  // s start, p pause, r resume, m measure
        int atMs;
        int64_t expectedMs;
    };
    const Step steps[] = {
        {'s', 1000, 0}, {'m', 1500, 500}, {'p', 2000, 0}, {'m', 5000, 1000}, {'p', 5200, 0},
        {'r', 6000, 0}, {'m', 6500, 1500}, {'r', 7000, 0}, {'m', 7000, 2000},
    };
    const Clock::time_point origin{};
    CRecordingClock clock;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.atMs);
        const Clock::time_point at = origin + std::chrono::milliseconds(step.atMs);
        switch (step.action) {
        case 's':
            clock.Start(at);
            break;
        case 'p':
            clock.Pause(at);
            break;
        case 'r':
            clock.Resume(at);
            break;
        default:
            EXPECT_EQ(step.expectedMs, clock.Ms(at));
        }
    }
}
