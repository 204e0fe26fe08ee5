#include "v04params.h"

#include "linkerrors.h"
#include "v04parametertable.h"
#include "model/cellinput.h"
#include "model/systems.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace vyn {

namespace {

const QString kTu = QStringLiteral("tu");

class Writer
{
public:
    void add(V04Param id, int slot, QByteArray value, int pause = 0)
    {
        ParameterWrite w;
        w.prefix = v04Prefix(id, slot);
        w.value = std::move(value);
        w.pauseAfterMs = pause;
        m_writes.push_back(std::move(w));
    }
    void addByte(V04Param id, int slot, long long v)
    {
        add(id, slot, bytes({static_cast<std::uint8_t>(v & 0xFF)}));
    }
    void addWord(V04Param id, int slot, long long v)
    {
        add(id, slot, bytes({static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF)}));
    }
    void addSingle(V04Param id, int slot, double v)
    {
        const float f = static_cast<float>(v);
        std::uint32_t u = 0;
        std::memcpy(&u, &f, sizeof u);
        add(id, slot,
            bytes({static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)}));
    }
    static QByteArray bytes(std::initializer_list<std::uint8_t> list)
    {
        QByteArray b;
        for (std::uint8_t c : list)
            b.append(static_cast<char>(c));
        return b;
    }
    std::vector<ParameterWrite> take() { return std::move(m_writes); }

private:
    std::vector<ParameterWrite> m_writes;
};

double numberOr0(const QString& cell, const NumberLocale& locale)
{
    return cellNumber(cell, locale).value_or(0.0);
}

long long integerOrThrow(const QString& text, const QString& what)
{
    const auto v = NumberLocale::toInteger(text);
    if (!v)
        throw EComunicatorExcept(QStringLiteral("\"%1\" не является целым числом (%2)").arg(text, what));
    return *v;
}

std::uint8_t systemsByte(const ConfigRecord& rec, int n)
{
    std::uint8_t b = 0;
    if (getSystemOutE(rec, n))
        b |= 0x20;
    if (getSystemElec(rec, n))
        b |= 0x40;
    if (getSystemPen(rec, n))
        b |= 0x10;
    const bool men = getSystemMen(rec, n);
    if (men)
        b |= 0x08;
    if (getSystemGen(rec, n) && !men)
        b |= 0x04;
    if (getSystemTen(rec, n))
        b |= 0x02;
    if ((b & 0x0A) == 0x0A || (b & 0x06) == 0x06)
        b |= 0x01;
    if (b & 0x7F)
        b |= 0x80;
    return b;
}

std::uint8_t optionsByte(const ConfigRecord& rec, const V04WriteInputs& in)
{
    std::uint8_t b = 0;
    if (rec.manUsingType != ManUsing::None)
        b |= static_cast<std::uint8_t>(static_cast<int>(rec.manUsingType) & 0x03);
    if (rec.archiveMode == ArchiveMode::MonthClear)
        b |= 0x04;
    if (!in.noDaylightSaving)
        b |= 0x08;
    if (rec.LigthSet)
        b |= 0x20;
    if (!rec.tempDiffControl)
        b |= 0x40;
    return b;
}

std::uint8_t flowFlags(const ConfigRecord& rec, int row)
{
    const ChannelTable& f = rec.FlowTable;
    std::uint8_t b = 0;
    if (f.designation(row) == QLatin1String("C"))
        b |= 0x02;
    else if (f.cell(row, FlowCol::Source) == QStringLiteral("Сетевой") && rec.PITVYN)
        b |= 0x01;
    if (!f.cell(row, FlowCol::Type).isEmpty())
        b |= 0x80;
    return b;
}

std::uint8_t thermoFlags(const ConfigRecord& rec, int row, const NumberLocale& locale)
{
    const ChannelTable& t = rec.ThermoTable;
    std::uint8_t b = 0;
    const QString r0 = GetStrOld(t.cell(row, ThermoCol::R0), locale);
    if (r0 == QLatin1String("500"))
        b |= 0x01;
    else if (r0 == QLatin1String("100"))
        b |= 0x02;
    const auto w = cellNumber(t.cell(row, ThermoCol::W), locale);
    if (w && *w == 1.385)
        b |= 0x04;
    if (!t.cell(row, ThermoCol::Type).isEmpty())
        b |= 0x80;
    return b;
}

void addSchedule(Writer& w, V04Param countId, V04Param entryId, const DaySchedule& day)
{
    int count = 0;
    for (const DayEntry& e : day)
        if (!e.time.isEmpty())
            ++count;
    w.addByte(countId, 0, count);
    for (int i = 0; i < 6; ++i) {
        const DayEntry& e = day[static_cast<std::size_t>(i)];
        if (e.time.isEmpty()) {
            w.add(entryId, i, Writer::bytes({0, 0, 0}));
            continue;
        }
        const long long hour = integerOrThrow(e.time.mid(0, 2), QStringLiteral("час тарифа"));
        const long long minute = integerOrThrow(e.time.mid(3, 2), QStringLiteral("минута тарифа"));
        w.add(entryId, i,
              Writer::bytes({static_cast<std::uint8_t>(hour), static_cast<std::uint8_t>(minute),
                             static_cast<std::uint8_t>(getTarifNumberFromString(e.tariff))}));
    }
}

} // namespace

