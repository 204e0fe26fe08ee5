// vyntool base: configuration files as rows of a configuration database, for
// preparing databases without the program's windows.

#include "cliutil.h"
#include "commands.h"

#include "app/tdm1.h"
#include "model/configfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

int runBase(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"),
                                 QStringLiteral("add БАЗА КОНФИГУРАЦИЯ.json..."));
    parser.addOption({QStringLiteral("set"),
                      QStringLiteral("Значение столбца каждой добавляемой строки, СТОЛБЕЦ=ТЕКСТ "
                                     "(можно повторять)."),
                      QStringLiteral("столбец=текст")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Добавляет файлы конфигурации в базу конфигураций "
                                     "(создаётся, если её нет) одной транзакцией.\n"
                                     "  base add MXVynBase.sqlite config.json --set SNUM=12345678")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.value(0) != QLatin1String("add"))
        throwActionError(pos.value(0), QStringLiteral("add"));
    if (pos.size() < 3)
        throw UsageError(QStringLiteral("base add: нужны база и файлы конфигурации"));

    std::vector<vyn::StoredRow> rows;
    for (const QString& name : pos.mid(2)) {
        QFile f(name);
        if (!f.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("%1: %2").arg(name, f.errorString()));
        const QByteArray bytes = f.readAll();
        // A broken file must not become an empty row: it is refused before anything is added.
        try {
            vyn::parseConfigJson(bytes);
        } catch (const vyn::ConfigFileError& e) {
            throw Failure(QStringLiteral("%1: %2").arg(name, e.message()));
        }
        QJsonObject json = QJsonDocument::fromJson(bytes).object();
        for (const QString& set : parser.values(QStringLiteral("set"))) {
            const qsizetype eq = set.indexOf(QLatin1Char('='));
            if (eq <= 0)
                throw UsageError(QStringLiteral("--set: нужно СТОЛБЕЦ=ТЕКСТ, а не \"%1\"").arg(set));
            json[set.left(eq)] = set.mid(eq + 1);
        }
        try {
            rows.push_back(vyn::parseConfigJson(QJsonDocument(json).toJson()));
        } catch (const vyn::ConfigFileError& e) {
            throw Failure(QStringLiteral("%1: %2").arg(name, e.message()));
        }
    }
    vyn::TDM1 db(waitingDatabaseOptions());
    if (!db.Connect(pos.at(1)))
        throw Failure(QStringLiteral("%1: %2").arg(pos.at(1), db.lastError()));
    const vyn::TDM1::PostResult added = db.appendRows(rows);
    if (!added.ok)
        throw Failure(QStringLiteral("%1: %2").arg(pos.at(1), added.error));
    return ExitOk;
}

} // namespace vyntool
