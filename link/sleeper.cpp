#include "sleeper.h"

#include <thread>

namespace vyn {

void ThreadSleeper::sleepFor(std::chrono::microseconds duration)
{
    if (duration.count() > 0)
        std::this_thread::sleep_for(duration);
}

void ThreadSleeper::sleepSince(std::chrono::steady_clock::time_point since,
                               std::chrono::microseconds duration)
{
    // A sleeping thread wakes up to a few hundred microseconds late (more on a
    // busy virtual machine), which on hundreds of paced bytes adds up to a
    // tenth of a second or more: the last millisecond is waited out awake,
    // giving way to any other thread that wants the processor meanwhile.
    constexpr std::chrono::microseconds kAwake(1000);
    const auto end = since + duration;
    if (end - std::chrono::steady_clock::now() > kAwake)
        std::this_thread::sleep_until(end - kAwake);
    while (std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
}

bool ThreadSleeper::sleepUnlessStopped(std::chrono::microseconds duration,
                                       const std::atomic<bool>& stop)
{
    // Short steps: a stop request is not kept waiting for seconds.
    constexpr std::chrono::microseconds kStep = std::chrono::milliseconds(20);
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!stop.load()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        std::this_thread::sleep_for(std::min(left, kStep));
    }
    return false;
}

void ThreadSleeper::sleepUntilReady(std::chrono::microseconds duration,
                                    const std::function<bool()>& ready)
{
    // Steps far below a byte's time on the line at the usual speeds.
    constexpr std::chrono::microseconds kStep(250);
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!ready()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return;
        std::this_thread::sleep_for(std::min(left, kStep));
    }
}

ThreadSleeper& ThreadSleeper::instance()
{
    static ThreadSleeper sleeper;
    return sleeper;
}

} // namespace vyn
