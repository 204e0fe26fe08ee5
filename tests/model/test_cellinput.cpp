#include "model/cellinput.h"
#include "recordfixture.h"

#include <gtest/gtest.h>

using namespace vyn;
using namespace vyn::test;

namespace {

// A heat system with a flow meter on row 1 and its thermometer.
ConfigRecord heatSystem()
{
    ConfigRecord rec = shaped("04", "10");
    setCell(rec, TableKind::Flow, 1, FlowCol::Type, "ВСТ");
    setCell(rec, TableKind::Thermo, 1, ThermoCol::Type, "КТСПР-001");
    return rec;
}

CellInput typed(const ConfigRecord& rec, TableKind kind, int row, int column, const char* text,
                const QStringList& offered = {}, const NumberLocale& locale = kComma)
{
    return checkCellInput(rec, kind, row, column, QString::fromUtf8(text), offered, locale);
}

} // namespace

TEST(CellInput, NumbersTakeEitherSeparatorWithinTheirRange)
{
    const ConfigRecord rec = heatSystem();
    struct Case
    {
        TableKind kind;
        int column;
        const char* text;
        const char* stored; // nullptr: refused
    };
    const Case cases[] = {
        {TableKind::Flow, FlowCol::Du, "50.5", "50,5"},
        {TableKind::Flow, FlowCol::Du, "50,5", "50,5"},
        {TableKind::Flow, FlowCol::Du, "50,5 мм", "50,5"},
        {TableKind::Flow, FlowCol::Du, "abc", nullptr},
        {TableKind::Flow, FlowCol::Du, "-50", nullptr},
        {TableKind::Flow, FlowCol::Du, "1e308", nullptr},
        {TableKind::Flow, FlowCol::Du, "5,0,1", nullptr},
        {TableKind::Flow, FlowCol::Du, "0", nullptr},
        {TableKind::Flow, FlowCol::Fmax, "40.5", "40,5"},
        {TableKind::Flow, FlowCol::Fmin, "0.006", "0,006"},
        {TableKind::Flow, FlowCol::Fmax, "100001", nullptr},
        {TableKind::Thermo, ThermoCol::TMax, "150", "150"},
        {TableKind::Thermo, ThermoCol::TMax, "7.5", nullptr}, // the calculator takes whole degrees
        {TableKind::Thermo, ThermoCol::TMax, "300", nullptr},
        {TableKind::Thermo, ThermoCol::TMin, "-5", nullptr}, // one unsigned byte
        {TableKind::Thermo, ThermoCol::Pressure, "0.6", "0,6"},
        {TableKind::Thermo, ThermoCol::Pressure, "7", nullptr},
        // Text columns take text.
        {TableKind::Flow, FlowCol::Serial, "AB-17", "AB-17"},
        {TableKind::Thermo, ThermoCol::Klass, "B", "B"},
    };
    for (const Case& c : cases) {
        const CellInput in = typed(rec, c.kind, 1, c.column, c.text);
        EXPECT_EQ(in.accepted, c.stored != nullptr) << c.text;
        if (c.stored) {
            EXPECT_EQ(in.text, QString::fromUtf8(c.stored)) << c.text;
        }
    }
    // A point locale gets the point.
    EXPECT_EQ(typed(rec, TableKind::Flow, 1, FlowCol::Du, "50,5", {}, NumberLocale(QLatin1Char('.'))).text,
              QStringLiteral("50.5"));
}

TEST(CellInput, RefusalsNameTheCellAndWhatItTakes)
{
    const ConfigRecord rec = heatSystem();
    EXPECT_EQ(typed(rec, TableKind::Flow, 1, FlowCol::Du, "-50").message,
              QStringLiteral("«Ду» строки V1/: допустимо число от 1 до 3000"));
    EXPECT_EQ(typed(rec, TableKind::Thermo, 1, ThermoCol::TMin, "abc").message,
              QStringLiteral("«t Min» строки t1/: допустимо целое число от 0 до 200"));
    EXPECT_EQ(typed(rec, TableKind::Flow, 1, FlowCol::Serial, "AB|CD").message,
              QStringLiteral("«Сер. номер» строки V1/: символ «|» недопустим"));
    // The electricity row's constant and limit have ranges of their own.
    ConfigRecord elec = shaped("04", "17");
    EXPECT_TRUE(typed(elec, TableKind::Flow, 4, FlowCol::Fimp, "250000").accepted);
    EXPECT_FALSE(typed(rec, TableKind::Flow, 1, FlowCol::Fimp, "250000").accepted);
}

