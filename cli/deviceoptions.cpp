#include "deviceoptions.h"

#include "cliutil.h"

#include "link/linkerrors.h"
#include "link/vynproto.h"

namespace vyntool {

void addDeviceOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port name (ttyUSB0) or path."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("speed"), QStringLiteral("Line speed (default 9600)."),
                      QStringLiteral("baud")});
    parser.addOption(
        {QStringLiteral("fast"), QStringLiteral("Short line reset, for simulators and tests.")});
}

vyn::Identification identifyFromOptions(const QCommandLineParser& parser)
{
    const QString port = requiredValue(parser, QStringLiteral("port"));
    const int speed = intValue(parser, QStringLiteral("speed"), 9600);
    if (!vyn::isStandardBaudRate(speed))
        throw UsageError(QStringLiteral("--speed %1 is not one of 1200, 2400, 4800, 9600, 19200, "
                                        "38400, 57600, 115200")
                             .arg(speed));

    vyn::TVynProto proto(vyn::ThreadSleeper::instance(),
                         commandTimings(parser.isSet(QStringLiteral("fast"))));
    vyn::Identification id;
    try {
        id = vyn::identifyDevice(proto, port, speed);
    } catch (const vyn::EPortUnavailable& e) {
        throw Failure(
            QStringLiteral("В настоящее время %1 не доступен\n%2").arg(port, e.message()));
    } catch (const vyn::ELinkError& e) {
        vyn::ProtoClosePort(proto);
        throw Failure(QStringLiteral("Прибор не обнаружен\n%1").arg(e.message()));
    }
    vyn::ProtoClosePort(proto);
    return id;
}

} // namespace vyntool
