// vyntool ports: the serial ports the communication settings window offers.

#include "cliutil.h"
#include "commands.h"

#include "link/portlist.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace vyntool {

int runPorts(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("json"), QStringLiteral("Вывести список массивом JSON.")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Перечисляет последовательные порты в том порядке, в каком "
                                     "их предлагает окно коммуникационных настроек. Для --port "
                                     "годится и путь, которого нет в списке (/dev/pts/3).")))
        return ExitOk;
    if (!parser.positionalArguments().isEmpty())
        throw UsageError(QStringLiteral("лишний аргумент «%1»").arg(parser.positionalArguments().first()));
    QStringList ports;
    vyn::EnumeratePorts(ports);
    if (parser.isSet(QStringLiteral("json")))
        printOut(QString::fromUtf8(
            QJsonDocument(QJsonArray::fromStringList(ports)).toJson(QJsonDocument::Compact)));
    else if (!ports.isEmpty())
        printOut(ports.join(QLatin1Char('\n')));
    else
        printErr(QStringLiteral("Последовательные порты не найдены."));
    return ExitOk;
}

} // namespace vyntool
