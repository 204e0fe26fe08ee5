#pragma once
// The firm that issues the documents: name, address, telephone and e-mail, read
// from firm.ini beside the program (section [Firm]), which the user edits.

#include <QString>

namespace vyn {

struct FirmDetails
{
    QString name;
    QString address;
    QString phone;
    QString email;
};

// "firm.ini".
QString firmDetailsFileName();
// Keys Name, Address, Phone, Email of section [Firm]; a missing file or key is empty.
FirmDetails readFirmDetails(const QString& path);

} // namespace vyn
