// vyntool import: the rows of an older DBF table into a configuration database,
// skipping serial numbers stored already, in one transaction.

#include "cliutil.h"
#include "commands.h"
#include "terminalui.h"

#include "app/configdatabase.h"
#include "app/dbfimport.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

int runImport(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("таблица"), QStringLiteral("Старая таблица DBF."));
    parser.addOption({QStringLiteral("db"),
                      QStringLiteral("База конфигураций (файл или сервер: "
                                     "postgresql://пользователь@сервер:порт/база); создаётся, если "
                                     "её нет."),
                      QStringLiteral("база")});
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Вывести итоги в JSON."));
    parser.addOption(json);
    if (!parseCommand(parser, args,
                      QStringLiteral("Импортирует строки старой таблицы DBF в базу конфигураций; "
                                     "строки с уже записанным заводским номером пропускаются.\n"
                                     "  import ФАЙЛ.dbf --db ФАЙЛ [--json]")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1)
        throw UsageError(QStringLiteral("нужна одна таблица DBF"));
    const QString dbPath = requiredValue(parser, QStringLiteral("db"));

    vyn::ConfigDatabase db(waitingDatabaseOptions());
    if (!db.Connect(dbPath))
        throw Failure(QStringLiteral("Невозможно открыть базу приборов %1: %2")
                          .arg(dbPath, db.lastError()));
    TerminalStatus status;
    TerminalDialogs dialogs(false, status);
    const vyn::ImportResult result =
        vyn::OldDatabaseImport(db, dialogs, vyn::NumberLocale::system()).importFile(pos.first());
    if (!result.ok)
        return ExitFailure;
    if (parser.isSet(json))
        printOut(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("added"), result.added},
                                      {QStringLiteral("skipped"), result.skipped},
                                      {QStringLiteral("columnFailures"), result.columnFailures}})
                .toJson(QJsonDocument::Compact)));
    else
        printOut(QStringLiteral("%1: добавлено строк: %2, пропущено: %3, ошибок в столбцах: %4")
                     .arg(pos.first())
                     .arg(result.added)
                     .arg(result.skipped)
                     .arg(result.columnFailures));
    return result.columnFailures == 0 ? ExitOk : ExitFailure;
}

} // namespace vyntool
