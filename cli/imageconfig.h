#pragma once
// The configuration file as vyntool image needs it: the record and the device
// generation its DeviceSoftData gives.

#include "model/configrecord.h"
#include "model/numberlocale.h"

#include <QString>

namespace vyntool {

struct ImageConfig
{
    vyn::ConfigRecord record;
    int deviceGeneration = 0;
};

// Reads a JSON configuration file (keys are VYN_Base column names, any case).
// Throws Failure with the user's message.
//
// TODO(codec): interim reader of the columns the image uses. At merge replace
// the body by the codec's vyn::loadConfigFile (model/configfile.h) with the
// electricity-meter answer of --catalogue, and delete imageconfig.cpp's helpers.
ImageConfig loadConfigFile(const QString& path, const vyn::NumberLocale& locale);

} // namespace vyntool
