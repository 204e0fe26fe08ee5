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

    // False when the signals could not be taken over.
    bool isActive() const { return m_notifier != nullptr; }

private:
    void readSignal();

    std::function<void(int)> m_onEnd;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vyn
