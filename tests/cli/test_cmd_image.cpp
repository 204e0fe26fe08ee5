// vyntool image, conf and catalogue, run as the program they are.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "toolrun.h"

namespace {

using vyn::test::ToolRun;
using vyn::test::vyntool;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// Reference checksum: bits shifted into a 16-bit register from the most
// significant, 0x1021 folded in for every bit leaving bit 15, nothing appended.
unsigned checksum(const QByteArray& image, int from, int to)
{
    unsigned reg = 0;
    for (int a = from; a <= to; ++a)
        for (int bit = 7; bit >= 0; --bit) {
            const bool out = reg & 0x8000;
            reg = ((reg << 1) | ((static_cast<unsigned char>(image[a]) >> bit) & 1)) & 0xFFFF;
            if (out)
                reg ^= 0x1021;
        }
    return reg;
}

unsigned wordAt(const QByteArray& image, int a)
{
    return static_cast<unsigned char>(image[a]) | (static_cast<unsigned char>(image[a + 1]) << 8);
}

const QString kBinDir = QStringLiteral(SETVYN_BIN_DIR_PATH);

class VyntoolImage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        config = dir.filePath(QStringLiteral("config.json"));
        writeAll(config, R"({"SNUM": "12342678", "TYPE_VYN": "03", "CXEMA": "17", "DSTART": 5,
            "RASH": "ВСТ|ВСТ|ВСТ||", "FIMP": "10|10|1||", "R0": "100|500|||",
            "DeviceSoftData": "2003-05-01"})");
        conf = QDir(kBinDir).filePath(QStringLiteral("conf.dat"));
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    QString config;
    QString conf;
};

