// The worker pool behind the recorder's encoder: frames come out in the order they went in,
// whatever order the workers finish them in, and the run's cancellation leaves nothing running.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "pipeline/encode_pool.h"

namespace {

// A job that takes longer for some frames than for others, so later frames often finish first.
CEncodePool::Job NumberJob(int n, std::atomic<int>* alive = nullptr)
{
    std::shared_ptr<void> token;
    if (alive) {
        ++*alive;
        token = std::shared_ptr<void>(alive, [](void* p) { --*static_cast<std::atomic<int>*>(p); });
    }
    return [n, token](CFrameWorkspace&, CEncodedFrame& result) {
        std::this_thread::sleep_for(std::chrono::microseconds((n * 7919) % 5 * 400));
        if (n < 0)
            throw std::runtime_error("cannot build");
        result.built = n % 5 != 3;
        result.image.assign(1, static_cast<uint8_t>(n));
        result.keepUntilWritten = token;
    };
}

TEST(EncodePool, FramesReachTheWriterInSubmissionOrderForAnyNumberOfWorkers)
{
    for (const int threads : {1, 2, 3, 8}) {
        CCancellation cancel;
        CEncodePool pool;
        ASSERT_TRUE(pool.Start(threads, cancel));
        std::thread producer([&pool] {
            for (int n = 0; n < 60; ++n)
                pool.Submit(NumberJob(n));
            pool.Finish();
        });
        CEncodedFrame frame;
        int expected = 0;
        while (pool.TakeInOrder(&frame) == CEncodePool::Next::Frame) {
            ASSERT_EQ(1u, frame.image.size());
            EXPECT_EQ(expected, frame.image[0]) << threads << " workers";
            EXPECT_EQ(expected % 5 != 3, frame.built);
            ++expected;
        }
        EXPECT_EQ(60, expected);
        EXPECT_EQ(CEncodePool::Next::Drained, pool.TakeInOrder(&frame));
        EXPECT_FALSE(pool.Submit(NumberJob(61))) << "no job after the finish";
        producer.join();
        pool.Join();
        EXPECT_EQ(0u, pool.InFlight());
    }
}

TEST(EncodePool, AJobThatRaisesReachesTheWriterInItsTurn)
{
    CCancellation cancel;
    CEncodePool pool;
    ASSERT_TRUE(pool.Start(4, cancel));
    for (const int n : {0, 1, -1, 3})
        pool.Submit(NumberJob(n));
    pool.Finish();
    CEncodedFrame frame;
    ASSERT_EQ(CEncodePool::Next::Frame, pool.TakeInOrder(&frame));
    EXPECT_FALSE(frame.error);
    ASSERT_EQ(CEncodePool::Next::Frame, pool.TakeInOrder(&frame));
    EXPECT_FALSE(frame.error);
    ASSERT_EQ(CEncodePool::Next::Frame, pool.TakeInOrder(&frame));
    EXPECT_TRUE(frame.error);
    EXPECT_FALSE(frame.built);
    pool.Join();
}

// The cancellation wakes the writer and the workers at once; what the queued and finished
// frames hold is released by the time the workers are joined.
TEST(EncodePool, TheCancellationReleasesEveryFrameAndWakesTheWriter)
{
    std::atomic<int> alive{0};
    CCancellation cancel;
    CEncodePool pool;
    ASSERT_TRUE(pool.Start(2, cancel));
    for (int n = 0; n < 200; ++n)
        pool.Submit(NumberJob(n, &alive));
    CEncodedFrame frame;
    ASSERT_EQ(CEncodePool::Next::Frame, pool.TakeInOrder(&frame));
    frame = CEncodedFrame();
    std::thread writer([&pool] {
        CEncodedFrame f;
        while (pool.TakeInOrder(&f) == CEncodePool::Next::Frame) {
        }
    });
    cancel.Cancel();
    writer.join();
    pool.Join();
    EXPECT_EQ(0, alive.load());
    EXPECT_EQ(CEncodePool::Next::Stopped, pool.TakeInOrder(&frame));
    EXPECT_FALSE(pool.Submit(NumberJob(1)));

    // A new run with a new cancellation starts clean.
    CCancellation next;
    ASSERT_TRUE(pool.Start(2, next));
    pool.Submit(NumberJob(7));
    pool.Finish();
    ASSERT_EQ(CEncodePool::Next::Frame, pool.TakeInOrder(&frame));
    EXPECT_EQ(7, frame.image[0]);
    EXPECT_EQ(CEncodePool::Next::Drained, pool.TakeInOrder(&frame));
    pool.Join();
}

// A wake is called once, on the cancelling thread or at once when it comes late, and never
// after it has gone: a pool of a run before must not be woken through a freed wake.
TEST(Cancellation, WakesEachLivingWakeOnce)
{
    CCancellation cancel;
    int early = 0;
    int gone = 0;
    int late = 0;
    {
        CCancellation::CWake goneWake(cancel, [&gone] { ++gone; });
    }
    CCancellation::CWake earlyWake(cancel, [&early] { ++early; });
    EXPECT_FALSE(cancel.Cancelled());
    std::thread([&cancel] { cancel.Cancel(); }).join();
    cancel.Cancel();
    CCancellation::CWake lateWake(cancel, [&late] { ++late; });
    EXPECT_TRUE(cancel.Cancelled());
    EXPECT_EQ(1, early);
    EXPECT_EQ(0, gone);
    EXPECT_EQ(1, late);
}

}  // namespace
