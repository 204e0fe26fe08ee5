// The request protocol against vynsim over a real pseudo-terminal.

#include "link/linkerrors.h"
#include "link/vynproto.h"
#include "linktesting.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using namespace vyn;
using vyntest::SimProcess;

namespace {

constexpr std::array<std::uint8_t, 4> kIdentity{0x03, 0x45, 0x4F, 0x00};

class SimFixture : public ::testing::Test
{
protected:
    // Starts vynsim (serial 12345678, firmware 2015-03-01) and opens its line at 9600.
    void start(QStringList args)
    {
        args << QStringLiteral("--serial") << QStringLiteral("12345678")
             << QStringLiteral("--firmware") << QStringLiteral("2015-03-01")
             << QStringLiteral("--idle-exit") << QStringLiteral("60") << QStringLiteral("--log")
             << logPath();
        m_sim = std::make_unique<SimProcess>(args);
        ASSERT_TRUE(m_sim->started()) << m_sim->error().toStdString();
        ASSERT_TRUE(ProtoSetSpeed(proto, 9600));
        ASSERT_TRUE(ProtoOpenPort(proto, m_sim->path())) << proto.lastOpenError().toStdString();
    }
    QString logPath() const { return m_dir.filePath(QStringLiteral("sim.json")); }
    QJsonObject stopAndReadLog()
    {
        ProtoClosePort(proto);
        EXPECT_EQ(m_sim->stop(), 0);
        QFile f(logPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(f.readAll()).object();
    }
    // The identity query; checks the serial and date bytes of the reply.
    void expectIdentity()
    {
        std::array<std::uint8_t, 100> rx{};
        ASSERT_TRUE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
        EXPECT_EQ(rx[0], 0);
        const std::array<std::uint8_t, 11> expected{1, 2, 3, 4, 5, 6, 7, 8, 15, 3, 1};
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(rx[8 + i], expected[i]) << "reply byte " << 8 + i;
    }

    QTemporaryDir m_dir;
    TVynProto proto{ThreadSleeper::instance(), vyntest::quickTimings()};
    std::unique_ptr<SimProcess> m_sim;
};

class LineKinds : public SimFixture, public ::testing::WithParamInterface<bool>
{
protected:
    QStringList echoArgs() const
    {
        return GetParam() ? QStringList{QStringLiteral("--echo")} : QStringList{};
    }
};

std::vector<std::uint8_t> parameterWrite(std::size_t valueSize)
{
    std::vector<std::uint8_t> data{0x03, 0x35, 0x2A, 0x03, 0x40, 0x00, 0x01};
    for (std::size_t i = 0; i < valueSize; ++i)
        data.push_back(static_cast<std::uint8_t>(0xA0 + i));
    return data;
}

QString hex(const std::vector<std::uint8_t>& v)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()))
            .toHex()
            .toUpper());
}

} // namespace

