#pragma once
// Real waits go through this, so that tests can count them instead of waiting.

#include <chrono>

namespace vyn {

class Sleeper
{
public:
    virtual ~Sleeper() = default;
    virtual void sleepFor(std::chrono::microseconds duration) = 0;
    void sleepMs(int ms) { sleepFor(std::chrono::milliseconds(ms)); }
};

class ThreadSleeper : public Sleeper
{
public:
    void sleepFor(std::chrono::microseconds duration) override;
    // One shared instance: it holds no state.
    static ThreadSleeper& instance();
};

} // namespace vyn
