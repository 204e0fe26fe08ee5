// vynsim as a program: its options, its log and how it stops.

#include "model/crc16.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using vyntest::runProgram;
using vyntest::SimProcess;

TEST(Vynsim, PrintsAPseudoTerminalPathFirst)
{
    SimProcess sim({QStringLiteral("--idle-exit"), QStringLiteral("30")});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    EXPECT_TRUE(sim.path().startsWith(QStringLiteral("/dev/pts/"))) << sim.path().toStdString();
    EXPECT_TRUE(QFile::exists(sim.path()));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(Vynsim, IdleExitWritesTheLog)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.json"));
    const auto r = runProgram(
        QStringLiteral("vynsim"),
        {QStringLiteral("--idle-exit"), QStringLiteral("1"), QStringLiteral("--log"), log}, 10000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_TRUE(o[QStringLiteral("exchanges")].isArray());
    EXPECT_TRUE(o[QStringLiteral("parameters")].isArray());
    EXPECT_TRUE(o[QStringLiteral("memory")].isArray());
}

TEST(Vynsim, BadOptionsAreUsageErrors)
{
    const QStringList bad[] = {
        {QStringLiteral("--fault"), QStringLiteral("melt")},
        {QStringLiteral("--fault"), QStringLiteral("silent:2")},
        {QStringLiteral("--fault"), QStringLiteral("silent@0")},
        {QStringLiteral("--serial"), QStringLiteral("1234")},
        {QStringLiteral("--generation"), QStringLiteral("05")},
        {QStringLiteral("--generation"), QStringLiteral("03"), QStringLiteral("--firmware"),
         QStringLiteral("2010-01-01")},
        {QStringLiteral("--block-size"), QStringLiteral("256")},
        {QStringLiteral("--speed"), QStringLiteral("1234")},
        {QStringLiteral("--mode-reply"), QStringLiteral("256")},
        {QStringLiteral("--fault"), QStringLiteral("erase-bad-reply@0")},
        {QStringLiteral("--no-such-option")},
    };
    for (const QStringList& args : bad) {
        const auto r = runProgram(QStringLiteral("vynsim"), args, 10000);
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

TEST(Vynsim, Generation03LoaderOptions)
{
    const auto r =
        runProgram(QStringLiteral("vynsim"),
                   {QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--mode-reply"),
                    QStringLiteral("0"), QStringLiteral("--fault"),
                    QStringLiteral("loader-bad-reply,frame-silent@2"),
                    QStringLiteral("--idle-exit"), QStringLiteral("1")},
                   10000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

TEST(Vynsim, DeviceThatIsNoTerminalIsRefused)
{
    const auto r = runProgram(QStringLiteral("vynsim"),
                              {QStringLiteral("--device"), QStringLiteral("/dev/null")}, 10000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("/dev/null is not a terminal")) << r.err.toStdString();
}

TEST(Vynsim, HelpExplainsFaultsCountingAndTheLog)
{
    const auto r = runProgram(QStringLiteral("vynsim"), {QStringLiteral("--help")}, 10000);
    EXPECT_EQ(r.exitCode, 0);
    for (const char* text : {"drop-ack ", "empty-blocks ", "frame-silent ", "@N picks the N-th",
                             "identification", "\"parameters\"", "--serial-bytes", "--nocfg"})
        EXPECT_TRUE(r.out.contains(text)) << text;
}

TEST(Vynsim, WhatTheProgramSentBeforeTheStopReachesTheCalculator)
{
    // The simulator is held while a whole exchange is written and the stop comes:
    // it wakes to both at once, as on a busy machine.
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.json"));
    SimProcess sim({QStringLiteral("--idle-exit"), QStringLiteral("30"), QStringLiteral("--log"), log});
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();
    const int fd = ::open(sim.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    std::array<std::uint8_t, 9> exchange{0x00, 0xFF, 0x80, 0x00, 0x00, 0, 0, 0xF4, 0xFF};
    const std::uint16_t crc = vyn::frameCrc(std::span<const std::uint8_t>(exchange.data(), 5));
    exchange[5] = static_cast<std::uint8_t>(crc >> 8);
    exchange[6] = static_cast<std::uint8_t>(crc & 0xFF);
    ASSERT_EQ(::kill(sim.pid(), SIGSTOP), 0);
    EXPECT_EQ(::write(fd, exchange.data(), exchange.size()), static_cast<ssize_t>(exchange.size()));
    ::kill(sim.pid(), SIGTERM);
    ::kill(sim.pid(), SIGCONT);
    EXPECT_EQ(sim.stop(), 0);
    ::close(fd);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonArray exchanges =
        QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("exchanges")].toArray();
    ASSERT_EQ(exchanges.size(), 1);
    EXPECT_EQ(exchanges[0][QStringLiteral("function")].toInt(), 0x80);
    EXPECT_EQ(exchanges[0][QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
}
