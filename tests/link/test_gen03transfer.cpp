// Generation-03 transfers end to end: the worker sends the sample loader and a
// device image built by the model into "vynsim --gen 03", whose log must hold
// the same loader and the same memory, byte for byte.

#include "link/operate.h"
#include "link/vynproto.h"
#include "linktesting.h"
#include "model/configfile.h"
#include "model/deviceimage.h"
#include "model/userdialogs.h"
#include "operatetesting.h"
#include "tests/support/simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;
using vyntest::Collected;
using vyntest::collectUntilFinished;
using vyntest::RecordingHost;
using vyntest::SimProcess;

namespace {

class NoDialogs : public UserDialogs
{
public:
    void inform(const QString& text, const QString&, MessageKind) override { shown << text; }
    bool ask(const QString&, const QString&, bool) override { return false; }
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString chooseOpenFile(const FileChoice&) override { return {}; }
    QString chooseSaveFile(const FileChoice&) override { return {}; }
    QStringList shown;
};

QString binFile(const char* name)
{
    return QStringLiteral(SETVYN_BIN_DIR_PATH "/") + QString::fromLatin1(name);
}

DeviceImage sampleImage(int layout)
{
    const NumberLocale comma(QLatin1Char(','));
    const LoadedConfig config =
        loadConfigFile(binFile("sample-config.json"), comma, QDate(2025, 3, 14), nullptr);
    ImageInputs in;
    in.ImageLayout = layout;
    in.FirmwareStamp = 30519;
    in.schemes = SchemeTable::fromFile(binFile("conf.dat"));
    in.now = QDateTime(QDate(2025, 3, 14), QTime(10, 20, 30));
    in.locale = comma;
    return buildDeviceImage(config.record, in);
}

QByteArray bytesOf(std::span<const std::uint8_t> s)
{
    return QByteArray(reinterpret_cast<const char*>(s.data()), static_cast<qsizetype>(s.size()));
}

class Gen03Transfer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NoDialogs dialogs;
        ASSERT_TRUE(LoadProg(m_loader, binFile("prg.vyn"), dialogs, QString()));
        m_logPath = m_dir.filePath(QStringLiteral("sim.json"));
    }

    void startSim(const QStringList& extra = {})
    {
        m_sim = std::make_unique<SimProcess>(
            QStringList{QStringLiteral("--gen"), QStringLiteral("03"), QStringLiteral("--log"),
                        m_logPath, QStringLiteral("--idle-exit"), QStringLiteral("120")} +
            extra);
        ASSERT_TRUE(m_sim->started()) << m_sim->error().toStdString();
    }

    // The programming-mode request on the protocol port; the byte that follows it.
    std::uint8_t enterProgrammingMode()
    {
        TVynProto proto(ThreadSleeper::instance(), vyntest::quickTimings());
        EXPECT_TRUE(ProtoOpenPort(proto, m_sim->path()));
        std::array<std::uint8_t, 100> rx{};
        const std::uint8_t request[] = {0x01, 0x05, 0x10};
        EXPECT_TRUE(ProtoExchange(proto, 0, 1, 3, request, rx));
        std::uint8_t b = 0xEE;
        EXPECT_TRUE(ProtoReadByte(proto, b));
        ProtoClosePort(proto);
        return b;
    }

    template <typename OnTick>
    Collected transfer(const DeviceImage& image, const OperateTimings& timings, OnTick onTick)
    {
        CommSettings settings;
        settings.port = m_sim->path();
        m_state.setBusy(true);
        TSavePrg worker(OperateContext{m_comm321, settings, m_state, m_host,
                                       ThreadSleeper::instance(), timings},
                        m_loader, image);
        Collected c = collectUntilFinished(worker, m_state, onTick, std::chrono::seconds(60));
        EXPECT_TRUE(c.finished);
        return c;
    }
    Collected transfer(const DeviceImage& image,
                       const OperateTimings& timings = vyntest::quickOperateTimings())
    {
        return transfer(image, timings, [](const Collected&) {});
    }

    QJsonObject stopSimAndReadLog()
    {
        EXPECT_EQ(m_sim->stop(), 0);
        QFile f(m_logPath);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(f.readAll()).object();
    }

    // What vynsim programmed, as an image: 0xFF where nothing was written.
    static DeviceImage programmed(const QJsonObject& log)
    {
        DeviceImage image;
        for (const QJsonValue& run : log[QStringLiteral("memory")].toArray()) {
            const int address = run[QStringLiteral("address")].toInt();
            const QByteArray bytes =
                QByteArray::fromHex(run[QStringLiteral("bytes")].toString().toLatin1());
            for (qsizetype i = 0; i < bytes.size(); ++i)
                image.set(address + static_cast<int>(i), static_cast<std::uint8_t>(bytes[i]));
        }
        return image;
    }

    QTemporaryDir m_dir;
    QString m_logPath;
    std::unique_ptr<SimProcess> m_sim;
    LoaderImage m_loader;
    TComm32 m_comm321;
    OperateState m_state;
    RecordingHost m_host;
};

} // namespace

