#include "cliutil.h"

#include "app/programdir.h"

#include <QCoreApplication>
#include <QSaveFile>
#include <cstdio>

namespace vyntool {

bool parseCommand(QCommandLineParser& parser, const QStringList& args, const QString& description)
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(args))
        throw UsageError(parser.errorText());
    if (parser.isSet(help)) {
        printOut(parser.helpText());
        return false;
    }
    return true;
}

QString requiredValue(const QCommandLineParser& parser, const QString& name)
{
    if (!parser.isSet(name) || parser.value(name).isEmpty())
        throw UsageError(QStringLiteral("missing --%1").arg(name));
    return parser.value(name);
}

int intValue(const QCommandLineParser& parser, const QString& name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok, 0);
    if (!ok)
        throw UsageError(QStringLiteral("--%1 needs an integer, not \"%2\"").arg(name, parser.value(name)));
    return v;
}

void writeFileOrFail(const QString& path, QByteArrayView data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data.data(), data.size()) != data.size() ||
        !file.commit())
        throw Failure(QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
}

QString programDir()
{
    return vyn::ExeDir();
}

QString productFile(const QString& name)
{
    return vyn::programFiles().find(name);
}

vyn::CommSettings commSettingsFor(const QString& port, int speed)
{
    vyn::CommSettings comm;
    comm.port = port;
    const QStringList& speeds = vyn::CommSettings::speedItems();
    comm.speedItem = static_cast<int>(speeds.indexOf(QString::number(speed)));
    if (comm.speedItem < 0)
        throw UsageError(
            QStringLiteral("--speed %1 is not one of %2").arg(speed).arg(speeds.join(QStringLiteral(", "))));
    return comm;
}

vyn::ProtoTimings commandTimings(bool fast)
{
    vyn::ProtoTimings timings;
    if (fast) {
        timings.lineResetLowMs = 50;
        timings.lineResetHighMs = 50;
        timings.configFinalPauseMs = 100;
    }
    return timings;
}

void printOut(const QString& text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<std::size_t>(b.size()), stdout);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printErr(const QString& text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<std::size_t>(b.size()), stderr);
    if (!text.endsWith(QLatin1Char('\n')))
        std::fputc('\n', stderr);
}

vyn::TDM1::Options waitingDatabaseOptions()
{
    vyn::TDM1::Options options;
    options.waitForImport = [said = false](const QString& text) mutable {
        if (!said && !text.isEmpty())
            printErr(text);
        said = true;
        return true;
    };
    return options;
}

} // namespace vyntool
