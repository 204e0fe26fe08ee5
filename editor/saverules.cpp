#include "saverules.h"

#include "flowrules.h"
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
                return QStringLiteral("Неверно заполнена система") + fd;
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
            if (!dialogs.ask(QStringLiteral("В системе имеется расчёт массы без соответствующего "
                                            "датчика температуры. Исправить на расчёт объёма?"),
                             caption, true))
                return false;
            flow.setCell(f, FlowCol::Archive, volume);
            if (const std::optional<int> pair = pairedArchiveRow(rec, f))
                flow.setCell(*pair, FlowCol::Archive, volume);
        }
    }
    return true;
}

bool tableHasGaps(const ConfigRecord& rec, TableKind kind)
{
    const ChannelTable& t = rec.table(kind);
    for (int r = 1; r <= t.channelRows(); ++r) {
        const QString& d = t.designation(r);
        if (d.isEmpty())
            continue;
        for (int c = 1; c < t.columnCount(); ++c)
            if (counts(kind, d, c) && t.cell(r, c).isEmpty())
                return true;
    }
    return false;
}

bool recordHasGaps(const ConfigRecord& rec)
{
    return tableHasGaps(rec, TableKind::Flow) || tableHasGaps(rec, TableKind::Thermo) ||
           (rec.TYPE_VYN == QLatin1String("04") && tableHasGaps(rec, TableKind::Pressure));
}

SaveCheckResult runSaveChecks(ConfigRecord& rec, const EditorOptions& options, UserDialogs& dialogs,
                              const QString& title)
{
    if (const std::optional<QString> failure = pipePairFailure(rec)) {
        dialogs.inform(QStringLiteral("Неверно заполнены таблицы конфигурации"), title,
                       MessageKind::Warning);
        return {SaveCheck::TablesWrong, *failure};
    }
    numberSystems(rec);
    if (!applyMassArchiveRule(rec, dialogs, title))
        return {SaveCheck::MassArchiveRefused, {}};
    if (options.completenessCheck && recordHasGaps(rec) &&
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
