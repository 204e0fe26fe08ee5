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
    parser.addPositionalArgument(QStringLiteral("action"),
                                 QStringLiteral("add DATABASE CONFIG.json..."));
    parser.addOption({QStringLiteral("set"),
                      QStringLiteral("Column value of every added row, as COLUMN=TEXT (repeatable)."),
                      QStringLiteral("column=text")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Appends configuration files to a configuration database "
                                     "(created when missing), in one transaction.\n"
                                     "  base add MXVynBase.sqlite config.json --set SNUM=12345678")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.value(0) != QLatin1String("add"))
        throw UsageError(pos.isEmpty() ? QStringLiteral("missing action (add)")
                                       : QStringLiteral("unknown action \"%1\"").arg(pos.first()));
    if (pos.size() < 3)
        throw UsageError(QStringLiteral("base add needs the database and configuration files"));

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
                throw UsageError(QStringLiteral("--set needs COLUMN=TEXT, not \"%1\"").arg(set));
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
