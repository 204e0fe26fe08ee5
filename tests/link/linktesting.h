#pragma once
// Shared pieces of the link tests: short protocol timings and a raw
// pseudo-terminal pair for port-level checks.

#include "link/prototimings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace vyntest {

// Header wait as on the line; receive bound 1 s, single-byte bound 300 ms, no line reset.
// The receive bound holds the simulator's replies on a busy machine: a later one
// puts program and simulator out of step.
inline vyn::ProtoTimings quickTimings()
{
    vyn::ProtoTimings t;
    t.lineResetLowMs = 0;
    t.lineResetHighMs = 0;
    t.receiveChecks = 200;
    t.readByteChecks = 30;
    return t;
}

// Timings for whole command runs against vynsim: no line reset, no final pause,
// and a header wait just long enough for an echo on a pseudo-terminal.
inline vyn::ProtoTimings commandTimings()
{
    vyn::ProtoTimings t = quickTimings();
    t.headerWaitBaseMs = 5;
    t.configFinalPauseMs = 0;
    return t;
}

// What vynsim logged: every parameter written as "prefix value" (upper-case hex),
// and every exchange as "function:request".
struct SimLogView
{
    QStringList parameters;
    QStringList exchanges;
};

inline SimLogView readSimLog(const QString& path)
{
    SimLogView v;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return v;
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    for (const QJsonValue& p : root.value(QStringLiteral("parameters")).toArray())
        v.parameters << p[QStringLiteral("prefix")].toString() + QLatin1Char(' ') +
                            p[QStringLiteral("value")].toString();
    for (const QJsonValue& e : root.value(QStringLiteral("exchanges")).toArray())
        v.exchanges << QString::number(e[QStringLiteral("function")].toInt(), 16) +
                           QLatin1Char(':') + e[QStringLiteral("request")].toString();
    return v;
}

// A pseudo-terminal whose master the test drives; a second slave descriptor,
// opened before the port under test, lets the test read the line settings.
struct PtyPair
{
    int master = -1;
    int observer = -1;
    QString path;

    PtyPair()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        path = QString::fromLocal8Bit(::ptsname(master));
        observer = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~PtyPair()
    {
        if (observer >= 0)
            ::close(observer);
        if (master >= 0)
            ::close(master);
    }
    bool ok() const { return observer >= 0; }
    void send(const char* bytes, int n) const
    {
        (void)::write(master, bytes, static_cast<std::size_t>(n));
    }
    termios lineState() const
    {
        termios t{};
        ::tcgetattr(observer, &t);
        return t;
    }
};

} // namespace vyntest
