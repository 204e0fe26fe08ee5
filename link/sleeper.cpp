#include "sleeper.h"

#include <thread>

namespace vyn {

void ThreadSleeper::sleepFor(std::chrono::microseconds duration)
{
    if (duration.count() > 0)
        std::this_thread::sleep_for(duration);
}

ThreadSleeper& ThreadSleeper::instance()
{
    static ThreadSleeper sleeper;
    return sleeper;
}

} // namespace vyn
