#include "configrecord.h"

namespace vyn {

namespace {

template <typename E, std::size_t N>
QString keyOf(E value, const std::array<const char*, N>& keys)
{
    const int i = static_cast<int>(value);
    return i >= 0 && i < static_cast<int>(N) ? QString::fromLatin1(keys[static_cast<std::size_t>(i)])
                                             : QString();
}

template <typename E, std::size_t N>
E fromKey(const QString& key, const std::array<const char*, N>& keys)
{
    for (std::size_t i = 0; i < N; ++i)
        if (key == QLatin1String(keys[i]))
            return static_cast<E>(i);
    return E::None;
}

constexpr std::array<const char*, 3> kAdapterKeys{"connected", "mod-bus", "mod-bus modem"};
constexpr std::array<const char*, 2> kArchiveKeys{"monthclear", "growtotal"};
constexpr std::array<const char*, 3> kManUsingKeys{"no", "possibility", "always"};

} // namespace

QString adapterKindKey(AdapterKind kind) { return keyOf(kind, kAdapterKeys); }
AdapterKind adapterKindFromKey(const QString& key) { return fromKey<AdapterKind>(key, kAdapterKeys); }
QString archiveModeKey(ArchiveMode mode) { return keyOf(mode, kArchiveKeys); }
ArchiveMode archiveModeFromKey(const QString& key) { return fromKey<ArchiveMode>(key, kArchiveKeys); }
QString manUsingKey(ManUsing use) { return keyOf(use, kManUsingKeys); }
ManUsing manUsingFromKey(const QString& key) { return fromKey<ManUsing>(key, kManUsingKeys); }

QStringList flowCaptions()
{
    return {QStringLiteral("Наз."),       QStringLiteral("ТИП ИПР"),
            QStringLiteral("Ду"),         QStringLiteral("Fном"),
            QStringLiteral("Вес имп./Пос. счет."), QStringLiteral("Fmin"),
            QStringLiteral("Fmax/Лимит"), QStringLiteral("Сер. номер"),
            QStringLiteral("Тип"),        QStringLiteral("Архив"),
            QStringLiteral("0")};
}

QStringList thermoCaptions()
{
    return {QStringLiteral("Наз."),  QStringLiteral("Тип ИПТ"),    QStringLiteral("R0"),
            QStringLiteral("W"),     QStringLiteral("Класс"),      QStringLiteral("L погр."),
            QStringLiteral("Сер. номер"), QStringLiteral("t Min"), QStringLiteral("t Max"),
            QStringLiteral("Дог. дав."),  QStringLiteral("0")};
}

QStringList pressureCaptions()
{
    return {QStringLiteral("Наз"),  QStringLiteral("Тип ИПД"),    QStringLiteral("Pmin"),
            QStringLiteral("Pmax"), QStringLiteral("Сер. номер"), QStringLiteral("0")};
}

const QStringList& tariffZoneTypes()
{
    // First two with the Cyrillic letter С, the last three with the Latin C.
    static const QStringList list{QStringLiteral("\u04211"), QStringLiteral("\u04211+\u0421'"),
                                  QStringLiteral("C1+C2"), QStringLiteral("C1+C2+C'"),
                                  QStringLiteral("C1+C2+C3")};
    return list;
}

const QStringList& tariffConditions()
{
    static const QStringList list{QStringLiteral("В рабочие, субботу и воскресенье"),
                                  QStringLiteral("В рабочие и в субботу"),
                                  QStringLiteral("В рабочие")};
    return list;
}

const QStringList& tariffNames()
{
    static const QStringList list{QStringLiteral("C1"), QStringLiteral("C2"), QStringLiteral("C3")};
    return list;
}

int getTarifNumberFromString(const QString& text)
{
    const qsizetype i = tariffNames().indexOf(text);
    return i >= 0 ? static_cast<int>(i) + 1 : 3;
}

ConfigRecord::ConfigRecord()
    : FlowTable(flowCaptions(), 4), ThermoTable(thermoCaptions(), 4),
      PressureTable(pressureCaptions(), 4)
{
}

ChannelTable& ConfigRecord::table(TableKind kind)
{
    switch (kind) {
    case TableKind::Flow:
        return FlowTable;
    case TableKind::Thermo:
        return ThermoTable;
    case TableKind::Pressure:
        break;
    }
    return PressureTable;
}

const ChannelTable& ConfigRecord::table(TableKind kind) const
{
    return const_cast<ConfigRecord*>(this)->table(kind);
}

void ConfigRecord::setFirstDigit(QChar d)
{
    CXEMA = QString(d) + (CXEMA.size() > 1 ? CXEMA.mid(1, 1) : QStringLiteral("0"));
}

void ConfigRecord::setSecondDigit(QChar d)
{
    CXEMA = (CXEMA.isEmpty() ? QStringLiteral("1") : CXEMA.left(1)) + d;
}

QString GetStrOld(const QString& text, const NumberLocale& locale)
{
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return text;
    const QString head = text.left(blank);
    return locale.toDouble(head) ? head : text;
}

double ParseDecimal(const QString& text, const NumberLocale& locale)
{
    QString t = text;
    const qsizetype point = t.indexOf(QLatin1Char('.'));
    if (point >= 0)
        t[point] = locale.decimalPoint();
    const qsizetype comma = t.indexOf(QLatin1Char(','));
    if (comma >= 0)
        t[comma] = locale.decimalPoint();
    return locale.toDouble(t).value_or(-1.0);
}

std::optional<double> cellNumber(const QString& text, const NumberLocale& locale)
{
    return locale.toDouble(GetStrOld(text, locale));
}

QString unitSuffix(TableKind kind, int column, bool electricityRow)
{
    switch (kind) {
    case TableKind::Flow:
        switch (column) {
        case FlowCol::Du:
            return QStringLiteral(" мм");
        case FlowCol::Fnom:
        case FlowCol::Fmin:
            return QStringLiteral(" м3/ч");
        case FlowCol::Fimp:
            return electricityRow ? QStringLiteral(" имп/кВт*ч") : QStringLiteral(" л/имп");
        case FlowCol::Fmax:
            return electricityRow ? QStringLiteral(" кВт") : QStringLiteral(" м3/ч");
        default:
            return {};
        }
    case TableKind::Thermo:
        switch (column) {
        case ThermoCol::R0:
            return QStringLiteral(" Ом");
        case ThermoCol::Length:
            return QStringLiteral(" мм");
        case ThermoCol::TMin:
        case ThermoCol::TMax:
            return QStringLiteral(" °\u0421"); // Cyrillic С, as the calculator's documents write it
        case ThermoCol::Pressure:
            return QStringLiteral(" МПа");
        default:
            return {};
        }
    case TableKind::Pressure:
        if (column == PressureCol::PMin || column == PressureCol::PMax)
            return QStringLiteral(" МПа");
        return {};
    }
    return {};
}

void SetValueGrid(ConfigRecord& rec, TableKind kind, int row, const QString& text, int column,
                  const NumberLocale& locale)
{
    ChannelTable& t = rec.table(kind);
    const bool elec = kind == TableKind::Flow && t.designation(row) == QLatin1String("C");
    const QString unit = unitSuffix(kind, column, elec);
    if (!unit.isEmpty() && !text.contains(QLatin1Char(' ')) && locale.toDouble(text))
        t.setCell(row, column, text + unit);
    else
        t.setCell(row, column, text);
}

int FindElecLine(const ConfigRecord& rec)
{
    for (int r = 1; r <= rec.FlowTable.channelRows(); ++r)
        if (rec.FlowTable.designation(r) == QLatin1String("C"))
            return r;
    return -1;
}

QString GetResultStr(const ConfigRecord& rec, int row, int n, const NumberLocale& locale)
{
    QStringList parts;
    for (int c = 1; c <= n; ++c)
        parts << GetStrOld(rec.FlowTable.cell(row, c), locale);
    return parts.join(QLatin1Char('|'));
}

std::optional<int> HardwareVariant(const ConfigRecord& rec)
{
    if (rec.SNUM.size() < 5)
        return std::nullopt;
    const QChar c = rec.SNUM.at(4);
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        return std::nullopt;
    return c.unicode() - '0';
}

bool typeElect(const ConfigRecord& rec) { return FindElecLine(rec) > 0; }

int tariffZoneIndex(const ConfigRecord& rec)
{
    const int row = FindElecLine(rec);
    if (row < 0)
        return -1;
    return static_cast<int>(tariffZoneTypes().indexOf(rec.FlowTable.cell(row, FlowCol::Source)));
}

} // namespace vyn
