#include "cliutil.h"

#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "app/programdir.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <cstdio>

namespace vyntool {

QString exitCodesHelp()
{
    return QStringLiteral("Коды завершения:\n"
                          "  0    успешно\n"
                          "  1    операция не удалась (файл, обмен, запись)\n"
                          "  2    неверные параметры командной строки\n"
                          "  3    порт недоступен\n"
                          "  4    прибор не обнаружен\n"
                          "  5    тип прибора не подходит или запись отклонена из-за заводского "
                          "номера\n"
                          "  130  прервано (Ctrl+C, SIGTERM)");
}

QString russianHelpText(const QString& helpText, const QString& command)
{
    QString text = helpText;
    // Qt names the executable's path; the usage line names the command.
    text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+ \\[options\\]")),
                 QStringLiteral("Использование: ") + command + QStringLiteral(" [параметры]"));
    text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                 QStringLiteral("Использование: ") + command);
    text.replace(QRegularExpression(QStringLiteral("(^|\n)Options:\n")),
                 QStringLiteral("\\1Параметры:\n"));
    text.replace(QRegularExpression(QStringLiteral("(^|\n)Arguments:\n")),
                 QStringLiteral("\\1Аргументы:\n"));
    return text;
}

QString russianParserError(const QString& errorText)
{
    struct Pattern
    {
        const char* english;
        const char* russian;
    };
    static const Pattern kPatterns[] = {
        {"^Unknown option '(.*)'\\.$", "неизвестный параметр «\\1»"},
        {"^Unknown options: (.*)\\.$", "неизвестные параметры: \\1"},
        {"^Missing value after '(.*)'\\.$", "не указано значение после «\\1»"},
        {"^Unexpected value after '(.*)'\\.$", "лишнее значение после «\\1»"},
    };
    for (const Pattern& p : kPatterns) {
        const QRegularExpression re(QString::fromUtf8(p.english));
        if (re.match(errorText).hasMatch()) {
            QString text = errorText;
            return text.replace(re, QString::fromUtf8(p.russian));
        }
    }
    return errorText;
}

bool parseCommand(QCommandLineParser& parser, const QStringList& args, const QString& description)
{
    parser.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Показать эту справку."));
    parser.addOption(help);
    if (!parser.parse(args))
        throw UsageError(russianParserError(parser.errorText()));
    if (parser.isSet(help)) {
        printOut(russianHelpText(parser.helpText(), args.value(0)));
        return false;
    }
    return true;
}

void throwActionError(const QString& action, const QString& choices)
{
    if (action.isEmpty())
        throw UsageError(QStringLiteral("не указано действие (%1)").arg(choices));
    throw UsageError(QStringLiteral("неизвестное действие «%1»; допустимо: %2").arg(action, choices));
}

QString requiredValue(const QCommandLineParser& parser, const QString& name)
{
    if (!parser.isSet(name) || parser.value(name).isEmpty())
        throw UsageError(QStringLiteral("не указан --%1").arg(name));
    return parser.value(name);
}

int intValue(const QCommandLineParser& parser, const QString& name, int fallback)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok, 0);
    if (!ok)
        throw UsageError(QStringLiteral("--%1: нужно целое число, а не \"%2\"")
                             .arg(name, parser.value(name)));
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
        throw UsageError(QStringLiteral("--speed %1: допустимые скорости %2").arg(speed).arg(speedChoices()));
    return comm;
}

QString speedChoices()
{
    return vyn::CommSettings::speedItems().join(QStringLiteral(", "));
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

namespace {

// A server's password typed on the terminal, not echoed; none without a terminal
// (a script's password belongs in ~/.pgpass).
std::optional<QString> askPasswordOnTerminal(const vyn::DatabaseLocation& location,
                                             const QString& reason)
{
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    printErr((reason.isEmpty() ? QString() : reason + QStringLiteral(". ")) +
             QStringLiteral("Пароль для %1: ").arg(location.toString()).trimmed());
    termios saved{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputc('\n', stderr);
    if (!read)
        return std::nullopt;
    return QString::fromStdString(line);
}

} // namespace

vyn::ConfigDatabase::Options waitingDatabaseOptions()
{
    vyn::ConfigDatabase::Options options;
    options.passwordPrompt = askPasswordOnTerminal;
    options.waitForImport = [said = false](const QString& text) mutable {
        if (!said && !text.isEmpty())
            printErr(text);
        said = true;
        return true;
    };
    return options;
}

} // namespace vyntool
