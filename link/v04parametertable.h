#pragma once
// The parameters a generation-04 calculator takes, in the order of the write:
// the prefix bytes that select each one, how its value is encoded, and a name
// for people. The write builds its requests from this table; the simulator
// names what it received with it. Header only and free of Qt, so that the
// simulator shares it without sharing the program's framing.

#include <array>
#include <cstdint>
#include <optional>

namespace vyn {

enum class V04Encoding
{
    Byte,        // one unsigned byte
    Flags,       // one byte of bits
    Word,        // 16 bits, little-endian
    Single,      // IEEE-754 single, little-endian
    Pressure,    // word: hundredths of kgf/cm² up to version 4, tenths of kPa from 5
    DayMonth,    // day, month
    TariffEntry, // hour, minute, tariff number
    ChangedDay,  // month, day, kind (1 working day, 2 Saturday, 3 Sunday, 0 none)
    Holiday,     // month, day
    Date,        // year - 2000, month, day
    Time,        // hour, minute
};

inline constexpr int v04ValueSize(V04Encoding e)
{
    switch (e) {
    case V04Encoding::Byte:
    case V04Encoding::Flags:
        return 1;
    case V04Encoding::Word:
    case V04Encoding::Pressure:
    case V04Encoding::DayMonth:
    case V04Encoding::Holiday:
    case V04Encoding::Time:
        return 2;
    case V04Encoding::TariffEntry:
    case V04Encoding::ChangedDay:
    case V04Encoding::Date:
        return 3;
    case V04Encoding::Single:
        return 4;
    }
    return 0;
}

struct V04Parameter
{
    std::uint8_t p2;
    std::uint8_t p3; // of the first slot; slot s adds 16 * s
    std::uint8_t t;
    int slots;
    V04Encoding encoding;
    const char* name;
};

// Index into kV04Parameters.
enum class V04Param : int
{
    ConstantD5,
    ConstantC5,
    NetworkAddress,
    Constant2A13,
    Constant2A23,
    AdapterKind,
    Scheme,
    SystemsByte,
    OptionsByte,
    OutputPulseWeight,
    ReportDay,
    Constant4203,
    FlowFlags,
    FlowPulseWeight,
    FlowMinimum,
    FlowMaximum,
    ThermometerFlags,
    TemperatureMinimum,
    TemperatureMaximum,
    PressureSensor,
    PressureMinimum,
    PressureMaximum,
    ContractPressure,
    HeatingStart,
    SummerStart,
    ColdSourceHeating,
    ColdSourceSummer,
    ElectricityConstant,
    ElectricityMaximum,
    Constant3636,
    WorkdayTariffCount,
    WorkdayTariff,
    SaturdayTariffCount,
    SaturdayTariff,
    SundayTariffCount,
    SundayTariff,
    ChangedDayCount,
    ChangedDay,
    HolidayCount,
    Holiday,
    Date,
    Time,
};

inline constexpr std::array<V04Parameter, 42> kV04Parameters{{
    {0x45, 0xD5, 0x40, 1, V04Encoding::Byte, "constant (45 D5)"},
    {0x45, 0xC5, 0x40, 1, V04Encoding::Byte, "constant (45 C5)"},
    {0x2A, 0x03, 0x40, 1, V04Encoding::Byte, "network address"},
    {0x2A, 0x13, 0x68, 1, V04Encoding::Byte, "constant (2A 13)"},
    {0x2A, 0x23, 0x68, 1, V04Encoding::Byte, "constant (2A 23)"},
    {0x2A, 0x33, 0x68, 1, V04Encoding::Byte, "adapter kind"},
    {0x20, 0x00, 0x38, 1, V04Encoding::Flags, "scheme"},
    {0x05, 0x05, 0x88, 6, V04Encoding::Flags, "systems byte"},
    {0x25, 0x00, 0x88, 1, V04Encoding::Flags, "options byte"},
    {0x40, 0x00, 0x10, 1, V04Encoding::Single, "output pulse weight"},
    {0x2E, 0x03, 0x40, 1, V04Encoding::Byte, "report day"},
    {0x42, 0x03, 0x08, 1, V04Encoding::Word, "constant (42 03)"},
    {0x04, 0x04, 0x88, 5, V04Encoding::Flags, "flow channel flags"},
    {0x34, 0x04, 0x10, 5, V04Encoding::Single, "flow pulse weight"},
    {0x54, 0x04, 0x10, 5, V04Encoding::Single, "minimum flow"},
    {0x64, 0x04, 0x10, 5, V04Encoding::Single, "maximum flow"},
    {0x03, 0x03, 0x88, 4, V04Encoding::Flags, "thermometer flags"},
    {0x53, 0x03, 0x40, 4, V04Encoding::Byte, "minimum temperature"},
    {0x63, 0x03, 0x40, 4, V04Encoding::Byte, "maximum temperature"},
    {0x02, 0x02, 0x88, 4, V04Encoding::Flags, "pressure sensor"},
    {0x52, 0x03, 0x08, 4, V04Encoding::Pressure, "minimum pressure"},
    {0x62, 0x03, 0x08, 4, V04Encoding::Pressure, "maximum pressure"},
    {0x32, 0x03, 0x08, 4, V04Encoding::Pressure, "contract pressure"},
    {0x42, 0x13, 0xA8, 1, V04Encoding::DayMonth, "heating period start"},
    {0x42, 0x33, 0xA8, 1, V04Encoding::DayMonth, "summer period start"},
    {0x42, 0x23, 0x08, 1, V04Encoding::Word, "cold-source temperature x100, heating"},
    {0x42, 0x43, 0x08, 1, V04Encoding::Word, "cold-source temperature x100, summer"},
    {0x36, 0x16, 0x10, 1, V04Encoding::Single, "electricity meter constant"},
    {0x36, 0x26, 0x10, 1, V04Encoding::Single, "electricity meter maximum"},
    {0x36, 0x36, 0x68, 1, V04Encoding::Byte, "constant (36 36)"},
    {0x66, 0x06, 0x40, 1, V04Encoding::Byte, "working-day tariff entries"},
    {0x66, 0x16, 0x48, 6, V04Encoding::TariffEntry, "working-day tariff entry"},
    {0x46, 0x06, 0x40, 1, V04Encoding::Byte, "Saturday tariff entries"},
    {0x46, 0x16, 0x48, 6, V04Encoding::TariffEntry, "Saturday tariff entry"},
    {0x56, 0x06, 0x40, 1, V04Encoding::Byte, "Sunday tariff entries"},
    {0x56, 0x16, 0x48, 6, V04Encoding::TariffEntry, "Sunday tariff entry"},
    {0x06, 0x06, 0x40, 1, V04Encoding::Byte, "changed days"},
    {0x06, 0x16, 0x80, 15, V04Encoding::ChangedDay, "changed day"},
    {0x16, 0x06, 0x40, 1, V04Encoding::Byte, "holidays"},
    {0x16, 0x16, 0x60, 15, V04Encoding::Holiday, "holiday"},
    {0x23, 0x10, 0x18, 1, V04Encoding::Date, "date"},
    {0x23, 0x00, 0x58, 1, V04Encoding::Time, "time"},
}};

inline constexpr const V04Parameter& v04Parameter(V04Param id)
{
    return kV04Parameters[static_cast<std::size_t>(id)];
}

// The 7-byte prefix of a parameter write to one slot.
inline constexpr std::array<std::uint8_t, 7> v04Prefix(V04Param id, int slot = 0)
{
    const V04Parameter& p = v04Parameter(id);
    return {0x03, 0x35, p.p2, static_cast<std::uint8_t>(p.p3 + 16 * slot), p.t, 0x00, 0x01};
}

struct V04ParameterSlot
{
    V04Param id;
    int slot;
};

// Which parameter and slot a prefix writes; none for a prefix of no table entry.
inline constexpr std::optional<V04ParameterSlot> findV04Parameter(const std::uint8_t* prefix)
{
    if (prefix[0] != 0x03 || prefix[1] != 0x35 || prefix[5] != 0x00 || prefix[6] != 0x01)
        return std::nullopt;
    for (std::size_t i = 0; i < kV04Parameters.size(); ++i) {
        const V04Parameter& p = kV04Parameters[i];
        if (p.p2 != prefix[2] || p.t != prefix[4])
            continue;
        for (int slot = 0; slot < p.slots; ++slot)
            if (static_cast<std::uint8_t>(p.p3 + 16 * slot) == prefix[3])
                return V04ParameterSlot{static_cast<V04Param>(i), slot};
    }
    return std::nullopt;
}

} // namespace vyn
