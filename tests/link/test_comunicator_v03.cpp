// The generation-03 configuration write against "vynsim --gen 03": the checks
// before the transfer, their messages, and the hand-over to the worker.

#include "linktesting.h"
#include "operatetesting.h"

#include "link/comunicator.h"
#include "link/gen03write.h"
#include "link/programmerfile.h"
#include "link/vynproto.h"
#include "model/configfile.h"
#include "model/devicesession.h"
#include "tests/common/fakedialogs.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace vyn;
using vyntest::SimProcess;

namespace {

const NumberLocale kComma(QLatin1Char(','));
const QString kTitle = QStringLiteral("Конфигуратор");

SchemeRecord schemeRecord(const char* code)
{
    SchemeRecord r;
    r.code = QString::fromLatin1(code);
    r.parameters.fill(0x11);
    return r;
}

class V03Write : public ::testing::Test
{
protected:
    void SetUp() override
    {
        record = loadConfigFile(QStringLiteral(SETVYN_BIN_DIR_PATH "/sample-config.json"), kComma,
                                QDate(2025, 3, 14), nullptr)
                     .record; // type 03, scheme 17
        loader.set(0xF000, 0x31);
        inputs.locale = kComma;
        inputs.clock = [] { return QDateTime(QDate(2025, 3, 14), QTime(9, 0)); };
    }

    void startSim(const QStringList& extra = {})
    {
        sim = std::make_unique<SimProcess>(
            QStringList{QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--log"),
                        dir.filePath(QStringLiteral("log.json")), QStringLiteral("--idle-exit"),
                        QStringLiteral("60")} +
            extra);
        ASSERT_TRUE(sim->started()) << sim->error().toStdString();
        inputs.comm.port = sim->path();
    }

