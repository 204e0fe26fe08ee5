#include "rowcodec.h"

#include "devicesession.h"
#include "systems.h"

#include <cmath>
#include <functional>
#include <optional>

namespace vyn {

namespace {

constexpr double kMpaPerKgfCm2 = 0.0980665;

struct ColumnRefused
{
};

// Puts values into the row the way the database would take them: text no longer
// than the column, numbers from number or locale text (empty text is null),
// valid dates only. A refused value throws ColumnRefused.
class RowWriter
{
public:
    RowWriter(StoredRow& row, const NumberLocale& locale) : m_row(row), m_locale(locale) {}

    void put(const QString& column, const QVariant& value)
    {
        const ColumnSpec* spec = findColumn(column);
        if (!spec)
            throw ColumnRefused{};
        m_row.setValue(column, accepted(*spec, value));
    }

private:
    QVariant accepted(const ColumnSpec& spec, const QVariant& value) const
    {
        switch (spec.kind) {
        case ColumnKind::Text: {
            const QString s = value.toString();
            if (s.size() > spec.maxLength)
                throw ColumnRefused{};
            return s;
        }
        case ColumnKind::Double:
        case ColumnKind::AutoNumber:
            if (value.typeId() == QMetaType::QString) {
                if (value.toString().isEmpty())
                    return {};
                if (const auto v = m_locale.toDouble(value.toString()))
                    return *v;
                throw ColumnRefused{};
            }
            return value.toDouble();
        case ColumnKind::YesNo:
            return value.toBool();
        case ColumnKind::DateTime:
            if (value.typeId() == QMetaType::QDate && value.toDate().isValid())
                return value;
            if (value.typeId() == QMetaType::QDateTime && value.toDateTime().isValid())
                return value;
            throw ColumnRefused{};
        }
        throw ColumnRefused{};
    }

    StoredRow& m_row;
    const NumberLocale& m_locale;
};

QVariant seasonDate(const DayMonth& dm) { return QDate(2000, dm.month, dm.day); }

QString tariffListText(const std::vector<TariffEntry>& list)
{
    QString out;
    for (const TariffEntry& e : list)
        out += QString::asprintf("%2d%2d%2d%2d", e.hour, e.minute,
                                 static_cast<int>(tariffNames().indexOf(e.tariff)), e.condition);
    return out;
}

QString dayScheduleText(const DaySchedule& schedule)
{
    QString out;
    for (const DayEntry& e : schedule)
        if (!e.time.isEmpty())
            out += e.time + QLatin1Char(':') + e.tariff + QLatin1Char('|');
    return out;
}

const char* const kScheduleColumns[] = {"WorkDayTime", "SubbDayTarif", "SunDayTarif"};

struct ListColumn
{
    const char* name;
    TableKind kind;
    int column;
};

constexpr ListColumn kFlowLists[] = {
    {"RASH", TableKind::Flow, FlowCol::Type},         {"DU", TableKind::Flow, FlowCol::Du},
    {"FNOM", TableKind::Flow, FlowCol::Fnom},         {"FIMP", TableKind::Flow, FlowCol::Fimp},
    {"FMIN", TableKind::Flow, FlowCol::Fmin},         {"FMAX", TableKind::Flow, FlowCol::Fmax},
    {"SERNR", TableKind::Flow, FlowCol::Serial},      {"ISTPITRASX", TableKind::Flow, FlowCol::Source},
    {"FlowArhSet", TableKind::Flow, FlowCol::Archive},
};
constexpr ListColumn kThermoLists[] = {
    {"TYPTERM", TableKind::Thermo, ThermoCol::Type},  {"R0", TableKind::Thermo, ThermoCol::R0},
    {"WKL", TableKind::Thermo, ThermoCol::W},         {"KLASS", TableKind::Thermo, ThermoCol::Klass},
    {"LPOG", TableKind::Thermo, ThermoCol::Length},   {"SERNT", TableKind::Thermo, ThermoCol::Serial},
    {"TMIN", TableKind::Thermo, ThermoCol::TMin},     {"TMAX", TableKind::Thermo, ThermoCol::TMax},
};
constexpr ListColumn kThermoPressure{"P", TableKind::Thermo, ThermoCol::Pressure};
constexpr ListColumn kPressureLists[] = {
    {"Manometr", TableKind::Pressure, PressureCol::Type},
    {"M_Sernum", TableKind::Pressure, PressureCol::Serial},
};
constexpr ListColumn kPressureLimits[] = {
    {"M_Pmin", TableKind::Pressure, PressureCol::PMin},
    {"M_Pmax", TableKind::Pressure, PressureCol::PMax},
};

QString name(const char* column) { return QString::fromLatin1(column); }

// The archive list carries the electricity row's designation: the row stays the
// electricity row whatever the catalogue says of its meter type.
const QString kElecMark = QStringLiteral("C");

// --- reading values ------------------------------------------------------------

QString rowText(const StoredRow& row, const char* column)
{
    const QVariant v = row.value(name(column));
    return v.isNull() ? QString() : v.toString();
}

std::optional<double> rowNumber(const StoredRow& row, const char* column,
                                const NumberLocale& locale)
{
    const QVariant v = row.value(name(column));
    if (v.isNull())
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return std::isfinite(v.toDouble()) ? std::optional<double>(v.toDouble()) : std::nullopt;
    case QMetaType::QString:
        return locale.toDouble(v.toString());
    default:
        return std::nullopt;
    }
}

std::optional<int> rowInteger(const StoredRow& row, const char* column, const NumberLocale& locale)
{
    const auto v = rowNumber(row, column, locale);
    if (!v || *v != std::floor(*v) || std::fabs(*v) > 1e9)
        return std::nullopt;
    return static_cast<int>(*v);
}

bool rowBool(const StoredRow& row, const char* column)
{
    const QVariant v = row.value(name(column));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString)
        return v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
               v.toString() == QLatin1String("1");
    return !v.isNull() && v.canConvert<double>() && v.toDouble() != 0;
}

