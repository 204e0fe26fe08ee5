#pragma once
// Real waits go through this, so that tests can count them instead of waiting.

#include <atomic>
#include <chrono>
#include <functional>

namespace vyn {

class Sleeper
{
public:
    virtual ~Sleeper() = default;
    virtual void sleepFor(std::chrono::microseconds duration) = 0;
    void sleepMs(int ms) { sleepFor(std::chrono::milliseconds(ms)); }
    // Sleeps, ending early once stop is set; false when stopped. Sleepers that
    // do not really wait take the whole duration as one.
    virtual bool sleepUnlessStopped(std::chrono::microseconds duration,
                                    const std::atomic<bool>& stop)
    {
        if (stop.load())
            return false;
        sleepFor(duration);
        return !stop.load();
    }
    // Sleeps until duration has passed since the given moment, never less; a
    // moment long past ends it at once. Sleepers that do not really wait take
    // the whole duration from now, as sleepFor does.
    virtual void sleepSince(std::chrono::steady_clock::time_point since,
                            std::chrono::microseconds duration)
    {
        (void)since;
        sleepFor(duration);
    }
    // Sleeps, ending early once ready() holds (asked now and then meanwhile).
    // Sleepers that do not really wait take the whole duration as one.
    virtual void sleepUntilReady(std::chrono::microseconds duration,
                                 const std::function<bool()>& ready)
    {
        (void)ready;
        sleepFor(duration);
    }
};

class ThreadSleeper : public Sleeper
{
public:
    void sleepFor(std::chrono::microseconds duration) override;
    bool sleepUnlessStopped(std::chrono::microseconds duration,
                            const std::atomic<bool>& stop) override;
    void sleepSince(std::chrono::steady_clock::time_point since,
                    std::chrono::microseconds duration) override;
    void sleepUntilReady(std::chrono::microseconds duration,
                         const std::function<bool()>& ready) override;
    // One shared instance: it holds no state.
    static ThreadSleeper& instance();
};

} // namespace vyn