    bool write()
    {
        Gen03Link link{runner,
                       comm321,
                       host,
                       loader,
                       image,
                       schemes,
                       noCfg,
                       specialBuild,
                       kTitle,
                       {},
                       ThreadSleeper::instance(),
                       vyntest::quickOperateTimings(200)};
        link.showWaiting = [this](bool on) { waitingShown += on ? 1 : 0; };
        inputs.gen03 = &link;
        const WriteContext context{proto, record, session, inputs, progress, dialogs};
        return comunicator.WriteConfig(context);
    }
    // Lets a started worker run to its end.
    void finishWorker()
    {
        ASSERT_TRUE(runner.running());
        ASSERT_TRUE(vyntest::collectUntilFinished(*runner.running(), runner.state()).finished);
    }
    // "function:request" of every exchange vynsim saw.
    QStringList exchanges()
    {
        sim->stop();
        return vyntest::readSimLog(dir.filePath(QStringLiteral("log.json"))).exchanges;
    }
    QStringList informed() const
    {
        QStringList out;
        for (const auto& s : dialogs.shown)
            if (s.kind == test::FakeDialogs::Kind::Inform)
                out << s.caption + QStringLiteral(" | ") + s.text;
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
    TVynProto proto{ThreadSleeper::instance(), vyntest::commandTimings()};
    ConfigRecord record;
    DeviceSession session;
    WriteConfigInputs inputs;
    ProgressCounter progress;
    test::FakeDialogs dialogs;
    TVynComunicator_v03 comunicator;

    OperateRunner runner;
    TComm32 comm321;
    vyntest::RecordingHost host;
    LoaderImage loader;
    DeviceImage image;
    SchemeTable schemes{{schemeRecord("30"), schemeRecord("17")}};
    bool noCfg = false;
    bool specialBuild = false;
    int waitingShown = 0;
};

const QString kFirmwareQuery = QStringLiteral("2:02454F00");
const QString kTypeQuery = QStringLiteral("2:03452F29");
const QString kModeRequest = QStringLiteral("1:010510");

} // namespace

TEST_F(V03Write, ChecksThenHandsTheImageToTheWorker)
{
    startSim();
    ASSERT_TRUE(write());
    EXPECT_TRUE(runner.busy());
    EXPECT_FALSE(proto.port().Connected()) << "closed before the worker opens the device";
    finishWorker();
    EXPECT_EQ(host.messages(), QStringList{QStringLiteral("Программа Винка записана успешно.")});
    EXPECT_EQ(image.at(0x4000), 125) << "the full layout for layout byte 1";
    EXPECT_TRUE(informed().isEmpty()) << informed().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(waitingShown, 1);
    EXPECT_EQ(exchanges(), (QStringList{kFirmwareQuery, kTypeQuery, kModeRequest}));
}

TEST_F(V03Write, FirmwareStampChoosesTheSchemeLookedUp)
{
    schemes = SchemeTable({schemeRecord("30")}); // no record for scheme 17
    struct Case
    {
        const char* firmware;
        bool asked;
    };
    for (const Case c : {Case{"2003-05-18", true}, Case{"2003-05-19", false}}) {
        SCOPED_TRACE(c.firmware);
        dialogs.shown.clear();
        dialogs.answers.clear();
        dialogs.answers.enqueue(false);
        startSim({QStringLiteral("--firmware"), QString::fromLatin1(c.firmware)});
        const bool started = write();
        EXPECT_EQ(started, !c.asked);
        if (c.asked) {
            ASSERT_EQ(dialogs.shown.size(), 1);
            EXPECT_EQ(dialogs.shown[0].kind, test::FakeDialogs::Kind::Ask);
            EXPECT_EQ(dialogs.shown[0].caption, kTitle);
            EXPECT_EQ(dialogs.shown[0].text,
                      QStringLiteral("Для прибора с версией программы 180503 нет возможности "
                                     "\r\nзаписать конфигурацию \"17\".\r\nБудет записанна "
                                     "конфирурация \"30\". Продолжить?"));
            EXPECT_EQ(exchanges(), QStringList{kFirmwareQuery});
        } else {
            EXPECT_TRUE(dialogs.shown.isEmpty());
            finishWorker();
            sim->stop();
        }
    }
}

TEST_F(V03Write, TypeBytesAgainstTheScheme)
{
    struct Case
    {
        const char* type; // vynsim: 1 = 20 02, 2 = 40 02, 3 = 40 04
        const char* scheme;
        bool fits;
    };
    const Case cases[] = {
        {"2", "15", false}, {"2", "16", true}, {"2", "20", true},  {"1", "16", false},
        {"1", "30", true},  {"3", "15", true}, {"0", "30", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.scheme);
        dialogs.shown.clear();
        record.CXEMA = QString::fromLatin1(c.scheme);
        startSim({QStringLiteral("--type"), QString::fromLatin1(c.type)});
        EXPECT_EQ(write(), c.fits);
        if (c.fits) {
            finishWorker();
            sim->stop();
            continue;
        }
        EXPECT_EQ(informed(),
                  QStringList{QStringLiteral("Ошибка конфигурации | Проверте правильность "
                                             "установки конфигурации для прибора")});
        EXPECT_EQ(exchanges(), (QStringList{kFirmwareQuery, kTypeQuery}));
        EXPECT_FALSE(runner.busy());
    }
}

TEST_F(V03Write, NoCfgPassesTheTypeCheckOnce)
{
    noCfg = true;
    startSim({QStringLiteral("--type"), QStringLiteral("0"), QStringLiteral("--layout"),
              QStringLiteral("2")});
    ASSERT_TRUE(write());
    EXPECT_FALSE(noCfg);
    EXPECT_EQ(image.at(0x4000), 125) << "NoCFG reads layout byte 1: the full layout";
    finishWorker();

    EXPECT_FALSE(write());
    EXPECT_EQ(informed(),
              QStringList{QStringLiteral("Ошибка конфигурации | Проверте правильность установки "
                                         "конфигурации для прибора")});
}

TEST_F(V03Write, SpecialBuildChecksTheFactoryBlock)
{
    specialBuild = true;
    startSim(); // a sound block
    ASSERT_TRUE(write());
    finishWorker();
    sim->stop();

    // NoCFG sets the type bytes 40 04, which the block's check word of a type-0
    // calculator does not match.
    noCfg = true;
    image = DeviceImage{};
    startSim({QStringLiteral("--type"), QStringLiteral("0")});
    EXPECT_FALSE(write());
    EXPECT_EQ(informed(),
              (QStringList{QStringLiteral("Ошибка | В блоке заводских уставок найдена ошибка"),
                           QStringLiteral("Ошибка конфигурации | Проверте правильность установки "
                                          "конфигурации для прибора")}));
    EXPECT_TRUE(image == DeviceImage{}) << "no image is built";
}

TEST_F(V03Write, ModeReplyOtherThanTwoStartsNothing)
{
    startSim({QStringLiteral("--mode-reply"), QStringLiteral("3")});
    EXPECT_FALSE(write());
    EXPECT_FALSE(runner.busy());
    EXPECT_FALSE(runner.running());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_FALSE(proto.port().Connected());
    EXPECT_EQ(exchanges(), (QStringList{kFirmwareQuery, kTypeQuery, kModeRequest}));
}

TEST_F(V03Write, UnansweredQueries)
{
    struct Case
    {
        const char* fault;
        QString message;
    };
    const Case cases[] = {
        {"silent@1", kTitle + QStringLiteral(" | Ошибка. Прибор не подключен\n\rили находится "
                                             "не в тестовом режиме.")},
        {"silent@2", QStringLiteral("Ошибка обмена | Винк не ответил на запрос. Проверте "
                                    "правильность устаноки прибора и повторите процесс записи "
                                    "конфигурации")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        dialogs.shown.clear();
        startSim({QStringLiteral("--fault"), QString::fromLatin1(c.fault)});
        EXPECT_FALSE(write());
        EXPECT_EQ(informed(), QStringList{c.message});
        EXPECT_FALSE(proto.port().Connected());
        EXPECT_FALSE(runner.busy());
        sim->stop();
    }
}

TEST_F(V03Write, PortNotAvailable)
{
    inputs.comm.port = QStringLiteral("/dev/no-such-vyn-port");
    EXPECT_FALSE(write());
    EXPECT_EQ(informed(),
              QStringList{kTitle + QStringLiteral(" | В настоящее время "
                                                  "/dev/no-such-vyn-port не доступен")});
}

TEST_F(V03Write, SecondWriteOffersToStopTheRunningOne)
{
    startSim();
    ASSERT_TRUE(write());
    ASSERT_TRUE(runner.busy()); // nobody takes its hand-over: it waits
    for (bool yes : {false, true}) {
        dialogs.shown.clear();
        dialogs.answers.clear();
        dialogs.answers.enqueue(yes);
        EXPECT_FALSE(write());
        ASSERT_EQ(dialogs.shown.size(), 1);
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Вы хотите завершить процесс?"));
        EXPECT_EQ(dialogs.shown[0].caption, kTitle);
        EXPECT_EQ(runner.busy(), !yes);
    }
    finishWorker();
    EXPECT_TRUE(host.messages().isEmpty());
    EXPECT_FALSE(comm321.Connected());
}

TEST(FactoryBlock, SpecialBuildChecks)
{
    // Digits, 1700.0, 1.0, the word 0x40 * 1000 + 768 = 64768, type bytes 40 04.
    std::array<std::uint8_t, 100> good{};
    for (std::size_t i = 8; i <= 15; ++i)
        good[i] = static_cast<std::uint8_t>(i - 8);
    const auto single = [&](std::size_t at, float v) { std::memcpy(&good[at], &v, 4); };
    single(16, 1700.0f);
    single(20, 1.0f);
    good[24] = 0x00, good[25] = 0xFD, good[26] = 0x40, good[27] = 4;
    EXPECT_TRUE(factoryBlockValid(good));
    struct Case
    {
        const char* name;
        std::size_t at;
        std::uint8_t value;
    };
    const Case bad[] = {
        {"serial digit 10", 12, 10},
        {"first single below 1600", 19, 0x40},
        {"second single above 2", 23, 0x41},
        {"type byte 26", 26, 0x30},
        {"type byte 27", 27, 3},
        {"check word", 24, 0x01},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.name);
        auto reply = good;
        reply[c.at] = c.value;
        EXPECT_FALSE(factoryBlockValid(reply));
    }
}

TEST_F(V03Write, RejectedProgrammerFileStopsBeforeTheCalculator)
{
    // A line the parser stops at: the lines before it are no loader either.
    const QString prg = dir.filePath(QStringLiteral("prg.vyn"));
    {
        QFile f(prg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("@F000\n31 40 00 0A\nZZ 01\nq\n");
    }
    EXPECT_FALSE(LoadProg(loader, prg, dialogs, kTitle));
    dialogs.shown.clear();
    startSim();
    EXPECT_FALSE(write());
    EXPECT_EQ(informed(), QStringList{QStringLiteral(
                              "Ошибка | Файл программатора не прочитан; конфигурация не записана.")});
    EXPECT_TRUE(exchanges().isEmpty()) << "the calculator was not asked anything";
    EXPECT_FALSE(runner.busy());
}

TEST_F(V03Write, DamagedAlternativeDaysFileStopsBeforeTheCalculator)
{
    inputs.altDaysFile = dir.filePath(QStringLiteral("random.alt"));
    {
        QFile f(inputs.altDaysFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\x03\x01\x07\x85\x03\x41\x09\x09\x05\x05", 10);
    }
    startSim();
    EXPECT_FALSE(write());
    EXPECT_EQ(informed(), QStringList{QStringLiteral("Ошибка | Ошибка открытия файла.")});
    EXPECT_TRUE(exchanges().isEmpty());
    EXPECT_FALSE(runner.busy());
}
