#include "gif/frame_delay.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Delays for frames captured at the given times, the last one ended at endMs.
std::vector<int> Delays(const std::vector<int64_t>& captures, int64_t endMs)
{
    CFrameDelays delays(captures.front());
    std::vector<int> out;
    for (size_t i = 1; i < captures.size(); ++i)
        out.push_back(delays.Next(captures[i]));
    out.push_back(delays.Next(endMs));
    return out;
}

int Sum(const std::vector<int>& values)
{
    int sum = 0;
    for (int v : values)
        sum += v;
    return sum;
}

}  // namespace

// 30 frames per second is 3.33 hundredths a frame: rounding each frame alone would give 3s
// and play 10 % fast; carried, the sum follows the clock.
TEST(FrameDelays, CarryKeepsTheSumOnTheClock)
{
    for (int interval : {33, 34, 47, 50, 66, 117}) {
        SCOPED_TRACE(interval);
        std::vector<int64_t> captures;
        for (int i = 0; i < 300; ++i)
            captures.push_back(1000 + int64_t{i} * interval);
        const int64_t end = captures.back() + interval;
        const std::vector<int> delays = Delays(captures, end);
        ASSERT_EQ(delays.size(), captures.size());
        EXPECT_NEAR(Sum(delays) * 10, end - captures.front(), 5);
        for (int d : delays) {
            EXPECT_GE(d, interval / 10);
            EXPECT_LE(d, (interval + 9) / 10);
        }
    }
}

// Irregular capture (a loaded machine): every prefix of the sum stays within half a hundredth.
TEST(FrameDelays, IrregularCaptureNeverDrifts)
{
    uint32_t seed = 12345;
    std::vector<int64_t> captures{0};
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        captures.push_back(captures.back() + 20 + (seed >> 16) % 200);
    }
    CFrameDelays delays(captures.front());
    int64_t sum = 0;
    for (size_t i = 1; i < captures.size(); ++i) {
        sum += delays.Next(captures[i]);
        ASSERT_LE(std::abs(sum * 10 - captures[i]), 5) << "frame " << i;
    }
}

// Frames closer than two hundredths get two, and the frames after them pay it back, so the
// sum returns to the clock; a time that goes backwards never yields a short delay either.
TEST(FrameDelays, ShortGapsGetTheMinimumAndAreRepaid)
{
    const std::vector<int> delays = Delays({0, 5, 10, 15, 100, 200}, 300);
    EXPECT_EQ(delays, (std::vector<int>{2, 2, 2, 4, 10, 10}));
    EXPECT_EQ(Sum(delays), 30);

    CFrameDelays backwards(1000);
    EXPECT_EQ(backwards.Next(900), CFrameDelays::kMinDelay);
}

// A frame held for minutes (a stalled machine) is capped at what the field holds.
TEST(FrameDelays, LongestDelayFitsSixteenBits)
{
    CFrameDelays delays(0);
    EXPECT_EQ(delays.Next(int64_t{1000} * 60 * 60 * 24), CFrameDelays::kMaxDelay);
}
