#include "editor/instrumentcatalogue.h"
#include "app/catalogue.h"
#include "apptesting.h"

#include "model/inifile.h"

using namespace vyn;
using namespace vyn::test;

namespace {

QByteArray bytes(std::initializer_list<unsigned char> list)
{
    QByteArray out;
    for (unsigned char c : list)
        out.append(static_cast<char>(c));
    return out;
}

} // namespace

// Each stored byte is the key of the next one; the first key is 0xA7, the value
// every shipped rash.spe is packed with.
TEST(CatalogueScrambling, ChainedXorWithTheStartKey)
{
    const QByteArray stored = bytes({0xA7, 0x00, 0x41, 0x41});
    const QByteArray plain = bytes({0x00, 0xA7, 0x41, 0x00});
    EXPECT_EQ(unscrambleCatalogue(stored), plain);
    EXPECT_EQ(scrambleCatalogue(plain), stored);
    EXPECT_EQ(unscrambleCatalogue(QByteArray()), QByteArray());
    const QByteArray text = QStringLiteral("[FlowMeter]\r\nCount=1\r\nVariant0=ВСТ\r\n").toUtf8();
    EXPECT_EQ(unscrambleCatalogue(scrambleCatalogue(text)), text);
    EXPECT_NE(scrambleCatalogue(text), text);
}

TEST(ShippedCatalogue, BuildPacksTheSourceIntoRashSpe)
{
    const QByteArray source = readAll(sourceFile("data/catalogue/rash.ini"));
    ASSERT_FALSE(source.isEmpty());
    EXPECT_EQ(unscrambleCatalogue(readAll(binFile("rash.spe"))), source);
}

TEST(ShippedCatalogue, HasEverySectionTheEditorReads)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rash.ini"));
    writeAll(path, unscrambleCatalogue(readAll(binFile("rash.spe"))));
    const IniFile cat(path);
    const auto variants = [&](const QString& section, const QString& count, const QString& prefix) {
        QStringList out;
        for (int i = 0; i < cat.readInteger(section, count, 0); ++i)
            out << cat.readString(section, prefix + QString::number(i));
        return out;
    };
    const QStringList flow =
        variants(QStringLiteral("FlowMeter"), QStringLiteral("Count"), QStringLiteral("Variant"));
    ASSERT_GE(flow.size(), 1);
    for (const QString& type : flow) {
        // Every type leads through its diameters and nominal flows to the limits.
        const QString du = cat.readString(type, QStringLiteral("Variant0"));
        const QString fnom =
            cat.readString(type + QLatin1Char('|') + du, QStringLiteral("Variant0"));
        const QString s3 = type + QLatin1Char('|') + du + QLatin1Char('|') + fnom;
        EXPECT_FALSE(cat.readString(s3, QStringLiteral("Variant0")).isEmpty()) << s3.toStdString();
        EXPECT_FALSE(cat.readString(s3, QStringLiteral("Fmax")).isEmpty()) << s3.toStdString();
    }
    const QStringList meters =
        variants(QStringLiteral("Elect"), QStringLiteral("Count"), QStringLiteral("Variant"));
    ASSERT_GE(meters.size(), 1);
    const QStringList thermo = variants(QStringLiteral("TypeTerm"), QStringLiteral("Variant_Count"),
                                        QStringLiteral("Variant_"));
    ASSERT_GE(thermo.size(), 1);
    EXPECT_GE(cat.readInteger(thermo.first(), QStringLiteral("Variant_Count"), 0), 1);
    const QStringList sensors = variants(
        QStringLiteral("Pressure"), QStringLiteral("Variant_Count"), QStringLiteral("Variant_"));
    ASSERT_GE(sensors.size(), 1);
    EXPECT_GE(cat.readInteger(sensors.first(), QStringLiteral("Count"), 0), 1);
    EXPECT_GE(cat.readInteger(QStringLiteral("PressureConst"), QStringLiteral("Variant_Count"), 0),
              1);

    // The loader marks the electricity row by this.
    const InstrumentCatalogue electricity(path);
    EXPECT_TRUE(electricity.isElectricityMeter(meters.first()));
    EXPECT_FALSE(electricity.isElectricityMeter(flow.first()));
    EXPECT_FALSE(electricity.isElectricityMeter(QStringLiteral("нет такого")));
    EXPECT_FALSE(InstrumentCatalogue(QString()).isElectricityMeter(meters.first()));
}