QByteArray ParameterWrite::requestData() const
{
    QByteArray b(reinterpret_cast<const char*>(prefix.data()), static_cast<qsizetype>(prefix.size()));
    b.append(value);
    return b;
}

QByteArray readAltDaysForWrite(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EComunicatorExcept(QStringLiteral("Файл ") + path + QStringLiteral("не может быть открыт"));
    QByteArray b = f.read(62);
    if (f.error() != QFileDevice::NoError)
        throw EComunicatorExcept(QStringLiteral("Файл ") + path + QStringLiteral("не может быть открыт"));
    // A count never claims more entries than the file holds (at most 15 a list):
    // entries a short or damaged file lacks are not sent as days.
    const int size = static_cast<int>(b.size());
    auto clampCount = [&](int index, int listStart) {
        if (index >= size)
            return;
        const int present = std::clamp((size - listStart) / 2, 0, 15);
        b[index] = static_cast<char>(std::min<int>(static_cast<std::uint8_t>(b.at(index)), present));
    };
    clampCount(0, 2);
    clampCount(1, 32);
    b.append(QByteArray(62 - b.size(), '\0'));
    return b;
}

std::uint16_t pressureCode(const QString& cell, int deviceVersion, const NumberLocale& locale)
{
    const auto v = cellNumber(cell, locale);
    if (!v)
        return 0;
    const double scaled = deviceVersion >= 5 ? *v * 10000.0 : *v / 0.0980665 * 100.0;
    return static_cast<std::uint16_t>(static_cast<long long>(std::nearbyint(scaled)) & 0xFFFF);
}

void refuseUnreadableNumbers(const ConfigRecord& rec, const NumberLocale& locale)
{
    if (const std::optional<QString> cell = unreadableNumberCell(rec, locale))
        throw EComunicatorExcept(QStringLiteral("Конфигурация не записана: ") + *cell);
}

