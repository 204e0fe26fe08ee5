#include "editor/shaperules.h"
#include "editorfixture.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

bool channelCellsEmpty(const ChannelTable& t)
{
    for (int r = 1; r <= t.channelRows(); ++r)
        for (int c = 1; c < t.columnCount(); ++c)
            if (!t.cell(r, c).isEmpty())
                return false;
    return true;
}

} // namespace

TEST(ShapeChanges, TypeFrom04To02HidesPressuresAndClearsTheTables)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "15", 1, "12342678");
    rec.PITVYN = true;
    rec.EnergyControl = true;
    rec.FlowTable.setCell(1, FlowCol::Type, QStringLiteral("HOTM"));
    rec.ThermoTable.setCell(1, ThermoCol::Type, QStringLiteral("KPAIR"));
    rec.PressureTable.setCell(1, PressureCol::Type, QStringLiteral("SENS"));
    ASSERT_TRUE(editorView(rec, fx.ctx).pressurePanelVisible);

    const EditorView v = changeType(rec, QStringLiteral("02"), fx.ctx);
    EXPECT_FALSE(v.pressurePanelVisible);
    EXPECT_EQ(v.secondDigits, (QStringList{QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("7")}));
    EXPECT_EQ(rec.CXEMA, QStringLiteral("10")); // 5 is not offered for "02"
    EXPECT_EQ(rec.FlowTable.channelRows(), 4);
    EXPECT_TRUE(channelCellsEmpty(rec.FlowTable));
    EXPECT_TRUE(channelCellsEmpty(rec.PressureTable));
    // Only the designations' default contract pressures are left in the thermometers.
    EXPECT_EQ(rec.ThermoTable.cell(1, ThermoCol::Type), QString());
    EXPECT_FALSE(rec.PITVYN);
    EXPECT_FALSE(rec.EnergyControl);
}

TEST(ShapeChanges, ListsAndPanelsFollowTypeAndDigits)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "13");
    EditorView v = changeType(rec, QStringLiteral("05"), fx.ctx);
    EXPECT_EQ(rec.CXEMA, QStringLiteral("66"));
    EXPECT_FALSE(v.firstDigitEnabled);
    EXPECT_FALSE(v.secondDigitEnabled);
    EXPECT_EQ(rec.FlowTable.channelRows(), 5);

    v = changeType(rec, QStringLiteral("01"), fx.ctx);
    EXPECT_TRUE(v.firstDigitEnabled);
    EXPECT_FALSE(v.secondDigitEnabled);
    EXPECT_EQ(rec.CXEMA, QStringLiteral("60"));
    EXPECT_EQ(rec.FlowTable.channelRows(), 4);

    v = changeType(rec, QStringLiteral("03"), fx.ctx);
    EXPECT_TRUE(v.secondDigitEnabled);
    v = changeFirstDigit(rec, QLatin1Char('3'), fx.ctx);
    EXPECT_EQ(v.secondDigits.first(), QStringLiteral("0"));
    EXPECT_EQ(v.secondDigits.at(1), QStringLiteral("3"));
    v = changeSecondDigit(rec, QLatin1Char('5'), fx.ctx);
    EXPECT_TRUE(v.energyControlEnabled); // DeviceVersion 4
    rec.EnergyControl = true;
    // The second digit stays while still offered, else the first entry.
    changeFirstDigit(rec, QLatin1Char('4'), fx.ctx);
    EXPECT_EQ(rec.CXEMA, QStringLiteral("45"));
    EXPECT_TRUE(rec.EnergyControl);
    v = changeFirstDigit(rec, QLatin1Char('6'), fx.ctx);
    EXPECT_EQ(rec.CXEMA, QStringLiteral("60"));
    EXPECT_FALSE(v.energyControlEnabled);
    EXPECT_FALSE(rec.EnergyControl);

    fx.ctx.deviceVersion = 3;
    changeFirstDigit(rec, QLatin1Char('5'), fx.ctx);
    EXPECT_FALSE(editorView(rec, fx.ctx).energyControlEnabled);
    EXPECT_TRUE(editorView(rec, fx.ctx).adapterKindVisible);
}

TEST(ShapeChanges, DigitSevenShowsTheTariffEditorFilledFromHistory)
{
    EditorFixture fx;
    std::array<DaySchedule, 3> last{};
    last[WorkDays][0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    last[Saturdays][1] = {QStringLiteral("09:30"), QStringLiteral("C3")};
    ASSERT_TRUE(fx.history->storeDaySchedules(last));

    ConfigRecord rec = shaped("04", "10");
    const EditorView v = changeSecondDigit(rec, QLatin1Char('7'), fx.ctx);
    EXPECT_EQ(v.tariffPanel, TariffPanel::DayGrids);
    EXPECT_EQ(rec.FlowTable.designation(4), QStringLiteral("C"));
    EXPECT_EQ(rec.daySchedules, last);
    EXPECT_EQ(changeSecondDigit(rec, QLatin1Char('6'), fx.ctx).tariffPanel, TariffPanel::None);

    fx.ctx.deviceGeneration = 0;
    ConfigRecord old = shaped("03", "10", 0);
    EXPECT_EQ(changeSecondDigit(old, QLatin1Char('7'), fx.ctx).tariffPanel, TariffPanel::List);
}

TEST(ShapeChanges, ClearTableKeepsOnlyTheDesignations)
{
    ConfigRecord rec = shaped("04", "17");
    numberSystems(rec);
    rec.FlowTable.setCell(4, FlowCol::Type, QStringLiteral("METER1"));
    rec.ThermoTable.setCell(1, ThermoCol::Type, QStringLiteral("KPAIR"));
    clearTable(rec, TableKind::Flow);
    EXPECT_TRUE(channelCellsEmpty(rec.FlowTable));
    EXPECT_EQ(rec.FlowTable.designation(4), QStringLiteral("C"));
    EXPECT_EQ(rec.ThermoTable.cell(1, ThermoCol::Type), QStringLiteral("KPAIR"));
}
