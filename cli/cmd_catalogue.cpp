// vyntool catalogue: scrambles the readable instrument catalogue into the rash.spe
// the program ships with, and back.

#include "cliutil.h"
#include "commands.h"

#include "app/catalogue.h"

#include <QFile>
#include <QFileInfo>

namespace vyntool {

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("Не удалось открыть файл %1: %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(
            QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, file.errorString()));
    return data;
}

} // namespace

int runCatalogue(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"),
                                 QStringLiteral("pack INI SPE или unpack SPE INI"));
    if (!parseCommand(
            parser, args,
            QStringLiteral("Шифрует каталог приборов учёта rash.ini в rash.spe или "
                           "расшифровывает rash.spe.\n"
                           "  catalogue pack rash.ini rash.spe\n"
                           "  catalogue unpack rash.spe rash.ini")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    const QString action = pos.value(0);
    const bool pack = action == QLatin1String("pack");
    if (!pack && action != QLatin1String("unpack"))
        throwActionError(action, QStringLiteral("pack или unpack"));
    if (pos.size() != 3)
        throw UsageError(
            QStringLiteral("catalogue %1: нужны входной и выходной файлы").arg(action));
    if (QFileInfo(pos.at(1)).absoluteFilePath() == QFileInfo(pos.at(2)).absoluteFilePath())
        throw UsageError(QStringLiteral("выходной файл не может быть входным"));
    const QByteArray in = readBytes(pos.at(1));
    writeFileOrFail(pos.at(2), pack ? vyn::scrambleCatalogue(in) : vyn::unscrambleCatalogue(in));
    return ExitOk;
}

} // namespace vyntool