// The cold-water temperatures are shown with one decimal; a stored value with
// more decimals keeps them.
QString temperatureText(double value, const NumberLocale& locale)
{
    const double tenths = value * 10;
    return tenths == std::round(tenths) ? locale.formatFixed(value, 1) : locale.formatShortest(value);
}

DayMonth rowSeason(const StoredRow& row, const char* column, const QDate& today)
{
    const QDate d = variantDate(row.value(name(column)));
    const QDate use = d.isValid() ? d : today;
    return use.isValid() ? DayMonth{use.day(), use.month()} : DayMonth{};
}

// Takes the text up to the separator (all of it when there is none) off the front.
QString cutPart(QString& text, QChar separator)
{
    const qsizetype at = text.indexOf(separator);
    QString part = at < 0 ? text : text.left(at);
    text.remove(0, at < 0 ? text.size() : at + 1);
    return part;
}

DaySchedule readDaySchedule(QString text)
{
    DaySchedule schedule{};
    for (DayEntry& e : schedule) {
        const QString hour = cutPart(text, QLatin1Char(':'));
        const QString minute = cutPart(text, QLatin1Char(':'));
        const QString tariff = cutPart(text, QLatin1Char('|'));
        if (!hour.isEmpty() && !minute.isEmpty() && !tariff.isEmpty())
            e = {hour + QLatin1Char(':') + minute, tariff};
    }
    return schedule;
}

std::vector<TariffEntry> readTariffList(const QString& text, int count)
{
    std::vector<TariffEntry> list;
    for (int i = 0; i < count; ++i) {
        const QString chunk = text.mid(qsizetype(i) * 8, 8);
        if (chunk.size() < 8)
            break;
        int f[4];
        bool ok = true;
        for (int k = 0; k < 4 && ok; ++k) {
            const auto v = NumberLocale::toInteger(chunk.mid(k * 2, 2));
            ok = v.has_value();
            f[k] = ok ? static_cast<int>(*v) : 0;
        }
        // An entry the device could not take is left out rather than guessed.
        if (!ok || f[0] < 0 || f[0] > 23 || f[1] < 0 || f[1] > 59 || f[2] < 0 ||
            f[2] >= tariffNames().size() || f[3] < 0 || f[3] >= tariffConditions().size())
            continue;
        list.push_back({f[0], f[1], tariffNames().at(f[2]), f[3]});
    }
    return list;
}

