#pragma once
// The firm that issues the documents: name, address, telephone, e-mail and an
// optional logo, kept in firm.ini of the program directory (section [Firm]) and
// edited in the "Реквизиты организации" window.

#include <QString>

namespace vyn {

struct FirmDetails
{
    QString name;
    QString address;
    QString phone;
    QString email;
    QString logo; // full path of the logo image; empty: none

    // The documents name a firm only once its name is given.
    bool isFilled() const { return !name.trimmed().isEmpty(); }
    bool operator==(const FirmDetails&) const = default;
};

// "firm.ini".
QString firmDetailsFileName();
// "Реквизиты организации не заполнены".
QString firmDetailsMissingMessage();

// Keys Name, Address, Phone, Email, Logo of section [Firm]; a missing file or key
// is empty. A logo without a directory lies beside the file.
FirmDetails readFirmDetails(const QString& path);

// Stores the details; a logo from elsewhere is copied beside the file (as
// "firmlogo" with its own extension) so the program directory holds all of it.
// False when the file or the logo cannot be written; the old file then stays.
bool writeFirmDetails(const QString& path, const FirmDetails& details);

} // namespace vyn
