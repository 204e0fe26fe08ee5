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
            VYNFUZZ_CHECK(vyn::decodeAltDaysRecord(built, year) == lists);
            const QString copy = vynfuzz::scratchPath(QStringLiteral("copy.alt"));
            vyn::writeAltDaysFile(copy, lists.alternative, lists.holidays);
            VYNFUZZ_CHECK(vyn::readAltDaysRaw(copy) == built);
        }
    } catch (const vyn::AltDaysFileError&) {
    }
    return 0;
}