void fillWhenEmpty(ConfigRecord& rec, int row, int column, const QString& text,
                   const NumberLocale& locale)
{
    if (rec.FlowTable.cell(row, column).isEmpty())
        SetValueGrid(rec, TableKind::Flow, row, text, column, locale);
}

void loadElectricityRow(const StoredRow& row, ConfigRecord& rec, int elec, int generation,
                        const NumberLocale& locale)
{
    fillWhenEmpty(rec, elec, FlowCol::Type, QStringLiteral("Электросчетчик"), locale);
    if (generation == 1) {
        for (int k = 0; k < 3; ++k)
            rec.daySchedules[static_cast<std::size_t>(k)] =
                readDaySchedule(rowText(row, kScheduleColumns[k]));
        fillWhenEmpty(rec, elec, FlowCol::Fimp, rowText(row, "ConstSch"), locale);
        fillWhenEmpty(rec, elec, FlowCol::Fmax, rowText(row, "LimitSch"), locale);
        return;
    }
    rec.TariffList.clear();
    const auto number = [&](const char* column) {
        const auto v = rowNumber(row, column, locale);
        return v ? locale.formatShortest(*v) : QString();
    };
    fillWhenEmpty(rec, elec, FlowCol::Fimp, number("CONST_ELEC"), locale);
    fillWhenEmpty(rec, elec, FlowCol::Fmax, number("MAX_ELEC"), locale);
    const auto zone = rowInteger(row, "TAR_ZON_EL", locale);
    fillWhenEmpty(rec, elec, FlowCol::Source,
                  zone && *zone >= 0 && *zone < tariffZoneTypes().size()
                      ? tariffZoneTypes().at(*zone)
                      : number("TAR_ZON_EL"),
                  locale);
    const int count = rowInteger(row, "NUM_TAR_EL", locale).value_or(0);
    if (count > 0)
        rec.TariffList = readTariffList(rowText(row, "TARIF_ELEC"), count);
}

} // namespace

// --- channel lists ---------------------------------------------------------------

namespace {

template <typename ValueOf>
QString listOf(const ConfigRecord& rec, TableKind kind, ValueOf valueOf,
               const std::function<std::optional<QString>(int)>& fixedPiece = {})
{
    const ChannelTable& t = rec.table(kind);
    QString out;
    for (int r = 1; r <= t.channelRows(); ++r) {
        if (const std::optional<QString> fixed = fixedPiece ? fixedPiece(r) : std::nullopt)
            out += *fixed;
        else if (!t.cell(r, 1).isEmpty())
            out += valueOf(r);
        out += QLatin1Char('|');
    }
    return out;
}

template <typename Convert>
void readListWith(ConfigRecord& rec, TableKind kind, int column, const QString& list,
                  const NumberLocale& locale, Convert convert)
{
    const QStringList pieces = list.split(QLatin1Char('|'));
    const int rows = rec.table(kind).channelRows();
    for (int r = 1; r <= rows; ++r) {
        const QString piece = r - 1 < pieces.size() ? pieces.at(r - 1) : QString();
        SetValueGrid(rec, kind, r, convert(piece), column, locale);
    }
}

} // namespace

QString storedListColumn(TableKind kind, int column)
{
    auto find = [&](const ListColumn* begin, const ListColumn* end) -> QString {
        for (const ListColumn* c = begin; c != end; ++c)
            if (c->kind == kind && c->column == column)
                return name(c->name);
        return {};
    };
    for (const QString& found : {find(std::begin(kFlowLists), std::end(kFlowLists)),
                                 find(std::begin(kThermoLists), std::end(kThermoLists)),
                                 find(&kThermoPressure, &kThermoPressure + 1),
                                 find(std::begin(kPressureLists), std::end(kPressureLists)),
                                 find(std::begin(kPressureLimits), std::end(kPressureLimits))})
        if (!found.isEmpty())
            return found;
    return {};
}

QString channelList(const ConfigRecord& rec, TableKind kind, int column, const NumberLocale& locale)
{
    return listOf(rec, kind, [&](int r) { return GetStrOld(rec.table(kind).cell(r, column), locale); });
}

