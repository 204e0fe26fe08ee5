#include "editor/shaperules.h"

#include "editor/flowrules.h"
#include "model/systems.h"

namespace vyn {

namespace {

EditorView reshaped(ConfigRecord& rec, const EditorContext& ctx)
{
    applyTypeShape(rec);
    applyEnergyControlRule(rec, ctx.deviceVersion);
    rebuildShape(rec, ctx.deviceGeneration, ctx.locale);
    rec.PITVYN = false;
    if (FindElecLine(rec) > 0)
        fillDaySchedulesFromHistory(rec, ctx);
    return editorView(rec, ctx);
}

} // namespace

EditorView editorView(const ConfigRecord& rec, const EditorContext& ctx)
{
    EditorView v;
    v.firstDigits = firstSchemeDigits();
    v.secondDigits = offeredSecondDigits(rec.TYPE_VYN, rec.firstDigit(), HardwareVariant(rec));
    const bool fixedScheme = rec.TYPE_VYN == QLatin1String("05");
    v.firstDigitEnabled = !fixedScheme;
    v.secondDigitEnabled = !fixedScheme && rec.TYPE_VYN != QLatin1String("01");
    v.energyControlEnabled = energyControlAllowed(rec, ctx.deviceVersion);
    v.pressurePanelVisible = rec.TYPE_VYN == QLatin1String("04");
    v.adapterKindVisible = ctx.deviceVersion < 4;
    v.tariffPanel = tariffPanelFor(rec, ctx.deviceGeneration);
    return v;
}

EditorView changeType(ConfigRecord& rec, const QString& type, const EditorContext& ctx)
{
    rec.TYPE_VYN = type;
    return reshaped(rec, ctx);
}

EditorView changeFirstDigit(ConfigRecord& rec, QChar digit, const EditorContext& ctx)
{
    rec.setFirstDigit(digit);
    return reshaped(rec, ctx);
}

EditorView changeSecondDigit(ConfigRecord& rec, QChar digit, const EditorContext& ctx)
{
    rec.setSecondDigit(digit);
    return reshaped(rec, ctx);
}

void clearTable(ConfigRecord& rec, TableKind kind)
{
    rec.table(kind).clearChannelCells();
}

bool clearCell(ConfigRecord& rec, TableKind kind, int row, int column)
{
    ChannelTable& t = rec.table(kind);
    if (row < 1 || row > t.channelRows() || column < 1 || column >= t.systemColumn() ||
        t.designation(row).isEmpty() || t.cell(row, column).isEmpty())
        return false;
    if (kind == TableKind::Thermo && t.designation(row) == QLatin1String("tu") &&
        (column == ThermoCol::TMin || column == ThermoCol::TMax || column == ThermoCol::Pressure))
        return false;
    if (column != 1) {
        t.setCell(row, column, QString());
        return true;
    }
    for (int c = 1; c < t.systemColumn(); ++c)
        if (!(kind == TableKind::Thermo && t.designation(row) == QLatin1String("tu") &&
              (c == ThermoCol::TMin || c == ThermoCol::TMax)))
            t.setCell(row, c, QString());
    return true;
}

} // namespace vyn
