#pragma once
// Identification of the connected calculator: line set-up, line reset, the type
// query and the identity query, and what their replies say.

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

#include "linkerrors.h"

namespace vyn {

class TVynProto;

// The port of an identification could not be opened; message() is the reason.
class EPortUnavailable : public EPortExcept
{
public:
    using EPortExcept::EPortExcept;
};

struct Identification
{
    bool newType = false; // type query: reply byte 8 is 0xFF
    QString serial;       // bytes 8..15 rendered in decimal, concatenated
    QDate firmwareDate;   // 2000 + byte 16, byte 17, byte 18
    int generation = 1;   // 1 from 2004-01-01 on, else 0
    int version = 0;      // 2, 3, 4 or 5
};

// Serial of an identity reply: the decimal renderings of bytes 8 to 15.
QString serialFromReply(std::span<const std::uint8_t> reply);
// Firmware date of an identity reply; invalid for an impossible date.
QDate firmwareDateFromReply(std::span<const std::uint8_t> reply);
// 5 or 4 with the new-type flag (by firmware year), else 3 or 2 by the fifth
// serial character; -1 when that character is not a digit.
int deviceVersionFor(bool newType, int firmwareYearByte, const QString& serial);

// DTR and RTS on, the speed set, the port opened and the line reset, as every
// command starts. Raises EPortUnavailable (message: the reason) when the speed is
// unusable or the port cannot be opened.
void openAndResetLine(TVynProto& proto, const QString& port, int speed);

// What the type and identity queries answered. A query whose exchange returned
// false (the port is closed) leaves its part unanswered.
struct IdentityReplies
{
    bool typeAnswered = false;
    bool newType = false;
    bool identityAnswered = false;
    std::array<std::uint8_t, 100> identity{}; // the reply buffer of the identity query
};

// The type query and the identity query on an open line; exceptions of the
// exchanges propagate.
IdentityReplies queryIdentity(TVynProto& proto);

// Runs the identification on the given port. Raises EPortUnavailable when the
// port cannot be opened (message: the port's reason), EProtokol/EPortExcept from the
// exchanges, EProtokol "Прибор не обнаружен" for an impossible reply. Leaves the
// port open.
Identification identifyDevice(TVynProto& proto, const QString& port, int speed);

} // namespace vyn
