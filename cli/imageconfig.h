#pragma once
// The configuration file as vyntool image needs it: the record and the device
// generation its DeviceSoftData gives.

#include "model/configrecord.h"
#include "model/numberlocale.h"
#include "model/rowcodec.h"

#include <QString>

namespace vyntool {

struct ImageConfig
{
    vyn::ConfigRecord record;
    int deviceGeneration = 0;
};

// Reads a JSON configuration file (model/configfile.h) into a record with its
// systems numbered; the catalogue marks the electricity meter rows. Throws Failure with the user's message.
ImageConfig loadConfigFile(const QString& path, const vyn::NumberLocale& locale,
                           const vyn::ElectricityMeterCatalogue* catalogue);

} // namespace vyntool