TEST_F(VyntoolImage, FullImageWithVerifiedChecksums)
{
    QByteArray alt(62, '\0');
    alt[0] = 1;
    alt[2] = 7;
    alt[3] = static_cast<char>(0x85);
    writeAll(path("days.alt"), alt);
    const ToolRun r = vyntool(
        {QStringLiteral("image"), QStringLiteral("--config"), config, QStringLiteral("--conf"),
         conf, QStringLiteral("--alt"), path("days.alt"), QStringLiteral("--now"),
         QStringLiteral("2024-03-05T14:07:09"), QStringLiteral("--out"), path("image.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray image = readAll(path("image.bin"));
    ASSERT_EQ(image.size(), 65536);
    EXPECT_EQ(image.mid(0x4000, 8), QByteArray::fromHex("7d00180305001111"));
    EXPECT_EQ(image.mid(0x408E, 4), QByteArray::fromHex("01000785"));
    EXPECT_EQ(image.mid(0x1090, 4), QByteArray::fromHex("01000785"));
    EXPECT_EQ(wordAt(image, 0x40CC), checksum(image, 0x4000, 0x407F));
    EXPECT_EQ(wordAt(image, 0x10CE), checksum(image, 0x4000, 0x40FF));
    EXPECT_EQ(static_cast<unsigned char>(image[0]), 0xFF);
}

TEST_F(VyntoolImage, SampleConfigurationGivesVerifiedChecksums)
{
    const ToolRun r = vyntool({QStringLiteral("image"), QStringLiteral("--config"),
                               QDir(kBinDir).filePath(QStringLiteral("sample-config.json")),
                               QStringLiteral("--out"), path("sample.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray image = readAll(path("sample.bin"));
    ASSERT_EQ(image.size(), 65536);
    EXPECT_EQ(wordAt(image, 0x40CC), checksum(image, 0x4000, 0x407F));
    EXPECT_EQ(wordAt(image, 0x10CE), checksum(image, 0x4000, 0x40FF));
}

TEST_F(VyntoolImage, HexListsTheWrittenRanges)
{
    const ToolRun r = vyntool({QStringLiteral("image"), QStringLiteral("--config"), config,
                               QStringLiteral("--conf"), conf, QStringLiteral("--layout"),
                               QStringLiteral("2"), QStringLiteral("--now"),
                               QStringLiteral("2024-03-05T14:07:09"), QStringLiteral("--hex")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    // Short layout: the word and stamp date at 0x1080 come first.
    EXPECT_EQ(lines.first(), QStringLiteral("1080: 51 30 18 03 05 00"));
    // 0x4002..0x4003 stay 0xFF, so the word stands alone.
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(1), QStringLiteral("4000: 72 00"));
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("4004: "))) << lines.at(2).toStdString();
    EXPECT_EQ(lines.at(2).size(), 6 + 16 * 3 - 1);
}

TEST_F(VyntoolImage, DefaultSchemeTableComesFromTheProgramDirectory)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SETVYN_HOME"), dir.path());
    const QStringList args{QStringLiteral("image"), QStringLiteral("--config"), config,
                           QStringLiteral("--hex")};
    const ToolRun missing = vyntool(args, env);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(dir.filePath(QStringLiteral("conf.dat"))))
        << missing.err.toStdString();
    ASSERT_TRUE(QFile::copy(conf, path("conf.dat")));
    EXPECT_EQ(vyntool(args, env).exitCode, 0);
}

// A flow row whose meter the catalogue names an electricity meter is the "C" row.
TEST_F(VyntoolImage, ElectricityMeterRowComesFromTheCatalogue)
{
    writeAll(config, R"({"SNUM": "12342678", "TYPE_VYN": "03", "CXEMA": "16",
        "RASH": "ВСТ|ВСТ|ВСТ|Меркурий 230|", "DeviceSoftData": "2003-05-01"})");
    writeAll(path("none.ini"), "[ВСТ]\nIdentifElect=0\n");
    const auto flagWith = [&](const QStringList& extra) {
        QStringList args{QStringLiteral("image"), QStringLiteral("--config"), config,
                         QStringLiteral("--conf"), conf, QStringLiteral("--out"), path("e.bin")};
        args << extra;
        const ToolRun r = vyntool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return static_cast<unsigned char>(readAll(path("e.bin")).at(0x4056));
    };
    // rash.spe of the program directory (the build's bin directory) by default
    EXPECT_EQ(flagWith({}), 0x01);
    EXPECT_EQ(flagWith({QStringLiteral("--catalogue"), QDir(kBinDir).filePath(QStringLiteral("rash.spe"))}), 0x01);
    EXPECT_EQ(flagWith({QStringLiteral("--catalogue"), path("none.ini")}), 0x81);
    const ToolRun missing = vyntool({QStringLiteral("image"), QStringLiteral("--config"), config,
                                     QStringLiteral("--conf"), conf, QStringLiteral("--catalogue"),
                                     path("absent.spe"), QStringLiteral("--hex")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(path("absent.spe"))) << missing.err.toStdString();
}

TEST_F(VyntoolImage, Failures)
{
    writeAll(path("no30.txt"), "17" + QByteArray(" 00").repeated(34) + "\n");
    ASSERT_EQ(vyntool({QStringLiteral("conf"), QStringLiteral("pack"), path("no30.txt"),
                       path("no30.dat")})
                  .exitCode,
              1);
    // A table without "30" can only come from elsewhere; build one by hand.
    QByteArray record(55, '\0');
    record[0] = 2;
    record[1] = '1';
    record[2] = '7';
    writeAll(path("no30.dat"), record);
    writeAll(path("short.dat"), record.left(54));

    struct Case
    {
        QStringList extra;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--conf"), path("no30.dat")},
         1,
         "В таблице схем (conf.dat) нет записи \"30\""},
        {{QStringLiteral("--conf"), path("short.dat")}, 1, "54"},
        {{QStringLiteral("--conf"), conf, QStringLiteral("--alt"), path("none.alt")},
         1,
         "Ошибка открытия файла."},
        {{QStringLiteral("--conf"), conf, QStringLiteral("--dst"), QStringLiteral("--no-dst")},
         2,
         "--dst"},
        {{QStringLiteral("--conf"), conf, QStringLiteral("--now"), QStringLiteral("5 March")},
         2,
         "--now"},
        {{QStringLiteral("--conf"), conf, QStringLiteral("--layout"), QStringLiteral("x")},
         2,
         "--layout"},
    };
    for (const Case& c : cases) {
        const ToolRun r = vyntool(QStringList{QStringLiteral("image"), QStringLiteral("--config"),
                                              config, QStringLiteral("--hex")} +
                                  c.extra);
        EXPECT_EQ(r.exitCode, c.code) << c.extra.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
    const ToolRun noConfig =
        vyntool({QStringLiteral("image"), QStringLiteral("--out"), path("x.bin")});
    EXPECT_EQ(noConfig.exitCode, 2);
    EXPECT_FALSE(QFile::exists(path("x.bin")));
}

TEST(VyntoolConf, PackAndShow)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("conf.txt"));
    const QString dat = dir.filePath(QStringLiteral("conf.dat"));
    writeAll(src, "# sample\n30" + QByteArray(" 00").repeated(33) + " 7F\n1A" +
                      QByteArray(" 01").repeated(34) + "\n");
    ASSERT_EQ(vyntool({QStringLiteral("conf"), QStringLiteral("pack"), src, dat}).exitCode, 0);
    const QByteArray packed = readAll(dat);
    ASSERT_EQ(packed.size(), 110);
    EXPECT_EQ(packed.left(3), QByteArray("\x02"
                                         "30"));
    EXPECT_EQ(packed.at(54), '\x7F');

    const ToolRun show = vyntool({QStringLiteral("conf"), QStringLiteral("show"), dat});
    ASSERT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{QStringLiteral("30") + QStringLiteral(" 00").repeated(33) +
                               QStringLiteral(" 7F"),
                           QStringLiteral("1A") + QStringLiteral(" 01").repeated(34)}));

    writeAll(src, "30 00\n");
    const ToolRun bad = vyntool({QStringLiteral("conf"), QStringLiteral("pack"), src, dat});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Строка 1"))) << bad.err.toStdString();
    EXPECT_EQ(readAll(dat), packed); // the old table stays
}

} // namespace

