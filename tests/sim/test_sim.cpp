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
                             "identification", "\"parameters\"", "--serial-bytes", "--nocfg",
                             "one line per exchange", "--show"})
        EXPECT_TRUE(r.out.contains(text)) << text;
}

namespace {
// "vynsim --show" of a finished log holding these writes as "prefix value" (hex).
QString shown(const QStringList& writes)
{
    QJsonArray parameters;
    for (const QString& w : writes)
        parameters.append(QJsonObject{{QStringLiteral("prefix"), w.section(QLatin1Char(' '), 0, 0)},
                                      {QStringLiteral("value"), w.section(QLatin1Char(' '), 1, 1)}});
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.json"));
    QFile f(log);
    f.open(QIODevice::WriteOnly);
    f.write(QJsonDocument(QJsonObject{{QStringLiteral("exchanges"), QJsonArray()},
                                      {QStringLiteral("parameters"), parameters}})
                .toJson());
    f.close();
    const auto r = runProgram(QStringLiteral("vynsim"), {QStringLiteral("--show"), log}, 10000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QString::fromUtf8(r.out);
}
} // namespace

// The rows of the table as "name|slot|value".
QStringList rowsOf(const QString& shownText)
{
    QStringList rows;
    const QStringList lines = shownText.split(QLatin1Char('\n'));
    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty())
            break;
        // Name, then the slot right-aligned in four columns, then the value.
        const qsizetype valueAt = lines[2].indexOf(QStringLiteral("value"));
        rows << line.left(valueAt - 6).trimmed() + QLatin1Char('|') +
                    line.mid(valueAt - 6, 4).trimmed() + QLatin1Char('|') + line.mid(valueAt);
    }
    return rows;
}

TEST(Vynsim, ShowDecodesEveryKindOfValue)
{
    const struct
    {
        const char* write;
        const char* row;
    } cases[] = {
        {"03352A03400001 0C", "network address||12"},
        {"03350535880001 C0", "systems byte|4|0xC0"},
        {"03354000100001 00007A44", "output pulse weight||1000"},
        {"03356213080001 6006", "maximum pressure|2|1632 (16.32 kgf/cm2 to version 4, 0.1632 MPa from 5)"},
        {"03354213A80001 0F0A", "heating period start||15.10"},
        {"03356626480001 070002", "working-day tariff entry|2|07:00 tariff 2"},
        {"03356616480001 000000", "working-day tariff entry|1|none"},
        {"03350616800001 030802", "changed day|1|08.03 Saturday"},
        {"03351626600001 0101", "holiday|2|01.01"},
        {"03352310180001 1A0C0A", "date||2026-12-10"},
        {"03352300580001 0E23", "time||14:35"},
        {"03352E03400001 0102", "report day||01 02 (2 bytes, 1 expected)"},
        {"03359903400001 05", "unknown 03 35 99 03 40 00 01||05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.write);
        const QString out = shown({QString::fromLatin1(c.write)});
        EXPECT_EQ(rowsOf(out), QStringList{QString::fromUtf8(c.row)}) << out.toStdString();
    }

    // The last write of a parameter is what the calculator holds, in the table's order.
    const QString out = shown({QStringLiteral("03352A03400001 05"), QStringLiteral("03350515880001 80"),
                               QStringLiteral("03350505880001 81"), QStringLiteral("03352A03400001 07")});
    EXPECT_TRUE(out.startsWith(QStringLiteral("Configuration held by the simulated calculator: "
                                              "3 parameters from 4 writes")))
        << out.toStdString();
    EXPECT_EQ(rowsOf(out), (QStringList{QStringLiteral("network address||7"),
                                        QStringLiteral("systems byte|1|0x81"),
                                        QStringLiteral("systems byte|2|0x80")}));
}

TEST(Vynsim, ShowRefusesWhatIsNoLog)
{
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.json"));
    QFile f(other);
    f.open(QIODevice::WriteOnly);
    f.write("{\"name\": 1}");
    f.close();
    for (const QString& file : {other, dir.filePath(QStringLiteral("missing.json"))}) {
        SCOPED_TRACE(file.toStdString());
        const auto r = runProgram(QStringLiteral("vynsim"), {QStringLiteral("--show"), file}, 10000);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.startsWith("vynsim: ")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
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
