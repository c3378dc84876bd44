// Which frames enter the frame path: the byte budget, the backlog at the workers' pace, the
// refusal once the run is cancelled, and claims that give their bytes back.
#include <gtest/gtest.h>

#include <chrono>
#include <utility>
#include <vector>

#include "pipeline/frame_admission.h"

namespace {

using namespace std::chrono_literals;

TEST(FrameAdmission, AFrameIsAdmittedOnlyWithinTheBudgetAndTheBacklog)
{
    struct Case {
        const char* name;
        uint64_t budget;
        uint32_t held;  // bytes of a frame admitted before
        int threads;
        std::chrono::milliseconds pace;  // per frame built so far; 0: none built yet
        size_t inFlight;
        bool cancelled;
        uint32_t bytes;
        bool admitted;
        int32_t dropped;
    };
    const Case cases[] = {
        {"fits", 100, 40, 1, 0ms, 1, false, 60, true, 0},
        {"over the bytes", 100, 40, 1, 0ms, 1, false, 61, false, 1},
        {"a pace not yet known", 1000, 0, 1, 0ms, 500, false, 10, true, 0},
        {"a backlog of exactly the limit", 1000, 0, 2, 100ms, 60, false, 10, true, 0},
        {"over the backlog", 1000, 0, 2, 100ms, 61, false, 10, false, 1},
        {"refused once the run is cancelled", 1000, 0, 1, 0ms, 0, true, 10, false, 0},
        {"a frame of no bytes", 1000, 0, 1, 0ms, 0, false, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFrameAdmission admission(c.budget);
        CCancellation cancel;
        admission.Open(c.threads, cancel);
        CFrameClaim before;
        if (c.held)
            before = admission.Claim(c.held, 0);
        if (c.pace > 0ms)
            admission.Built(c.pace);
        if (c.cancelled)
            cancel.Cancel();
        const CFrameClaim claim = admission.Claim(c.bytes, c.inFlight);
        EXPECT_EQ(c.admitted, static_cast<bool>(claim));
        EXPECT_EQ(c.admitted ? c.bytes : 0u, claim.Bytes());
        EXPECT_EQ(c.held + claim.Bytes(), admission.ClaimedBytes());
        EXPECT_EQ(c.dropped, admission.Dropped());
    }
}

// A claim gives its bytes back once, whether released, moved from or destroyed, and a new run
// starts with nothing dropped and the pace unknown, while the claims of frames still in flight
// keep their room.
TEST(FrameAdmission, ClaimsGiveTheirBytesBackOnce)
{
    CFrameAdmission admission(100);
    CCancellation run;
    admission.Open(1, run);
    std::vector<CFrameClaim> claims;
    claims.push_back(admission.Claim(50, 0));
    claims.push_back(admission.Claim(50, 0));
    EXPECT_FALSE(admission.Claim(1, 0));
    EXPECT_EQ(1, admission.Dropped());

    CFrameClaim moved = std::move(claims[0]);
    EXPECT_FALSE(claims[0]);
    claims[0].Release();
    EXPECT_EQ(100u, admission.ClaimedBytes());
    moved.Release();
    moved.Release();
    EXPECT_EQ(50u, admission.ClaimedBytes());
    CFrameClaim again = admission.Claim(50, 0);
    EXPECT_TRUE(again);

    admission.Built(10s);
    EXPECT_FALSE(admission.Claim(1, 1)) << "ten seconds of work in flight";
    CCancellation nextRun;
    admission.Open(1, nextRun);
    EXPECT_EQ(0, admission.Dropped());
    EXPECT_EQ(100u, admission.ClaimedBytes());
    again = CFrameClaim();
    claims.clear();
    EXPECT_EQ(0u, admission.ClaimedBytes());
    EXPECT_TRUE(admission.Claim(100, 1)) << "the pace was forgotten";
}

}  // namespace