TEST(VyntoolCatalogue, PackAndUnpack)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("rash.ini"));
    const QString spe = dir.filePath(QStringLiteral("rash.spe"));
    const QString back = dir.filePath(QStringLiteral("back.ini"));
    const QByteArray text = QStringLiteral("[FlowMeter]\r\nCount=1\r\nVariant0=ВСТ\r\n").toUtf8();
    writeAll(ini, text);
    ASSERT_EQ(vyntool({"catalogue", "pack", ini, spe}).exitCode, 0);
    const QByteArray packed = readAll(spe);
    ASSERT_EQ(packed.size(), text.size());
    // The first byte is scrambled with the start key 0xA7, each later one with the
    // stored byte before it.
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), static_cast<unsigned char>('[') ^ 0xA7);
    EXPECT_EQ(static_cast<unsigned char>(packed[1]),
              static_cast<unsigned char>('F') ^ static_cast<unsigned char>(packed[0]));
    ASSERT_EQ(vyntool({"catalogue", "unpack", spe, back}).exitCode, 0);
    EXPECT_EQ(readAll(back), text);

    const ToolRun missing = vyntool({"catalogue", "pack", dir.filePath(QStringLiteral("none.ini")), spe});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("none.ini")));
    EXPECT_EQ(readAll(spe), packed);
    EXPECT_EQ(vyntool({"catalogue", "pack", ini, ini}).exitCode, 2);
    EXPECT_EQ(readAll(ini), text);
    EXPECT_EQ(vyntool({"catalogue", "squeeze", ini, spe}).exitCode, 2);
    EXPECT_EQ(vyntool({"catalogue", "pack", ini}).exitCode, 2);
}
