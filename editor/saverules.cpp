#include "editor/saverules.h"

#include "editor/flowrules.h"
#include "model/cellinput.h"
#include "model/systems.h"

namespace vyn {

namespace {

std::optional<int> systemOf(const ChannelTable& t, int row)
{
    bool ok = false;
    const int n = t.systemNumber(row).toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

bool counts(TableKind kind, const QString& designation, int column)
{
    if (kind == TableKind::Flow && designation == QLatin1String("C"))
        // Diameter, nominal flow and minimum flow cannot even be entered there.
        return column == FlowCol::Type || column == FlowCol::Serial;
    if (kind == TableKind::Thermo && designation == QLatin1String("tu"))
        return column != ThermoCol::Pressure;
    return true;
}

} // namespace

std::optional<QString> pipePairFailure(const ConfigRecord& rec)
{
    if (const auto pipe = wrongPipePair(rec))
        return QStringLiteral("Неверно заполнена система") + pipe->first;
    return std::nullopt;
}

QString wrongTablesMessage(const std::pair<QString, QString>& pipe)
{
    return QStringLiteral("Неверно заполнены таблицы конфигурации:\n"
                          "тип указан только у одного из преобразователей %1 и %2")
        .arg(pipe.first, pipe.second);
}

std::optional<std::pair<QString, QString>> wrongPipePair(const ConfigRecord& rec)
{
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    for (int f = 1; f <= flow.channelRows(); ++f) {
        const QString& fd = flow.designation(f);
        if (fd.size() != 3)
            continue;
        for (int t = 1; t <= thermo.channelRows(); ++t) {
            const QString& td = thermo.designation(t);
            if (td.size() != 3 || td.mid(1) != fd.mid(1))
                continue;
            if (flow.cell(f, FlowCol::Type).isEmpty() != thermo.cell(t, ThermoCol::Type).isEmpty())
                return std::pair{fd, td};
        }
    }
    return std::nullopt;
}

bool applyMassArchiveRule(ConfigRecord& rec, UserDialogs& dialogs, const QString& caption)
{
    ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const QString mass = QStringLiteral("Масса");
    const QString volume = QStringLiteral("Объём");
    for (int f = 1; f <= flow.channelRows(); ++f) {
        const std::optional<int> system = systemOf(flow, f);
        for (int t = 1; t <= thermo.channelRows() && flow.cell(f, FlowCol::Archive) == mass; ++t) {
            if (!system || systemOf(thermo, t) != system || !thermo.cell(t, ThermoCol::Type).isEmpty())
                continue;
            if (!dialogs.askWithIcon(QStringLiteral("В системе имеется расчёт массы без соответствующего "
                                                    "датчика температуры. Исправить на расчёт объёма?"),
                                     caption, true, MessageKind::Warning))
                return false;
            flow.setCell(f, FlowCol::Archive, volume);
            if (const std::optional<int> pair = pairedArchiveRow(rec, f))
                flow.setCell(*pair, FlowCol::Archive, volume);
        }
    }
    return true;
}

bool tableHasGaps(const ConfigRecord& rec, TableKind kind, const NumberLocale& locale)
{
    const ChannelTable& t = rec.table(kind);
    for (int r = 1; r <= t.channelRows(); ++r) {
        const QString& d = t.designation(r);
        if (d.isEmpty())
            continue;
        for (int c = 1; c < t.columnCount(); ++c)
            if (counts(kind, d, c) && (t.cell(r, c).isEmpty() || !cellNumberFits(rec, kind, r, c, locale)))
                return true;
    }
    return false;
}

bool recordHasGaps(const ConfigRecord& rec, const NumberLocale& locale)
{
    return tableHasGaps(rec, TableKind::Flow, locale) || tableHasGaps(rec, TableKind::Thermo, locale) ||
           (rec.TYPE_VYN == QLatin1String("04") && tableHasGaps(rec, TableKind::Pressure, locale));
}

SaveCheckResult runSaveChecks(ConfigRecord& rec, const EditorOptions& options, UserDialogs& dialogs,
                              const QString& title, const NumberLocale& locale)
{
    if (const auto pipe = wrongPipePair(rec)) {
        dialogs.inform(wrongTablesMessage(*pipe), title, MessageKind::Warning);
        return {SaveCheck::TablesWrong, *pipePairFailure(rec)};
    }
    numberSystems(rec);
    if (!applyMassArchiveRule(rec, dialogs, title))
        return {SaveCheck::MassArchiveRefused, {}};
    if (options.completenessCheck && recordHasGaps(rec, locale) &&
        !dialogs.ask(QStringLiteral("При создании конфигурации остались не введенные поля\n\r"
                                    "Вы действительно хотите выйти?"),
                     QStringLiteral("Внимание!"), false))
        return {SaveCheck::IncompleteRefused, {}};
    return {};
}

bool rememberDaySchedules(const ConfigRecord& rec, InputHistory* history)
{
    return history && history->storeDaySchedules(rec.daySchedules);
}

} // namespace vyn
