#include "cellinput.h"

#include "rowcodec.h"
#include "storedrow.h"

#include <cfloat>
#include <cmath>

namespace vyn {

namespace {

const QChar kListSeparator = QLatin1Char('|');

bool isElectricityRow(const ConfigRecord& rec, TableKind kind, int row)
{
    return kind == TableKind::Flow && rec.FlowTable.designation(row) == QLatin1String("C");
}

QString cellName(const ConfigRecord& rec, TableKind kind, int row, int column)
{
    const ChannelTable& t = rec.table(kind);
    return QStringLiteral("«%1» строки %2").arg(t.cell(0, column), t.designation(row));
}

QString rangeText(const NumberRange& r, const NumberLocale& locale)
{
    return QStringLiteral("%1число от %2 до %3")
        .arg(r.integer ? QStringLiteral("целое ") : QString(), locale.formatShortest(r.min),
             locale.formatShortest(r.max));
}

bool fits(double v, const NumberRange& r)
{
    return v >= r.min && v <= r.max && (!r.integer || v == std::floor(v));
}

// The typed number with the locale's separator and without a plus sign.
QString normalised(QString text, const NumberLocale& locale)
{
    text = text.trimmed();
    if (text.startsWith(QLatin1Char('+')))
        text.remove(0, 1);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    text.replace(QLatin1Char(','), locale.decimalPoint());
    return text;
}

// The value the cell contributes to its stored list.
QString storedPiece(const ConfigRecord& rec, TableKind kind, int row, int column, const QString& cell,
                    const NumberLocale& locale)
{
    return rec.table(kind).cell(row, 1).isEmpty() && column != 1 ? QString() : GetStrOld(cell, locale);
}

} // namespace

std::optional<NumberRange> numberRange(TableKind kind, int column, bool electricityRow)
{
    switch (kind) {
    case TableKind::Flow:
        switch (column) {
        case FlowCol::Du:
            return NumberRange{1, 3000, false};
        case FlowCol::Fnom:
        case FlowCol::Fmin:
            return NumberRange{0, 100000, false};
        case FlowCol::Fimp:
            return electricityRow ? NumberRange{0.001, 1000000, false} : NumberRange{0.0001, 100000, false};
        case FlowCol::Fmax:
            return electricityRow ? NumberRange{0, 1000000, false} : NumberRange{0, 100000, false};
        default:
            return std::nullopt;
        }
    case TableKind::Thermo:
        switch (column) {
        case ThermoCol::R0:
            return NumberRange{1, 10000, false};
        case ThermoCol::W:
            return NumberRange{1, 2, false};
        case ThermoCol::Length:
            return NumberRange{1, 10000, false};
        case ThermoCol::TMin:
        case ThermoCol::TMax:
            // Whole degrees, sent as one byte.
            return NumberRange{0, 200, true};
        case ThermoCol::Pressure:
            return NumberRange{0, 6.5, false};
        default:
            return std::nullopt;
        }
    case TableKind::Pressure:
        if (column == PressureCol::PMin || column == PressureCol::PMax)
            return NumberRange{0, 6.5, false};
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> readTypedNumber(const QString& text)
{
    const QString t = text.trimmed();
    int digits = 0;
    int separators = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (c == QLatin1Char('.') || c == QLatin1Char(','))
            ++separators;
        else if (!(i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))))
            return std::nullopt;
    }
    if (digits == 0 || separators > 1)
        return std::nullopt;
    return NumberLocale(QLatin1Char('.')).toDouble(QString(t).replace(QLatin1Char(','), QLatin1Char('.')));
}

