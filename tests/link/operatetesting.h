#pragma once
// The window's side of a generation-03 transfer, for the tests: a host that
// records the worker's messages and a loop that plays the window's timer.

#include "link/operate.h"

#include <QStringList>
#include <mutex>
#include <thread>

namespace vyntest {

class RecordingHost : public vyn::OperateHost
{
public:
    void showMessage(const QString& text) override
    {
        std::lock_guard lock(m_mutex);
        m_messages << text;
    }
    void operationStarted() override { ++m_started; }
    void operationEnded() override { ++m_ended; }

    QStringList messages() const
    {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    int started() const { return m_started; }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_messages.clear();
        m_started = 0;
        m_ended = 0;
    }
    int ended() const { return m_ended; }

private:
    mutable std::mutex m_mutex;
    QStringList m_messages;
    std::atomic<int> m_started{0};
    std::atomic<int> m_ended{0};
};

// What the window's timer saw.
struct Collected
{
    std::vector<vyn::OperateState::Published> published;
    std::vector<int> pages; // page addresses in the order shown
    long long steps = 0;
    bool finished = false;
};

// Takes what the worker publishes until it ends or the time is up. onTick runs
// on every round (a test may stop the worker from there).
template <typename OnTick>
Collected collectUntilFinished(const vyn::TOperate& worker, vyn::OperateState& state, OnTick onTick,
                               std::chrono::milliseconds limit)
{
    Collected c;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const bool finished = worker.Finished();
        if (auto p = state.takePublished())
            c.published.push_back(*p);
        c.steps += state.takeStep();
        if (auto page = state.pageAddress(); page && (c.pages.empty() || c.pages.back() != *page))
            c.pages.push_back(*page);
        if (finished) {
            c.finished = true;
            break;
        }
        onTick(c);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return c;
}

inline Collected collectUntilFinished(const vyn::TOperate& worker, vyn::OperateState& state,
                                      std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    return collectUntilFinished(
        worker, state, [](const Collected&) {}, limit);
}

// Quick pacing: no byte interval, 1 ms reply checks.
inline vyn::OperateTimings quickOperateTimings(int waitChecks = 1001)
{
    vyn::OperateTimings t;
    t.byteInterval = std::chrono::microseconds(0);
    t.waitStep = std::chrono::milliseconds(1);
    t.waitChecks = waitChecks;
    t.handOverPoll = std::chrono::milliseconds(1);
    return t;
}

} // namespace vyntest