QString pressureList(const ConfigRecord& rec, TableKind kind, int column,
                     const NumberLocale& locale)
{
    return listOf(rec, kind, [&](int r) {
        const double mpa = cellNumber(rec.table(kind).cell(r, column), locale).value_or(0.0);
        return locale.formatFixed(mpa / kMpaPerKgfCm2, 3);
    });
}

void readChannelList(ConfigRecord& rec, TableKind kind, int column, const QString& list,
                     const NumberLocale& locale)
{
    readListWith(rec, kind, column, list, locale, [](const QString& piece) { return piece; });
}

void readPressureList(ConfigRecord& rec, TableKind kind, int column, const QString& list,
                      const NumberLocale& locale)
{
    readListWith(rec, kind, column, list, locale, [&](const QString& piece) {
        if (piece.isEmpty())
            return piece;
        const double kgf = ParseDecimal(piece, locale);
        return kgf >= 0 ? locale.formatFixed(kgf * kMpaPerKgfCm2, 3) : piece;
    });
}

// --- save ------------------------------------------------------------------------

namespace {

// A value holding the separator would shift every later row when read back.
QString storableList(const ConfigRecord& rec, TableKind kind, int column, const NumberLocale& locale)
{
    const ChannelTable& t = rec.table(kind);
    for (int r = 1; r <= t.channelRows(); ++r)
        if (t.cell(r, column).contains(QLatin1Char('|')))
            throw ColumnRefused{};
    if (kind != TableKind::Flow || column != FlowCol::Archive)
        return channelList(rec, kind, column, locale);
    return listOf(rec, kind, [&](int r) { return t.cell(r, column); }, [&](int r) {
        return t.designation(r) == kElecMark ? std::optional<QString>(kElecMark) : std::nullopt;
    });
}

} // namespace

QString saveFailureMessage(int group)
{
    return QStringLiteral("Была ошибка %1 при создании базы").arg(group);
}

QString managerText(const QString& computerName, const QString& userName)
{
    return userName.isEmpty() ? computerName : computerName + QLatin1Char('\\') + userName;
}