TEST(CellInput, OfferedEntriesGoInAsTheyStand)
{
    const ConfigRecord rec = heatSystem();
    EXPECT_TRUE(typed(rec, TableKind::Flow, 1, FlowCol::Du, "Ду 50", {QStringLiteral("Ду 50")}).accepted);
    EXPECT_FALSE(typed(rec, TableKind::Flow, 1, FlowCol::Du, "Ду 65", {QStringLiteral("Ду 50")}).accepted);
}

TEST(CellInput, TextMustLeaveRoomForTheWholeList)
{
    ConfigRecord rec = shaped("04", "11");
    for (int r = 1; r <= 5; ++r)
        setCell(rec, TableKind::Flow, r, FlowCol::Type, "ВСТ");
    // SERNR holds 50 characters: five separators and the other rows' serials.
    EXPECT_EQ(cellRoom(rec, TableKind::Flow, 1, FlowCol::Serial, kComma), 45);
    for (int r = 2; r <= 5; ++r)
        setCell(rec, TableKind::Flow, r, FlowCol::Serial, "1234567890");
    EXPECT_EQ(cellRoom(rec, TableKind::Flow, 1, FlowCol::Serial, kComma), 5);
    EXPECT_TRUE(typed(rec, TableKind::Flow, 1, FlowCol::Serial, "12345").accepted);
    const CellInput refused = typed(rec, TableKind::Flow, 1, FlowCol::Serial, "123456");
    EXPECT_FALSE(refused.accepted);
    EXPECT_EQ(refused.message, QStringLiteral("«Сер. номер» строки V1/: не более 5 символов"));
    EXPECT_FALSE(typed(rec, TableKind::Thermo, 1, ThermoCol::Serial, std::string(300, '7').c_str()).accepted);
    // Pressures are stored converted: no text room to count.
    EXPECT_EQ(cellRoom(rec, TableKind::Thermo, 1, ThermoCol::Pressure, kComma), -1);
}

TEST(CellInput, TheRecordIsCheckedBeforeSaveAndWrite)
{
    ConfigRecord rec = heatSystem();
    EXPECT_EQ(unstorableCell(rec, kComma), std::nullopt);
    EXPECT_EQ(unreadableNumberCell(rec, kComma), std::nullopt);

    rec.FlowTable.setCell(1, FlowCol::Serial, QString(60, QLatin1Char('9')));
    EXPECT_EQ(unstorableCell(rec, kComma), QStringLiteral("«Сер. номер» строки V1/: не более 45 символов"));
    rec.FlowTable.setCell(1, FlowCol::Serial, QStringLiteral("A|B"));
    EXPECT_EQ(unstorableCell(rec, kComma), QStringLiteral("«Сер. номер» строки V1/: символ «|» недопустим"));

    struct Case
    {
        const char* fmax;
        bool readable;
    };
    for (const Case& c : {Case{"40,5 м3/ч", true}, Case{"40.5", false}, Case{"abc", false}, Case{"1e308", false}}) {
        rec.FlowTable.setCell(1, FlowCol::Fmax, QString::fromUtf8(c.fmax));
        const auto failure = unreadableNumberCell(rec, kComma);
        EXPECT_EQ(!failure.has_value(), c.readable) << c.fmax;
        if (failure) {
            EXPECT_EQ(*failure, QStringLiteral("«Fmax/Лимит» строки V1/: «%1» не является числом")
                                    .arg(QString::fromUtf8(c.fmax)));
        }
    }
    // A row without type is not stored and not sent.
    rec.FlowTable.setCell(1, FlowCol::Type, QString());
    EXPECT_EQ(unreadableNumberCell(rec, kComma), std::nullopt);
}
