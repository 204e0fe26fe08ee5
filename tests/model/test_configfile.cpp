#include "model/configfile.h"
#include "model/systems.h"
#include "recordfixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

const QDate kToday(2025, 3, 14);

QString sampleConfig()
{
    return QDir(QStringLiteral(SETVYN_BIN_DIR_PATH)).filePath(QStringLiteral("sample-config.json"));
}

QString configError(const QByteArray& json)
{
    try {
        parseConfigJson(json);
    } catch (const ConfigFileError& e) {
        return e.message();
    }
    return QStringLiteral("(accepted)");
}

} // namespace

TEST(ConfigFile, ValuesTakeTheKindOfTheirColumn)
{
    const StoredRow row = parseConfigJson(R"({
        "snum": "00012345", "Txiz": 5.5, "PITVYN": true, "DATEL": "2000-05-15",
        "DeviceSoftData": "2003-06-17T10:20:30", "COMMENT": null, "dSTART": 3
    })");
    EXPECT_EQ(row.value(QStringLiteral("SNUM")), QVariant(QStringLiteral("00012345")));
    EXPECT_EQ(row.value(QStringLiteral("TXIZ")), QVariant(5.5));
    EXPECT_EQ(row.value(QStringLiteral("PitVyn")), QVariant(true));
    EXPECT_EQ(row.value(QStringLiteral("DATEL")), QVariant(QDate(2000, 5, 15)));
    EXPECT_EQ(row.value(QStringLiteral("DEVICESOFTDATA")),
              QVariant(QDateTime(QDate(2003, 6, 17), QTime(10, 20, 30))));
    EXPECT_TRUE(row.contains(QStringLiteral("COMMENT")));
    EXPECT_TRUE(row.value(QStringLiteral("COMMENT")).isNull());
    EXPECT_EQ(row.value(QStringLiteral("DSTART")), QVariant(3.0));
    EXPECT_EQ(row.columns(), (QStringList{QStringLiteral("SNUM"), QStringLiteral("COMMENT"),
                                          QStringLiteral("DSTART"), QStringLiteral("PITVYN"),
                                          QStringLiteral("DATEL"), QStringLiteral("TXIZ"),
                                          QStringLiteral("DeviceSoftData")}));
}

TEST(ConfigFile, WrittenRowReadsBackEqual)
{
    StoredRow row;
    row.setValue(QStringLiteral("SNUM"), QStringLiteral("12342678"));
    row.setValue(QStringLiteral("RASH"), QStringLiteral("ВСТ \"А\"\\1|\n|"));
    row.setValue(QStringLiteral("TXIZ"), 5.5);
    row.setValue(QStringLiteral("NUM_TAR_EL"), 2.0);
    row.setValue(QStringLiteral("TYPE_ELECT"), false);
    row.setValue(QStringLiteral("DATEZ"), QDate(2000, 10, 15));
    row.setValue(QStringLiteral("DATE"), QDateTime(QDate(2025, 3, 14), QTime(9, 5, 0)));
    row.setValue(QStringLiteral("INFOUT"), QVariant());
    const QByteArray json = configJson(row);
    EXPECT_TRUE(json.contains("\"DATEZ\": \"2000-10-15\"")) << json.constData();
    EXPECT_TRUE(json.contains("\"DATE\": \"2025-03-14T09:05:00\"")) << json.constData();
    EXPECT_TRUE(json.contains("\"NUM_TAR_EL\": 2,")) << json.constData();
    EXPECT_TRUE(json.contains("\"TYPE_ELECT\": false")) << json.constData();
    EXPECT_TRUE(json.contains("\"INFOUT\": null")) << json.constData();
    EXPECT_LT(json.indexOf("\"SNUM\""), json.indexOf("\"DATE\""));
    EXPECT_EQ(parseConfigJson(json), row);
    EXPECT_EQ(configJson(StoredRow{}), "{}\n");

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("c.json"));
    writeConfigFile(file, row);
    EXPECT_EQ(readConfigFile(file), row);
}

