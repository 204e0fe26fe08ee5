#include "imageconfig.h"

#include "cliutil.h"

#include "model/configfile.h"

#include <QDate>

namespace vyntool {

ImageConfig loadConfigFile(const QString& path, const vyn::NumberLocale& locale,
                           const vyn::ElectricityMeterCatalogue* catalogue)
{
    try {
        vyn::LoadedConfig loaded = vyn::loadConfigFile(path, locale, QDate::currentDate(), catalogue);
        return {std::move(loaded.record), loaded.deviceGeneration};
    } catch (const vyn::ConfigFileError& e) {
        throw Failure(e.message());
    }
}

} // namespace vyntool
