#include "editor/flowrules.h"

#include "model/systems.h"

#include <algorithm>

namespace vyn {

namespace {

const QString kElec = QStringLiteral("C");
const QString kTu = QStringLiteral("tu");
const QString kVolume = QStringLiteral("Объём");
const QString kMass = QStringLiteral("Масса");

// The scheme digit that governs a channel row: system 1 has rows 1 and 2, system 2 rows 3 and 4.
int governingDigit(const ConfigRecord& rec, int row)
{
    if (row == 1 || row == 2)
        return schemeDigitValue(rec.firstDigit());
    if (row == 3 || row == 4)
        return schemeDigitValue(rec.secondDigit());
    return -1;
}

bool otherElectricityRow(const ConfigRecord& rec, int row)
{
    for (int r = 1; r <= rec.FlowTable.channelRows(); ++r)
        if (r != row && rec.FlowTable.designation(r) == kElec)
            return true;
    return false;
}

bool archiveEditable(const ConfigRecord& rec, int row)
{
    const QString& flow = rec.FlowTable.designation(row);
    const QString& thermo = rec.ThermoTable.designation(row);
    if (thermo.isEmpty() || thermo.mid(1) != flow.mid(1))
        return false;
    const QChar f = rec.firstDigit();
    const QChar s = rec.secondDigit();
    auto in = [](QChar c, const QString& digits) { return !c.isNull() && digits.contains(c); };
    switch (row) {
    case 1:
        return !in(f, QStringLiteral("46"));
    case 2:
        return !in(f, QStringLiteral("369A"));
    case 3:
        return !in(s, QStringLiteral("467"));
    case 4:
        return !in(s, QStringLiteral("3679A"));
    default:
        return true;
    }
}

// Catalogue flows with two decimals, or three where the catalogue gives them.
QString flowText(double value, const NumberLocale& locale)
{
    const QString two = locale.formatFixed(value, 2);
    const QString three = locale.formatFixed(value, 3);
    return three.endsWith(QLatin1Char('0')) ? two : three;
}

void setCell(ConfigRecord& rec, TableKind kind, int row, int column, const QString& text,
             const EditorContext& ctx)
{
    SetValueGrid(rec, kind, row, text, column, ctx.locale);
}

// Temperature limits of one thermometer row; rows without designation stay empty
// and the cold-water row keeps its fixed limits.
void setThermoLimits(ConfigRecord& rec, int row, double tmin, double tmax, const EditorContext& ctx)
{
    const QString& d = rec.ThermoTable.designation(row);
    if (d.isEmpty() || d == kTu)
        return;
    setCell(rec, TableKind::Thermo, row, ThermoCol::TMin, ctx.locale.formatFixed(tmin, 0), ctx);
    setCell(rec, TableKind::Thermo, row, ThermoCol::TMax, ctx.locale.formatFixed(tmax, 0), ctx);
}

QString thermoType(const ConfigRecord& rec, int row, const EditorContext& ctx)
{
    return GetStrOld(rec.ThermoTable.cell(row, ThermoCol::Type), ctx.locale);
}

void pipeThermoLimits(ConfigRecord& rec, int row, const QString& s3, const EditorContext& ctx)
{
    const InstrumentCatalogue& cat = ctx.catalogue;
    setThermoLimits(rec, row, cat.pipeTMin(s3),
                    std::min(cat.pipeTMax(s3), cat.thermometerTMax(thermoType(rec, row, ctx))), ctx);
}

} // namespace

QString schemeDesignation(const ConfigRecord& rec, int row, const EditorContext& ctx)
{
    ConfigRecord shaped = rec;
    rebuildDesignations(shaped, ctx.deviceGeneration, ctx.locale);
    return shaped.FlowTable.designation(row);
}

std::optional<int> pairedArchiveRow(const ConfigRecord& rec, int row)
{
    const int digit = governingDigit(rec, row);
    if (digit != 1 && digit != 2 && digit != 5)
        return std::nullopt;
    return row % 2 == 1 ? row + 1 : row - 1;
}

TariffPanel tariffPanelFor(const ConfigRecord& rec, int deviceGeneration)
{
    if (FindElecLine(rec) < 0)
        return TariffPanel::None;
    return deviceGeneration == 0 ? TariffPanel::List : TariffPanel::DayGrids;
}

void fillDaySchedulesFromHistory(ConfigRecord& rec, const EditorContext& ctx)
{
    if (ctx.history)
        rec.daySchedules = ctx.history->daySchedules();
}

CellChoice flowCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx)
{
    const ChannelTable& t = rec.FlowTable;
    if (row < 1 || row > t.channelRows() || column < 0 || column >= FlowCol::System)
        return CellChoice::locked();
    const QString& d = t.designation(row);
    if (d.isEmpty())
        return CellChoice::locked();
    const bool elec = d == kElec;
    if (elec && column != FlowCol::Designation && column != FlowCol::Type && column != FlowCol::Fimp &&
        column != FlowCol::Fmax && column != FlowCol::Serial && column != FlowCol::Source)
        return CellChoice::locked();

    const InstrumentCatalogue& cat = ctx.catalogue;
    const QString type = GetStrOld(t.cell(row, FlowCol::Type), ctx.locale);
    switch (column) {
    case FlowCol::Designation: {
        const std::optional<int> hv = HardwareVariant(rec);
        if (d.size() > 2 || (hv && *hv < 2))
            return CellChoice::locked();
        QStringList items{schemeDesignation(rec, row, ctx)};
        if (!otherElectricityRow(rec, row) && !items.contains(kElec))
            items << kElec;
        return CellChoice::list(items);
    }
    case FlowCol::Type:
        return CellChoice::list(elec ? cat.electricityMeterTypes() : cat.flowMeterTypes(d.size() == 3));
    case FlowCol::Du:
    case FlowCol::Fnom:
        return CellChoice::list(cat.entries(GetResultStr(rec, row, column - 1, ctx.locale)));
    case FlowCol::Fimp:
        return CellChoice::list(
            cat.entries(elec ? type : GetResultStr(rec, row, column - 1, ctx.locale)));
    case FlowCol::Source: {
        if (elec)
            return ctx.deviceGeneration == 0 ? CellChoice::list(tariffZoneTypes()) : CellChoice::locked();
        if (type.isEmpty() || !rec.PITVYN)
            return CellChoice::locked();
        QStringList items;
        if (cat.supportsMains(type))
            items << QStringLiteral("Сетевой");
        if (cat.supportsBattery(type))
            items << QStringLiteral("Автономный");
        return items.isEmpty() ? CellChoice::locked() : CellChoice::list(items);
    }
    case FlowCol::Archive:
        return archiveEditable(rec, row) ? CellChoice::list({kVolume, kMass}) : CellChoice::locked();
    default:
        return CellChoice::freeText();
    }
}

