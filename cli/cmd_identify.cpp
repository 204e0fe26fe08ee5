#include "cliutil.h"
#include "commands.h"
#include "deviceoptions.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

int runIdentify(const QStringList& args)
{
    QCommandLineParser parser;
    addDeviceOptions(parser);
    parser.addOption({QStringLiteral("json"), QStringLiteral("Print the result as JSON.")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Identifies the calculator on a port: serial number, "
                                     "firmware date, generation, device version.")))
        return ExitOk;
    const vyn::Identification id = identifyFromOptions(parser);

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