CellInput checkCellInput(const ConfigRecord& rec, TableKind kind, int row, int column, const QString& text,
                         const QStringList& offered, const NumberLocale& locale)
{
    const QString name = cellName(rec, kind, row, column);
    if (text.contains(kListSeparator))
        return {false, {}, name + QStringLiteral(": символ «|» недопустим")};
    QString value = text;
    // An entry of the drop-down is the catalogue's own and goes in as it stands.
    if (!offered.contains(text)) {
        if (const auto range = numberRange(kind, column, isElectricityRow(rec, kind, row))) {
            const auto v = readTypedNumber(GetStrOld(text, locale));
            if (!v || !fits(*v, *range))
                return {false, {}, name + QStringLiteral(": допустимо ") + rangeText(*range, locale)};
            value = normalised(GetStrOld(text, locale), locale);
        }
    }
    const int room = cellRoom(rec, kind, row, column, locale);
    if (room >= 0 && GetStrOld(value, locale).size() > room)
        return {false, {}, name + QStringLiteral(": не более %1 символов").arg(room)};
    return {true, value, {}};
}

int cellRoom(const ConfigRecord& rec, TableKind kind, int row, int column, const NumberLocale& locale)
{
    // Pressures are stored converted, as numbers of a fixed form.
    const bool pressure = (kind == TableKind::Thermo && column == ThermoCol::Pressure) ||
                          (kind == TableKind::Pressure && (column == PressureCol::PMin || column == PressureCol::PMax));
    const ColumnSpec* spec = findColumn(storedListColumn(kind, column));
    if (pressure || !spec || spec->kind != ColumnKind::Text)
        return -1;
    const ChannelTable& t = rec.table(kind);
    int used = 0;
    for (int r = 1; r <= t.channelRows(); ++r) {
        used += 1; // the separator after every row
        if (r != row)
            used += static_cast<int>(storedPiece(rec, kind, r, column, t.cell(r, column), locale).size());
    }
    // The electricity row is marked in the archive list.
    if (kind == TableKind::Flow && column == FlowCol::Archive)
        used += 1;
    return std::max(0, spec->maxLength - used);
}

std::optional<QString> unstorableCell(const ConfigRecord& rec, const NumberLocale& locale)
{
    for (TableKind kind : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        const ChannelTable& t = rec.table(kind);
        for (int r = 1; r <= t.channelRows(); ++r)
            for (int c = 1; c < t.systemColumn(); ++c) {
                const QString& cell = t.cell(r, c);
                if (cell.isEmpty())
                    continue;
                if (cell.contains(kListSeparator))
                    return cellName(rec, kind, r, c) + QStringLiteral(": символ «|» недопустим");
                const int room = cellRoom(rec, kind, r, c, locale);
                if (room >= 0 && storedPiece(rec, kind, r, c, cell, locale).size() > room)
                    return cellName(rec, kind, r, c) + QStringLiteral(": не более %1 символов").arg(room);
            }
    }
    return std::nullopt;
}

bool cellNumberFits(const ConfigRecord& rec, TableKind kind, int row, int column, const NumberLocale& locale)
{
    // The cold-water thermometer's limits are fixed (its -70 is never sent).
    if (kind == TableKind::Thermo && rec.ThermoTable.designation(row) == QLatin1String("tu") &&
        (column == ThermoCol::TMin || column == ThermoCol::TMax))
        return true;
    const auto range = numberRange(kind, column, isElectricityRow(rec, kind, row));
    if (!range)
        return true;
    const auto v = cellNumber(rec.table(kind).cell(row, column), locale);
    return v && fits(*v, *range);
}

std::optional<QString> unreadableNumberCell(const ConfigRecord& rec, const NumberLocale& locale)
{
    for (TableKind kind : {TableKind::Flow, TableKind::Thermo, TableKind::Pressure}) {
        const ChannelTable& t = rec.table(kind);
        for (int r = 1; r <= t.channelRows(); ++r) {
            if (t.designation(r).isEmpty() || t.cell(r, 1).isEmpty())
                continue;
            for (int c = 1; c < t.systemColumn(); ++c) {
                const QString& cell = t.cell(r, c);
                if (cell.isEmpty() || !numberRange(kind, c, isElectricityRow(rec, kind, r)))
                    continue;
                const auto v = cellNumber(cell, locale);
                if (!v || std::fabs(*v) > FLT_MAX)
                    return cellName(rec, kind, r, c) + QStringLiteral(": «%1» не является числом").arg(cell);
            }
        }
    }
    return std::nullopt;
}

} // namespace vyn
