#pragma once
// The serial ports the system knows, in its own order: not sorted, not
// de-duplicated. Names are what the port accepts ("ttyUSB0"); a path typed by
// the user ("/dev/pts/7") works as well without being listed.

#include <QStringList>

namespace vyn {

void EnumeratePorts(QStringList& list);

} // namespace vyn
