#pragma once
// A generation-03 transfer on a terminal: the worker's messages are queued and
// printed by the main thread, its progress is one line on stderr, and Ctrl+C
// asks it to stop.

#include "terminalui.h"

#include "link/operate.h"

#include <QStringList>
#include <atomic>
#include <csignal>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vyntool {

// Ctrl+C (SIGINT) and SIGTERM. Until armed they end vyntool as usual; once
// armed they call the stop request (on the watcher thread: it must be
// thread-safe) and are remembered, so that the command ends in its own time
// with its port closed. Made before any thread starts: every later thread
// inherits the blocked signals, and only the watcher takes them.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Set before arming; called on every signal once armed.
    void setStopRequest(std::function<void()> stop)
    {
        std::lock_guard lock(m_stopMutex);
        m_stop = std::move(stop);
    }
    void arm() { m_armed.store(true); }
    bool takeInterrupt() { return m_interrupted.exchange(false); }
    // Whether a signal came since the guard was armed (not reset by takeInterrupt).
    bool interrupted() const { return m_any.load(); }

private:
    void watch();

    sigset_t m_set{};
    sigset_t m_previous{};
    std::mutex m_stopMutex;
    std::function<void()> m_stop;
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_interrupted{false};
    std::atomic<bool> m_any{false};
    std::atomic<bool> m_quit{false};
    std::thread m_watcher;
};

// The worker's end on the terminal.
class TerminalTransferHost : public vyn::OperateHost
{
public:
    explicit TerminalTransferHost(InterruptGuard& guard) : m_guard(guard) {}

    void showMessage(const QString& text) override;
    void operationStarted() override { m_guard.arm(); }
    QStringList takeMessages();

private:
    InterruptGuard& m_guard;
    std::mutex m_mutex;
    std::deque<QString> m_messages;
};

// Follows the running worker to its end: progress, messages (through dialogs,
// captioned with title; failures on stderr), Ctrl+C. The exit code: 0 written, 1
// failed, 130 stopped.
int followTransfer(vyn::OperateRunner& runner, TerminalTransferHost& host, InterruptGuard& guard,
                   TerminalDialogs& dialogs, TerminalStatus& status, const QString& title);

} // namespace vyntool
