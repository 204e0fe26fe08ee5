#include "../common/fakedialogs.h"
#include "editor/saverules.h"
#include "editorfixture.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

const QString kTitle = QStringLiteral("Setvyn");
const QString kIncomplete = QStringLiteral(
    "При создании конфигурации остались не введенные поля\n\rВы действительно хотите выйти?");
const QString kMassQuestion = QStringLiteral(
    "В системе имеется расчёт массы без соответствующего датчика температуры. Исправить на расчёт объёма?");

// Every designated cell of a table filled with a plausible value.
void fill(ConfigRecord& rec, TableKind kind)
{
    ChannelTable& t = rec.table(kind);
    for (int r = 1; r <= t.channelRows(); ++r)
        if (!t.designation(r).isEmpty())
            for (int c = 1; c < t.systemColumn(); ++c)
                t.setCell(r, c, QStringLiteral("1"));
}

ConfigRecord complete(const char* type, const char* scheme)
{
    ConfigRecord rec = shaped(type, scheme);
    fill(rec, TableKind::Flow);
    fill(rec, TableKind::Thermo);
    fill(rec, TableKind::Pressure);
    return rec;
}

} // namespace

TEST(PipePairRule, FlowMeterAndThermometerOfAPipeAgree)
{
    ConfigRecord rec = shaped("04", "10");
    rec.FlowTable.setCell(1, FlowCol::Type, QStringLiteral("HOTM"));
    EXPECT_EQ(pipePairFailure(rec), QStringLiteral("Неверно заполнена системаV1/"));
    rec.ThermoTable.setCell(1, ThermoCol::Type, QStringLiteral("KPAIR"));
    EXPECT_EQ(pipePairFailure(rec), std::nullopt);
    rec.ThermoTable.setCell(2, ThermoCol::Type, QStringLiteral("KPAIR"));
    EXPECT_EQ(pipePairFailure(rec), QStringLiteral("Неверно заполнена системаV1\\"));

    FakeDialogs user;
    const SaveCheckResult r = runSaveChecks(rec, EditorOptions{}, user, kTitle);
    EXPECT_EQ(r.outcome, SaveCheck::TablesWrong);
    EXPECT_FALSE(r.blocksCloseBox());
    // The message names the pipe whose pair disagrees.
    EXPECT_EQ(user.messages(), QStringList{QStringLiteral("Неверно заполнены таблицы конфигурации:\n"
                                                          "тип указан только у одного из преобразователей V1\\ и t1\\")});
    EXPECT_EQ(rec.FlowTable.systemNumber(1), QString()); // not numbered

    // Single pipes ("Vo" with "to") are not pairs of this rule.
    ConfigRecord eight = shaped("04", "80");
    eight.FlowTable.setCell(1, FlowCol::Type, QStringLiteral("HOTM"));
    EXPECT_EQ(pipePairFailure(eight), std::nullopt);
}

TEST(PipePairRule, EmptySystemPassesAndTheCompletenessCheckReportsIt)
{
    ConfigRecord rec = shaped("04", "10");
    FakeDialogs user;
    user.answers.enqueue(false);
    const SaveCheckResult r = runSaveChecks(rec, EditorOptions{}, user, kTitle);
    EXPECT_EQ(r.outcome, SaveCheck::IncompleteRefused);
    EXPECT_TRUE(r.blocksCloseBox());
    ASSERT_EQ(user.shown.size(), 1);
    EXPECT_EQ(user.shown[0].text, kIncomplete);
    EXPECT_EQ(user.shown[0].caption, QStringLiteral("Внимание!"));
    EXPECT_FALSE(user.shown[0].defaultYes);
    EXPECT_EQ(rec.FlowTable.systemNumber(1), QStringLiteral("1")); // numbered before the checks

    FakeDialogs yes;
    yes.answers.enqueue(true);
    EXPECT_EQ(runSaveChecks(rec, EditorOptions{}, yes, kTitle).outcome, SaveCheck::Passed);
}

TEST(MassArchiveRule, YesArchivesTheVolumeNoStopsTheSave)
{
    auto massOnVo = [] {
        ConfigRecord rec = complete("04", "80");
        rec.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
        rec.ThermoTable.setCell(1, ThermoCol::Type, QString()); // "to" without type
        return rec;
    };
    ConfigRecord rec = massOnVo();
    FakeDialogs yes;
    yes.answers << true << true;
    const SaveCheckResult r = runSaveChecks(rec, EditorOptions{}, yes, kTitle);
    EXPECT_EQ(yes.of(FakeDialogs::Kind::Ask).at(0).text, kMassQuestion);
    EXPECT_EQ(yes.of(FakeDialogs::Kind::Ask).at(0).caption, kTitle);
    EXPECT_EQ(yes.of(FakeDialogs::Kind::Ask).at(0).messageKind, MessageKind::Warning);
    EXPECT_EQ(rec.FlowTable.cell(1, FlowCol::Archive), QStringLiteral("Объём"));
    EXPECT_EQ(rec.FlowTable.cell(2, FlowCol::Archive), QStringLiteral("1")); // "Vb" is its own system
    // The untyped "to" is a gap: the second question.
    ASSERT_EQ(yes.shown.size(), 2);
    EXPECT_EQ(yes.shown[1].text, kIncomplete);
    EXPECT_EQ(r.outcome, SaveCheck::Passed);

    ConfigRecord stopped = massOnVo();
    FakeDialogs no;
    no.answers.enqueue(false);
    const SaveCheckResult s = runSaveChecks(stopped, EditorOptions{}, no, kTitle);
    EXPECT_EQ(s.outcome, SaveCheck::MassArchiveRefused);
    EXPECT_TRUE(s.blocksCloseBox());
    EXPECT_EQ(no.shown.size(), 1);
    EXPECT_EQ(stopped.FlowTable.cell(1, FlowCol::Archive), QStringLiteral("Масса"));
}

