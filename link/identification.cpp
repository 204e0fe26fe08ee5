#include "identification.h"

#include "linkerrors.h"
#include "vynproto.h"

#include <array>

namespace vyn {

QString serialFromReply(std::span<const std::uint8_t> reply)
{
    QString serial;
    for (std::size_t i = 8; i <= 15 && i < reply.size(); ++i)
        serial += QString::number(reply[i]);
    return serial;
}

QDate firmwareDateFromReply(std::span<const std::uint8_t> reply)
{
    if (reply.size() < 19)
        return {};
    return QDate(2000 + reply[16], reply[17], reply[18]);
}

int deviceVersionFor(bool newType, int firmwareYearByte, const QString& serial)
{
    if (newType)
        return firmwareYearByte >= 15 ? 5 : 4;
    if (serial.size() < 5 || !serial.at(4).isDigit() || serial.at(4).unicode() > '9')
        return -1;
    return serial.at(4).unicode() - '0' >= 3 ? 3 : 2;
}

void openAndResetLine(TVynProto& proto, const QString& port, int speed)
{
    ProtoSetDTR(proto, true);
    ProtoSetRTS(proto, true);
    if (!ProtoSetSpeed(proto, speed))
        throw EPortUnavailable(QStringLiteral("Недопустимая скорость порта: %1").arg(speed));
    if (!ProtoOpenPort(proto, port))
        throw EPortUnavailable(proto.lastOpenError());
    ProtoResetLine(proto);
}

IdentityReplies queryIdentity(TVynProto& proto)
{
    IdentityReplies out;
    std::array<std::uint8_t, 100> tx{0x03, 0x35, 0x45, 0xC5};
    std::array<std::uint8_t, 100> rx{};
    if (ProtoExchange(proto, 0, 0x0A, 4, tx, rx)) {
        out.typeAnswered = true;
        out.newType = rx[8] == 0xFF;
    }
    tx = {0x03, 0x45, 0x4F, 0x00};
    out.identityAnswered = ProtoExchange(proto, 0, 2, 4, tx, out.identity);
    return out;
}

Identification identifyDevice(TVynProto& proto, const QString& port, int speed)
{
    openAndResetLine(proto, port, speed);

    Identification id;
    const IdentityReplies replies = queryIdentity(proto);
    id.newType = replies.newType;
    if (!replies.identityAnswered)
        throw EProtokol(QStringLiteral("Прибор не обнаружен"));
    const auto& rx = replies.identity;
    id.serial = serialFromReply(rx);
    id.firmwareDate = firmwareDateFromReply(rx);
    if (!id.firmwareDate.isValid())
        throw EProtokol(QStringLiteral("Прибор не обнаружен"));
    id.generation = rx[16] >= 4 ? 1 : 0;
    id.version = deviceVersionFor(id.newType, rx[16], id.serial);
    if (id.version < 0)
        throw EProtokol(QStringLiteral("Прибор не обнаружен"));
    return id;
}

} // namespace vyn
