// The real sleeper's waits against the clock: a paced byte must never go out
// before its interval has passed, however the wait is made up.

#include "link/sleeper.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vyn;
using namespace std::chrono;

TEST(ThreadSleeper, SleepSinceNeverEndsBeforeTheIntervalHasPassed)
{
    struct Case
    {
        const char* name;
        microseconds ago, duration;
    };
    const Case cases[] = {
        {"nothing to wait", microseconds(0), microseconds(0)},
        {"shorter than the stretch waited awake", microseconds(0), microseconds(50)},
        {"as long as it", microseconds(0), microseconds(1000)},
        {"a byte interval from now", microseconds(0), milliseconds(2)},
        {"a byte interval partly gone", microseconds(1500), milliseconds(2)},
        {"a byte interval long gone", milliseconds(5), milliseconds(2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 50; ++round) {
            const auto since = steady_clock::now() - c.ago;
            ThreadSleeper::instance().sleepSince(since, c.duration);
            const auto end = steady_clock::now();
            ASSERT_GE(end - since, c.duration) << "round " << round;
        }
    }
}
