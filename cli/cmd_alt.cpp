#include "cliutil.h"
#include "commands.h"

#include "model/altdays.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace vyn;

namespace vyntool {

namespace {

// "DD.MM" checked against a leap year, so 29.02 is a date one may list.
QDate parseDayMonth(const QString& text, const QString& option)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    const QDate date = m.hasMatch() ? QDate(2000, m.captured(2).toInt(), m.captured(1).toInt()) : QDate();
    if (!date.isValid())
        throw UsageError(QStringLiteral("--%1: \"%2\" не день и месяц ДД.ММ").arg(option, text));
    return date;
}

AltDay parseAlternative(const QString& text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        throw UsageError(QStringLiteral("--alt: \"%1\" не в виде ДД.ММ:день_недели").arg(text));
    const QDate date = parseDayMonth(text.left(colon), QStringLiteral("alt"));
    const QString name = text.mid(colon + 1);
    const int weekday = static_cast<int>(weekdayNames().indexOf(name));
    if (weekday < 0)
        throw UsageError(QStringLiteral("--alt: \"%1\" не день недели; допустимо: %2")
                             .arg(name, weekdayNames().join(QStringLiteral(", "))));
    return {date, weekday};
}

QJsonArray jsonList(const QList<AltDay>& list)
{
    QJsonArray out;
    for (const AltDay& e : list)
        out.append(QJsonObject{{QStringLiteral("date"), e.date.toString(Qt::ISODate)},
                               {QStringLiteral("weekday"), weekdayNames().at(e.weekday)},
                               {QStringLiteral("index"), e.weekday}});
    return out;
}

QString textList(const QString& caption, const QList<AltDay>& list)
{
    QString out = QStringLiteral("%1 (%2):\n").arg(caption).arg(list.size());
    for (const AltDay& e : list)
        out += QStringLiteral("  %1  %2\n").arg(e.date.toString(QStringLiteral("dd.MM.yyyy")),
                                              weekdayNames().at(e.weekday));
    return out;
}

int show(const QCommandLineParser& parser, const QString& file)
{
    const int year = intValue(parser, QStringLiteral("year"), QDate::currentDate().year());
    if (year < 1 || year > 9999)
        throw UsageError(QStringLiteral("--year: %1 не год").arg(year));
    AltDaysLists lists;
    try {
        lists = readAltDaysFile(file, year);
    } catch (const AltDaysFileError& e) {
        throw Failure(e.message());
    }
    if (parser.isSet(QStringLiteral("json"))) {
        const QJsonObject out{{QStringLiteral("year"), year},
                              {QStringLiteral("alternative"), jsonList(lists.alternative)},
                              {QStringLiteral("holidays"), jsonList(lists.holidays)}};
        printOut(QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Indented)));
    } else {
        printOut(textList(QStringLiteral("Альтернативные"), lists.alternative) +
                 textList(QStringLiteral("Праздничные"), lists.holidays));
    }
    return ExitOk;
}

int write(const QCommandLineParser& parser, const QString& file)
{
    QList<AltDay> alternative;
    QList<AltDay> holidays;
    for (const QString& v : parser.values(QStringLiteral("alt")))
        alternative << parseAlternative(v);
    for (const QString& v : parser.values(QStringLiteral("holiday")))
        holidays << AltDay{parseDayMonth(v, QStringLiteral("holiday")), 0};
    if (alternative.size() > kAltDaysPerList || holidays.size() > kAltDaysPerList)
        throw UsageError(QStringLiteral("в файле не больше %1 альтернативных и %1 праздничных дней")
                             .arg(kAltDaysPerList));
    try {
        writeAltDaysFile(file, alternative, holidays);
    } catch (const AltDaysFileError& e) {
        throw Failure(e.message());
    }
    return ExitOk;
}

} // namespace

int runAlt(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"), QStringLiteral("show или write"));
    parser.addPositionalArgument(QStringLiteral("файл"), QStringLiteral("файл .alt"));
    parser.addOption({QStringLiteral("year"),
                      QStringLiteral("show: год, к которому относятся даты (по умолчанию текущий)."),
                      QStringLiteral("год")});
    parser.addOption({QStringLiteral("json"), QStringLiteral("show: вывести JSON.")});
    parser.addOption({QStringLiteral("alt"),
                      QStringLiteral("write: альтернативный день, например 07.05:Суббота "
                                     "(можно повторять)."),
                      QStringLiteral("ДД.ММ:день_недели")});
    parser.addOption({QStringLiteral("holiday"),
                      QStringLiteral("write: праздничный день (можно повторять)."),
                      QStringLiteral("ДД.ММ")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Показывает или записывает файл альтернативных дней (62 байта).\n"
                                     "  alt show ФАЙЛ [--year год] [--json]\n"
                                     "  alt write ФАЙЛ [--alt ДД.ММ:день_недели]... [--holiday ДД.ММ]...\n"
                                     "Дни недели: ") + weekdayNames().join(QStringLiteral(", "))))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 2)
        throw UsageError(QStringLiteral("нужно: show ФАЙЛ или write ФАЙЛ"));
    const QString& action = pos.at(0);
    const bool writing = action == QLatin1String("write");
    if (!writing && action != QLatin1String("show"))
        throwActionError(action, QStringLiteral("show или write"));
    for (const char* opt : {"year", "json"})
        if (writing && parser.isSet(QString::fromLatin1(opt)))
            throw UsageError(QStringLiteral("--%1 относится к show").arg(QString::fromLatin1(opt)));
    for (const char* opt : {"alt", "holiday"})
        if (!writing && parser.isSet(QString::fromLatin1(opt)))
            throw UsageError(QStringLiteral("--%1 относится к write").arg(QString::fromLatin1(opt)));
    return writing ? write(parser, pos.at(1)) : show(parser, pos.at(1));
}

} // namespace vyntool
