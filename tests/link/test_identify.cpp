// Identification: the reply decoding and "vyntool identify" against vynsim.

#include "link/identification.h"
#include "tests/support/simprocess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <gtest/gtest.h>

using namespace vyn;
using vyntest::runProgram;
using vyntest::SimProcess;

namespace {
std::array<std::uint8_t, 100> identityReply(std::array<std::uint8_t, 11> bytes8to18)
{
    std::array<std::uint8_t, 100> rx{};
    std::copy(bytes8to18.begin(), bytes8to18.end(), rx.begin() + 8);
    return rx;
}
} // namespace

TEST(Identification, SerialIsTheDecimalBytesConcatenated)
{
    EXPECT_EQ(serialFromReply(identityReply({1, 2, 3, 4, 5, 6, 7, 8, 4, 1, 1})),
              QStringLiteral("12345678"));
    EXPECT_EQ(serialFromReply(identityReply({12, 0, 3, 4, 5, 6, 7, 8, 4, 1, 1})),
              QStringLiteral("120345678"));
}

TEST(Identification, FirmwareDate)
{
    EXPECT_EQ(firmwareDateFromReply(identityReply({0, 0, 0, 0, 0, 0, 0, 0, 15, 3, 1})),
              QDate(2015, 3, 1));
    EXPECT_FALSE(
        firmwareDateFromReply(identityReply({0, 0, 0, 0, 0, 0, 0, 0, 15, 13, 1})).isValid());
}

TEST(Identification, DeviceVersion)
{
    EXPECT_EQ(deviceVersionFor(true, 15, QStringLiteral("12345678")), 5);
    EXPECT_EQ(deviceVersionFor(true, 14, QStringLiteral("12345678")), 4);
    EXPECT_EQ(deviceVersionFor(false, 15, QStringLiteral("12345678")), 3); // fifth character 5
    EXPECT_EQ(deviceVersionFor(false, 4, QStringLiteral("12342678")), 2);
    EXPECT_EQ(deviceVersionFor(false, 4, QStringLiteral("1234")), -1);
}

namespace {
QJsonObject identifyJson(const QStringList& simArgs)
{
    SimProcess sim(QStringList(simArgs) << QStringLiteral("--idle-exit") << QStringLiteral("60"));
    EXPECT_TRUE(sim.started()) << sim.error().toStdString();
    const auto r = runProgram(QStringLiteral("vyntool"),
                              {QStringLiteral("identify"), QStringLiteral("--port"), sim.path(),
                               QStringLiteral("--fast"), QStringLiteral("--json")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out).object();
}
} // namespace

TEST(VyntoolIdentify, NewTypeGeneration04)
{
    const QJsonObject o = identifyJson({QStringLiteral("--serial"), QStringLiteral("87654321"),
                                        QStringLiteral("--firmware"), QStringLiteral("2016-02-29"),
                                        QStringLiteral("--new-type"), QStringLiteral("--echo")});
    EXPECT_EQ(o[QStringLiteral("serial")].toString(), QStringLiteral("87654321"));
    EXPECT_EQ(o[QStringLiteral("firmwareDate")].toString(), QStringLiteral("2016-02-29"));
    EXPECT_EQ(o[QStringLiteral("generation")].toString(), QStringLiteral("04"));
    EXPECT_EQ(o[QStringLiteral("deviceVersion")].toInt(), 5);
    EXPECT_TRUE(o[QStringLiteral("newType")].toBool());
}

TEST(VyntoolIdentify, Generation03)
{
    const QJsonObject o = identifyJson({QStringLiteral("--generation"), QStringLiteral("03"),
                                        QStringLiteral("--serial"), QStringLiteral("12342678")});
    EXPECT_EQ(o[QStringLiteral("generation")].toString(), QStringLiteral("03"));
    EXPECT_EQ(o[QStringLiteral("firmwareDate")].toString(), QStringLiteral("2003-05-19"));
    EXPECT_EQ(o[QStringLiteral("deviceVersion")].toInt(), 2);
    EXPECT_FALSE(o[QStringLiteral("newType")].toBool());
}

TEST(VyntoolIdentify, FailuresExitWithTheMessage)
{
    for (const QStringList& simArgs :
         {QStringList{QStringLiteral("--fault"), QStringLiteral("bad-header-crc@2")},
          QStringList{QStringLiteral("--firmware"), QStringLiteral("2015-13-01")}}) {
        SimProcess sim(QStringList(simArgs)
                       << QStringLiteral("--idle-exit") << QStringLiteral("60"));
        ASSERT_TRUE(sim.started());
        const auto r = runProgram(QStringLiteral("vyntool"),
                                  {QStringLiteral("identify"), QStringLiteral("--port"), sim.path(),
                                   QStringLiteral("--fast")});
        EXPECT_EQ(r.exitCode, 4) << simArgs.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith("Прибор не обнаружен")) << r.err.toStdString();
    }
    const auto absent =
        runProgram(QStringLiteral("vyntool"), {QStringLiteral("identify"), QStringLiteral("--port"),
                                               QStringLiteral("ttyVYN_absent")});
    EXPECT_EQ(absent.exitCode, 3);
    EXPECT_TRUE(absent.err.startsWith("В настоящее время ttyVYN_absent не доступен"));
    // With --json the failure is an object on stdout as well.
    const auto absentJson = runProgram(
        QStringLiteral("vyntool"), {QStringLiteral("identify"), QStringLiteral("--port"),
                                    QStringLiteral("ttyVYN_absent"), QStringLiteral("--json")});
    EXPECT_EQ(absentJson.exitCode, 3);
    const QJsonObject o = QJsonDocument::fromJson(absentJson.out).object();
    EXPECT_EQ(o[QStringLiteral("outcome")].toString(), QStringLiteral("port-unavailable"));
    EXPECT_EQ(o[QStringLiteral("exitCode")].toInt(), 3);
    EXPECT_TRUE(o[QStringLiteral("error")].toString().startsWith(
        QStringLiteral("В настоящее время ttyVYN_absent не доступен\nПорт недоступен\n")))
        << absentJson.out.toStdString();
    EXPECT_EQ(runProgram(QStringLiteral("vyntool"), {QStringLiteral("identify")}).exitCode, 2);
    EXPECT_EQ(runProgram(QStringLiteral("vyntool"),
                         {QStringLiteral("identify"), QStringLiteral("--port"), QStringLiteral("x"),
                          QStringLiteral("--speed"), QStringLiteral("1000")})
                  .exitCode,
              2);
}