void flowCascade(ConfigRecord& rec, int row, int column, const EditorContext& ctx)
{
    const InstrumentCatalogue& cat = ctx.catalogue;
    ChannelTable& t = rec.FlowTable;
    const NumberLocale& loc = ctx.locale;
    const bool useHistory = ctx.options.flowHistory && ctx.history;

    QString section = GetResultStr(rec, row, column, loc);
    for (int p = column + 1; p <= FlowCol::Fimp; ++p) {
        const QStringList entries = cat.entries(section);
        const std::optional<int> pos = useHistory ? ctx.history->flowPosition(section) : std::nullopt;
        if (entries.size() == 1) {
            setCell(rec, TableKind::Flow, row, p, entries.first(), ctx);
        } else if (pos && *pos < entries.size()) {
            setCell(rec, TableKind::Flow, row, p, entries.at(*pos), ctx);
        } else {
            // A value that still names a section of the new choice stays.
            const QString current = GetStrOld(t.cell(row, p), loc);
            if (current.isEmpty() || cat.entries(section + QLatin1Char('|') + current).isEmpty())
                t.setCell(row, p, QString());
        }
        section += QLatin1Char('|') + GetStrOld(t.cell(row, p), loc);
    }

    const bool sized = !t.cell(row, FlowCol::Type).isEmpty() && !t.cell(row, FlowCol::Du).isEmpty() &&
                       !t.cell(row, FlowCol::Fnom).isEmpty();
    if (sized) {
        const QString s3 = GetResultStr(rec, row, FlowCol::Fnom, loc);
        const double fmin = ctx.options.minFlowControl ? cat.flowMin(s3) : 0.0;
        setCell(rec, TableKind::Flow, row, FlowCol::Fmin, flowText(fmin, loc), ctx);
        setCell(rec, TableKind::Flow, row, FlowCol::Fmax, flowText(cat.flowMax(s3), loc), ctx);

        const int digit = governingDigit(rec, row);
        if (digit == 4 && row % 2 == 0) {
            // The return pipe carries the flow meter: the supply thermometer gets wide limits.
            setThermoLimits(rec, row - 1, 5.0,
                            std::min(150.0, cat.thermometerTMax(thermoType(rec, row - 1, ctx))), ctx);
            pipeThermoLimits(rec, row, s3, ctx);
        } else if (digit == 3 && row % 2 == 1) {
            // The supply pipe carries the flow meter; the return thermometer follows it.
            pipeThermoLimits(rec, row, s3, ctx);
            const QString& below = rec.ThermoTable.designation(row + 1);
            if (!below.isEmpty() && below != kTu)
                for (int c : {int(ThermoCol::TMin), int(ThermoCol::TMax)})
                    rec.ThermoTable.setCell(row + 1, c, rec.ThermoTable.cell(row, c));
        } else if (digit != 3 && digit != 4) {
            pipeThermoLimits(rec, row, s3, ctx);
        }
    } else {
        t.setCell(row, FlowCol::Fmin, QString());
        t.setCell(row, FlowCol::Fmax, QString());
    }

    const QString type = GetStrOld(t.cell(row, FlowCol::Type), loc);
    if (cat.supportsBattery(type))
        t.setCell(row, FlowCol::Source, QStringLiteral("Автономный"));
    else if (cat.supportsMains(type))
        t.setCell(row, FlowCol::Source, QStringLiteral("Сетевой"));

    if (t.cell(row, FlowCol::Archive).isEmpty())
        t.setCell(row, FlowCol::Archive, kVolume);
}

