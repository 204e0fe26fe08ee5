#include "model/schemetable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

// One 55-byte record: code length, code padded to 20 characters, 34 parameter bytes.
QByteArray rawRecord(const QByteArray& code, char firstParameter)
{
    QByteArray r;
    r += static_cast<char>(code.size());
    r += code;
    r += QByteArray(20 - code.size(), '\0');
    for (int i = 0; i < 34; ++i)
        r += static_cast<char>(firstParameter + i);
    return r;
}

std::string messageOf(QByteArrayView data,
                      SchemeTable::ShortTail tail = SchemeTable::ShortTail::Reject)
{
    try {
        SchemeTable::fromBytes(data, tail);
    } catch (const SchemeTableError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(SchemeTable, ReadsRecordsInFileOrder)
{
    const QByteArray data = rawRecord("30", 0x10) + rawRecord("1A", 0x40);
    ASSERT_EQ(data.size(), 110);
    const SchemeTable table = SchemeTable::fromBytes(data);
    ASSERT_EQ(table.records().size(), 2u);
    EXPECT_EQ(table.records()[0].code, QStringLiteral("30"));
    EXPECT_EQ(table.records()[1].code, QStringLiteral("1A"));
    const SchemeRecord* rec = table.find(QStringLiteral("1A"));
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->parameters.front(), 0x40);
    EXPECT_EQ(rec->parameters.back(), 0x40 + 33);
    EXPECT_EQ(table.find(QStringLiteral("17")), nullptr);
    EXPECT_EQ(table.toBytes(), data);
}

TEST(SchemeTable, FirstRecordOfACodeWins)
{
    const SchemeTable table = SchemeTable::fromBytes(rawRecord("30", 1) + rawRecord("30", 2));
    EXPECT_EQ(table.find(QStringLiteral("30"))->parameters.front(), 1);
}

TEST(SchemeTable, MalformedFiles)
{
    const QByteArray two = rawRecord("30", 0) + rawRecord("17", 0);
    // A size that is not a whole number of records is refused, naming the size.
    EXPECT_NE(messageOf(two + QByteArray(10, '\x02')).find("120"), std::string::npos);
    // A code longer than 20 characters, in the second record.
    QByteArray longCode = two;
    longCode[55] = 21;
    EXPECT_NE(messageOf(longCode).find("21"), std::string::npos);
    EXPECT_TRUE(messageOf(QByteArray()).empty());
}

TEST(SchemeTable, ShortLastRecordKeepsZeroBytesWhenAsked)
{
    QByteArray data = rawRecord("30", 1) + rawRecord("17", 1) +
                      QByteArray("\x02"
                                 "35"
                                 "\x07\x07\x07\x07\x07\x07\x07",
                                 10);
    const SchemeTable table = SchemeTable::fromBytes(data, SchemeTable::ShortTail::ZeroFill);
    ASSERT_EQ(table.records().size(), 3u);
    const SchemeRecord& last = table.records()[2];
    EXPECT_EQ(last.code, QStringLiteral("35"));
    for (std::uint8_t b : last.parameters)
        EXPECT_EQ(b, 0);
}

TEST(SchemeTable, Source)
{
    const QString text = QStringLiteral("# comment line\n"
                                        "\n"
                                        "30  00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 "
                                        "12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f 20 FF  # tail\n"
                                        "\"\" 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                                        "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n");
    const SchemeTable table = SchemeTable::fromSource(text);
    ASSERT_EQ(table.records().size(), 2u);
    EXPECT_EQ(table.records()[0].code, QStringLiteral("30"));
    EXPECT_EQ(table.records()[0].parameters[26], 0x1A);
    EXPECT_EQ(table.records()[0].parameters[33], 0xFF);
    EXPECT_TRUE(table.records()[1].code.isEmpty());
    EXPECT_EQ(SchemeTable::fromSource(table.toSource()), table);
    EXPECT_EQ(SchemeTable::fromBytes(table.toBytes()), table);
}

TEST(SchemeTable, SourceErrorsNameTheLine)
{
    const QString zeros33 = QStringLiteral(" 00").repeated(33);
    struct Case
    {
        QString line;
        const char* part;
    };
    for (const Case& c :
         {Case{QStringLiteral("30") + zeros33, "34"},
          Case{QStringLiteral("30") + zeros33 + QStringLiteral(" G0"), "G0"},
          Case{QStringLiteral("30") + zeros33 + QStringLiteral(" 100"), "100"},
          Case{QStringLiteral("123456789012345678901") + zeros33 + QStringLiteral(" 00"),
               "123456789012345678901"}}) {
        try {
            SchemeTable::fromSource(QStringLiteral("# head\n") + c.line + QLatin1Char('\n'));
            ADD_FAILURE() << "accepted: " << c.line.toStdString();
        } catch (const SchemeTableError& e) {
            const std::string m = e.message().toStdString();
            EXPECT_NE(m.find("Строка 2"), std::string::npos) << m;
            EXPECT_NE(m.find(c.part), std::string::npos) << m;
        }
    }
}

TEST(SchemeTable, EveryCodeComesBackFromItsSource)
{
    // Codes a packed table may hold, including ones that look like the source's own marks.
    const QStringList codes = {QStringLiteral("30"), QString(), QStringLiteral("\"\""),
                               QStringLiteral("a b"), QStringLiteral("#1"), QStringLiteral("x#"),
                               QStringLiteral("line\nbreak"), QStringLiteral("\"quoted"),
                               QStringLiteral("back\\slash"), QStringLiteral("\\x41"),
                               QStringLiteral(" lead"), QStringLiteral("tab\t"),
                               QString(QChar(0)) + QStringLiteral("nul"),
                               QString(QChar(0xA0)) + QChar(0xFF) + QChar(0x85)};
    QByteArray packed;
    for (const QString& code : codes)
        packed += rawRecord(code.toLatin1(), 1);
    const SchemeTable table = SchemeTable::fromBytes(packed);
    ASSERT_EQ(table.records().size(), static_cast<std::size_t>(codes.size()));
    const QString source = table.toSource();
    const SchemeTable back = SchemeTable::fromSource(source);
    ASSERT_EQ(back.records().size(), table.records().size()) << source.toStdString();
    for (qsizetype i = 0; i < codes.size(); ++i)
        EXPECT_EQ(back.records()[static_cast<std::size_t>(i)].code, codes[i]) << i;
    EXPECT_EQ(back.toBytes(), packed);

    // Broken quoting is refused with the line.
    const QString zeros = QStringLiteral(" 00").repeated(34);
    for (const QString& code : {QStringLiteral("\"open"), QStringLiteral("\"a\"b"),
                                QStringLiteral("\"\\q\""), QStringLiteral("\"\\x4\"")})
        EXPECT_THROW(SchemeTable::fromSource(code + zeros), SchemeTableError) << code.toStdString();
}

TEST(SchemeTable, MissingFile)
{
    QTemporaryDir dir;
    EXPECT_THROW(SchemeTable::fromFile(dir.filePath(QStringLiteral("conf.dat"))), SchemeTableError);
}

// The scheme table the build places beside the programs holds the fallback "30"
// and a record for every scheme the editor offers.
TEST(SchemeTable, ShippedTableCoversTheOfferedSchemes)
{
    const QString binDir = QStringLiteral(SETVYN_BIN_DIR_PATH);
    const SchemeTable table =
        SchemeTable::fromFile(QDir(binDir).filePath(QStringLiteral("conf.dat")));
    const struct
    {
        char first;
        const char* seconds;
    } offered[] = {
        {'1', "0123456789A"}, {'2', "023456789A"}, {'3', "03456789A"}, {'4', "0456789A"},
        {'5', "056789"},      {'6', "067"},        {'8', "06789b"},    {'9', "067"},
    };
    EXPECT_NE(table.find(QStringLiteral("30")), nullptr);
    EXPECT_NE(table.find(QStringLiteral("66")), nullptr);
    for (const auto& o : offered)
        for (const char* s = o.seconds; *s; ++s) {
            const QString code = QString(QLatin1Char(o.first)) + QLatin1Char(*s);
            EXPECT_NE(table.find(code), nullptr) << code.toStdString();
        }
}

} // namespace
