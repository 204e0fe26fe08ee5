// The instrument catalogue: rash.spe unscrambled (and scrambled back to the same
// bytes), then every lookup the editor makes, on the text as it was decoded.

#include "fuzzsupport.h"

#include "app/catalogue.h"
#include "editor/instrumentcatalogue.h"

namespace {

void lookEverywhere(const vyn::InstrumentCatalogue& catalogue)
{
    QStringList sections = catalogue.flowMeterTypes(true) + catalogue.flowMeterTypes(false);
    for (const QString& type : sections) {
        catalogue.suitsHeatPipe(type);
        catalogue.suitsWaterPipe(type);
        catalogue.supportsMains(type);
        catalogue.supportsBattery(type);
        catalogue.flowMin(type);
        catalogue.flowMax(type);
        catalogue.pipeTMin(type);
        catalogue.pipeTMax(type);
        catalogue.underscoreEntries(type, QStringLiteral("-"));
    }
    for (const QString& type : catalogue.electricityMeterTypes())
        catalogue.isElectricityMeter(type);
    for (const QString& type : catalogue.thermometerTypes()) {
        const int columns = catalogue.thermometerListCount(type);
        for (int c = 0; c < std::min(columns, 8); ++c) {
            catalogue.thermometerListName(type, c);
            catalogue.thermometerList(type, c);
        }
        catalogue.thermometerTMax(type);
        catalogue.komplekt(type);
    }
    for (const QString& p : catalogue.contractPressures())
        catalogue.kgfToMpaText(p);
    for (const QString& sensor : catalogue.pressureSensorTypes())
        for (const QString& limit : catalogue.pressureUpperLimits(sensor))
            catalogue.kgfToMpaText(limit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    const QByteArray stored = vynfuzz::bytesOf(data, size);
    const QByteArray plain = vyn::unscrambleCatalogue(stored);
    VYNFUZZ_CHECK(plain.size() == stored.size());
    VYNFUZZ_CHECK(vyn::scrambleCatalogue(plain) == stored);
    VYNFUZZ_CHECK(vyn::unscrambleCatalogue(vyn::scrambleCatalogue(stored)) == stored);

    // The scrambled bytes of a small input are mostly noise: the raw input is
    // looked up as a readable catalogue as well.
    for (const QByteArray& text : {plain, stored}) {
        const QString path = vynfuzz::scratchFile(QStringLiteral("rash.ini"), text);
        for (QChar point : {QLatin1Char(','), QLatin1Char('.')})
            lookEverywhere(vyn::InstrumentCatalogue(path, vyn::NumberLocale(point)));
    }
    return 0;
}
