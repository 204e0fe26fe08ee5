// vyntool conf: packs the readable scheme table source into conf.dat and shows a
// packed table.

#include "cliutil.h"
#include "commands.h"

#include "model/schemetable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(
            QStringLiteral("Не удалось открыть файл %1: %2").arg(path, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

template <typename F> auto schemeTableOrFailure(F&& f)
{
    try {
        return f();
    } catch (const vyn::SchemeTableError& e) {
        throw Failure(e.message());
    }
}

} // namespace

int runConf(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"),
                                 QStringLiteral("pack ИСХОДНЫЙ ФАЙЛ или show ФАЙЛ"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("show: вывести записи в JSON."));
    parser.addOption(json);
    if (!parseCommand(
            parser, args,
            QStringLiteral("Упаковывает исходный текст таблицы схем (код и 34 шестнадцатеричных "
                           "байта в строке) в conf.dat или показывает conf.dat.\n"
                           "  conf pack ИСХОДНЫЙ ФАЙЛ\n  conf show ФАЙЛ [--json]")))
        return ExitOk;

    const QStringList pos = parser.positionalArguments();
    const QString action = pos.value(0);
    if (action == QLatin1String("pack")) {
        if (pos.size() != 3)
            throw UsageError(QStringLiteral("conf pack: нужны исходный файл и файл результата"));
        const vyn::SchemeTable table =
            schemeTableOrFailure([&] { return vyn::SchemeTable::fromSource(readText(pos.at(1))); });
        if (!table.find(QStringLiteral("30")))
            throw Failure(QStringLiteral("В таблице схем %1 нет записи \"30\"").arg(pos.at(1)));
        writeFileOrFail(pos.at(2), table.toBytes());
        return ExitOk;
    }
    if (action == QLatin1String("show")) {
        if (pos.size() != 2)
            throw UsageError(QStringLiteral("conf show: нужен файл"));
        const vyn::SchemeTable table =
            schemeTableOrFailure([&] { return vyn::SchemeTable::fromFile(pos.at(1)); });
        if (!parser.isSet(json)) {
            printOut(table.toSource());
            return ExitOk;
        }
        QJsonArray records;
        for (const vyn::SchemeRecord& rec : table.records()) {
            QJsonArray bytes;
            for (std::uint8_t b : rec.parameters)
                bytes.append(b);
            records.append(QJsonObject{{QStringLiteral("code"), rec.code},
                                       {QStringLiteral("parameters"), bytes}});
        }
        printOut(QString::fromUtf8(QJsonDocument(records).toJson(QJsonDocument::Indented)));
        return ExitOk;
    }
    throwActionError(action, QStringLiteral("pack или show"));
}

} // namespace vyntool
