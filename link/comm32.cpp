#include "comm32.h"

#include "linkerrors.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vyn {

namespace {

struct SpeedCode
{
    int baud;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                 {9600, B9600},   {19200, B19200},  {38400, B38400},
                                 {57600, B57600}, {115200, B115200}};

speed_t speedCode(int baud)
{
    for (const SpeedCode& s : kSpeeds)
        if (s.baud == baud)
            return s.code;
    return B0;
}

QString unavailable(const QString& detail)
{
    return QStringLiteral("Порт недоступен") +
           (detail.isEmpty() ? QString() : QLatin1Char('\n') + detail);
}

QString deviceGroup(const QByteArray& path)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) == 0)
        if (const group* g = ::getgrgid(st.st_gid))
            return QString::fromLocal8Bit(g->gr_name);
    return QStringLiteral("dialout");
}

QString openFailure(const QString& path, const QByteArray& nativePath, int error)
{
    switch (error) {
    case EACCES:
    case EPERM: {
        const QString group = deviceGroup(nativePath);
        return unavailable(QStringLiteral("Нет прав на доступ к %1. Добавьте пользователя в группу "
                                          "%2 (sudo usermod -aG %2 $USER) и войдите в систему "
                                          "заново.")
                               .arg(path, group));
    }
    case EBUSY:
    case EWOULDBLOCK:
        return unavailable(QStringLiteral("Порт %1 занят другой программой.").arg(path));
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return unavailable(QStringLiteral("Устройство %1 не найдено.").arg(path));
    case ENOTTY:
        return unavailable(QStringLiteral("%1 не является последовательным портом.").arg(path));
    default:
        return unavailable(
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

void driveLine(int fd, int line, bool level)
{
    // Pseudo-terminals refuse modem lines; that is not an error here.
    int bits = line;
    (void)::ioctl(fd, level ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace

QString lineLostMessage()
{
    return QStringLiteral("Связь с прибором потеряна: линия разорвана или адаптер отключен.");
}

QString portDevicePath(const QString& name)
{
    return name.contains(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
}

bool isStandardBaudRate(int baud)
{
    return speedCode(baud) != B0;
}

// ---- TCustomComm32 ----

TCustomComm32::~TCustomComm32()
{
    Close();
}

void TCustomComm32::openDevice(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EPortExcept(openFailure(path, native, errno));
    // flock keeps out every other opener, root included; TIOCEXCL keeps out
    // programs that do not lock.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        throw EPortExcept(openFailure(path, native, e == EWOULDBLOCK ? EBUSY : e));
    }
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        const int e = errno;
        ::close(fd);
        throw EPortExcept(openFailure(path, native, e == EINVAL ? ENOTTY : e));
    }
    (void)::ioctl(fd, TIOCEXCL);

    // USB adapters hold received bytes for their latency timer (16 ms) unless asked.
    serial_struct ss{};
    if (::ioctl(fd, TIOCGSERIAL, &ss) == 0 && !(ss.flags & ASYNC_LOW_LATENCY)) {
        ss.flags |= ASYNC_LOW_LATENCY;
        (void)::ioctl(fd, TIOCSSERIAL, &ss);
    }

    ::cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    (void)::tcsetattr(fd, TCSANOW, &t);
    m_fd = fd;
}

void TCustomComm32::Close()
{
    if (m_fd < 0)
        return;
    // The exclusive mark stays on the terminal otherwise, while another side holds it.
    (void)::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

void TCustomComm32::setDTRProp(bool level)
{
    m_dtr = level;
    driveDTR();
}

void TCustomComm32::setRTSProp(bool level)
{
    m_rts = level;
    driveRTS();
}

void TCustomComm32::driveDTR()
{
    if (m_fd >= 0)
        driveLine(m_fd, TIOCM_DTR, m_dtr);
}

void TCustomComm32::driveRTS()
{
    if (m_fd >= 0)
        driveLine(m_fd, TIOCM_RTS, m_rts);
}

bool TCustomComm32::readLineState(termios& t) const
{
    return m_fd >= 0 && ::tcgetattr(m_fd, &t) == 0;
}

void TCustomComm32::writeLineState(const termios& t) const
{
    if (m_fd >= 0)
        (void)::tcsetattr(m_fd, TCSANOW, &t);
}

int TCustomComm32::Write(const std::uint8_t* buffer, int count)
{
    if (m_fd < 0 || count <= 0)
        return 0;
    const ssize_t n = ::write(m_fd, buffer, static_cast<std::size_t>(count));
    return n < 0 ? 0 : static_cast<int>(n);
}

int TCustomComm32::WriteString(const QByteArray& s)
{
    return Write(reinterpret_cast<const std::uint8_t*>(s.constData()), static_cast<int>(s.size()));
}

int TCustomComm32::Read(std::uint8_t* buffer, int count)
{
    if (m_fd < 0 || count <= 0)
        return 0;
    int got = 0;
    while (got < count) {
        const ssize_t n = ::read(m_fd, buffer + got, static_cast<std::size_t>(count - got));
        if (n <= 0)
            break;
        got += static_cast<int>(n);
    }
    return got;
}

std::uint8_t TCustomComm32::ReadByte()
{
    std::uint8_t b = 0;
    if (Read(&b, 1) != 1)
        throw EPortExcept(QStringLiteral("Ошибка чтения даных"));
    return b;
}

void TCustomComm32::ReadExact(std::uint8_t* buffer, int count)
{
    if (Read(buffer, count) != count)
        throw EPortExcept(QStringLiteral("Ошибка чтения даных"));
}

int TCustomComm32::InQueCount() const
{
    int n = 0;
    if (m_fd < 0 || ::ioctl(m_fd, FIONREAD, &n) != 0)
        return 0;
    return n;
}

int TCustomComm32::OutQueCount() const
{
    int n = 0;
    if (m_fd < 0 || ::ioctl(m_fd, TIOCOUTQ, &n) != 0)
        return 0;
    return n;
}

void TCustomComm32::PurgeInput()
{
    if (m_fd >= 0)
        (void)::tcflush(m_fd, TCIFLUSH);
}

bool TCustomComm32::WaitForInput(std::chrono::microseconds timeout) const
{
    if (m_fd < 0)
        return false;
    if (timeout.count() < 0)
        timeout = {};
    pollfd p{m_fd, POLLIN, 0};
    timespec ts{static_cast<time_t>(timeout.count() / 1000000),
                static_cast<long>((timeout.count() % 1000000) * 1000)};
    const int r = ::ppoll(&p, 1, &ts, nullptr);
    if (r <= 0)
        return false;
    // A hung-up line reports input that never comes: nothing queued means gone.
    if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) && InQueCount() == 0)
        throw EPortLost(lineLostMessage());
    return (p.revents & POLLIN) != 0;
}

bool TCustomComm32::LineLost() const
{
    if (m_fd < 0)
        return false;
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) &&
           InQueCount() == 0;
}

// ---- TComm32 ----

void TComm32::Open()
{
    if (!Connected())
        openDevice(portDevicePath(m_deviceName));
    driveDTR();
    driveRTS();
    // Queue sizes and Win32 time-outs have no Linux counterpart: reads never
    // block (VMIN 0, VTIME 0) and callers time their own waits.
    applyBaudRate();
    applyParity();
    applyStopbits();
    applyDatabits();
}

void TComm32::setBaudRate(int baud)
{
    if (!isStandardBaudRate(baud))
        throw EPortExcept(QStringLiteral("Недопустимая скорость порта: %1 (допустимы 1200, 2400, "
                                         "4800, 9600, 19200, 38400, 57600, 115200)")
                              .arg(baud));
    m_baudRate = baud;
    applyBaudRate();
}

void TComm32::setParity(TParity parity)
{
    m_parity = parity;
    applyParity();
}

void TComm32::setStopbits(TStopbits stopbits)
{
    m_stopbits = stopbits;
    applyStopbits();
}

void TComm32::setDatabits(TDatabits databits)
{
    if (databits == da4)
        throw EPortExcept(QStringLiteral("Недопустимый формат данных: 4 бита"));
    m_databits = databits;
    applyDatabits();
}

void TComm32::applyBaudRate()
{
    termios t{};
    if (!readLineState(t))
        return;
    const speed_t code = speedCode(m_baudRate);
    ::cfsetispeed(&t, code);
    ::cfsetospeed(&t, code);
    writeLineState(t);
}

void TComm32::applyParity()
{
    termios t{};
    if (!readLineState(t))
        return;
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (m_parity) {
    case pNone:
        break;
    case pOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case pEven:
        t.c_cflag |= PARENB;
        break;
    case pMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case pSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    writeLineState(t);
    driveDTR();
    driveRTS();
}

void TComm32::applyStopbits()
{
    termios t{};
    if (!readLineState(t))
        return;
    // One and a half stop bits exist only with 5 data bits, where CSTOPB means 1.5.
    if (m_stopbits == sb1_0)
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else
        t.c_cflag |= CSTOPB;
    writeLineState(t);
}

void TComm32::applyDatabits()
{
    termios t{};
    if (!readLineState(t))
        return;
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (m_databits) {
    case da4:
    case da5:
        t.c_cflag |= CS5;
        break;
    case da6:
        t.c_cflag |= CS6;
        break;
    case da7:
        t.c_cflag |= CS7;
        break;
    case da8:
        t.c_cflag |= CS8;
        break;
    }
    writeLineState(t);
}

} // namespace vyn
