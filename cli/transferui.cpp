#include "transferui.h"

#include "cliutil.h"

#include <chrono>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

namespace vyntool {

InterruptGuard::InterruptGuard()
{
    sigemptyset(&m_set);
    sigaddset(&m_set, SIGINT);
    sigaddset(&m_set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
    m_watcher = std::thread([this] { watch(); });
}

InterruptGuard::~InterruptGuard()
{
    m_quit.store(true);
    m_watcher.join();
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void InterruptGuard::watch()
{
    const timespec step{0, 100'000'000};
    while (!m_quit.load()) {
        const int signal = sigtimedwait(&m_set, nullptr, &step);
        if (signal != SIGINT && signal != SIGTERM)
            continue;
        if (m_armed.load()) {
            m_any.store(true);
            m_interrupted.store(true);
            std::lock_guard lock(m_stopMutex);
            if (m_stop)
                m_stop();
            continue;
        }
        // Nothing runs yet: end as the signal always does.
        std::signal(signal, SIG_DFL);
        pthread_sigmask(SIG_UNBLOCK, &m_set, nullptr);
        std::raise(signal);
    }
}

void TerminalTransferHost::showMessage(const QString& text)
{
    std::lock_guard lock(m_mutex);
    m_messages.push_back(text);
}

QStringList TerminalTransferHost::takeMessages()
{
    std::lock_guard lock(m_mutex);
    QStringList out(m_messages.begin(), m_messages.end());
    m_messages.clear();
    return out;
}

namespace {

// "Идет запись конфигурации... 312/1176 4000h", in place on a terminal; a log
// gets each status text once on its own line.
class TransferLine
{
public:
    explicit TransferLine(TerminalStatus& status) : m_status(status) {}

    void published(const vyn::OperateState::Published& p)
    {
        m_current = p;
        m_done = 0;
        if (!m_tty && p.status != vyn::OperateStatus::None)
            printErr(vyn::operateStatusText(p.status));
    }
    void advance(int steps, std::optional<int> page)
    {
        m_done += steps;
        if (!m_tty || m_current.status == vyn::OperateStatus::None)
            return;
        const int total = std::max(m_current.maximum - m_current.minimum, 1);
        QString line = QStringLiteral("\r%1 %2/%3")
                           .arg(vyn::operateStatusText(m_current.status))
                           .arg(std::min(m_done, total))
                           .arg(total);
        if (page && m_current.status == vyn::OperateStatus::Writing)
            line += QLatin1Char(' ') + vyn::pageAddressText(*page);
        const QByteArray bytes = (line + QStringLiteral("\x1b[K")).toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
        std::fflush(stderr);
        m_open = true;
    }
    void end()
    {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
        m_status.endLine();
    }

private:
    TerminalStatus& m_status;
    bool m_tty = ::isatty(STDERR_FILENO) != 0;
    bool m_open = false;
    vyn::OperateState::Published m_current;
    int m_done = 0;
};

} // namespace

int followTransfer(vyn::OperateRunner& runner, TerminalTransferHost& host, InterruptGuard& guard,
                   TerminalDialogs& dialogs, TerminalStatus& status, const QString& title)
{
    vyn::TOperate* worker = runner.running();
    if (!worker)
        return ExitFailure;
    vyn::OperateState& state = runner.state();
    TransferLine line(status);
    const auto showMessages = [&] {
        for (const QString& text : host.takeMessages()) {
            line.end();
            dialogs.inform(text, title,
                           text == vyn::transferSucceededText() ? vyn::MessageKind::Information
                                                                : vyn::MessageKind::Error);
        }
    };
    bool stopping = false;
    for (;;) {
        const bool finished = worker->Finished();
        if (guard.takeInterrupt() && !stopping) {
            line.end();
            printErr(QStringLiteral("Запись останавливается..."));
            runner.stop();
            stopping = true;
        }
        // The window's timer takes what the worker hands over; so does this loop.
        if (auto p = state.takePublished())
            line.published(*p);
        line.advance(state.takeStep(), state.pageAddress());
        showMessages();
        if (finished)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    line.end();
    switch (worker->result()) {
    case vyn::OperateResult::Succeeded:
        return ExitOk;
    case vyn::OperateResult::Stopped:
        printErr(QStringLiteral("Запись остановлена; прибор не сконфигурирован."));
        return ExitInterrupted;
    default:
        return ExitFailure;
    }
}

} // namespace vyntool
