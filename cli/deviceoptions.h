#pragma once
// The serial-line options of the commands that talk to a calculator, and the
// identification run with them.

#include "link/identification.h"

#include <QCommandLineParser>

namespace vyntool {

// --port, --speed, --fast.
void addDeviceOptions(QCommandLineParser& parser);

// Identifies the calculator on the port the options name; the port is closed
// again. Throws UsageError for bad options, Failure with the user's message.
vyn::Identification identifyFromOptions(const QCommandLineParser& parser);

} // namespace vyntool
