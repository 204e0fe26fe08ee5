#include "model/altdays.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vyn;

namespace vyn {
void PrintTo(const AltDay& e, std::ostream* os)
{
    *os << e.date.toString(Qt::ISODate).toStdString() << '/' << e.weekday;
}
} // namespace vyn

namespace {

class AltDaysFile : public ::testing::Test
{
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    QByteArray written(const QList<AltDay>& list1, const QList<AltDay>& list2) const
    {
        writeAltDaysFile(path("out.alt"), list1, list2);
        QFile f(path("out.alt"));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }

    QString withBytes(const QByteArray& bytes) const
    {
        QFile f(path("in.alt"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    QTemporaryDir m_dir;
};

QByteArray fileBytes(std::initializer_list<int> head)
{
    QByteArray b(62, '\0');
    int i = 0;
    for (int v : head)
        b[i++] = static_cast<char>(v);
    return b;
}

AltDay on(int year, int month, int day, int weekday) { return {QDate(year, month, day), weekday}; }

} // namespace

TEST_F(AltDaysFile, EmptyEditorWritesSixtyTwoZeroBytes)
{
    EXPECT_EQ(written({}, {}), QByteArray(62, '\0'));
}

TEST_F(AltDaysFile, EntriesAreDayThenMonthWithTheDayKind)
{
    const QByteArray b = written({on(2025, 5, 7, 5), on(2025, 1, 3, 6), on(2025, 12, 31, 2)},
                                 {on(2025, 5, 9, 4), on(2025, 5, 10, 5)});
    ASSERT_EQ(b.size(), 62);
    EXPECT_EQ(b.left(2).toHex(), "0302");
    EXPECT_EQ(b.mid(2, 6).toHex(), "0785" "0341" "1f0c");
    EXPECT_EQ(b.mid(8, 24), QByteArray(24, '\0'));
    // Holidays never carry a day kind, a Saturday chosen for one neither.
    EXPECT_EQ(b.mid(32, 4).toHex(), "0905" "0a05");
    EXPECT_EQ(b.mid(36), QByteArray(26, '\0'));
}

TEST_F(AltDaysFile, ReadsKindsAndWeekdaysForTheCurrentYear)
{
    // 2025-05-07 is a Wednesday, 2025-05-10 a Saturday.
    const QString f = withBytes(fileBytes({5, 1, 7, 0x85, 7, 0x45, 7, 0x05, 10, 0x05, 7, 0xC5,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                           10, 0x05}));
    const AltDaysLists lists = readAltDaysFile(f, 2025);
    const QList<AltDay> expected{on(2025, 5, 7, 5), on(2025, 5, 7, 6), on(2025, 5, 7, 2),
                                 on(2025, 5, 10, 0), on(2025, 5, 7, 2)};
    EXPECT_EQ(lists.alternative, expected);
    EXPECT_EQ(lists.holidays, QList<AltDay>{on(2025, 5, 10, 0)});
    EXPECT_EQ(weekdayNames().at(5), QStringLiteral("Суббота"));
    EXPECT_EQ(weekdayNames().at(0), QStringLiteral("Понедельник"));
    EXPECT_EQ(weekdayNames().at(6), QStringLiteral("Воскресенье"));
}

TEST_F(AltDaysFile, WrittenListsReadBackInTheirOrder)
{
    const QList<AltDay> alt{on(2026, 11, 2, 5), on(2026, 3, 8, 6), on(2026, 6, 15, 0)};
    const QList<AltDay> hol{on(2026, 1, 1, 3), on(2026, 1, 7, 2)};
    writeAltDaysFile(path("r.alt"), alt, hol);
    const AltDaysLists lists = readAltDaysFile(path("r.alt"), 2026);
    EXPECT_EQ(lists.alternative, alt);
    EXPECT_EQ(lists.holidays, hol);
}

TEST_F(AltDaysFile, TwentyNinthOfFebruaryExistsOnlyInLeapYears)
{
    const QString f = withBytes(fileBytes({2, 1, 29, 0x02, 1, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 29, 0x02}));
    const AltDaysLists leap = readAltDaysFile(f, 2024);
    EXPECT_EQ(leap.alternative, (QList<AltDay>{on(2024, 2, 29, 3), on(2024, 3, 1, 4)}));
    EXPECT_EQ(leap.holidays.size(), 1);
    const AltDaysLists plain = readAltDaysFile(f, 2025);
    EXPECT_EQ(plain.alternative, QList<AltDay>{on(2025, 3, 1, 0)}); // a Saturday: working day
    EXPECT_TRUE(plain.holidays.isEmpty());
}

TEST_F(AltDaysFile, ImpossibleDatesAreSkipped)
{
    const QString f = withBytes(fileBytes({4, 0, 0, 0x05, 12, 0x0D, 31, 0x06, 5, 0x05}));
    EXPECT_EQ(readAltDaysFile(f, 2025).alternative, QList<AltDay>{on(2025, 5, 5, 0)});
}

TEST_F(AltDaysFile, CountAboveFifteenReadsFifteen)
{
    QByteArray b(62, '\0');
    b[0] = static_cast<char>(0xFF);
    b[1] = 16;
    for (int i = 0; i < 15; ++i) {
        b[2 + 2 * i] = static_cast<char>(i + 1);
        b[3 + 2 * i] = 0x04;
        b[32 + 2 * i] = static_cast<char>(i + 1);
        b[33 + 2 * i] = 0x06;
    }
    const AltDaysLists lists = readAltDaysFile(withBytes(b), 2025);
    ASSERT_EQ(lists.alternative.size(), 15);
    EXPECT_EQ(lists.alternative.last().date, QDate(2025, 4, 15));
    ASSERT_EQ(lists.holidays.size(), 15);
    EXPECT_EQ(lists.holidays.first().date, QDate(2025, 6, 1));
}

TEST_F(AltDaysFile, WritesAtMostFifteenEntriesAList)
{
    QList<AltDay> many;
    for (int d = 1; d <= 17; ++d)
        many << on(2025, 1, d, 0);
    const QByteArray b = written(many, {on(2025, 5, 9, 0)});
    EXPECT_EQ(b.left(2).toHex(), "0f01");
    EXPECT_EQ(b.mid(30, 2).toHex(), "0f01");
    EXPECT_EQ(b.mid(32, 2).toHex(), "0905");
}

TEST_F(AltDaysFile, ShortFileMissingEntriesAreNotPresent)
{
    const QString f = withBytes(QByteArray::fromHex("0301078508"));
    const AltDaysLists lists = readAltDaysFile(f, 2025);
    EXPECT_EQ(lists.alternative, QList<AltDay>{on(2025, 5, 7, 5)});
    EXPECT_TRUE(lists.holidays.isEmpty());

    const AltDaysRecord raw = readAltDaysRaw(f);
    EXPECT_EQ(raw[0], 0x03);
    EXPECT_EQ(raw[3], 0x85);
    EXPECT_EQ(raw[4], 0x08);
    for (std::size_t i = 5; i < raw.size(); ++i)
        EXPECT_EQ(raw[i], 0x00) << i;

    EXPECT_TRUE(readAltDaysFile(withBytes({}), 2025).alternative.isEmpty());
}

TEST_F(AltDaysFile, RawReadTakesTheFirstSixtyTwoBytesUnchanged)
{
    QByteArray b;
    for (int i = 0; i < 70; ++i)
        b.append(static_cast<char>(0xA0 + i));
    const AltDaysRecord raw = readAltDaysRaw(withBytes(b));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(raw.data()), 62), b.left(62));
}

TEST_F(AltDaysFile, FailuresCarryTheUsersMessage)
{
    try {
        readAltDaysFile(path("missing.alt"), 2025);
        FAIL() << "no error";
    } catch (const AltDaysFileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ошибка открытия файла."));
    }
    EXPECT_THROW(readAltDaysRaw(m_dir.path()), AltDaysFileError);
    try {
        writeAltDaysFile(path("no-such-dir/x.alt"), {}, {});
        FAIL() << "no error";
    } catch (const AltDaysFileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Ошибка записи файла."));
    }
}

TEST_F(AltDaysFile, WriteReplacesAnExistingFile)
{
    withBytes(QByteArray(100, 'x'));
    writeAltDaysFile(path("in.alt"), {on(2025, 5, 7, 5)}, {});
    QFile f(path("in.alt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toHex().left(8), "01000785");
    EXPECT_EQ(f.size(), 62);
}
