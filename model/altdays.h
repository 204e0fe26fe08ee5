#pragma once
// The alternative-days file: 62 bytes that the calculator takes as they are.
// Two counts, then two lists of 15 two-byte entries (day; month with the day kind
// in bits 6..7). The year is not stored: dates belong to the year of reading.

#include "messageerror.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace vyn {

inline constexpr int kAltDaysFileSize = 62;
inline constexpr int kAltDaysPerList = 15;

using AltDaysRecord = std::array<std::uint8_t, kAltDaysFileSize>;

// "Понедельник" .. "Воскресенье", indices 0..6.
const QStringList& weekdayNames();
inline constexpr int kSaturday = 5;
inline constexpr int kSunday = 6;

// One entry of the editor: a date and the weekday chosen for it.
struct AltDay
{
    QDate date;
    int weekday = 0; // index into weekdayNames()
    bool operator==(const AltDay&) const = default;
};

struct AltDaysLists
{
    QList<AltDay> alternative; // list 1, "Альтернативные"
    QList<AltDay> holidays;    // list 2, "Праздничные"
    bool operator==(const AltDaysLists&) const = default;
};

// A file that cannot be written or read; what() is the text the user sees.
class AltDaysFileError : public MessageError
{
public:
    using MessageError::MessageError;
};

// The record for two lists. The editor never holds more than 15 entries a list;
// entries beyond the 15th are not representable and are left out.
AltDaysRecord buildAltDaysRecord(const QList<AltDay>& list1, const QList<AltDay>& list2);
// The used entries of a record as dates of the given year; entries whose date
// does not exist in that year are skipped.
AltDaysLists decodeAltDaysRecord(const AltDaysRecord& record, int year);

// Replaces the file with the record of the two lists. Throws AltDaysFileError
// "Ошибка записи файла." and leaves an existing file as it was on failure.
void writeAltDaysFile(const QString& fileName, const QList<AltDay>& list1,
                      const QList<AltDay>& list2);
// Reads the lists for the current year. Throws AltDaysFileError
// "Ошибка открытия файла." when the file cannot be opened.
AltDaysLists readAltDaysFile(const QString& fileName, int currentYear);
// The first 62 bytes unchanged; a shorter file gives 0x00 for the missing bytes
// (so its missing entries read as not present). Throws like readAltDaysFile.
AltDaysRecord readAltDaysRaw(const QString& fileName);

} // namespace vyn
