// vyntool import: the rows of an older DBF table into a configuration database,
// skipping serial numbers stored already, in one transaction.

#include "cliutil.h"
#include "commands.h"
#include "terminalui.h"

#include "app/dbfimport.h"
#include "app/tdm1.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

int runImport(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("table"), QStringLiteral("The older DBF table."));
    parser.addOption({QStringLiteral("db"),
                      QStringLiteral("The configuration database (a file, or a server as "
                                     "postgresql://user@host:port/database); created when missing."),
                      QStringLiteral("database")});
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print the counts as JSON."));
    parser.addOption(json);
    if (!parseCommand(parser, args,
                      QStringLiteral("Imports the rows of an older DBF table into a configuration "
                                     "database; rows whose serial number is stored are skipped.\n"
                                     "  import FILE.dbf --db FILE [--json]")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1)
        throw UsageError(QStringLiteral("import needs one DBF table"));
    const QString dbPath = requiredValue(parser, QStringLiteral("db"));

    vyn::TDM1 db(waitingDatabaseOptions());
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
        printOut(QStringLiteral("%1: %2 rows added, %3 skipped, %4 column errors")
                     .arg(pos.first())
                     .arg(result.added)
                     .arg(result.skipped)
                     .arg(result.columnFailures));
    return result.columnFailures == 0 ? ExitOk : ExitFailure;
}

} // namespace vyntool
