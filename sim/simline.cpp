#include "simline.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

namespace vynsim {

namespace {

int baudOf(speed_t code)
{
    switch (code) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

speed_t codeOf(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

void makeRaw(int fd, int baud)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return;
    ::cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL | CSTOPB;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (codeOf(baud) != B0) {
        ::cfsetispeed(&t, codeOf(baud));
        ::cfsetospeed(&t, codeOf(baud));
    }
    ::tcsetattr(fd, TCSANOW, &t);
}

QString systemError(const QString& what)
{
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

SimLine::SimLine(const LineOptions& options) : m_options(options) {}

SimLine::~SimLine()
{
    for (int fd : {m_fd, m_slaveFd, m_signalFd})
        if (fd >= 0)
            ::close(fd);
}

bool SimLine::open(QString& error)
{
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGINT);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    m_signalFd = ::signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);

    const int baud = m_options.speed > 0 ? m_options.speed : 4800;
    if (m_options.speed > 0 && codeOf(m_options.speed) == B0) {
        error = QStringLiteral("unsupported speed %1").arg(m_options.speed);
        return false;
    }
    if (!m_options.device.isEmpty()) {
        const QByteArray native = QFile::encodeName(m_options.device);
        m_fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) {
            error = systemError(m_options.device);
            return false;
        }
        // Anything else (a file, /dev/null) would read as endless input or nothing.
        if (!::isatty(m_fd)) {
            error = QStringLiteral("%1 is not a terminal (serial device)").arg(m_options.device);
            return false;
        }
        makeRaw(m_fd, baud);
        m_path = m_options.device;
        return true;
    }
    m_fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0 || ::grantpt(m_fd) != 0 || ::unlockpt(m_fd) != 0) {
        error = systemError(QStringLiteral("posix_openpt"));
        return false;
    }
    const char* slave = ::ptsname(m_fd);
    if (!slave) {
        error = systemError(QStringLiteral("ptsname"));
        return false;
    }
    m_path = QString::fromLocal8Bit(slave);
    // Raw from the start: no echo by the line discipline, no character mapping.
    m_slaveFd = ::open(slave, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slaveFd < 0) {
        error = systemError(m_path);
        return false;
    }
    makeRaw(m_slaveFd, baud);
    return true;
}

int SimLine::programSpeed() const
{
    termios t{};
    if (m_slaveFd < 0 || ::tcgetattr(m_slaveFd, &t) != 0)
        return 0;
    return baudOf(::cfgetospeed(&t));
}

std::chrono::microseconds SimLine::charTime() const
{
    int baud = m_options.speed;
    int bits = 11;
    termios t{};
    const int fd = m_slaveFd >= 0 ? m_slaveFd : m_fd;
    if (::tcgetattr(fd, &t) == 0) {
        if (baud <= 0)
            baud = baudOf(::cfgetospeed(&t));
        const tcflag_t size = t.c_cflag & CSIZE;
        const int data = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
        bits = 1 + data + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
    }
    if (baud <= 0)
        baud = 4800;
    return std::chrono::microseconds(1'000'000LL * bits / baud);
}

void SimLine::send(std::span<const std::uint8_t> bytes)
{
    const auto now = Clock::now();
    const auto step = m_options.pace ? charTime() : std::chrono::microseconds(0);
    for (std::uint8_t b : bytes) {
        m_txLast = std::max(now, m_txLast) + step;
        m_tx.push_back({b, m_txLast});
    }
}

void SimLine::readInput()
{
    std::uint8_t buf[512];
    for (;;) {
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n <= 0)
            return;
        const auto now = Clock::now();
        const auto step = m_options.pace ? charTime() : std::chrono::microseconds(0);
        const int speed = programSpeed();
        if (m_options.garbleOtherSpeeds && speed > 0 && speed != m_options.speed) {
            // The device reads framing errors and answers each with noise; the
            // calculator itself never sees a request.
            for (ssize_t i = 0; i < n; ++i) {
                m_txLast = std::max(now, m_txLast) + step;
                m_tx.push_back({static_cast<std::uint8_t>((buf[i] ^ 0xA5) | 0x80), m_txLast});
            }
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            m_rxLast = std::max(now, m_rxLast) + step;
            m_rx.push_back({buf[i], m_rxLast});
        }
    }
}