CellChange flowCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                           const QString& text, const EditorContext& ctx)
{
    ChannelTable& t = rec.FlowTable;
    if (text.isEmpty() || text == remembered) {
        t.setCell(row, column, remembered);
        return {};
    }

    if (column == FlowCol::Designation) {
        // Only the offered designations: any other text would break the numbering.
        if (!flowCellChoice(rec, row, column, ctx).items.contains(text)) {
            t.setCell(row, column, remembered);
            return {};
        }
        for (int c = FlowCol::Type; c <= FlowCol::Archive; ++c)
            t.setCell(row, c, QString());
        t.setCell(row, column, text);
        if (text == kElec) {
            fillDaySchedulesFromHistory(rec, ctx);
            return {true, tariffPanelFor(rec, ctx.deviceGeneration)};
        }
        rebuildDesignations(rec, ctx.deviceGeneration, ctx.locale);
        return {true, TariffPanel::None};
    }

    setCell(rec, TableKind::Flow, row, column, text, ctx);
    const bool elec = t.designation(row) == kElec;
    const NumberLocale& loc = ctx.locale;

    if (elec) {
        if (column >= FlowCol::Type && column < FlowCol::Fimp) {
            // Only the catalogue columns depend on the meter type; limit, serial
            // number and zone stay as entered.
            for (int c = column + 1; c <= FlowCol::Fimp; ++c)
                t.setCell(row, c, QString());
            const QStringList constants = ctx.catalogue.entries(GetStrOld(t.cell(row, FlowCol::Type), loc));
            if (constants.size() == 1)
                setCell(rec, TableKind::Flow, row, FlowCol::Fimp, constants.first(), ctx);
        }
        return {true, std::nullopt};
    }

    if (column >= FlowCol::Du && column <= FlowCol::Fimp && ctx.options.flowHistory && ctx.history) {
        const QString section = GetResultStr(rec, row, column - 1, loc);
        const qsizetype pos = ctx.catalogue.entries(section).indexOf(GetStrOld(text, loc));
        if (pos >= 0)
            ctx.history->setFlowPosition(section, static_cast<int>(pos));
    }
    if (column >= FlowCol::Type && column <= FlowCol::Fimp)
        flowCascade(rec, row, column, ctx);
    if (column == FlowCol::Archive)
        if (const std::optional<int> pair = pairedArchiveRow(rec, row))
            t.setCell(*pair, FlowCol::Archive, t.cell(row, FlowCol::Archive));
    return {true, std::nullopt};
}

} // namespace vyn
