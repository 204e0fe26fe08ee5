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
#include <mutex>
#include <thread>

namespace vyntool {

// Ctrl+C before the worker runs ends vyntool as usual; once it runs, Ctrl+C
// asks it to stop. Made before any thread starts: every later thread inherits
// the blocked SIGINT, and only the watcher takes it.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    void arm() { m_armed.store(true); }
    bool takeInterrupt() { return m_interrupted.exchange(false); }

private:
    void watch();

    sigset_t m_set{};
    sigset_t m_previous{};
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_interrupted{false};
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
// captioned with title), Ctrl+C. The exit code: 0 written, 1 failed, 130 stopped.
int followTransfer(vyn::OperateRunner& runner, TerminalTransferHost& host, InterruptGuard& guard,
                   TerminalDialogs& dialogs, TerminalStatus& status, const QString& title);

} // namespace vyntool