SaveResult saveRecord(const ConfigRecord& rec, const SaveContext& context,
                      const NumberLocale& locale, StoredRow currentRow)
{
    RowWriter w(currentRow, locale);
    QList<int> failed;
    const auto group = [&](int number, const std::function<void()>& body) {
        try {
            body();
        } catch (const ColumnRefused&) {
            failed << number;
        }
    };
    const auto put = [&](const char* column, const QVariant& value) { w.put(name(column), value); };
    const auto putLists = [&](const auto& columns) {
        for (const ListColumn& c : columns)
            put(c.name, storableList(rec, c.kind, c.column, locale));
    };
    const auto putPressures = [&](const auto& columns) {
        for (const ListColumn& c : columns)
            put(c.name, pressureList(rec, c.kind, c.column, locale));
    };
    const int elec = FindElecLine(rec);
    const auto elecCell = [&](int column) { return GetStrOld(rec.FlowTable.cell(elec, column), locale); };

    group(1, [&] { put("DATE", context.today); });
    try {
        put("MANAGER", context.manager);
    } catch (const ColumnRefused&) {
        // skipped without a word
    }
    group(2, [&] { put("DATEL", seasonDate(rec.DATEL)); });
    group(3, [&] { put("DATEZ", seasonDate(rec.DATEZ)); });
    group(4, [&] { put("TXIZ", rec.TXIZ); });
    group(5, [&] { put("PXI", QStringLiteral("1")); });
    group(6, [&] { put("TXIL", rec.TXIL); });
    group(7, [&] { put("CXEMA", rec.CXEMA); });
    group(8, [&] { put("TYPE_VYN", rec.TYPE_VYN); });
    group(9, [&] { put("SNUM", rec.SNUM); });
    group(10, [&] { put("PITVYN", rec.PITVYN); });
    group(11, [&] { put("DSTART", rec.DSTART); });
    group(12, [&] { putLists(kFlowLists); });
    group(13, [&] {
        putLists(kThermoLists);
        putPressures(std::array{kThermoPressure});
    });
    group(14, [&] {
        putLists(kPressureLists);
        putPressures(kPressureLimits);
        put("ManUsingType", manUsingKey(rec.manUsingType));
        put("TYPE_ELECT", elec > 0);
    });
    group(15, [&] {
        if (rec.adapterType != AdapterKind::None) {
            put("AdapterType", adapterKindKey(rec.adapterType) + QLatin1Char('|') +
                                   QString::number(rec.networkAddress));
            put("OutImpMass", rec.OutImpMass);
            put("DeviceSoftData", context.deviceFirmwareDate);
        }
        if (elec > 0)
            put("NUM_TAR_EL", static_cast<double>(rec.TariffList.size()));
    });
    group(16, [&] {
        const QString mode = rec.archiveMode == ArchiveMode::None ? QStringLiteral(" ")
                                                                  : archiveModeKey(rec.archiveMode);
        put("ArhSet", mode + QLatin1Char('|') +
                          (rec.tempDiffControl ? QStringLiteral("control") : QStringLiteral("nocontrol")));
        if (elec > 0)
            put("CONST_ELEC", elecCell(FlowCol::Fimp));
    });
    if (elec > 0) {
        try {
            put("MAX_ELEC", elecCell(FlowCol::Fmax));
        } catch (const ColumnRefused&) {
            put("MAX_ELEC", 0.0);
        }
    }
    group(17, [&] { put("LigthSet", rec.LigthSet ? QStringLiteral("on") : QStringLiteral("off")); });
    group(18, [&] {
        if (elec > 0 && tariffZoneIndex(rec) >= 0)
            put("TAR_ZON_EL", tariffZoneIndex(rec));
    });
    group(19, [&] {
        if (context.deviceGeneration == 0)
            put("TARIF_ELEC", tariffListText(rec.TariffList));
    });
    group(20, [&] {
        if (context.deviceGeneration == 1)
            for (int k = 0; k < 3; ++k)
                put(kScheduleColumns[k], dayScheduleText(rec.daySchedules[static_cast<std::size_t>(k)]));
    });
    return {std::move(currentRow), failed};
}

// --- load ------------------------------------------------------------------------

int generationOfRow(const StoredRow& row)
{
    const QDate firmware = variantDate(row.value(QStringLiteral("DeviceSoftData")));
    // A row never written to a calculator counts as the zero date: generation 0.
    return firmware.isValid() ? generationForFirmwareDate(firmware) : 0;
}

