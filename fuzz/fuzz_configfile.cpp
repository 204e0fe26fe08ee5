// The configuration file: JSON read and written back to the same row, loaded
// into a record and numbered, built into both image layouts, and saved; a saved
// row loads and saves again to the same row.

#include "fuzzsupport.h"

#include "model/configfile.h"
#include "model/deviceimage.h"
#include "model/rowcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QByteArray json = vynfuzz::bytesOf(data, size);
    vyn::StoredRow row;
    try {
        row = vyn::parseConfigJson(json);
    } catch (const vyn::ConfigFileError&) {
        return 0;
    }
    const QString path = vynfuzz::scratchPath(QStringLiteral("config.json"));
    const vyn::NumberLocale comma(QLatin1Char(','));
    const QDate today(2025, 3, 14);
    vyn::LoadedConfig loaded;
    try {
        VYNFUZZ_CHECK(vyn::parseConfigJson(vyn::configJson(row)) == row);
        vyn::writeConfigFile(path, row);
        loaded = vyn::loadConfigFile(path, comma, today, nullptr);
    } catch (const vyn::ConfigFileError& e) {
        std::fprintf(stderr, "a row's own file is refused: %s\n", qPrintable(e.message()));
        std::abort();
    }
    VYNFUZZ_CHECK(loaded.row == row);

    vyn::SchemeRecord fallback;
    fallback.code = QStringLiteral("30");
    vyn::ImageInputs in;
    in.schemes = vyn::SchemeTable({fallback});
    in.now = QDateTime(today, QTime(12, 0));
    in.locale = comma;
    for (int layout : {0, 2}) {
        in.ImageLayout = layout;
        in.FirmwareStamp = layout == 0 ? 30519 : 0;
        vyn::buildDeviceImage(loaded.record, in);
    }

    vyn::SaveContext context;
    context.deviceGeneration = loaded.deviceGeneration;
    if (loaded.deviceFirmwareDate.isValid())
        context.deviceFirmwareDate = loaded.deviceFirmwareDate;
    context.today = today;
    const vyn::SaveResult saved = vyn::saveRecord(loaded.record, context, comma, row);
    vyn::ConfigRecord again;
    vyn::loadRecord(saved.row, again, {loaded.deviceGeneration, today, nullptr}, comma);
    const vyn::SaveResult resaved = vyn::saveRecord(again, context, comma, saved.row);
    VYNFUZZ_CHECK(resaved.row == saved.row);
    return 0;
}
