#pragma once
// The values the last identification of a calculator left behind. One object,
// owned by the program and passed by reference to whoever reads them.

#include <QDate>
#include <QString>
#include <memory>

namespace vyn {

class TVynComunicator; // link/

// 1 for firmware dated 2004-01-01 or later, else 0.
int generationForFirmwareDate(const QDate& date);

struct DeviceSession
{
    int DeviceGeneration = 1;
    QDate DeviceFirmwareDate{2004, 1, 1};
    int DeviceVersion = 0; // 0 none, 2, 3 older, 4, 5 newer
    QString IdentifiedSerial;
    std::shared_ptr<TVynComunicator> ActiveComunicator;
};

} // namespace vyn
