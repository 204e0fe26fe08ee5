// The serial port over a real pseudo-terminal.

#include "link/comm32.h"
#include "link/linkerrors.h"
#include "linktesting.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace vyn;
using vyntest::PtyPair;

namespace {

QString firstLine(const ELinkError& e)
{
    return e.message().section(QLatin1Char('\n'), 0, 0);
}

void waitForQueue(const TComm32& port, int count)
{
    for (int i = 0; i < 200 && port.InQueCount() < count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

} // namespace

TEST(Comm32, ConstructionDefaults)
{
    TComm32 port;
    EXPECT_EQ(port.DeviceName(), QStringLiteral("COM2"));
    EXPECT_EQ(port.BaudRate(), 9600);
    EXPECT_EQ(port.Parity(), pNone);
    EXPECT_EQ(port.Stopbits(), sb1_0);
    EXPECT_EQ(port.Databits(), da8);
    EXPECT_EQ(port.ReadBufferSize(), 4096u);
    EXPECT_EQ(port.WriteBufferSize(), 2048u);
    EXPECT_FALSE(port.DTRProp());
    EXPECT_FALSE(port.RTSProp());
    EXPECT_FALSE(port.Connected());
}

TEST(Comm32, PortNamesMapToDevicePaths)
{
    EXPECT_EQ(portDevicePath(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portDevicePath(QStringLiteral("ttyS1")), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(portDevicePath(QStringLiteral("/dev/pts/7")), QStringLiteral("/dev/pts/7"));
}

TEST(Comm32, AbsentOrNonSerialDevicesAreUnavailable)
{
    for (const char* path : {"/dev/ttyVYN_absent", "/dev/null"}) {
        TComm32 port;
        port.setDeviceName(QString::fromLatin1(path));
        try {
            port.Open();
            ADD_FAILURE() << path << " opened";
        } catch (const EPortExcept& e) {
            EXPECT_EQ(firstLine(e), QStringLiteral("Порт недоступен")) << path;
        }
        EXPECT_FALSE(port.Connected()) << path;
    }
}

TEST(Comm32, SecondOpenerIsRefusedAsBusy)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TComm32 first;
    first.setDeviceName(pty.path);
    first.Open();
    TComm32 second;
    second.setDeviceName(pty.path);
    try {
        second.Open();
        FAIL() << "second opener got the port";
    } catch (const EPortExcept& e) {
        EXPECT_EQ(firstLine(e), QStringLiteral("Порт недоступен"));
        EXPECT_TRUE(e.message().contains(QStringLiteral("занят"))) << e.what();
    }
    // Closing hands the port on.
    first.Close();
    EXPECT_NO_THROW(second.Open());
    EXPECT_TRUE(second.Connected());
}

TEST(Comm32, PermissionProblemNamesTheGroup)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens any device";
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(::chmod(pty.path.toLocal8Bit().constData(), 0), 0);
    TComm32 port;
    port.setDeviceName(pty.path);
    try {
        port.Open();
        FAIL() << "opened without permission";
    } catch (const EPortExcept& e) {
        EXPECT_EQ(firstLine(e), QStringLiteral("Порт недоступен"));
        EXPECT_TRUE(e.message().contains(QStringLiteral("usermod -aG"))) << e.what();
    }
}

// A pseudo-terminal keeps its own data bits and parity (always 8, none), so
// speed, stop bits and the raw mode are what can be seen here.
TEST(Comm32, LineSettingsAreAppliedOnOpenAndAtOnceWhenOpen)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TComm32 port;
    port.setDeviceName(pty.path);
    port.setBaudRate(2400); // closed: only remembered
    port.setStopbits(sb2_0);
    termios t = pty.lineState();
    EXPECT_NE(cfgetospeed(&t), static_cast<speed_t>(B2400));
    port.Open();
    t = pty.lineState();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B2400));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_FALSE(t.c_iflag & (IXON | ICRNL));

    port.setBaudRate(4800);
    port.setStopbits(sb1_0);
    t = pty.lineState();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B4800));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
}

TEST(Comm32, NonStandardSpeedIsAnErrorAndNotStored)
{
    TComm32 port;
    for (int baud : {0, 1234, 300, 230400}) {
        EXPECT_THROW(port.setBaudRate(baud), EPortExcept) << baud;
        EXPECT_EQ(port.BaudRate(), 9600);
    }
    EXPECT_THROW(port.setDatabits(da4), EPortExcept);
    EXPECT_EQ(port.Databits(), da8);
}

TEST(Comm32, ReadsTakeOnlyQueuedBytesAndShortReadsRaise)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TComm32 port;
    port.setDeviceName(pty.path);
    port.Open();
    std::uint8_t buf[8] = {};
    EXPECT_EQ(port.Read(buf, 8), 0); // nothing queued: returns at once
    EXPECT_THROW(port.ReadByte(), EPortExcept);

    pty.send("\x01\x02\x03\x04\x05\x06", 6);
    waitForQueue(port, 6);
    EXPECT_EQ(port.InQueCount(), 6);
    EXPECT_TRUE(port.HasInput());
    try {
        port.ReadExact(buf, 7);
        FAIL() << "short read accepted";
    } catch (const EPortExcept& e) {
        EXPECT_STREQ(e.what(), "Ошибка чтения даных");
    }

    pty.send("\x10\x11\x12", 3);
    waitForQueue(port, 3);
    port.ReadExact(buf, 3);
    EXPECT_EQ(buf[0], 0x10);
    EXPECT_EQ(buf[2], 0x12);
}

TEST(Comm32, PurgeDiscardsReceivedBytesOnly)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TComm32 port;
    port.PurgeInput(); // closed: nothing happens
    port.setDeviceName(pty.path);
    port.Open();
    pty.send("abc", 3);
    waitForQueue(port, 3);
    ASSERT_EQ(port.InQueCount(), 3);
    const std::uint8_t out[2] = {0x55, 0xAA};
    EXPECT_EQ(port.Write(out, 2), 2);
    port.PurgeInput();
    EXPECT_EQ(port.InQueCount(), 0);
    // What we wrote still reaches the other end.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    char got[4] = {};
    EXPECT_EQ(::read(pty.master, got, sizeof got), 2);
    EXPECT_EQ(static_cast<std::uint8_t>(got[0]), 0x55);
}

TEST(Comm32, ClosedPortWritesAndReadsNothing)
{
    TComm32 port;
    const std::uint8_t b = 1;
    EXPECT_EQ(port.Write(&b, 1), 0);
    EXPECT_EQ(port.InQueCount(), 0);
    EXPECT_EQ(port.OutQueCount(), 0);
    port.setDTRProp(true); // only stored
    EXPECT_TRUE(port.DTRProp());
    port.Close();
}