TEST_F(Gen03Transfer, FullAndShortLayoutsArriveByteForByte)
{
    for (const int layout : {1, 2}) {
        SCOPED_TRACE(layout);
        m_host.clear();
        const DeviceImage image = sampleImage(layout);
        // Both layouts start with region C at 0x1080, the start of a 128-byte page.
        const int firstPage = image.writtenRanges().front().first;
        ASSERT_EQ(firstPage, 0x1080);
        const int last = image.writtenRanges().back().second;
        startSim();
        ASSERT_EQ(enterProgrammingMode(), 2);
        const Collected progress = transfer(image);

        EXPECT_EQ(m_host.messages(),
                  QStringList{QStringLiteral("Программа Винка записана успешно.")});
        EXPECT_FALSE(m_comm321.Connected());
        EXPECT_FALSE(m_state.busy());
        ASSERT_EQ(progress.published.size(), 4u);
        EXPECT_EQ(progress.published[0].status, OperateStatus::Preparing);
        EXPECT_EQ(progress.published[0].maximum, 44) << "the sample loader's bytes";
        EXPECT_EQ(progress.published[1].status, OperateStatus::Writing);
        EXPECT_EQ(progress.published[1].minimum, firstPage);
        EXPECT_EQ(progress.published[1].maximum, last);
        EXPECT_EQ(progress.published[2].status, OperateStatus::Written);
        EXPECT_EQ(progress.published[2].maximum, 650);
        EXPECT_EQ(progress.published[3].status, OperateStatus::None);
        EXPECT_EQ(progress.published[3].maximum, 100);
        ASSERT_FALSE(progress.pages.empty());
        EXPECT_EQ(progress.pages.back(), 0x4000) << "the last page stays shown";

        // The calculator speaks the request protocol again after the end byte.
        TVynProto proto(ThreadSleeper::instance(), vyntest::quickTimings());
        ASSERT_TRUE(ProtoOpenPort(proto, m_sim->path()));
        std::array<std::uint8_t, 100> rx{};
        const std::uint8_t firmware[] = {0x02, 0x45, 0x4F, 0x00};
        EXPECT_TRUE(ProtoExchange(proto, 0, 2, 4, firmware, rx));
        ProtoClosePort(proto);

        const QJsonObject log = stopSimAndReadLog();
        const QJsonArray loaders = log[QStringLiteral("loader")].toArray();
        ASSERT_EQ(loaders.size(), 1);
        const QJsonObject loader = loaders[0].toObject();
        EXPECT_EQ(loader[QStringLiteral("start")].toInt(), 0xF800);
        EXPECT_EQ(loader[QStringLiteral("program")].toString(),
                  QString::fromLatin1(bytesOf(m_loader.range(0xF800, 0xF82B)).toHex().toUpper()));
        EXPECT_TRUE(loader[QStringLiteral("ended")].toBool());
        for (const QJsonValue& f : loader[QStringLiteral("frames")].toArray())
            EXPECT_TRUE(f[QStringLiteral("crc")].toBool());
        const DeviceImage received = programmed(log);
        EXPECT_TRUE(received == image);
        for (int a = 0; a < DeviceImage::kSize; ++a)
            if (received.at(a) != image.at(a)) {
                ADD_FAILURE() << "first difference at 0x" << std::hex << a;
                break;
            }
    }
}