void SimLine::flushOutput(Clock::time_point now)
{
    std::uint8_t buf[512];
    std::size_t n = 0;
    while (n < sizeof buf && n < m_tx.size() && m_tx[n].at <= now) {
        buf[n] = m_tx[n].byte;
        ++n;
    }
    if (n == 0)
        return;
    const ssize_t written = ::write(m_fd, buf, n);
    if (written > 0)
        m_tx.erase(m_tx.begin(), m_tx.begin() + written);
}

void SimLine::deliverNext(Clock::time_point now)
{
    const std::uint8_t b = m_rx.front().byte;
    m_rx.pop_front();
    if (m_options.echo && !m_echoSuppressed) {
        // The echo is the program's own signal: no extra wire time.
        m_txLast = std::max(now + std::chrono::milliseconds(m_options.echoDelayMs), m_txLast);
        m_tx.push_back({b, m_txLast});
    }
    m_engine->onByte(b);
    if (m_next)
        m_engine = std::move(m_next);
}

void SimLine::deliverRest()
{
    // What the program sent before it closed the line or the simulator was told to
    // stop was on the wire: the calculator sees it, however busy the machine was.
    readInput();
    while (!m_rx.empty())
        deliverNext(Clock::now());
}

void SimLine::run(std::unique_ptr<LineEngine> engine)
{
    m_engine = std::move(engine);
    auto lastActivity = Clock::now();
    bool gapArmed = false;
    Clock::time_point gapAt{};
    for (;;) {
        auto now = Clock::now();
        while (!m_rx.empty() && m_rx.front().at <= now) {
            deliverNext(now);
            lastActivity = now;
            gapAt = now + std::chrono::milliseconds(m_options.frameGapMs);
            gapArmed = true;
        }
        flushOutput(now);
        // Silence is counted from the last byte on the wire either way: a long
        // reply at a low speed is no silent program.
        if (gapArmed && m_txLast > Clock::time_point{})
            gapAt = std::max(gapAt, m_txLast + std::chrono::milliseconds(m_options.frameGapMs));
        if (gapArmed && now >= gapAt) {
            m_engine->onGap();
            gapArmed = false;
        }
        std::optional<Clock::time_point> idleAt;
        if (m_options.idleExitSeconds > 0) {
            idleAt = lastActivity + std::chrono::seconds(m_options.idleExitSeconds);
            if (now >= *idleAt && m_tx.empty())
                return;
        }

        Clock::time_point wake = now + std::chrono::seconds(1);
        if (!m_rx.empty())
            wake = std::min(wake, m_rx.front().at);
        if (!m_tx.empty())
            wake = std::min(wake, m_tx.front().at);
        if (gapArmed)
            wake = std::min(wake, gapAt);
        if (idleAt)
            wake = std::min(wake, *idleAt);
        const auto wait =
            std::max(std::chrono::nanoseconds(0),
                     std::chrono::duration_cast<std::chrono::nanoseconds>(wake - now));
        timespec ts{static_cast<time_t>(wait.count() / 1'000'000'000),
                    static_cast<long>(wait.count() % 1'000'000'000)};
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_signalFd, POLLIN, 0}};
        if (!m_tx.empty() && m_tx.front().at <= now)
            fds[0].events |= POLLOUT; // the program is not reading; wait for room
        const int r = ::ppoll(fds, m_signalFd >= 0 ? 2 : 1, &ts, nullptr);
        if (r < 0 && errno != EINTR)
            return;
        if (r > 0 && (fds[1].revents & POLLIN)) {
            deliverRest();
            return;
        }
        if (r > 0 && (fds[0].revents & POLLIN)) {
            readInput();
        } else if (r > 0 && (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) {
            deliverRest();
            return; // the device went away
        }
    }
}

} // namespace vynsim
