// vyntool identify: who the calculator on a port is.

#include "cliutil.h"
#include "commands.h"
#include "deviceoptions.h"

namespace vyntool {

int runIdentify(const QStringList& args)
{
    QCommandLineParser parser;
    addDeviceOptions(parser);
    addJsonOption(parser);
    if (!parseCommand(parser, args,
                      QStringLiteral("Опрашивает прибор на порту: заводской номер, дата "
                                     "программы, поколение, версия прибора.\n\n") +
                          exitCodesHelp()))
        return ExitOk;
    const bool json = parser.isSet(QStringLiteral("json"));
    DeviceReport report(QStringLiteral("identified"));
    vyn::Identification id;
    if (!identifyFromOptions(parser, id, report)) {
        if (json)
            printOut(report.json());
        return exitCodeFor(report.outcome);
    }

    if (json) {
        printOut(report.json());
    } else {
        printOut(QStringLiteral("заводской номер: %1\nдата программы:  %2\nпоколение:       %3\n"
                                "версия прибора:  %4\nнового типа:     %5")
                     .arg(id.serial, report.firmwareDate,
                          id.generation == 1 ? QStringLiteral("04") : QStringLiteral("03"))
                     .arg(id.version)
                     .arg(id.newType ? QStringLiteral("да") : QStringLiteral("нет")));
    }
    return ExitOk;
}

} // namespace vyntool
