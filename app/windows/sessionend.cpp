#include "app/windows/sessionend.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vyn {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
// The handler may only write; the rest happens in the event loop.
int g_pipe[2] = {-1, -1};
std::atomic<void (*)(void*)> g_immediate{nullptr};
std::atomic<void*> g_immediateContext{nullptr};

extern "C" void onSignal(int signal)
{
    const int saved = errno;
    if (auto action = g_immediate.load())
        action(g_immediateContext.load());
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SessionEndWatcher::SessionEndWatcher(std::function<void(int)> onEnd, QObject* parent)
    : QObject(parent), m_onEnd(std::move(onEnd))
{
    if (g_pipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readSignal(); });
}

SessionEndWatcher::~SessionEndWatcher()
{
    if (!m_notifier)
        return;
    struct sigaction action
    {
    };
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
    g_immediate.store(nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SessionEndWatcher::setImmediateAction(void (*action)(void*), void* context)
{
    g_immediateContext.store(context);
    g_immediate.store(action);
}

void SessionEndWatcher::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1 && m_onEnd)
        m_onEnd(byte);
}

} // namespace vyn
