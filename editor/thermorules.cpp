#include "editor/thermorules.h"

namespace vyn {

namespace {

const QString kTu = QStringLiteral("tu");

// Rows 1 and 2, 3 and 4 are the two pipes of one system.
int pairRow(int row) { return row % 2 == 1 ? row + 1 : row - 1; }

CellChoice listOrBlank(QStringList items)
{
    if (items.isEmpty())
        items << QString();
    return CellChoice::list(std::move(items));
}

QString typeOf(const ConfigRecord& rec, int row, const NumberLocale& locale)
{
    return GetStrOld(rec.ThermoTable.cell(row, ThermoCol::Type), locale);
}

// The upper limit no higher than the type allows; an unreadable limit counts as 200.
void capTMax(ConfigRecord& rec, int row, const QString& type, const EditorContext& ctx)
{
    const double value = cellNumber(rec.ThermoTable.cell(row, ThermoCol::TMax), ctx.locale).value_or(200.0);
    const double tmax = ctx.catalogue.thermometerTMax(type);
    if (value > tmax)
        SetValueGrid(rec, TableKind::Thermo, row, ctx.locale.formatFixed(tmax, 0), ThermoCol::TMax,
                     ctx.locale);
}

bool restoreWhenUnchanged(ChannelTable& t, int row, int column, const QString& remembered,
                          const QString& text)
{
    if (!text.isEmpty() && text != remembered)
        return false;
    t.setCell(row, column, remembered);
    return true;
}

} // namespace

CellChoice thermoCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx)
{
    const ChannelTable& t = rec.ThermoTable;
    if (row < 1 || row > t.channelRows() || column < ThermoCol::Type || column >= ThermoCol::System ||
        t.designation(row).isEmpty())
        return CellChoice::locked();
    const InstrumentCatalogue& cat = ctx.catalogue;
    switch (column) {
    case ThermoCol::Type:
        return listOrBlank(cat.thermometerTypes());
    case ThermoCol::R0:
    case ThermoCol::W:
    case ThermoCol::Klass:
    case ThermoCol::Length:
        return listOrBlank(cat.thermometerList(typeOf(rec, row, ctx.locale), column));
    case ThermoCol::Pressure:
        return listOrBlank(cat.contractPressures());
    default:
        return CellChoice::freeText();
    }
}

void thermoCascade(ConfigRecord& rec, int row, int column, const EditorContext& ctx)
{
    const InstrumentCatalogue& cat = ctx.catalogue;
    ChannelTable& t = rec.ThermoTable;
    const NumberLocale& loc = ctx.locale;
    const QString type = typeOf(rec, row, loc);
    if (type.isEmpty())
        return;
    const bool useHistory = ctx.options.thermoHistory && ctx.history;

    const int last = cat.thermometerListCount(type) + 1;
    for (int q = column + 1; q <= last; ++q) {
        const QStringList list = cat.thermometerList(type, q);
        const std::optional<int> pos = useHistory ? ctx.history->thermoPosition(type, q) : std::nullopt;
        QString value;
        if (list.size() == 1)
            value = list.first();
        else if (pos && *pos < list.size())
            value = list.at(*pos);
        SetValueGrid(rec, TableKind::Thermo, row, value, q, loc);
    }

    if (t.cell(row, ThermoCol::TMin).isEmpty()) {
        // The flow meter of the same pipe: the other row of the pair when the
        // pipe marks ("/", "\") differ.
        const QString& td = t.designation(row);
        const QString& fd = rec.FlowTable.designation(row);
        const int flowRow = td.size() >= 3 && fd.mid(2, 1) != td.mid(2, 1) ? pairRow(row) : row;
        const double tmin = cat.pipeTMin(GetResultStr(rec, flowRow, FlowCol::Fnom, loc));
        SetValueGrid(rec, TableKind::Thermo, row, loc.formatFixed(tmin, 0), ThermoCol::TMin, loc);
    }

    capTMax(rec, row, type, ctx);

    const int pair = pairRow(row);
    if (cat.komplekt(type) && t.designation(row) != kTu && t.designation(pair) != kTu &&
        !t.designation(pair).isEmpty()) {
        for (int c = ThermoCol::Type; c <= ThermoCol::TMin; ++c)
            t.setCell(pair, c, t.cell(row, c));
        capTMax(rec, pair, type, ctx);
    }
}

void applyColdWaterLimits(ConfigRecord& rec, int row, const NumberLocale& locale)
{
    SetValueGrid(rec, TableKind::Thermo, row, QStringLiteral("-70"), ThermoCol::TMin, locale);
    SetValueGrid(rec, TableKind::Thermo, row, QStringLiteral("100"), ThermoCol::TMax, locale);
    rec.ThermoTable.setCell(row, ThermoCol::Pressure, QString());
}

CellChange thermoCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                             const QString& text, const EditorContext& ctx)
{
    if (restoreWhenUnchanged(rec.ThermoTable, row, column, remembered, text))
        return {};
    const NumberLocale& loc = ctx.locale;
    SetValueGrid(rec, TableKind::Thermo, row, text, column, loc);
    const QString type = typeOf(rec, row, loc);

    if (column >= ThermoCol::R0 && column <= ThermoCol::TMax && ctx.options.thermoHistory &&
        ctx.history && !type.isEmpty()) {
        const qsizetype pos = ctx.catalogue.thermometerList(type, column).indexOf(GetStrOld(text, loc));
        if (pos >= 0)
            ctx.history->setThermoPosition(type, column, static_cast<int>(pos));
    }
    if (column >= ThermoCol::Type && column <= ThermoCol::Length)
        thermoCascade(rec, row, column, ctx);
    if (rec.ThermoTable.designation(row) == kTu)
        applyColdWaterLimits(rec, row, loc);
    return {true, std::nullopt};
}

CellChoice pressureCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx)
{
    const ChannelTable& t = rec.PressureTable;
    if (row < 1 || row > t.channelRows() || column < PressureCol::Type ||
        column >= PressureCol::System || t.designation(row).isEmpty())
        return CellChoice::locked();
    if (rec.secondDigit() == QLatin1Char('b') && t.designation(row) == QLatin1String("Pc"))
        return CellChoice::locked();
    switch (column) {
    case PressureCol::Type:
        return CellChoice::list(ctx.catalogue.pressureSensorTypes());
    case PressureCol::PMax:
        return CellChoice::list(
            ctx.catalogue.pressureUpperLimits(GetStrOld(t.cell(row, PressureCol::Type), ctx.locale)));
    default:
        return CellChoice::freeText();
    }
}

CellChange pressureCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                               const QString& text, const EditorContext& ctx)
{
    if (restoreWhenUnchanged(rec.PressureTable, row, column, remembered, text))
        return {};
    SetValueGrid(rec, TableKind::Pressure, row, text, column, ctx.locale);
    if (column == PressureCol::Type)
        SetValueGrid(rec, TableKind::Pressure, row, QStringLiteral("0"), PressureCol::PMin, ctx.locale);
    return {true, std::nullopt};
}

} // namespace vyn
