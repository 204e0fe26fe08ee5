#include "simprocess.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vyntest {

namespace {

QString selfDir()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

// Starts the program with stdout (and stderr when errFd is given) on pipes.
pid_t spawn(const QString& program, const QStringList& args, int& outFd, int* errFd)
{
    int out[2];
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0)
        return -1;
    if (errFd && ::pipe2(err, O_CLOEXEC) != 0)
        return -1;
    std::vector<QByteArray> argv8{QFile::encodeName(program)};
    for (const QString& a : args)
        argv8.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : argv8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test that dies takes its simulator with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(out[1], 1);
        if (errFd)
            ::dup2(err[1], 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    outFd = out[0];
    if (errFd) {
        ::close(err[1]);
        *errFd = err[0];
    }
    return pid;
}

} // namespace

QString builtProgram(const QString& name)
{
    const QByteArray dir = qgetenv("SETVYN_BIN_DIR");
    QString base =
        dir.isEmpty() ? QStringLiteral(SETVYN_BIN_DIR_PATH) : QString::fromLocal8Bit(dir);
    if (base.isEmpty())
        base = selfDir();
    return base + QLatin1Char('/') + name;
}

SimProcess::SimProcess(const QStringList& args)
{
    int outFd = -1;
    m_pid = spawn(builtProgram(QStringLiteral("vynsim")), args, outFd, nullptr);
    if (m_pid < 0) {
        m_error = QStringLiteral("cannot start vynsim");
        return;
    }
    QByteArray line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!line.endsWith('\n') && std::chrono::steady_clock::now() < deadline) {
        pollfd p{outFd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        if (::read(outFd, &c, 1) != 1)
            break;
        line.append(c);
    }
    ::close(outFd);
    if (!line.endsWith('\n')) {
        m_error = QStringLiteral("vynsim printed no path (arguments %1)")
                      .arg(args.join(QLatin1Char(' ')));
        return;
    }
    m_path = QString::fromLocal8Bit(line.trimmed());
}

SimProcess::~SimProcess()
{
    stop();
}

int SimProcess::stop()
{
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool waitForLogLines(const QString& logPath, const QByteArray& text, int count, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        QFile f(logPath);
        if (f.open(QIODevice::ReadOnly)) {
            int found = 0;
            for (const QByteArray& line : f.readAll().split('\n'))
                found += line.contains(text) ? 1 : 0;
            if (found >= count)
                return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        ::usleep(20'000);
    }
}

RunResult runProgram(const QString& name, const QStringList& args, int timeoutMs)
{
    RunResult result;
    int outFd = -1;
    int errFd = -1;
    const pid_t pid = spawn(builtProgram(name), args, outFd, &errFd);
    if (pid < 0)
        return result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool outOpen = true;
    bool errOpen = true;
    while ((outOpen || errOpen) && std::chrono::steady_clock::now() < deadline) {
        pollfd p[2] = {{outOpen ? outFd : -1, POLLIN, 0}, {errOpen ? errFd : -1, POLLIN, 0}};
        if (::poll(p, 2, 100) <= 0)
            continue;
        char buf[4096];
        for (int i = 0; i < 2; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP)))
                continue;
            const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
            if (n <= 0)
                (i == 0 ? outOpen : errOpen) = false;
            else
                (i == 0 ? result.out : result.err).append(buf, n);
        }
    }
    if (outOpen || errOpen)
        ::kill(pid, SIGKILL);
    ::close(outFd);
    ::close(errFd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace vyntest