void loadRecord(const StoredRow& row, ConfigRecord& rec, const LoadContext& context,
                const NumberLocale& locale)
{
    // 1. Serial, type and scheme decide the shape of everything else.
    rec.SNUM = rowText(row, "SNUM");
    static const QStringList kTypes{QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"),
                                    QStringLiteral("04"), QStringLiteral("05")};
    const QString type = rowText(row, "TYPE_VYN");
    if (kTypes.contains(type))
        rec.TYPE_VYN = type;
    const QString scheme = rowText(row, "CXEMA");
    if (!scheme.isEmpty() && firstSchemeDigits().contains(scheme.left(1)))
        rec.setFirstDigit(scheme.at(0));
    if (scheme.size() > 1 &&
        offeredSecondDigits(rec.TYPE_VYN, rec.firstDigit(), HardwareVariant(rec)).contains(scheme.mid(1, 1)))
        rec.setSecondDigit(scheme.at(1));
    applyTypeShape(rec);
    rebuildShape(rec, context.deviceGeneration, locale);

    // 2.
    const auto day = rowInteger(row, "DSTART", locale);
    rec.DSTART = day && *day >= 1 && *day <= 28 ? *day : 0;

    // 3., 4. Types first: the catalogue marks the electricity row by its type.
    readChannelList(rec, TableKind::Flow, FlowCol::Type, rowText(row, "RASH"), locale);
    readChannelList(rec, TableKind::Flow, FlowCol::Du, rowText(row, "DU"), locale);
    // Rows written before the mark was stored are recognised by the catalogue.
    const QStringList archives = rowText(row, "FlowArhSet").split(QLatin1Char('|'));
    for (int r = 1; r <= rec.FlowTable.channelRows(); ++r) {
        const QString& t = rec.FlowTable.cell(r, FlowCol::Type);
        const bool marked = !rec.FlowTable.designation(r).isEmpty() && archives.value(r - 1) == kElecMark;
        if (marked || (!t.isEmpty() && context.catalogue && context.catalogue->isElectricityMeter(t)))
            rec.FlowTable.setCell(r, FlowCol::Designation, kElecMark);
    }

    // 5.
    for (const ListColumn& c : kFlowLists)
        if (c.column > FlowCol::Du)
            readChannelList(rec, c.kind, c.column, rowText(row, c.name), locale);
    for (const ListColumn& c : kThermoLists)
        readChannelList(rec, c.kind, c.column, rowText(row, c.name), locale);
    readPressureList(rec, kThermoPressure.kind, kThermoPressure.column,
                     rowText(row, kThermoPressure.name), locale);
    for (const ListColumn& c : kPressureLists)
        readChannelList(rec, c.kind, c.column, rowText(row, c.name), locale);
    for (const ListColumn& c : kPressureLimits)
        readPressureList(rec, c.kind, c.column, rowText(row, c.name), locale);

    if (const int elec = FindElecLine(rec); elec > 0 && rec.FlowTable.cell(elec, FlowCol::Archive) == kElecMark)
        rec.FlowTable.setCell(elec, FlowCol::Archive, QString());

    // 6.
    rec.manUsingType = manUsingFromKey(rowText(row, "ManUsingType"));
    rec.DATEL = rowSeason(row, "DATEL", context.today);
    rec.DATEZ = rowSeason(row, "DATEZ", context.today);
    rec.PITVYN = rowBool(row, "PITVYN");
    const auto txiz = rowNumber(row, "TXIZ", locale);
    const auto txil = rowNumber(row, "TXIL", locale);
    rec.TXIZ = txiz ? temperatureText(*txiz, locale) : QStringLiteral("5");
    rec.TXIL = txiz && txil ? temperatureText(*txil, locale) : QStringLiteral("5");

    // 7.
    if (const int elec = FindElecLine(rec); elec > 0)
        loadElectricityRow(row, rec, elec, context.deviceGeneration, locale);

    // 8. Rows that the scheme does not use carry nothing.
    for (int r = 1; r <= 4; ++r) {
        if (rec.FlowTable.designation(r).isEmpty())
            for (int c = FlowCol::Type; c <= FlowCol::Source; ++c)
                rec.FlowTable.setCell(r, c, QString());
        if (rec.ThermoTable.designation(r).isEmpty())
            rec.ThermoTable.setCell(r, ThermoCol::Type, QString());
        if (rec.ThermoTable.cell(r, ThermoCol::Type).isEmpty())
            for (int c = ThermoCol::Type; c <= ThermoCol::TMax; ++c)
                rec.ThermoTable.setCell(r, c, QString());
    }

    // 9.
    const QString adapter = rowText(row, "AdapterType");
    const qsizetype bar = adapter.indexOf(QLatin1Char('|'));
    const AdapterKind kind = adapterKindFromKey(bar < 0 ? adapter : adapter.left(bar));
    rec.adapterType = kind == AdapterKind::None ? AdapterKind::Connected : kind;
    const auto address = bar < 0 ? std::nullopt : NumberLocale::toInteger(adapter.mid(bar + 1));
    rec.networkAddress = address && *address >= 1 && *address <= 240 ? static_cast<int>(*address) : 1;
    rec.OutImpMass = rowText(row, "OutImpMass");
    const QString archive = rowText(row, "ArhSet");
    const qsizetype archiveBar = archive.indexOf(QLatin1Char('|'));
    rec.archiveMode = archiveModeFromKey(archiveBar < 0 ? archive : archive.left(archiveBar));
    const QString control = archiveBar < 0 ? QString() : archive.mid(archiveBar + 1);
    rec.tempDiffControl = control.isEmpty() || control == QLatin1String("control");
    rec.LigthSet = rowText(row, "LigthSet") == QLatin1String("on");
}

} // namespace vyn
