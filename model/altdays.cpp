#include "altdays.h"

#include <QFile>
#include <QSaveFile>

namespace vyn {

namespace {

constexpr std::uint8_t kKindSaturday = 0x80;
constexpr std::uint8_t kKindSunday = 0x40;
constexpr std::uint8_t kMonthMask = 0x3F;

void putList(AltDaysRecord& rec, int offset, const QList<AltDay>& list, bool withKinds)
{
    const qsizetype n = std::min<qsizetype>(list.size(), kAltDaysPerList);
    for (qsizetype i = 0; i < n; ++i) {
        const AltDay& e = list.at(i);
        std::uint8_t kind = 0;
        if (withKinds && e.weekday == kSaturday)
            kind = kKindSaturday;
        else if (withKinds && e.weekday == kSunday)
            kind = kKindSunday;
        const auto at = static_cast<std::size_t>(offset + 2 * i);
        rec[at] = static_cast<std::uint8_t>(e.date.day());
        rec[at + 1] = static_cast<std::uint8_t>((e.date.month() & kMonthMask) | kind);
    }
}

QList<AltDay> takeList(const AltDaysRecord& rec, int count, int offset, int year)
{
    QList<AltDay> out;
    const int n = std::min(count, kAltDaysPerList);
    for (int i = 0; i < n; ++i) {
        const auto at = static_cast<std::size_t>(offset + 2 * i);
        const int day = rec[at];
        const int monthByte = rec[at + 1];
        const QDate date(year, monthByte & kMonthMask, day);
        if (!date.isValid())
            continue;
        int weekday = 0;
        switch (monthByte & 0xC0) {
        case kKindSunday:
            weekday = kSunday;
            break;
        case kKindSaturday:
            weekday = kSaturday;
            break;
        default:
            // No kind bits (or both): the date's own weekday, a weekend date
            // counting as a working day.
            weekday = date.dayOfWeek() - 1;
            if (weekday >= kSaturday)
                weekday = 0;
            break;
        }
        out.append({date, weekday});
    }
    return out;
}

} // namespace

const QStringList& weekdayNames()
{
    static const QStringList names{QStringLiteral("Понедельник"), QStringLiteral("Вторник"),
                                   QStringLiteral("Среда"),       QStringLiteral("Четверг"),
                                   QStringLiteral("Пятница"),     QStringLiteral("Суббота"),
                                   QStringLiteral("Воскресенье")};
    return names;
}

AltDaysRecord buildAltDaysRecord(const QList<AltDay>& list1, const QList<AltDay>& list2)
{
    AltDaysRecord rec{};
    rec[0] = static_cast<std::uint8_t>(std::min<qsizetype>(list1.size(), kAltDaysPerList));
    rec[1] = static_cast<std::uint8_t>(std::min<qsizetype>(list2.size(), kAltDaysPerList));
    putList(rec, 2, list1, true);
    putList(rec, 2 + 2 * kAltDaysPerList, list2, false);
    return rec;
}

AltDaysLists decodeAltDaysRecord(const AltDaysRecord& record, int year)
{
    return {takeList(record, record[0], 2, year),
            takeList(record, record[1], 2 + 2 * kAltDaysPerList, year)};
}

void writeAltDaysFile(const QString& fileName, const QList<AltDay>& list1,
                      const QList<AltDay>& list2)
{
    const AltDaysRecord rec = buildAltDaysRecord(list1, list2);
    // Written beside and renamed over, so a failed write leaves the old file.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(rec.data()), kAltDaysFileSize) !=
            kAltDaysFileSize ||
        !file.commit())
        throw AltDaysFileError(QStringLiteral("Ошибка записи файла."));
}

AltDaysRecord readAltDaysRaw(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AltDaysFileError(QStringLiteral("Ошибка открытия файла."));
    const QByteArray bytes = file.read(kAltDaysFileSize);
    if (file.error() != QFileDevice::NoError)
        throw AltDaysFileError(QStringLiteral("Ошибка открытия файла."));
    AltDaysRecord rec{};
    std::copy(bytes.begin(), bytes.end(), rec.begin());
    return rec;
}

AltDaysLists readAltDaysFile(const QString& fileName, int currentYear)
{
    return decodeAltDaysRecord(readAltDaysRaw(fileName), currentYear);
}

} // namespace vyn
