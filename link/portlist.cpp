#include "portlist.h"

#include <QSerialPortInfo>

namespace vyn {

void EnumeratePorts(QStringList& list)
{
    list.clear();
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : ports)
        if (!info.portName().isEmpty())
            list << info.portName();
}

} // namespace vyn