TEST_P(LineKinds, IdentityQueryReply)
{
    start(echoArgs());
    expectIdentity();
    expectIdentity(); // settings and levels persist between exchanges
    const QJsonArray ex = stopAndReadLog()[QStringLiteral("exchanges")].toArray();
    ASSERT_EQ(ex.size(), 2);
    EXPECT_EQ(ex[0][QStringLiteral("request")].toString(), QStringLiteral("03454F00"));
    EXPECT_EQ(ex[0][QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
}

TEST_P(LineKinds, ZeroLengthRequestIsHeaderThenEnd)
{
    start(echoArgs());
    std::array<std::uint8_t, 100> rx{};
    rx.fill(0x77);
    ASSERT_TRUE(ProtoExchange(proto, 0, 0x80, 0, {}, rx));
    EXPECT_EQ(rx[0], 0x00); // status only
    EXPECT_EQ(rx[1], 0x77); // a reply of length 0 leaves the rest alone
    const QJsonArray ex = stopAndReadLog()[QStringLiteral("exchanges")].toArray();
    ASSERT_EQ(ex.size(), 1);
    EXPECT_EQ(ex[0][QStringLiteral("length")].toInt(), 0);
    EXPECT_EQ(ex[0][QStringLiteral("blocks")].toArray().size(), 0);
    EXPECT_EQ(ex[0][QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
}

TEST_P(LineKinds, SixtyFiveByteRequestGoesInTwoBlocks)
{
    start(echoArgs());
    const std::vector<std::uint8_t> data = parameterWrite(58);
    ASSERT_EQ(data.size(), 65u);
    std::array<std::uint8_t, 100> rx{};
    ASSERT_TRUE(ProtoExchange(proto, 0, 3, 65, data, rx));
    const QJsonObject log = stopAndReadLog();
    const QJsonObject ex = log[QStringLiteral("exchanges")].toArray()[0].toObject();
    EXPECT_EQ(ex[QStringLiteral("blocks")].toArray(), (QJsonArray{64, 1}));
    EXPECT_EQ(ex[QStringLiteral("request")].toString(), hex(data));
    const QJsonObject param = log[QStringLiteral("parameters")].toArray()[0].toObject();
    EXPECT_EQ(param[QStringLiteral("prefix")].toString(), QStringLiteral("03352A03400001"));
    EXPECT_EQ(param[QStringLiteral("value")].toString().size(), 58 * 2);
}

TEST_P(LineKinds, AcknowledgedAddressIsAdopted)
{
    start(echoArgs() << QStringLiteral("--address") << QStringLiteral("7"));
    expectIdentity();
}

TEST_P(LineKinds, ReplyFromAnotherAddressIsRefused)
{
    start(echoArgs() << QStringLiteral("--address") << QStringLiteral("7")
                     << QStringLiteral("--fault") << QStringLiteral("wrong-address@1")
                     << QStringLiteral("--other-address") << QStringLiteral("5"));
    std::array<std::uint8_t, 100> rx{};
    try {
        ProtoExchange(proto, 0, 2, 4, kIdentity, rx);
        FAIL() << "reply of address 5 accepted";
    } catch (const EProtokol& e) {
        EXPECT_STREQ(e.what(), "Ошибка 6: Отвечает другой прибор");
    }
}

INSTANTIATE_TEST_SUITE_P(Echo, LineKinds, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Echo" : "Plain"; });

// A busy machine or a slow adapter hands the echo back late: after the header wait,
// or only once the header's check bytes went out. It is still read as the echo,
// and a plain line whose acknowledge looks like the header's first byte stays plain.
TEST_F(SimFixture, LateEchoIsStillReadAsTheEcho)
{
    struct Case
    {
        const char* name;
        int echoDelayMs; // -1: the line does not echo
        std::uint8_t requestAddress;
    };
    const int headerWait = vyntest::quickTimings().headerWaitMs(9600);
    const Case cases[] = {
        {"prompt echo", 0, 0},
        {"echo within the header wait", headerWait / 2, 0},
        {"echo after the header wait", headerWait + 40, 0},
        {"echo after the header wait, addressed", headerWait + 40, 7},
        {"plain line, addressed", -1, 7},
    };
    // No exchange here is meant to fail: the product's bounds, so that only a
    // misread echo can fail one on a busy machine.
    ProtoTimings timings = vyntest::quickTimings();
    timings.receiveChecks = ProtoTimings{}.receiveChecks;
    proto.setTimings(timings);
    const std::vector<std::uint8_t> write = parameterWrite(58);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{QStringLiteral("--address"), QStringLiteral("7")};
        if (c.echoDelayMs >= 0)
            args << QStringLiteral("--echo") << QStringLiteral("--echo-delay")
                 << QString::number(c.echoDelayMs);
        start(args);
        for (int round = 0; round < 2; ++round) {
            std::array<std::uint8_t, 100> rx{};
            ASSERT_TRUE(ProtoExchange(proto, c.requestAddress, 2, 4, kIdentity, rx));
            EXPECT_EQ(rx[8], 1);
            EXPECT_EQ(rx[18], 1);
            ASSERT_TRUE(ProtoExchange(proto, c.requestAddress, 3, 65, write, rx));
        }
        const QJsonArray ex = stopAndReadLog()[QStringLiteral("exchanges")].toArray();
        ASSERT_EQ(ex.size(), 4);
        for (const QJsonValue& e : ex)
            EXPECT_EQ(e[QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
        EXPECT_EQ(ex[1][QStringLiteral("request")].toString(), hex(write));
    }
}

// ---- each numbered error, provoked by its fault ----

struct FaultCase
{
    const char* fault;
    const char* message;
    bool echoOnly;
};

class NumberedErrors : public SimFixture,
                       public ::testing::WithParamInterface<std::tuple<FaultCase, bool>>
{
};

TEST_P(NumberedErrors, FaultRaisesItsErrorAndTheNextExchangeWorks)
{
    const auto [c, echo] = GetParam();
    if (c.echoOnly && !echo)
        GTEST_SKIP() << "only an echoing line can lose its echo";
    QStringList args{QStringLiteral("--fault"),
                     QString::fromLatin1(c.fault) + QStringLiteral("@1")};
    if (echo)
        args << QStringLiteral("--echo");
    start(args);
    std::array<std::uint8_t, 100> rx{};
    try {
        ProtoExchange(proto, 0, 2, 4, kIdentity, rx);
        ADD_FAILURE() << c.fault << " went unnoticed";
    } catch (const EProtokol& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8(c.message)) << c.fault;
    }
    EXPECT_TRUE(proto.port().Connected());
    expectIdentity();
    const QJsonArray ex = stopAndReadLog()[QStringLiteral("exchanges")].toArray();
    ASSERT_GE(ex.size(), 2);
    EXPECT_EQ(ex[0][QStringLiteral("fault")].toString(), QString::fromLatin1(c.fault));
    EXPECT_EQ(ex.last()[QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NumberedErrors,
    ::testing::Combine(
        ::testing::Values(
            FaultCase{"drop-ack", "Ошибка 1: Ошибка приема подтверждения.", false},
            FaultCase{"drop-block-ack", "Ошибка 2: Ошибка приема блока.", false},
            FaultCase{"lose-echo", "Ошибка 2: Ошибка приема блока.", true},
            FaultCase{"wrong-block-ack", "Ошибка 3: Ошибка приема подтверждения блока.", false},
            FaultCase{"silent", "Ошибка 4: Ошибка приема заголовка.", false},
            FaultCase{"bad-header-crc", "Ошибка 5: Ошибка контрольной суммы заголовка.", false},
            FaultCase{"wrong-address", "Ошибка 6: Отвечает другой прибор", false},
            FaultCase{"cut-block-header", "Ошибка 7: Ошибка приема заголовка блока.", false},
            FaultCase{"truncated-reply", "Ошибка 8: Ошибка приема блока.", false},
            FaultCase{"bad-block-crc", "Ошибка 9: Ошибка контрольной суммы заголовка.", false},
            FaultCase{"empty-blocks", "Ошибка 8: Ошибка приема блока.", false}),
        ::testing::Bool()),
    [](const auto& info) {
        std::string name = std::get<0>(info.param).fault;
        std::replace(name.begin(), name.end(), '-', '_');
        return name + (std::get<1>(info.param) ? "_Echo" : "_Plain");
    });

// ---- reply blocks larger than the calculators send ----

TEST_F(SimFixture, LongReplyBlockIsReadWhole)
{
    start({QStringLiteral("--block-size"), QStringLiteral("200"), QStringLiteral("--pad-reply"),
           QStringLiteral("200")});
    std::array<std::uint8_t, 1000> rx{};
    ASSERT_TRUE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
    EXPECT_EQ(rx[8], 1);
    EXPECT_EQ(rx[15], 8);
    for (int k = 19; k <= 200; ++k)
        ASSERT_EQ(rx[static_cast<std::size_t>(k)], k) << "reply byte " << k;
    EXPECT_EQ(rx[201], 0);
}

TEST_F(SimFixture, ReplyLongerThanTheBufferStopsAtItsEnd)
{
    start({QStringLiteral("--pad-reply"), QStringLiteral("200")});
    std::array<std::uint8_t, 120> guarded{};
    guarded.fill(0xEE);
    const std::span<std::uint8_t> rx(guarded.data(), 100);
    ASSERT_TRUE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
    EXPECT_EQ(rx[99], 99);
    EXPECT_EQ(guarded[100], 0xEE); // nothing written past the caller's buffer
    expectIdentity();              // and the line is in step for the next exchange
}

// ---- the port around the exchanges ----

TEST_F(SimFixture, ClosedPortExchangesNothing)
{
    start({});
    expectIdentity();
    ProtoClosePort(proto);
    std::array<std::uint8_t, 100> rx{};
    EXPECT_FALSE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
    EXPECT_EQ(stopAndReadLog()[QStringLiteral("exchanges")].toArray().size(), 1);
}

TEST_F(SimFixture, AbsentPortLeavesThePreviousOneOpen)
{
    start({});
    EXPECT_FALSE(ProtoOpenPort(proto, QStringLiteral("ttyVYN_absent")));
    EXPECT_TRUE(proto.lastOpenError().startsWith(QStringLiteral("Порт недоступен")));
    EXPECT_TRUE(proto.port().Connected());
    EXPECT_EQ(proto.port().DeviceName(), m_sim->path());
    expectIdentity();
}

TEST_F(SimFixture, SpeedChangeKeepsThePortOpen)
{
    start({});
    EXPECT_TRUE(ProtoSetSpeed(proto, 4800));
    EXPECT_TRUE(proto.port().Connected());
    EXPECT_EQ(proto.port().BaudRate(), 4800);
    EXPECT_FALSE(ProtoSetSpeed(proto, 1234));
    expectIdentity();
}

TEST(VynProto, ConstructionSettings)
{
    TVynProto proto;
    EXPECT_EQ(proto.port().BaudRate(), 4800);
    EXPECT_EQ(proto.port().Parity(), pNone);
    EXPECT_TRUE(proto.port().DTRProp());
    EXPECT_TRUE(proto.port().RTSProp());
    EXPECT_TRUE(proto.rememberedDTR());
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(proto.timings().headerWaitMs(4800), 60);
}

namespace {
struct RecordingSleeper : Sleeper
{
    std::vector<long long> waits;
    void sleepFor(std::chrono::microseconds d) override { waits.push_back(d.count() / 1000); }
};
} // namespace

TEST(VynProto, LineResetHoldsTheLinesLowThenSettles)
{
    RecordingSleeper sleeper;
    TVynProto proto(sleeper);
    ProtoResetLine(proto); // closed: nothing
    EXPECT_TRUE(sleeper.waits.empty());

    vyntest::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(ProtoOpenPort(proto, pty.path));
    ProtoSetDTR(proto, false);
    ProtoResetLine(proto);
    EXPECT_EQ(sleeper.waits, (std::vector<long long>{4000, 3000}));
    EXPECT_FALSE(proto.port().DTRProp()); // back to the remembered level
    EXPECT_TRUE(proto.port().RTSProp());
}

TEST(VynProto, ReadByteTakesAQueuedByteOrGivesUp)
{
    vyntest::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    TVynProto proto(ThreadSleeper::instance(), vyntest::quickTimings());
    std::uint8_t b = 0;
    EXPECT_FALSE(ProtoReadByte(proto, b)); // closed
    ASSERT_TRUE(ProtoOpenPort(proto, pty.path));
    EXPECT_FALSE(ProtoReadByte(proto, b));
    pty.send("\x02", 1);
    EXPECT_TRUE(ProtoReadByte(proto, b));
    EXPECT_EQ(b, 0x02);
}

TEST(VynProto, HungUpLineEndsTheExchangeAtOnce)
{
    // The real receive bounds: 2.5 s per receive, three header attempts.
    TVynProto proto;
    auto pty = std::make_unique<vyntest::PtyPair>();
    ASSERT_TRUE(pty->ok());
    ASSERT_TRUE(ProtoOpenPort(proto, pty->path));
    pty.reset(); // the other end goes, as an unplugged adapter does
    std::array<std::uint8_t, 100> rx{};
    const auto started = std::chrono::steady_clock::now();
    try {
        ProtoExchange(proto, 0, 2, 4, kIdentity, rx);
        ADD_FAILURE() << "the hang-up went unnoticed";
    } catch (const EPortLost& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Связь с прибором потеряна: линия разорвана или адаптер отключен."));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
    ProtoClosePort(proto);
}

TEST(VynProto, StopRequestEndsTheLineResetAndTheExchanges)
{
    TVynProto proto; // the real 4 + 3 s line reset
    vyntest::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(ProtoOpenPort(proto, pty.path));
    std::thread stopper([&proto] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        proto.requestStop();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(ProtoResetLine(proto), EInterrupted);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_TRUE(proto.port().DTRProp()) << "the lines are up again";
    std::array<std::uint8_t, 100> rx{};
    EXPECT_THROW(ProtoExchange(proto, 0, 2, 4, kIdentity, rx), EInterrupted);
    proto.clearStop();
    EXPECT_FALSE(proto.stopRequested());
}

TEST_F(SimFixture, StopRequestEndsAnExchangeThatWaitsOnASilentLine)
{
    // Each fault leaves the program waiting with the real bounds: 3 x 2.5 s for
    // an unanswered header, 2.5 s for a block's acknowledge or the reply.
    for (const char* fault : {"drop-ack", "drop-block-ack", "silent"}) {
        SCOPED_TRACE(fault);
        start({QStringLiteral("--fault"), QString::fromLatin1(fault)});
        proto.setTimings(ProtoTimings{});
        std::array<std::uint8_t, 100> rx{};
        std::chrono::steady_clock::time_point asked;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            asked = std::chrono::steady_clock::now();
            proto.requestStop();
        });
        EXPECT_THROW(ProtoExchange(proto, 0, 2, 4, kIdentity, rx), EInterrupted);
        const auto ended = std::chrono::steady_clock::now();
        stopper.join();
        EXPECT_LT(ended - asked, std::chrono::milliseconds(200));
        proto.clearStop();
        proto.setTimings(vyntest::quickTimings());
        // The line is usable at once for the next exchange.
        stopAndReadLog();
        start({});
        expectIdentity();
        stopAndReadLog();
    }
}

TEST_F(SimFixture, LiveLogHasALinePerExchangeAndShowsWhatIsHeld)
{
    start({});
    std::array<std::uint8_t, 100> rx{};
    // The network address twice, then a query that writes nothing.
    for (std::uint8_t address : {std::uint8_t{5}, std::uint8_t{7}}) {
        const std::array<std::uint8_t, 8> write{0x03, 0x35, 0x2A, 0x03, 0x40, 0x00, 0x01, address};
        ASSERT_TRUE(ProtoExchange(proto, 0, 3, 8, write, rx));
    }
    expectIdentity();

    // Read while the simulator still runs.
    const auto readLog = [this] {
        QFile f(logPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const QList<QByteArray> lines = readLog().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << readLog().toStdString();
    QByteArray first = lines[1];
    first.chop(1); // the comma that joins the lines
    const QJsonObject written = QJsonDocument::fromJson(first).object();
    EXPECT_EQ(written[QStringLiteral("n")].toInt(), 1);
    EXPECT_EQ(written[QStringLiteral("outcome")].toString(), QStringLiteral("complete"));
    const QJsonObject parameter = written[QStringLiteral("parameter")].toObject();
    EXPECT_EQ(parameter[QStringLiteral("name")].toString(), QStringLiteral("network address"));
    EXPECT_EQ(parameter[QStringLiteral("decoded")].toString(), QStringLiteral("5"));
    EXPECT_EQ(parameter[QStringLiteral("prefix")].toString(), QStringLiteral("03352A03400001"));
    EXPECT_FALSE(lines[3].contains("\"parameter\"")) << "the identity query writes nothing";

    const auto held = [this] {
        const auto r = vyntest::runProgram(QStringLiteral("vynsim"),
                                           {QStringLiteral("--show"), logPath()}, 10000);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QString::fromUtf8(r.out);
    };
    const QString during = held();
    EXPECT_TRUE(during.contains(QStringLiteral("1 parameters from 2 writes"))) << during.toStdString();
    EXPECT_TRUE(during.contains(QRegularExpression(QStringLiteral("network address +7\n"))))
        << during.toStdString();

    // Completed on exit into one object, the lines kept.
    const QJsonObject log = stopAndReadLog();
    EXPECT_EQ(log[QStringLiteral("exchanges")].toArray().size(), 3);
    EXPECT_EQ(log[QStringLiteral("session")].toArray().size(), 4); // and the end mark
    EXPECT_EQ(log[QStringLiteral("parameters")].toArray()[1][QStringLiteral("decoded")].toString(),
              QStringLiteral("7"));
    EXPECT_EQ(held(), during);
}

namespace {
std::unique_ptr<SimProcess> pacedSim(const QStringList& extra)
{
    auto sim = std::make_unique<SimProcess>(
        QStringList{QStringLiteral("--pace"), QStringLiteral("--idle-exit"), QStringLiteral("60")} +
        extra);
    EXPECT_TRUE(sim->started()) << sim->error().toStdString();
    return sim;
}
} // namespace

TEST(PacedSimulator, AnswersOnlyAProgramAtItsOwnSpeed)
{
    const auto sim = pacedSim({QStringLiteral("--speed"), QStringLiteral("9600")});
    TVynProto proto(ThreadSleeper::instance(), vyntest::quickTimings());
    ASSERT_TRUE(ProtoSetSpeed(proto, 4800));
    ASSERT_TRUE(ProtoOpenPort(proto, sim->path()));
    std::array<std::uint8_t, 100> rx{};
    EXPECT_THROW(ProtoExchange(proto, 0, 2, 4, kIdentity, rx), EProtokol);
    ASSERT_TRUE(ProtoSetSpeed(proto, 9600));
    ASSERT_TRUE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
    EXPECT_EQ(rx[8], 1);
    EXPECT_EQ(rx[15], 8);
}

TEST(PacedSimulator, LongReplyAtALowSpeedIsSentWhole)
{
    // Two blocks of 200 bytes at 1200 baud: each takes longer on the wire than
    // the simulator's 1.5 s of silence.
    const auto sim =
        pacedSim({QStringLiteral("--speed"), QStringLiteral("1200"), QStringLiteral("--pad-reply"),
                  QStringLiteral("400"), QStringLiteral("--block-size"), QStringLiteral("200")});
    TVynProto proto;
    ASSERT_TRUE(ProtoSetSpeed(proto, 1200));
    ASSERT_TRUE(ProtoOpenPort(proto, sim->path()));
    std::array<std::uint8_t, 1000> rx{};
    ASSERT_TRUE(ProtoExchange(proto, 0, 2, 4, kIdentity, rx));
    EXPECT_EQ(rx[8], 1);
    EXPECT_EQ(rx[15], 8);
}
