#pragma once
// Runs vynsim (or another built program) as a child process for tests and the
// benchmark. The simulator's first output line is the path of its line.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace vyntest {

// A program of the build's bin directory ($SETVYN_BIN_DIR overrides it).
QString builtProgram(const QString& name);

class SimProcess
{
public:
    // Starts vynsim with the arguments and reads the line's path.
    explicit SimProcess(const QStringList& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    QString error() const { return m_error; }
    pid_t pid() const { return m_pid; }
    // SIGTERM, then waits; the exit code (or -1).
    int stop();

private:
    pid_t m_pid = -1;
    QString m_path;
    QString m_error;
};

struct RunResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Waits until the live log of a running vynsim holds at least count lines that
// contain text (one line an exchange); false after timeoutMs.
bool waitForLogLines(const QString& logPath, const QByteArray& text, int count = 1,
                     int timeoutMs = 30000);

// Runs a built program to its end (killed after timeoutMs).
RunResult runProgram(const QString& name, const QStringList& args, int timeoutMs = 30000);

} // namespace vyntest
