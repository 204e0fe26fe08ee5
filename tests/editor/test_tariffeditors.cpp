#include "editor/flowrules.h"
#include "editor/saverules.h"
#include "editor/tariffeditors.h"
#include "editorfixture.h"
#include "model/rowcodec.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

using Choice = TariffListEditor::Choice;

const QDate kToday(2025, 3, 14);

} // namespace

TEST(TariffList, AddingStopsAtNineEntriesAndDeletingEnablesItAgain)
{
    std::vector<TariffEntry> list;
    TariffListEditor editor(list);
    EXPECT_TRUE(editor.canAdd());
    EXPECT_FALSE(editor.canEdit());
    for (int i = 0; i < 9; ++i)
        ASSERT_TRUE(editor.add({i, 0, 0, 0})) << i;
    EXPECT_FALSE(editor.canAdd());
    EXPECT_FALSE(editor.add({10, 0, 0, 0})); // the 10th entry is refused
    EXPECT_EQ(list.size(), 9u);
    EXPECT_TRUE(editor.canEdit());
    ASSERT_TRUE(editor.remove(3));
    EXPECT_TRUE(editor.canAdd());
    // Entries keep the order they were added in.
    EXPECT_EQ(list.at(3).hour, 4);
    ASSERT_TRUE(editor.add({1, 0, 0, 0}));
    EXPECT_EQ(list.back().hour, 1);
    editor.removeAll();
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(editor.canEdit());
    EXPECT_FALSE(editor.remove(0));
}

TEST(TariffList, AStoredListOfTenEntriesLoadsWhole)
{
    ConfigRecord rec = shaped("03", "17", 0);
    rec.FlowTable.setCell(4, FlowCol::Type, QStringLiteral("Электросчетчик"));
    for (int i = 0; i < 10; ++i)
        rec.TariffList.push_back({i, 5 * i, QStringLiteral("C2"), 1});
    const StoredRow row = saveRecord(rec, {0, QDate(2003, 6, 17), kToday, QString()}, kComma).row;

    ConfigRecord back;
    loadRecord(row, back, {0, kToday, nullptr}, kComma);
    ASSERT_EQ(back.TariffList.size(), 10u);
    TariffListEditor editor(back.TariffList);
    EXPECT_FALSE(editor.canAdd());
    EXPECT_EQ(editor.rowTexts(9),
              (QStringList{QStringLiteral("09:45"), QStringLiteral("C2"), QStringLiteral("В рабочие и в субботу")}));
    ASSERT_TRUE(editor.remove(0));
    EXPECT_FALSE(editor.canAdd()); // nine left: still full
}

TEST(TariffList, SelectingLoadsTheListsAndChangeReplacesTheEntry)
{
    std::vector<TariffEntry> list{{7, 30, QStringLiteral(" c2 "), 2}, {23, 0, QStringLiteral("C1"), 0}};
    TariffListEditor editor(list);
    EXPECT_EQ(editor.choiceOf(0), (Choice{7, 30, 1, 2}));
    EXPECT_EQ(editor.choiceOf(5), (Choice{-1, -1, -1, -1}));

    ASSERT_TRUE(editor.change(1, editor.choiceOf(1)));
    EXPECT_EQ(list.at(1), (TariffEntry{23, 0, QStringLiteral("C1"), 0}));
    ASSERT_TRUE(editor.change(1, {6, 15, 2, 1}));
    EXPECT_EQ(list.at(1), (TariffEntry{6, 15, QStringLiteral("C3"), 1}));
    EXPECT_FALSE(editor.change(1, {24, 0, 0, 0}));
    EXPECT_EQ(hourTexts().size(), 24);
    EXPECT_EQ(minuteTexts().last(), QStringLiteral("59"));
}

TEST(DayGrids, PickerResultSetsClearsOrKeepsTheTime)
{
    TimePicker picker;
    picker.show();
    EXPECT_EQ(picker.hours(), QStringLiteral("00"));
    EXPECT_EQ(picker.minutes(), QStringLiteral("00"));
    picker.setHours(QStringLiteral("07"));
    picker.setMinutes(QStringLiteral("30"));
    EXPECT_EQ(picker.result(true, QStringLiteral("05:00")), QStringLiteral("07:30"));
    EXPECT_EQ(picker.result(false, QStringLiteral("05:00")), QStringLiteral("05:00"));
    picker.clear();
    EXPECT_EQ(picker.result(true, QStringLiteral("05:00")), QString());
    picker.setHours(QStringLiteral("08"));
    EXPECT_EQ(picker.result(true, QStringLiteral("05:00")), QString()); // minutes still empty
    picker.show();
    EXPECT_EQ(picker.result(true, QString()), QStringLiteral("00:00"));
}

TEST(DayGrids, ClearedEntryIsNotStoredAndSchedulesGoToTheHistory)
{
    EditorFixture fx;
    ConfigRecord rec = shaped("04", "17");
    DaySchedule& work = rec.daySchedules[WorkDays];
    work[0] = {QStringLiteral("07:00"), QStringLiteral("C2")};
    work[1] = {QStringLiteral("12:00"), QStringLiteral("C3")};
    work[2] = {QStringLiteral("23:00"), QStringLiteral("C1")};
    TimePicker picker;
    picker.show();
    picker.clear();
    work[1].time = picker.result(true, work[1].time);

    const StoredRow row = saveRecord(rec, {1, QDate(2004, 6, 1), kToday, QString()}, kComma).row;
    EXPECT_EQ(row.value(QStringLiteral("WorkDayTime")), QVariant(QStringLiteral("07:00:C2|23:00:C1|")));

    ASSERT_TRUE(rememberDaySchedules(rec, fx.history.get()));
    ConfigRecord next = shaped("04", "10");
    EditorContext ctx = fx.ctx;
    InputHistory reopened = fx.reopenedHistory();
    ctx.history = &reopened;
    fillDaySchedulesFromHistory(next, ctx);
    EXPECT_EQ(next.daySchedules, rec.daySchedules);
    EXPECT_EQ(next.daySchedules[WorkDays][1], (DayEntry{QString(), QStringLiteral("C3")}));
}

TEST(DayGrids, TariffNumberOfATariffText)
{
    const std::pair<const char*, int> cases[] = {{"C1", 1}, {"C2", 2}, {"C3", 3}, {"", 3}, {"c1", 3}, {"С1", 3}};
    for (const auto& [text, number] : cases)
        EXPECT_EQ(getTarifNumberFromString(QString::fromUtf8(text)), number) << text;
}
