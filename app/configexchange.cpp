#include "app/configexchange.h"

#include "app/currentconfig.h"

#include "editor/saverules.h"
#include "model/configfile.h"
#include "model/rowcodec.h"
#include "model/userdialogs.h"

#include <QFileInfo>
#include <vector>

namespace vyn {

namespace {

const QString kCaption = QStringLiteral("Импорт конфигурации");
const QString kNothingImported = QStringLiteral("Конфигурации не импортированы.\n");

// The file's row as the editor's "Ввод" would store it for a new configuration.
// The dates and the manager the file carries stay: they record where the
// configuration was made, not where it was imported.
std::optional<StoredRow> savedRow(const StoredRow& fileRow, const ConfigImportInputs& in,
                                  UserDialogs& dialogs, const QString& fileName)
{
    const int generation = generationOfRow(fileRow);
    const QDate firmware = variantDate(fileRow.value(QStringLiteral("DeviceSoftData")));
    ConfigRecord record;
    loadRecord(fileRow, record, {generation, in.today, in.catalogue}, in.locale);
    if (runSaveChecks(record, in.options, dialogs, in.title).outcome != SaveCheck::Passed) {
        dialogs.inform(kNothingImported + fileName + QStringLiteral(": конфигурация не принята"),
                       kCaption, MessageKind::Error);
        return std::nullopt;
    }
    SaveContext context;
    context.deviceGeneration = generation;
    context.deviceFirmwareDate = firmware.isValid() ? firmware : kZeroDate;
    const QDate date = variantDate(fileRow.value(QStringLiteral("DATE")));
    context.today = date.isValid() ? date : in.today;
    const QString manager = fileRow.value(QStringLiteral("MANAGER")).toString();
    context.manager = fileRow.contains(QStringLiteral("MANAGER")) ? manager : in.manager;
    const SaveResult saved = saveRecord(record, context, in.locale, fileRow);
    for (int group : saved.failedGroups)
        dialogs.inform(saveFailureMessage(group), QStringLiteral("Сообщение"), MessageKind::Error);
    return saved.row;
}

} // namespace

void exportConfiguration(const StoredRow& row, const QString& fileName)
{
    StoredRow out = row;
    out.remove(QStringLiteral("ID"));
    writeConfigFile(fileName, out);
}

ConfigImportResult importConfigurations(ConfigDatabase& db, const QStringList& files,
                                        const ConfigImportInputs& inputs, UserDialogs& dialogs)
{
    ConfigImportResult result;
    std::vector<StoredRow> parsed;
    for (const QString& file : files) {
        try {
            parsed.push_back(readConfigFile(file));
        } catch (const ConfigFileError& e) {
            dialogs.inform(kNothingImported + e.message(), kCaption, MessageKind::Error);
            return result;
        }
    }
    std::vector<StoredRow> rows;
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        std::optional<StoredRow> row =
            savedRow(parsed[i], inputs, dialogs, QFileInfo(files.at(int(i))).fileName());
        if (!row)
            return result;
        rows.push_back(std::move(*row));
    }
    if (rows.empty())
        return result;
    const ConfigDatabase::PostResult posted = db.appendRows(rows);
    if (!posted.ok) {
        dialogs.inform(postFailureMessage(), QStringLiteral("Сообщение"), MessageKind::Error);
        return result;
    }
    result.posted = true;
    result.count = int(rows.size());
    return result;
}

} // namespace vyn
