// Soak: 20,000 exchanges against vynsim with random faults on echoing and plain
// lines. Every exchange returns the reply the simulator sent or raises the error
// its fault calls for, within its time bound. The batches mostly wait on the
// line, so the soak preset runs them side by side.

#include "link/linkerrors.h"
#include "link/vynproto.h"
#include "linktesting.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <vector>

using namespace vyn;

namespace {

constexpr int kBatches = 20;
constexpr int kExchangesPerBatch = 1000;

const std::map<QString, QString> kFaultErrors{
    {QStringLiteral("drop-ack"), QStringLiteral("Ошибка 1: Ошибка приема подтверждения.")},
    {QStringLiteral("drop-block-ack"), QStringLiteral("Ошибка 2: Ошибка приема блока.")},
    {QStringLiteral("lose-echo"), QStringLiteral("Ошибка 2: Ошибка приема блока.")},
    {QStringLiteral("wrong-block-ack"),
     QStringLiteral("Ошибка 3: Ошибка приема подтверждения блока.")},
    {QStringLiteral("silent"), QStringLiteral("Ошибка 4: Ошибка приема заголовка.")},
    {QStringLiteral("bad-header-crc"),
     QStringLiteral("Ошибка 5: Ошибка контрольной суммы заголовка.")},
    {QStringLiteral("wrong-address"), QStringLiteral("Ошибка 6: Отвечает другой прибор")},
    {QStringLiteral("cut-block-header"),
     QStringLiteral("Ошибка 7: Ошибка приема заголовка блока.")},
    {QStringLiteral("truncated-reply"), QStringLiteral("Ошибка 8: Ошибка приема блока.")},
    {QStringLiteral("empty-blocks"), QStringLiteral("Ошибка 8: Ошибка приема блока.")},
    {QStringLiteral("bad-block-crc"),
     QStringLiteral("Ошибка 9: Ошибка контрольной суммы заголовка.")},
};

struct Request
{
    std::uint8_t function;
    std::vector<std::uint8_t> data;
};

Request randomRequest(std::mt19937& rng)
{
    switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0:
        return {0x02, {0x03, 0x45, 0x4F, 0x00}};
    case 1:
        return {0x0A, {0x03, 0x35, 0x45, 0xC5}};
    case 2:
        return {0x80, {}};
    default: {
        // A parameter write, sometimes long enough for two blocks.
        Request r{0x03, {0x03, 0x35, 0x42, 0x13, 0xA8, 0x00, 0x01}};
        const int size = std::uniform_int_distribution<int>(0, 3)(rng) == 0
                             ? 58
                             : 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < size; ++i)
            r.data.push_back(static_cast<std::uint8_t>(rng()));
        return r;
    }
    }
}

struct Outcome
{
    Request request;
    bool ok = false;
    std::vector<std::uint8_t> reply;
    QString error;
};

QString hex(const std::vector<std::uint8_t>& v, std::size_t n)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(n))
            .toHex()
            .toUpper());
}

class Soak : public ::testing::TestWithParam<int>
{
};

} // namespace

TEST_P(Soak, RandomFaultsAndEcho)
{
    const auto seed = static_cast<std::uint32_t>(20240 + GetParam());
    std::mt19937 rng(seed);
    const bool echo = rng() % 2 == 0;
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("soak.json"));
    QStringList args{QStringLiteral("--fault"),     QStringLiteral("all:0.2"),
                     QStringLiteral("--seed"),      QString::number(seed),
                     QStringLiteral("--log"),       logPath,
                     QStringLiteral("--idle-exit"), QStringLiteral("120")};
    if (echo)
        args << QStringLiteral("--echo");
    vyntest::SimProcess sim(args);
    ASSERT_TRUE(sim.started()) << sim.error().toStdString();

    ProtoTimings timings = vyntest::quickTimings();
    // Bounds for a busy machine: a reply later than this puts the two out of step.
    timings.receiveChecks = 50; // 250 ms
    TVynProto proto(ThreadSleeper::instance(), timings);
    ASSERT_TRUE(ProtoSetSpeed(proto, 9600));
    ASSERT_TRUE(ProtoOpenPort(proto, sim.path()));

    // Worst case: three header attempts, then every later wait of a two-block
    // request with a one-block reply running to its bound, plus slack.
    const auto bound = timings.receiveBound();
    const auto limit = 3 * (std::chrono::milliseconds(timings.headerWaitMs(9600)) + bound) +
                       12 * bound + std::chrono::seconds(1);

    std::vector<Outcome> outcomes;
    for (int i = 0; i < kExchangesPerBatch; ++i) {
        Outcome o;
        o.request = randomRequest(rng);
        std::vector<std::uint8_t> rx(1000, 0);
        const auto t0 = std::chrono::steady_clock::now();
        try {
            o.ok = ProtoExchange(proto, 0, o.request.function,
                                 static_cast<std::uint16_t>(o.request.data.size()), o.request.data,
                                 rx);
            o.reply = rx;
        } catch (const ELinkError& e) {
            o.error = e.message();
        }
        const auto took = std::chrono::steady_clock::now() - t0;
        EXPECT_LT(took, limit) << "exchange " << i + 1 << " took too long";
        outcomes.push_back(std::move(o));
    }
    ProtoClosePort(proto);
    ASSERT_EQ(sim.stop(), 0);

    QFile f(logPath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonArray log =
        QJsonDocument::fromJson(f.readAll()).object()[QStringLiteral("exchanges")].toArray();
    ASSERT_EQ(log.size(), kExchangesPerBatch)
        << "program and simulator out of step (echo " << echo << ")";
    int faults = 0;
    for (int i = 0; i < kExchangesPerBatch; ++i) {
        const QJsonObject entry = log[i].toObject();
        const Outcome& o = outcomes[static_cast<std::size_t>(i)];
        const QString fault = entry[QStringLiteral("fault")].toString();
        SCOPED_TRACE(QStringLiteral("exchange %1, fault \"%2\", echo %3")
                         .arg(i + 1)
                         .arg(fault)
                         .arg(echo)
                         .toStdString());
        EXPECT_EQ(entry[QStringLiteral("function")].toInt(), o.request.function);
        if (!entry[QStringLiteral("request")].isNull() && fault.isEmpty()) {
            EXPECT_EQ(entry[QStringLiteral("request")].toString(),
                      hex(o.request.data, o.request.data.size()));
        }
        if (fault.isEmpty()) {
            EXPECT_TRUE(o.ok) << o.error.toStdString();
            const QString sent = entry[QStringLiteral("reply")].toString();
            EXPECT_EQ(hex(o.reply, static_cast<std::size_t>(sent.size() / 2)), sent);
        } else {
            ++faults;
            ASSERT_TRUE(kFaultErrors.count(fault));
            EXPECT_EQ(o.error, kFaultErrors.at(fault));
        }
    }
    EXPECT_GT(faults, 0);
}

INSTANTIATE_TEST_SUITE_P(Batches, Soak, ::testing::Range(0, kBatches));