TEST_F(Gen03Transfer, CalculatorFaultsEndWithTheirMessage)
{
    struct Case
    {
        const char* fault;
        QString message;
    };
    const Case cases[] = {
        {"loader-bad-reply@1", QStringLiteral("Ошибка приема данных (003) = 44")},
        {"loader-long-reply@1", QStringLiteral("Ошибка чтения блока данных")},
        {"erase-bad-reply@2", QStringLiteral("Ошибка стирания данных")},
        {"write-bad-reply@3", QStringLiteral("Ошибка передачи данных (008)")},
        {"frame-silent@5", QStringLiteral("Ошибка чтения блока данных")},
    };
    const DeviceImage image = sampleImage(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        m_host.clear();
        startSim({QStringLiteral("--fault"), QString::fromLatin1(c.fault)});
        ASSERT_EQ(enterProgrammingMode(), 2);
        // Long enough for the simulator's replies on a busy machine; only the
        // silent frame waits it out.
        transfer(image, vyntest::quickOperateTimings(1000));
        EXPECT_EQ(m_host.messages(), QStringList{c.message});
        EXPECT_FALSE(m_comm321.Connected());
        const QJsonObject log = stopSimAndReadLog();
        const QJsonObject loader = log[QStringLiteral("loader")].toArray()[0].toObject();
        EXPECT_TRUE(loader[QStringLiteral("ended")].toBool()) << "the end byte follows a failure";
        EXPECT_FALSE(programmed(log) == image);
    }
}

TEST_F(Gen03Transfer, ModeReplyOtherThanTwoStartsNoLoader)
{
    startSim({QStringLiteral("--mode-reply"), QStringLiteral("0")});
    EXPECT_EQ(enterProgrammingMode(), 0);
    transfer(sampleImage(1), vyntest::quickOperateTimings(200));
    EXPECT_EQ(m_host.messages(), QStringList{QStringLiteral("Ошибка чтения блока данных")});
    EXPECT_TRUE(stopSimAndReadLog()[QStringLiteral("loader")].toArray().isEmpty());
}

TEST_F(Gen03Transfer, StoppedWhileRunning)
{
    startSim();
    ASSERT_EQ(enterProgrammingMode(), 2);
    const DeviceImage image = sampleImage(1);
    // At the calculators' own byte interval the last page takes over half a second.
    OperateTimings timings = vyntest::quickOperateTimings();
    timings.byteInterval = std::chrono::milliseconds(2);
    bool stopped = false;
    TOperate* running = nullptr;
    CommSettings settings;
    settings.port = m_sim->path();
    m_state.setBusy(true);
    TSavePrg worker(
        OperateContext{m_comm321, settings, m_state, m_host, ThreadSleeper::instance(), timings},
        m_loader, image);
    running = &worker;
    const Collected c = collectUntilFinished(
        worker, m_state,
        [&](const Collected& seen) {
            if (!stopped && !seen.pages.empty() && seen.pages.back() == 0x4000) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                running->Terminate();
                stopped = true;
            }
        },
        std::chrono::seconds(60));
    ASSERT_TRUE(c.finished);
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(m_host.messages().isEmpty())
        << m_host.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(m_comm321.Connected());
    EXPECT_FALSE(m_state.busy());

    const DeviceImage received = programmed(stopSimAndReadLog());
    EXPECT_EQ(bytesOf(received.range(0x1080, 0x10FF)), bytesOf(image.range(0x1080, 0x10FF)));
    EXPECT_EQ(received.at(0x4000), 0xFF) << "the last page was not programmed";
}
