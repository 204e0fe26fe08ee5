// vyntool base: configuration files as rows of a configuration database, for
// preparing databases without the program's windows.

#include "cliutil.h"
#include "commands.h"

#include "app/basecopy.h"
#include "app/configdatabase.h"
#include "model/configfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

namespace {

void connectOrFail(vyn::ConfigDatabase& db, const QString& baseName)
{
    if (!db.Connect(baseName))
        throw Failure(QStringLiteral("%1: %2").arg(baseName, db.lastError()));
}

int copyBase(const QCommandLineParser& parser)
{
    const QString from = requiredValue(parser, QStringLiteral("from"));
    const QString to = requiredValue(parser, QStringLiteral("to"));
    vyn::ConfigDatabase source(waitingDatabaseOptions());
    connectOrFail(source, from);
    vyn::ConfigDatabase target(waitingDatabaseOptions());
    connectOrFail(target, to);
    const vyn::BaseCopyResult copied = vyn::copyBase(source, target);
    if (!copied.ok)
        throw Failure(QStringLiteral("%1: %2").arg(to, copied.error));
    printOut(QStringLiteral("Скопировано строк: %1, пропущено: %2, под новым ID: %3")
                 .arg(copied.added)
                 .arg(copied.skipped)
                 .arg(copied.renumbered));
    return ExitOk;
}

} // namespace

int runBase(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"),
                                 QStringLiteral("add БАЗА КОНФИГУРАЦИЯ.json... | copy"));
    parser.addOption({QStringLiteral("set"),
                      QStringLiteral("Значение столбца каждой добавляемой строки, СТОЛБЕЦ=ТЕКСТ "
                                     "(можно повторять)."),
                      QStringLiteral("столбец=текст")});
    parser.addOption({QStringLiteral("from"),
                      QStringLiteral("copy: база, строки которой копируются (файл или адрес сервера)."),
                      QStringLiteral("база")});
    parser.addOption({QStringLiteral("to"),
                      QStringLiteral("copy: база, в которую они копируются; создаётся, если её нет."),
                      QStringLiteral("база")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Добавляет файлы конфигурации в базу конфигураций "
                                     "(создаётся, если её нет) одной транзакцией; или копирует все "
                                     "строки одной базы в другую с их ID и датами, пропуская "
                                     "уже записанные заводские номера.\n"
                                     "База — файл или сервер: postgresql://пользователь@сервер:порт/база.\n"
                                     "  base add MXVynBase.sqlite config.json --set SNUM=12345678\n"
                                     "  base copy --from MXVynBase.sqlite --to "
                                     "postgresql://engineer@server/vyn")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.value(0) == QLatin1String("copy")) {
        if (pos.size() != 1)
            throw UsageError(QStringLiteral("base copy: нужны только --from и --to"));
        return copyBase(parser);
    }
    if (pos.value(0) != QLatin1String("add"))
        throwActionError(pos.value(0), QStringLiteral("add, copy"));
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
    vyn::ConfigDatabase db(waitingDatabaseOptions());
    connectOrFail(db, pos.at(1));
    const vyn::ConfigDatabase::PostResult added = db.appendRows(rows);
    if (!added.ok)
        throw Failure(QStringLiteral("%1: %2").arg(pos.at(1), added.error));
    return ExitOk;
}

} // namespace vyntool