TEST(ConfigFile, BrokenFilesAreRefusedNamingTheKey)
{
    struct Case
    {
        const char* json;
        const char* mentions;
    };
    const Case cases[] = {
        {"{\"SNUM\": \"1\"", "ошибка в JSON"},
        {"[1, 2]", "конфигурация должна быть объектом JSON"},
        {"{\"TXIZZ\": 5}", "ключ \"TXIZZ\": такого столбца нет в VYN_Base"},
        {"{\"TXIZ\": \"5,0\"}", "ключ \"TXIZ\": значение должно быть числом"},
        {"{\"SNUM\": 12345678}", "ключ \"SNUM\": значение должно быть строкой"},
        {"{\"PITVYN\": 1}", "ключ \"PITVYN\": значение должно быть true или false"},
        {"{\"DATEL\": \"2000-06-31\"}", "ключ \"DATEL\": значение должно быть датой"},
        {"{\"DATEL\": \"15.05.2000\"}", "\"DATEL\""},
        {"{\"DATE\": 20250314}", "\"DATE\""},
        {"{\"SNUM\": \"1\", \"snum\": \"2\"}", "ключ \"snum\": столбец указан дважды"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(configError(c.json).contains(QString::fromUtf8(c.mentions)))
            << c.json << " -> " << configError(c.json).toStdString();

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("none.json"));
    try {
        readConfigFile(missing);
        FAIL() << "no error";
    } catch (const ConfigFileError& e) {
        EXPECT_TRUE(e.message().startsWith(missing + QStringLiteral(": не удаётся открыть файл")))
            << e.message().toStdString();
    }
    EXPECT_THROW(writeConfigFile(dir.filePath(QStringLiteral("no/dir.json")), {}), ConfigFileError);
}

TEST(ConfigFile, GenerationComesFromTheFirmwareDate)
{
    QTemporaryDir dir;
    const auto generation = [&](const char* json) {
        const QString file = dir.filePath(QStringLiteral("g.json"));
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
        f.close();
        return loadConfigFile(file, kComma, kToday, nullptr).deviceGeneration;
    };
    EXPECT_EQ(generation(R"({"DeviceSoftData": "2003-12-31T23:59:59"})"), 0);
    EXPECT_EQ(generation(R"({"DeviceSoftData": "2004-01-01"})"), 1);
    EXPECT_EQ(generation(R"({"SNUM": "1"})"), 0); // never written to a calculator: the zero date
    EXPECT_EQ(generation(R"({"DeviceSoftData": null})"), 0);
}

TEST(ConfigFile, SampleIsAnOlderCalculatorWithAnElectricityMeter)
{
    const LoadedConfig cfg = loadConfigFile(sampleConfig(), kComma, kToday, nullptr);
    EXPECT_EQ(cfg.deviceGeneration, 0);
    EXPECT_EQ(cfg.deviceFirmwareDate, QDate(2003, 6, 17));
    const ConfigRecord& rec = cfg.record;
    EXPECT_EQ(rec.TYPE_VYN, QStringLiteral("03"));
    EXPECT_EQ(rec.CXEMA, QStringLiteral("17"));
    EXPECT_EQ(FindElecLine(rec), 4);
    EXPECT_EQ(rec.FlowTable.designation(1), QStringLiteral("F1/"));
    EXPECT_EQ(rec.FlowTable.cell(1, FlowCol::Du), QStringLiteral("50 мм"));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Fimp), QStringLiteral("1000 имп/кВт*ч"));
    EXPECT_EQ(rec.FlowTable.cell(4, FlowCol::Source), QStringLiteral("C1+C2"));
    EXPECT_EQ(rec.ThermoTable.cell(1, ThermoCol::Pressure), QStringLiteral("0,600 МПа"));
    EXPECT_EQ(rec.TariffList.size(), 3u);
    EXPECT_FALSE(rec.FlowTable.systemNumber(4).isEmpty());
    EXPECT_TRUE(getSystemElec(rec, rec.FlowTable.systemNumber(4).toInt()));

    // Saving it again needs no change of the file's values.
    const SaveResult saved = saveRecord(rec, {0, cfg.deviceFirmwareDate, QDate(2025, 3, 14),
                                              QStringLiteral("WORKSHOP\\engineer")},
                                        kComma, cfg.row);
    EXPECT_TRUE(saved.failedGroups.isEmpty());
    EXPECT_EQ(saved.row, cfg.row);
}
