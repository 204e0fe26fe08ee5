#pragma once
// The end of the session (logout, shutdown, a closed terminal) as an ordinary
// event: SIGTERM, SIGHUP and SIGINT are turned into a call on the window thread,
// so the program ends as when its main window is closed.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vyn {

class SessionEndWatcher : public QObject
{
public:
    // One watcher per process; onEnd runs in the event loop, once per signal.
    explicit SessionEndWatcher(std::function<void(int signal)> onEnd, QObject* parent = nullptr);
    ~SessionEndWatcher() override;
    SessionEndWatcher(const SessionEndWatcher&) = delete;
    SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

    // Runs inside the signal handler itself, for what cannot wait for the event
    // loop: a device write blocks the window thread and must be told to stop
    // between parameters. Only async-signal-safe work (an atomic store).
    void setImmediateAction(void (*action)(void*), void* context);

    // False when the signals could not be taken over.
    bool isActive() const { return m_notifier != nullptr; }

private:
    void readSignal();

    std::function<void(int)> m_onEnd;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vyn
