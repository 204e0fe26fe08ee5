#include "systems.h"

#include <algorithm>

namespace vyn {

namespace {

const QString kTu = QStringLiteral("tu");
const QString kElec = QStringLiteral("C");

QString num(int n) { return QString::number(n); }

// A system number cell as an integer; none when empty or not a number.
std::optional<int> numberOf(const ChannelTable& t, int row)
{
    bool ok = false;
    const int n = t.systemNumber(row).toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

bool rowOfSystem(const ChannelTable& t, int row, int n)
{
    const QString& s = t.systemNumber(row);
    return !s.isEmpty() && s == num(n);
}

template <typename Pred>
bool anyRowOf(const ChannelTable& t, int n, Pred pred)
{
    for (int r = 1; r <= t.channelRows(); ++r)
        if (rowOfSystem(t, r, n) && pred(r))
            return true;
    return false;
}

bool typed(const ChannelTable& t, int row) { return !t.cell(row, 1).isEmpty(); }

// Writes the designations of one system position (1 or 2) for one scheme digit.
void fillPosition(ConfigRecord& rec, int position, QChar digit, int deviceGeneration,
                  const NumberLocale& locale)
{
    const QString L = deviceGeneration == 1 ? QStringLiteral("V") : QStringLiteral("F");
    const int r1 = position == 1 ? 1 : 3;
    const int r2 = r1 + 1;
    const QString k = num(position);
    const QString s1 = position == 1 ? QStringLiteral("o") : QStringLiteral("c");
    const QString s2 = position == 1 ? QStringLiteral("b") : QStringLiteral("d");
    ChannelTable& flow = rec.FlowTable;
    ChannelTable& thermo = rec.ThermoTable;
    ChannelTable& press = rec.PressureTable;

    const int value = schemeDigitValue(digit);
    if (value < 0 || value == 10)
        return; // nothing is changed

    for (int r : {r1, r2}) {
        thermo.setCell(r, ThermoCol::Designation, QString());
        press.setCell(r, PressureCol::Designation, QString());
        thermo.setCell(r, ThermoCol::Pressure, QString());
    }

    auto set = [](ChannelTable& t, int row, const QString& d) { t.setCell(row, 0, d); };
    auto heatSensors = [&] {
        set(thermo, r1, QStringLiteral("t") + k + QLatin1Char('/'));
        set(thermo, r2, QStringLiteral("t") + k + QLatin1Char('\\'));
        set(press, r1, QStringLiteral("P") + k + QLatin1Char('/'));
        set(press, r2, QStringLiteral("P") + k + QLatin1Char('\\'));
    };

    switch (value) {
    case 0:
        set(flow, r1, QString());
        set(flow, r2, QString());
        break;
    case 1:
    case 2:
    case 5:
        set(flow, r1, L + k + QLatin1Char('/'));
        set(flow, r2, L + k + QLatin1Char('\\'));
        heatSensors();
        if (value == 5)
            rec.ColdSourceFlag = true;
        break;
    case 3:
        set(flow, r1, L + k + QLatin1Char('/'));
        set(flow, r2, L + s2);
        heatSensors();
        break;
    case 4:
        set(flow, r1, L + s1);
        set(flow, r2, L + k + QLatin1Char('\\'));
        heatSensors();
        break;
    case 6:
        set(flow, r1, L + s1);
        set(flow, r2, L + s2);
        break;
    case 7:
        set(flow, r1, L + s1);
        set(flow, r2, kElec);
        break;
    case 8:
    case 11:
        set(flow, r1, L + s1);
        set(flow, r2, L + s2);
        set(thermo, r1, QStringLiteral("t") + s1);
        set(thermo, r2, QStringLiteral("t") + s2);
        set(press, r1, QStringLiteral("P") + s1);
        set(press, r2, QStringLiteral("P") + s2);
        rec.ColdSourceFlag = true;
        break;
    case 9:
        set(flow, r1, L + s1);
        set(flow, r2, L + s2);
        set(thermo, r1, QStringLiteral("t") + s1);
        set(press, r1, QStringLiteral("P") + s1);
        rec.ColdSourceFlag = true;
        break;
    default:
        break;
    }

    // Extra flow channel of 5-channel hardware.
    if (flow.channelRows() == 5 && !flow.designation(4).isEmpty()) {
        for (int r = 1; r <= 5; ++r) {
            const QString& d = flow.designation(r);
            if (d.size() <= 1 && d != kElec) {
                flow.setCell(r, 0, L + QLatin1Char('n'));
                break;
            }
        }
    }

    if (value == 0)
        return;

    // Cold-water thermometer of the newer devices.
    if (deviceGeneration == 1 &&
        (rec.TYPE_VYN == QLatin1String("03") || rec.TYPE_VYN == QLatin1String("04"))) {
        for (int r = 1; r <= 4; ++r) {
            if (thermo.designation(r).isEmpty()) {
                if (thermo.designation(r - 1) != kTu)
                    thermo.setCell(r, 0, kTu);
                break;
            }
        }
    }

    // Default contract pressures.
    for (int r = 1; r <= 4; ++r) {
        const QString& d = thermo.designation(r);
        if (d.size() < 2 || d == kTu)
            continue;
        QString mpa;
        if (d.size() == 3)
            mpa = (r == 1 || r == 3) ? QStringLiteral("0") + locale.decimalPoint() + QLatin1Char('6')
                                     : QStringLiteral("0") + locale.decimalPoint() + QLatin1Char('4');
        else
            mpa = QStringLiteral("0") + locale.decimalPoint() + QLatin1Char('5');
        SetValueGrid(rec, TableKind::Thermo, r, mpa, ThermoCol::Pressure, locale);
    }
}

} // namespace

int schemeDigitValue(QChar digit, bool bAsTen)
{
    if (digit >= QLatin1Char('0') && digit <= QLatin1Char('9'))
        return digit.unicode() - '0';
    if (digit == QLatin1Char('A'))
        return 9;
    if (digit == QLatin1Char('b'))
        return bAsTen ? 10 : 11;
    return -1;
}

QStringList firstSchemeDigits()
{
    return {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
            QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("8"), QStringLiteral("9")};
}

QStringList offeredSecondDigits(const QString& type, QChar firstDigit,
                                std::optional<int> hardwareVariant)
{
    static const QStringList all{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                 QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                                 QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8"),
                                 QStringLiteral("9"), QStringLiteral("A")};
    QStringList list;
    if (type == QLatin1String("02")) {
        list = {QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("7")};
    } else if (type == QLatin1String("03") || type == QLatin1String("04")) {
        const int f = schemeDigitValue(firstDigit);
        if (f >= 1 && f <= 4) {
            // 0, then the digits from the first digit on (2 offers 2.., 3 offers 3..)
            list << QStringLiteral("0");
            for (const QString& d : all)
                if (d != QLatin1String("0") && schemeDigitValue(d.at(0)) >= f)
                    list << d;
        } else if (f == 5) {
            list = {QStringLiteral("0"), QStringLiteral("5"), QStringLiteral("6"),
                    QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")};
        } else if (f == 6 || f == 9) {
            list = {QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("7")};
        } else if (f == 8) {
            list = {QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("7"),
                    QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("b")};
        } else {
            list = {QStringLiteral("0")};
        }
    } else {
        list = {QStringLiteral("0")};
    }
    if (hardwareVariant && *hardwareVariant > 2)
        list.removeAll(QStringLiteral("7"));
    return list;
}

int flowRowsForType(const QString& type, std::optional<int> hardwareVariant)
{
    if (type == QLatin1String("04") || type == QLatin1String("05"))
        return 5;
    if (type == QLatin1String("02") || type == QLatin1String("03"))
        return hardwareVariant && *hardwareVariant > 2 ? 5 : 4;
    return 4;
}

void applyTypeShape(ConfigRecord& rec)
{
    rec.FlowTable.setChannelRows(flowRowsForType(rec.TYPE_VYN, HardwareVariant(rec)));
    if (rec.TYPE_VYN == QLatin1String("05")) {
        rec.CXEMA = QStringLiteral("66");
        return;
    }
    const QStringList offered = offeredSecondDigits(rec.TYPE_VYN, rec.firstDigit(), HardwareVariant(rec));
    const QString second = rec.secondDigit().isNull() ? QString() : QString(rec.secondDigit());
    if (!offered.contains(second))
        rec.setSecondDigit(offered.first().at(0));
}

void fillSystemDesignations(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale)
{
    rec.ColdSourceFlag = false;
    fillPosition(rec, 1, rec.firstDigit(), deviceGeneration, locale);
    fillPosition(rec, 2, rec.secondDigit(), deviceGeneration, locale);
}

void rebuildShape(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale)
{
    rec.FlowTable.clearChannelCells();
    rec.ThermoTable.clearChannelCells();
    rec.PressureTable.clearChannelCells();
    rec.FlowTable.clearColumn(FlowCol::Designation);
    fillSystemDesignations(rec, deviceGeneration, locale);
}

void rebuildDesignations(ConfigRecord& rec, int deviceGeneration, const NumberLocale& locale)
{
    std::vector<QString> pressures;
    for (int r = 1; r <= rec.ThermoTable.channelRows(); ++r)
        pressures.push_back(rec.ThermoTable.cell(r, ThermoCol::Pressure));
    rec.FlowTable.clearColumn(FlowCol::Designation);
    fillSystemDesignations(rec, deviceGeneration, locale);
    for (int r = 1; r <= rec.ThermoTable.channelRows(); ++r)
        rec.ThermoTable.setCell(r, ThermoCol::Pressure, pressures[static_cast<std::size_t>(r - 1)]);
}

bool energyControlAllowed(const ConfigRecord& rec, int deviceVersion)
{
    return deviceVersion >= 4 &&
           (rec.firstDigit() == QLatin1Char('5') || rec.secondDigit() == QLatin1Char('5'));
}

void applyEnergyControlRule(ConfigRecord& rec, int deviceVersion)
{
    if (!energyControlAllowed(rec, deviceVersion))
        rec.EnergyControl = false;
}

void resetToNewConfiguration(ConfigRecord& rec, const QString& serial, const QString& type,
                             int deviceGeneration, int deviceVersion, const NumberLocale& locale)
{
    rec.SNUM = serial;
    rec.TYPE_VYN = type;
    rec.FlowTable.clearChannelCells();
    rec.ThermoTable.clearChannelCells();
    rec.PressureTable.clearChannelCells();
    rec.DATEL = DayMonth{15, 5};
    rec.DATEZ = DayMonth{15, 5};
    rec.setFirstDigit(QLatin1Char('1'));
    rec.DSTART = 1;
    rec.adapterType = AdapterKind::Connected;
    rec.archiveMode = ArchiveMode::MonthClear;
    rec.LigthSet = false;
    rec.OutImpMass = QStringLiteral("1,0");
    rec.PITVYN = false;
    applyTypeShape(rec);
    rebuildShape(rec, deviceGeneration, locale);
    applyEnergyControlRule(rec, deviceVersion);
}

void setSystemsNumber(ConfigRecord& rec, TableKind kind)
{
    ChannelTable& flow = rec.FlowTable;
    const int sysFlow = flow.systemColumn();

    if (kind == TableKind::Flow) {
        int counter = 0;
        for (int i = 1; i <= 5; ++i) {
            const QString d = flow.designation(i);
            const QString prev = i > 1 ? flow.designation(i - 1) : QString();
            if (d.size() == 3) {
                const QString prevNumber = flow.systemNumber(i - 1);
                if (prev.size() <= 2 && i % 2 == 0 && !prevNumber.isEmpty()) {
                    // Single pipe before its heat pipe: the heat system gets the lower number.
                    ++counter;
                    flow.setCell(i, sysFlow, prevNumber);
                    flow.setCell(i - 1, sysFlow, num(counter));
                    if (prev == kElec)
                        rec.ElecSystemNumber = counter;
                } else if (prev.size() >= 2 && prev.at(0) == d.at(0) && prev.at(1) == d.at(1)) {
                    flow.setCell(i, sysFlow, flow.systemNumber(i - 1));
                } else {
                    flow.setCell(i, sysFlow, num(++counter));
                }
            } else if (!d.isEmpty()) {
                flow.setCell(i, sysFlow, num(++counter));
                if (d == kElec) {
                    rec.HasElecSystem = true;
                    rec.ElecSystemNumber = counter;
                }
            } else {
                flow.setCell(i, sysFlow, QString());
            }
        }
        return;
    }

    if (kind == TableKind::Thermo) {
        ChannelTable& thermo = rec.ThermoTable;
        const int sys = thermo.systemColumn();
        for (int i = 1; i <= thermo.channelRows(); ++i) {
            const QString d = thermo.designation(i);
            if (d.isEmpty()) {
                thermo.setCell(i, sys, QString());
                continue;
            }
            if (d == kTu) {
                if (!typed(thermo, i)) {
                    // An absent cold-water thermometer belongs to no system.
                    thermo.setCell(i, sys, QString());
                    continue;
                }
                const int R = flow.channelRows();
                const QString rd = flow.designation(R);
                std::optional<int> n;
                if (rd.size() == 2 && rd.at(1) == QLatin1Char('n')) {
                    n = numberOf(flow, R);
                    if (n)
                        flow.setCell(R, sysFlow, num(*n + 1));
                } else if (!rd.isEmpty()) {
                    if (auto r = numberOf(flow, R))
                        n = *r + 1;
                } else if (auto above = numberOf(flow, R - 1)) {
                    n = *above + 1;
                }
                if (!n) {
                    // Neither the last flow row nor the one above it has a number:
                    // take the next number no flow row uses.
                    int top = rec.HasElecSystem ? rec.ElecSystemNumber : 0;
                    for (int r = 1; r <= flow.channelRows(); ++r)
                        top = std::max(top, numberOf(flow, r).value_or(0));
                    n = top + 1;
                }
                thermo.setCell(i, sys, num(*n));
            }
            if (d.size() >= 2) {
                for (int r = flow.channelRows(); r >= 1; --r) {
                    const QString& fd = flow.designation(r);
                    if (fd.size() >= 2 && fd.at(1) == d.at(1)) {
                        thermo.setCell(i, sys, flow.systemNumber(r));
                        break;
                    }
                }
            }
        }
        return;
    }

    ChannelTable& press = rec.PressureTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const int sys = press.systemColumn();
    for (int i = 1; i <= press.channelRows(); ++i) {
        const QString d = press.designation(i);
        if (d.isEmpty()) {
            press.setCell(i, sys, QString());
            continue;
        }
        if (d.size() < 2)
            continue;
        const QString wanted = QStringLiteral("t") + d.at(1);
        for (int r = thermo.channelRows(); r >= 1; --r) {
            if (thermo.designation(r).left(2) == wanted) {
                press.setCell(i, sys, thermo.systemNumber(r));
                break;
            }
        }
    }
}

void numberSystems(ConfigRecord& rec)
{
    rec.HasElecSystem = false;
    rec.ElecSystemNumber = 0;
    setSystemsNumber(rec, TableKind::Flow);
    setSystemsNumber(rec, TableKind::Thermo);
    setSystemsNumber(rec, TableKind::Pressure);
}

bool getSystemUse(const ConfigRecord& rec, int n)
{
    if (rec.HasElecSystem && rec.ElecSystemNumber == n)
        return true;
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const bool flowTyped = anyRowOf(flow, n, [&](int r) { return typed(flow, r); });
    const bool thermoUntyped = anyRowOf(thermo, n, [&](int r) { return !typed(thermo, r); });
    if (flowTyped && !thermoUntyped)
        return true;
    return anyRowOf(thermo, n, [&](int r) { return typed(thermo, r); });
}

bool getSystemElec(const ConfigRecord& rec, int n)
{
    const std::optional<int> hv = HardwareVariant(rec);
    if (!hv)
        return false;
    if (*hv >= 3)
        return anyRowOf(rec.FlowTable, n,
                        [&](int r) { return rec.FlowTable.designation(r) == kElec; });
    return rec.HasElecSystem && rec.ElecSystemNumber == n;
}

bool getSystemEen(const ConfigRecord&, int) { return false; }

bool getSystemGen(const ConfigRecord& rec, int n)
{
    return anyRowOf(rec.FlowTable, n, [&](int r) {
        return rec.FlowTable.cell(r, FlowCol::Archive) == QStringLiteral("Объём");
    });
}

bool getSystemMen(const ConfigRecord& rec, int n)
{
    return anyRowOf(rec.FlowTable, n, [&](int r) {
        return rec.FlowTable.cell(r, FlowCol::Archive) == QStringLiteral("Масса");
    });
}

bool getSystemOutE(const ConfigRecord& rec, int n)
{
    const int scheme = 10 * schemeDigitValue(rec.firstDigit(), true) +
                       schemeDigitValue(rec.secondDigit(), true);
    return n == 1 && rec.adapterType == AdapterKind::ModBus && scheme != 60;
}

bool getSystemPen(const ConfigRecord& rec, int n)
{
    return anyRowOf(rec.PressureTable, n, [&](int r) { return typed(rec.PressureTable, r); });
}

bool getSystemTen(const ConfigRecord& rec, int n)
{
    return anyRowOf(rec.ThermoTable, n, [&](int r) { return typed(rec.ThermoTable, r); });
}

std::array<std::uint8_t, 6> setInitArray(const ConfigRecord& rec)
{
    std::array<std::uint8_t, 6> codes{};
    std::size_t pos = 0;
    auto put = [&](std::initializer_list<std::uint8_t> list) {
        for (std::uint8_t c : list)
            if (pos < codes.size())
                codes[pos++] = c;
    };
    for (QChar digit : {rec.firstDigit(), rec.secondDigit()}) {
        switch (schemeDigitValue(digit, true)) {
        case 1:
        case 2:
        case 5:
            put({0xB3});
            break;
        case 3:
        case 4:
            put({0xB3, 0x84});
            break;
        case 6:
            put({0x84, 0x84});
            break;
        case 7:
            put({0x84, 0xC0});
            break;
        case 8:
        case 10: // "b"
            put({0x93, 0x93});
            break;
        case 9:
            put({0x93, 0x84});
            break;
        default:
            break;
        }
    }
    return codes;
}

} // namespace vyn