TEST(MassArchiveRule, RepairsBothPipesOfAHeatSystemWithOneQuestion)
{
    ConfigRecord rec = shaped("04", "10");
    rec.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
    rec.FlowTable.setCell(2, FlowCol::Archive, QStringLiteral("Масса"));
    numberSystems(rec);
    FakeDialogs user;
    user.answers.enqueue(true);
    EXPECT_TRUE(applyMassArchiveRule(rec, user, kTitle));
    EXPECT_EQ(user.shown.size(), 1);
    EXPECT_EQ(rec.FlowTable.cell(1, FlowCol::Archive), QStringLiteral("Объём"));
    EXPECT_EQ(rec.FlowTable.cell(2, FlowCol::Archive), QStringLiteral("Объём"));

    // With typed thermometers there is nothing to ask.
    ConfigRecord typed = complete("04", "10");
    typed.FlowTable.setCell(1, FlowCol::Archive, QStringLiteral("Масса"));
    numberSystems(typed);
    FakeDialogs none;
    EXPECT_TRUE(applyMassArchiveRule(typed, none, kTitle));
    EXPECT_TRUE(none.shown.isEmpty());
}

TEST(CompletenessCheck, ElectricityRowNeedsOnlyTypeAndSerial)
{
    ConfigRecord rec = complete("04", "17");
    numberSystems(rec);
    const int c = FindElecLine(rec);
    ASSERT_EQ(c, 4);
    for (int col : {2, 3, 4, 5, 6, 8, 9, 10})
        rec.FlowTable.setCell(c, col, QString());
    EXPECT_FALSE(tableHasGaps(rec, TableKind::Flow));
    rec.FlowTable.setCell(c, FlowCol::Serial, QString());
    EXPECT_TRUE(tableHasGaps(rec, TableKind::Flow));

    // An ordinary row needs every column, its system number included.
    ConfigRecord flow = complete("04", "17");
    numberSystems(flow);
    flow.FlowTable.setCell(3, FlowCol::Fimp, QString());
    EXPECT_TRUE(tableHasGaps(flow, TableKind::Flow));
}

TEST(CompletenessCheck, ColdWaterPressureAndHiddenPressureTableDoNotCount)
{
    ConfigRecord rec = complete("04", "17");
    numberSystems(rec);
    ASSERT_EQ(rec.ThermoTable.designation(3), QStringLiteral("tu"));
    rec.ThermoTable.setCell(3, ThermoCol::Pressure, QString());
    EXPECT_FALSE(recordHasGaps(rec));
    rec.PressureTable.setCell(2, PressureCol::Serial, QString());
    EXPECT_TRUE(recordHasGaps(rec));
    rec.TYPE_VYN = QStringLiteral("03"); // no pressure panel
    EXPECT_FALSE(recordHasGaps(rec));
}

TEST(CompletenessCheck, ANumberThatDoesNotReadIsAGap)
{
    ConfigRecord rec = shaped("04", "10");
    fill(rec, TableKind::Flow);
    numberSystems(rec);
    ASSERT_FALSE(tableHasGaps(rec, TableKind::Flow));
    for (const char* bad : {"abc", "-50", "50.5", "1e308"}) {
        rec.FlowTable.setCell(1, FlowCol::Du, QString::fromLatin1(bad));
        EXPECT_TRUE(tableHasGaps(rec, TableKind::Flow)) << bad;
    }
    rec.FlowTable.setCell(1, FlowCol::Du, QStringLiteral("50,5 мм"));
    EXPECT_FALSE(tableHasGaps(rec, TableKind::Flow));
}

TEST(CompletenessCheck, SettingOffNeverAsks)
{
    ConfigRecord rec = shaped("04", "10");
    FakeDialogs user;
    EditorOptions off;
    off.completenessCheck = false;
    EXPECT_EQ(runSaveChecks(rec, off, user, kTitle).outcome, SaveCheck::Passed);
    EXPECT_TRUE(user.shown.isEmpty());
}