std::vector<ParameterWrite> buildV04ParameterWrites(const ConfigRecord& rec, const V04WriteInputs& in)
{
    const NumberLocale& loc = in.locale;
    refuseUnreadableNumbers(rec, loc);
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const ChannelTable& press = rec.PressureTable;
    Writer w;

    using P = V04Param;
    w.addByte(P::ConstantD5, 0, 1);
    w.addByte(P::ConstantC5, 0, 1);
    w.addByte(P::NetworkAddress, 0, rec.networkAddress);
    w.addByte(P::Constant2A13, 0, 2);
    w.addByte(P::Constant2A23, 0, 2);
    const int adapter = rec.adapterType == AdapterKind::ModBus        ? 2
                        : rec.adapterType == AdapterKind::ModBusModem ? 3
                                                                      : 0;
    w.addByte(P::AdapterKind, 0, adapter);
    const int first = schemeDigitValue(rec.firstDigit());
    const int second = QString(rec.secondDigit()).toInt(nullptr, 16);
    w.addByte(P::Scheme, 0, 16 * std::max(first, 0) + second);
    for (int i = 0; i < 6; ++i)
        w.addByte(P::SystemsByte, i, systemsByte(rec, i + 1));
    w.addByte(P::OptionsByte, 0, optionsByte(rec, in));
    w.addSingle(P::OutputPulseWeight, 0, loc.toDouble(rec.OutImpMass).value_or(0.0));
    if (rec.DSTART < 1)
        throw EComunicatorExcept(QStringLiteral("Не выбрано начало отчётного периода"));
    w.addByte(P::ReportDay, 0, rec.DSTART);
    w.addWord(P::Constant4203, 0, 100);
    for (int i = 0; i < 5; ++i)
        w.addByte(P::FlowFlags, i, flowFlags(rec, i + 1));

    // Flow values: rows in order, the extra "n" channel always in slot 4.
    for (auto [id, col] : {std::pair{P::FlowPulseWeight, int(FlowCol::Fimp)},
                           std::pair{P::FlowMinimum, int(FlowCol::Fmin)},
                           std::pair{P::FlowMaximum, int(FlowCol::Fmax)}}) {
        for (int row = 1; row <= 5; ++row) {
            const bool extra = flow.designation(row).mid(1) == QLatin1String("n");
            const int slot = extra ? 4 : row - 1;
            double v = numberOr0(flow.cell(row, col), loc);
            if (col == FlowCol::Fmin && !in.minFlowControl)
                v = 0.0;
            w.addSingle(id, slot, v);
            if (extra)
                break;
        }
    }

    // Thermometers: "tu" waits for slot 3.
    {
        int row = 1;
        for (int slot = 0; slot < 4; ++slot) {
            if (thermo.designation(row) == kTu && slot != 3) {
                w.addByte(P::ThermometerFlags, slot, 0);
                continue;
            }
            w.addByte(P::ThermometerFlags, slot, thermoFlags(rec, row, loc));
            ++row;
        }
    }
    for (auto [id, col] : {std::pair{P::TemperatureMinimum, int(ThermoCol::TMin)},
                           std::pair{P::TemperatureMaximum, int(ThermoCol::TMax)}}) {
        int row = 1;
        for (int slot = 0; slot < 4; ++slot) {
            const QString& cell = thermo.cell(row, col);
            if (cell.isEmpty()) {
                // A thermometer without limits sends 0 and the next one goes on.
                w.addByte(id, slot, 0);
                ++row;
                continue;
            }
            if (thermo.designation(row) == kTu && (col == ThermoCol::TMin || slot != 3)) {
                w.addByte(id, slot, 0);
                continue;
            }
            const long long v = integerOrThrow(GetStrOld(cell, loc), QStringLiteral("предел температуры"));
            w.addByte(id, slot, v);
            ++row;
        }
    }

    for (int i = 0; i < 4; ++i)
        w.addByte(P::PressureSensor, i, press.cell(i + 1, PressureCol::Type).isEmpty() ? 0 : 0x80);
    for (int i = 0; i < 4; ++i)
        w.addWord(P::PressureMinimum, i, pressureCode(press.cell(i + 1, PressureCol::PMin), in.deviceVersion, loc));
    for (int i = 0; i < 4; ++i)
        w.addWord(P::PressureMaximum, i, pressureCode(press.cell(i + 1, PressureCol::PMax), in.deviceVersion, loc));
    for (int i = 0; i < 4; ++i)
        w.addWord(P::ContractPressure, i, pressureCode(thermo.cell(i + 1, ThermoCol::Pressure), in.deviceVersion, loc));

    auto dayMonth = [](const DayMonth& d) {
        return Writer::bytes({static_cast<std::uint8_t>(d.day), static_cast<std::uint8_t>(d.month)});
    };
    w.add(P::HeatingStart, 0, dayMonth(rec.DATEZ));
    w.add(P::SummerStart, 0, dayMonth(rec.DATEL), 250);
    w.addWord(P::ColdSourceHeating, 0, static_cast<long long>(std::nearbyint(loc.toDouble(rec.TXIZ).value_or(0.0) * 100.0)));
    w.addWord(P::ColdSourceSummer, 0, static_cast<long long>(std::nearbyint(loc.toDouble(rec.TXIL).value_or(0.0) * 100.0)));

    const int elec = FindElecLine(rec);
    w.addSingle(P::ElectricityConstant, 0, elec > 0 ? numberOr0(flow.cell(elec, FlowCol::Fimp), loc) : 0.0);
    w.addSingle(P::ElectricityMaximum, 0, elec > 0 ? numberOr0(flow.cell(elec, FlowCol::Fmax), loc) : 0.0);
    w.addByte(P::Constant3636, 0, 0);

    addSchedule(w, P::WorkdayTariffCount, P::WorkdayTariff, rec.daySchedules[WorkDays]);
    addSchedule(w, P::SaturdayTariffCount, P::SaturdayTariff, rec.daySchedules[Saturdays]);
    addSchedule(w, P::SundayTariffCount, P::SundayTariff, rec.daySchedules[Sundays]);

    // Alternative days, in the file's own order.
    const QByteArray alt = in.altDays.isEmpty() ? QByteArray(62, '\0') : in.altDays.leftJustified(62, '\0', true);
    auto at = [&](int i) { return static_cast<std::uint8_t>(alt.at(i)); };
    const int changed = at(0);
    const int holidays = at(1);
    w.addByte(P::ChangedDayCount, 0, changed);
    for (int i = 0; i < 15; ++i) {
        const std::uint8_t day = at(2 + 2 * i);
        const std::uint8_t month = at(3 + 2 * i);
        if (i >= changed) {
            w.add(P::ChangedDay, i, Writer::bytes({0, 0, 0}));
            continue;
        }
        static constexpr std::uint8_t kKind[4] = {1, 3, 2, 0}; // by bits 7..6: 00, 01, 10, 11
        w.add(P::ChangedDay, i,
              Writer::bytes({static_cast<std::uint8_t>(month & 0x3F), day, kKind[month >> 6]}));
    }
    w.addByte(P::HolidayCount, 0, holidays);
    for (int i = 0; i < 15; ++i) {
        const std::uint8_t day = at(32 + 2 * i);
        const std::uint8_t month = at(33 + 2 * i);
        w.add(P::Holiday, i,
              i < holidays ? Writer::bytes({month, day}) : Writer::bytes({0, 0}));
    }

    const QDate today = in.now.date();
    const QTime time = in.now.time();
    w.add(P::Date, 0,
          Writer::bytes({static_cast<std::uint8_t>(today.year() - 2000),
                         static_cast<std::uint8_t>(today.month()), static_cast<std::uint8_t>(today.day())}));
    w.add(P::Time, 0,
          Writer::bytes({static_cast<std::uint8_t>(time.hour()), static_cast<std::uint8_t>(time.minute())}));
    return w.take();
}

} // namespace vyn
