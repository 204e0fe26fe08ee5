#include "cliutil.h"
#include "commands.h"

#include "link/identification.h"
#include "link/linkerrors.h"
#include "link/vynproto.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

int runIdentify(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port name (ttyUSB0) or path."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("speed"), QStringLiteral("Line speed (default 9600)."),
                      QStringLiteral("baud")});
    parser.addOption(
        {QStringLiteral("fast"), QStringLiteral("Short line reset, for simulators and tests.")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the result as JSON.")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Identifies the calculator on a port: serial number, "
                                     "firmware date, generation, device version.")))
        return ExitOk;
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

    const QString date = id.firmwareDate.toString(Qt::ISODate);
    const QString generation = id.generation == 1 ? QStringLiteral("04") : QStringLiteral("03");
    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject o;
        o[QStringLiteral("serial")] = id.serial;
        o[QStringLiteral("firmwareDate")] = date;
        o[QStringLiteral("generation")] = generation;
        o[QStringLiteral("deviceGeneration")] = id.generation;
        o[QStringLiteral("deviceVersion")] = id.version;
        o[QStringLiteral("newType")] = id.newType;
        printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    } else {
        printOut(QStringLiteral("serial:         %1\nfirmware date:  %2\ngeneration:     %3\n"
                                "device version: %4\nnew type:       %5")
                     .arg(id.serial, date, generation)
                     .arg(id.version)
                     .arg(id.newType ? QStringLiteral("yes") : QStringLiteral("no")));
    }
    return ExitOk;
}

} // namespace vyntool
