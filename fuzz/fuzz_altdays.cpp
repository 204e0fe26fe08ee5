// The alternative-days file: read, decoded for a year, built and written back.

#include "fuzzsupport.h"

#include "model/altdays.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QString path = vynfuzz::scratchFile(QStringLiteral("days.alt"), vynfuzz::bytesOf(data, size));
    try {
        const vyn::AltDaysRecord raw = vyn::readAltDaysRaw(path);
        for (int year : {2023, 2024}) {
            const vyn::AltDaysLists lists = vyn::decodeAltDaysRecord(raw, year);
            VYNFUZZ_CHECK(lists.alternative.size() <= vyn::kAltDaysPerList);
            VYNFUZZ_CHECK(lists.holidays.size() <= vyn::kAltDaysPerList);
            VYNFUZZ_CHECK(vyn::readAltDaysFile(path, year) == lists);
            // What the editor writes reads back as the same lists.
            const vyn::AltDaysRecord built = vyn::buildAltDaysRecord(lists.alternative, lists.holidays);
            // Holidays are stored without a day kind: only their dates come back.
            const vyn::AltDaysLists back = vyn::decodeAltDaysRecord(built, year);
            VYNFUZZ_CHECK(back.alternative == lists.alternative);
            VYNFUZZ_CHECK(back.holidays.size() == lists.holidays.size());
            for (qsizetype i = 0; i < back.holidays.size(); ++i)
                VYNFUZZ_CHECK(back.holidays.at(i).date == lists.holidays.at(i).date);
            VYNFUZZ_CHECK(vyn::decodeAltDaysRecord(vyn::buildAltDaysRecord(back.alternative,
                                                                           back.holidays),
                                                   year) == back);
            const QString copy = vynfuzz::scratchPath(QStringLiteral("copy.alt"));
            vyn::writeAltDaysFile(copy, lists.alternative, lists.holidays);
            VYNFUZZ_CHECK(vyn::readAltDaysRaw(copy) == built);
        }
    } catch (const vyn::AltDaysFileError&) {
    }
    return 0;
}
