#pragma once
// Records shaped the way the editor shapes them, for the model tests.

#include "model/systems.h"

namespace vyn::test {

inline const NumberLocale kComma(QLatin1Char(','));

// A record shaped for a type and scheme.
inline ConfigRecord shaped(const char* type, const char* scheme, int generation = 1,
                           const char* serial = "12342678")
{
    ConfigRecord rec;
    rec.SNUM = QString::fromLatin1(serial);
    rec.TYPE_VYN = QString::fromLatin1(type);
    rec.CXEMA = QString::fromLatin1(scheme);
    applyTypeShape(rec);
    rebuildShape(rec, generation, kComma);
    return rec;
}

// One column of every channel row.
inline QStringList column(const ChannelTable& t, int col)
{
    QStringList out;
    for (int r = 1; r <= t.channelRows(); ++r)
        out << t.cell(r, col);
    return out;
}

// SetValueGrid with the comma locale.
inline void setCell(ConfigRecord& rec, TableKind kind, int row, int column, const char* text)
{
    SetValueGrid(rec, kind, row, QString::fromUtf8(text), column, kComma);
}

// A heat system with an electricity meter on an older calculator.
inline ConfigRecord olderWithMeter()
{
    ConfigRecord rec = shaped("03", "17", 0);
    const char* flow[4][9] = {
        {"ВЭПС-ТИ", "50", "36", "10", "0,36", "36", "1021", "Сетевой", "Масса"},
        {"ВЭПС-ТИ", "50", "36", "10", "0,36", "36", "1022", "Сетевой", "Масса"},
        {"ВСХд-15", "15", "3", "1", "0,03", "3", "77", "Автономный", "Объём"},
        {"СЭТ-4ТМ", "", "", "1000", "", "15", "0815", "C1+C2", ""},
    };
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 9; ++c)
            setCell(rec, TableKind::Flow, r + 1, c + 1, flow[r][c]);
    const char* thermo[2][8] = {{"КТПТР-01", "100", "1,391", "B", "80", "31", "0", "150"},
                                {"КТПТР-01", "100", "1,391", "B", "80", "32", "0", "150"}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 8; ++c)
            setCell(rec, TableKind::Thermo, r + 1, c + 1, thermo[r][c]);
    // Pressures come back with three decimals.
    setCell(rec, TableKind::Thermo, 1, ThermoCol::Pressure, "0,600");
    setCell(rec, TableKind::Thermo, 2, ThermoCol::Pressure, "0,400");
    rec.PITVYN = true;
    rec.DSTART = 20;
    rec.DATEL = {15, 5};
    rec.DATEZ = {15, 10};
    rec.TXIZ = QStringLiteral("5,5");
    rec.TXIL = QStringLiteral("15,0");
    rec.adapterType = AdapterKind::ModBusModem;
    rec.networkAddress = 240;
    rec.OutImpMass = QStringLiteral("0,1");
    rec.archiveMode = ArchiveMode::GrowTotal;
    rec.tempDiffControl = false;
    rec.LigthSet = true;
    rec.manUsingType = ManUsing::Possibility;
    rec.TariffList = {{0, 0, QStringLiteral("C1"), 0}, {7, 0, QStringLiteral("C2"), 2},
                      {23, 0, QStringLiteral("C1"), 0}};
    return rec;
}

// Pressure sensors and a cold-water thermometer on a newer calculator.
inline ConfigRecord newerWithPressures()
{
    ConfigRecord rec = shaped("04", "14", 1, "12345678");
    for (int r = 1; r <= 5; ++r) {
        setCell(rec, TableKind::Flow, r, FlowCol::Type, "ВСТ");
        setCell(rec, TableKind::Flow, r, FlowCol::Du, "32");
        setCell(rec, TableKind::Flow, r, FlowCol::Archive, "Объём");
    }
    for (int r = 1; r <= 4; ++r) {
        setCell(rec, TableKind::Thermo, r, ThermoCol::Type, "ТСП-Н");
        setCell(rec, TableKind::Thermo, r, ThermoCol::TMin, "-70");
        setCell(rec, TableKind::Pressure, r, PressureCol::Type, "КРТ-9");
        setCell(rec, TableKind::Thermo, r, ThermoCol::Pressure, r % 2 ? "0,600" : "0,400");
        setCell(rec, TableKind::Pressure, r, PressureCol::PMin, "0,000");
        setCell(rec, TableKind::Pressure, r, PressureCol::PMax, "1,600");
        setCell(rec, TableKind::Pressure, r, PressureCol::Serial, "P-1");
    }
    setCell(rec, TableKind::Thermo, 1, ThermoCol::Pressure, "1,200");
    return rec;
}

} // namespace vyn::test
