// The passport's measured parameters (ApplicTable1) and quantity explanations
// (ApplicPart1).

#include "documentfixture.h"

namespace vyn::test {
namespace {

class QuantityTest : public DocumentTest
{
protected:
    QuantityTest()
    {
        setCatalogue("[ВЭПС-ТИ]\nErrors=+2%\n[КРТ-5]\nErrorClass=0,25\n[СЭТ-4ТМ]\nErrorClass=класс 0,5\n");
    }
    void fill(const ConfigRecord& rec)
    {
        db.CreatePassportTables();
        const DocumentInputs in = inputs(rec);
        report.FillQuantityDescriptions(db, in);
        report.FillMeasuredParameters(db, in);
    }
    QStringList names()
    {
        QStringList out = column("ApplicTable1", "PName");
        while (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    }
    QString cell(const QString& symbol, const char* col)
    {
        const QStringList v = where("ApplicTable1", "PName", symbol, col);
        return v.isEmpty() ? QStringLiteral("<none>") : v.first();
    }
    QStringList keys()
    {
        QStringList out;
        for (const QString& t : column("ApplicPart1", "PName"))
            out << t.section(QLatin1Char(' '), 0, 0);
        return out;
    }
    // Scheme 10 of a type-04 calculator: both flow meters, thermometers and pressure sensors.
    ConfigRecord heatSystem(const QString& archiveSupply = QStringLiteral("Объём"))
    {
        ConfigRecord rec = shapedRecord("04", "10");
        flowMeter(rec, 1, archiveSupply);
        flowMeter(rec, 2);
        thermometer(rec, 1);
        thermometer(rec, 2);
        pressureSensor(rec, 1);
        pressureSensor(rec, 2);
        // A row the extra channels would name: not listed without a second system.
        rec.ThermoTable.setCell(3, 0, QStringLiteral("tu"));
        thermometer(rec, 3);
        return rec;
    }
};

TEST_F(QuantityTest, HeatSystemWithoutSecondSystem)
{
    fill(heatSystem());
    EXPECT_EQ(names(), (QStringList{"Q1/", "V1/", "V1\\", "t1/", "t1\\", "dt1", "P1/", "P1\\"}));
    EXPECT_EQ(column("ApplicTable1", "PCode").size(), 20);
    EXPECT_EQ(column("ApplicTable1", "PCode").last(), "19");
    EXPECT_EQ(keys(), (QStringList{"Q1/", "V1/", "t1/", "P1/"}));
    const QStringList texts = column("ApplicPart1", "PName");
    EXPECT_EQ(texts.first(),
              "Q1/ - потребленное колличество теплоты в подающем трубопроводе;\r"
              "    Q1/ = G1/ * ( h(t1/) - h(t1\\)), где:\r"
              "        • G1/ - масса теплоносителя в под. трубопроводе;\r"
              "        • h(t1/),h(t1\\) - энтальпия теплоносителя в под. и обр. трубопроводе.");
    EXPECT_EQ(column("ApplicPart1", "PCode"), (QStringList{"1", "2", "3", "4"}));

    // Flow columns; minimum-flow control off shows zero whatever Fmin holds.
    EXPECT_EQ(cell("V1/", "PDU"), "50 мм");
    EXPECT_EQ(cell("V1/", "Pogr"), "±2%");
    EXPECT_EQ(cell("V1/", "PMin"), "0,00 м3/ч");
    EXPECT_EQ(cell("V1/", "PMax"), "36 м3/ч");
    EXPECT_EQ(cell("V1/", "PSignal"), "10 л/имп , сет.");
    EXPECT_EQ(cell("t1/", "PMin"), "0 °С");
    EXPECT_EQ(cell("t1/", "PMax"), "150 °С");
    EXPECT_EQ(cell("t1/", "PSignal"), "100 Ом, W=1,391");
    EXPECT_EQ(cell("P1/", "Pogr"), "0,25");
    EXPECT_EQ(cell("P1/", "PMin"), "0 МПа(0,00 кгс/см2)");
    EXPECT_EQ(cell("P1/", "PMax"), "1,6 МПа(16,32 кгс/см2)");
    EXPECT_TRUE(dialogs.shown.isEmpty());

    settings.minFlowControl = true;
    deviceVersion = 5;
    fill(heatSystem());
    EXPECT_EQ(cell("V1/", "PMin"), "0,36 м3/ч");
    EXPECT_EQ(cell("P1/", "PMax"), "1,6 МПа");
}

TEST_F(QuantityTest, MassArchiveListsTheMassSymbolAndText)
{
    fill(heatSystem(QStringLiteral("Масса")));
    EXPECT_EQ(names(), (QStringList{"Q1/", "V1\\", "G1/", "t1/", "t1\\", "dt1", "P1/", "P1\\"}));
    EXPECT_EQ(keys(), (QStringList{"Q1/", "G1/", "t1/", "P1/"}));
    EXPECT_EQ(cell("G1/", "PDU"), "50 мм");
}

TEST_F(QuantityTest, ClassTextsByDeviceVersion)
{
    struct Case
    {
        const char* klass;
        int version;
        const char* t;
        const char* q;
        const char* dt;
    } cases[] = {
        {"A", 5, "±(0,4+0,002*t)", "класс 1", "±(0,06+0,005*dt)"},
        {"B", 3, "±(0,5+0,005*t)", "класс B", "±(0,11+0,006*dt)"},
        {"A", 4, "±(0,4+0,002*t)", "класс С", "±(0,06+0,005*dt)"},
        {"B", 5, "±(0,6+0,004*t)", "класс 2", "±(0,11+0,006*dt)"},
    };
    for (const Case& c : cases) {
        deviceVersion = c.version;
        ConfigRecord rec = heatSystem();
        rec.ThermoTable.setCell(1, ThermoCol::Klass, QString::fromLatin1(c.klass));
        rec.ThermoTable.setCell(2, ThermoCol::Klass, QString::fromLatin1(c.klass));
        fill(rec);
        const std::string where = std::string(c.klass) + " v" + std::to_string(c.version);
        EXPECT_EQ(cell("t1/", "Pogr"), QString::fromUtf8(c.t)) << where;
        EXPECT_EQ(cell("Q1/", "Pogr"), QString::fromUtf8(c.q)) << where;
        EXPECT_EQ(cell("dt1", "Pogr"), QString::fromUtf8(c.dt)) << where;
    }
}

TEST_F(QuantityTest, MissingCatalogueValuesAreAskedWithTheirDefaults)
{
    setCatalogue("");
    ConfigRecord rec = shapedRecord("04", "17", 1, "12342678");
    ASSERT_EQ(rec.CXEMA, "17");
    flowMeter(rec, 1);
    thermometer(rec, 1);
    pressureSensor(rec, 1);
    flowMeter(rec, 3, QStringLiteral("Объём"), QStringLiteral("ВСХд-15"));
    setRow(rec.FlowTable, 4,
           {QStringLiteral("C"), QStringLiteral("СЭТ-4ТМ"), {}, {}, QStringLiteral("1000 имп/кВт*ч"),
            {}, QStringLiteral("15 кВт"), {}, QStringLiteral("C1+C2")});
    // Answers in the order asked: V1/ typed with "+", P1/ and the meter cancelled.
    // Scheme 7 of the second system lists no symbols of its own: Vc is not asked for.
    dialogs.texts << QStringLiteral("+1%") << std::nullopt << std::nullopt;
    fill(rec);
    const auto prompts = dialogs.of(FakeDialogs::Kind::AskText);
    ASSERT_EQ(prompts.size(), 3);
    EXPECT_EQ(prompts[0].text, "Введите значение погрешности для расходомера ВЭПС-ТИ");
    EXPECT_EQ(prompts[1].text, "Введите класс точнисти ИПД КРТ-5");
    EXPECT_EQ(prompts[2].text, "Введите значение погрешности для счетчика Ватт-часов СЭТ-4ТМ");
    for (const auto& p : prompts)
        EXPECT_EQ(p.caption, "Внимение!");
    EXPECT_EQ(cell("V1/", "Pogr"), "±1%");
    EXPECT_EQ(cell("P1/", "Pogr"), "0,5");
    EXPECT_EQ(cell("C1,C2,C3", "Pogr"), "класс 1");
    EXPECT_EQ(cell("C1,C2,C3", "PMax"), "15 кВт");
    EXPECT_EQ(cell("C1,C2,C3", "PSignal"), "1000 имп/кВт*ч");
    EXPECT_EQ(keys().last(), "C1");
}

TEST_F(QuantityTest, AtMostTwentyParametersAreShown)
{
    ConfigRecord rec = shapedRecord("04", "55");
    for (int r = 1; r <= 5; ++r)
        flowMeter(rec, r);
    for (int r = 1; r <= 4; ++r) {
        thermometer(rec, r);
        pressureSensor(rec, r);
    }
    // A second supply meter on row 5 and an electricity meter and free
    // thermometer on extra rows: 11 + 9 symbols fill the table, the rest is dropped.
    rec.FlowTable.setCell(5, 0, QStringLiteral("V1/"));
    rec.FlowTable.setChannelRows(6);
    setRow(rec.FlowTable, 6, {QStringLiteral("C"), QStringLiteral("СЭТ-4ТМ")});
    rec.ThermoTable.setChannelRows(5);
    rec.ThermoTable.setCell(5, 0, QStringLiteral("tu"));
    thermometer(rec, 5);
    fill(rec);
    const QStringList n = column("ApplicTable1", "PName");
    ASSERT_EQ(n.size(), 20);
    EXPECT_EQ(n.mid(0, 4), (QStringList{"Q1/", "Q1/", "Q1\\", "V1/"}));
    EXPECT_EQ(n.last(), "P2\\");
    EXPECT_FALSE(n.contains("tu"));
    EXPECT_FALSE(n.contains("C1,C2,C3"));
}

TEST_F(QuantityTest, SecondSystemAndExtraChannels)
{
    ConfigRecord rec = shapedRecord("04", "16");
    flowMeter(rec, 1);
    flowMeter(rec, 2);
    flowMeter(rec, 3);
    flowMeter(rec, 4, QStringLiteral("Масса"));
    flowMeter(rec, 5);
    thermometer(rec, 1);
    thermometer(rec, 2);
    ASSERT_EQ(rec.FlowTable.designation(5), "Vn");
    ASSERT_EQ(rec.ThermoTable.designation(3), "tu");
    thermometer(rec, 3);
    fill(rec);
    // Vd archives mass: it is listed under its mass symbol.
    EXPECT_EQ(names(),
              (QStringList{"Q1/", "V1/", "V1\\", "t1/", "t1\\", "dt1", "Vc", "Gd", "Vn", "tu"}));
    // Its row has no mass text: its own text stays.
    EXPECT_EQ(keys(), (QStringList{"Q1/", "V1/", "t1/", "Vc", "Vd", "Vn", "tu"}));
}

// Mass archives of every kind of pipe: listed under the mass symbol, explained by
// the mass text of the same quantity or else by their own text.
TEST_F(QuantityTest, MassArchivedMetersKeepTheirRowAndTheirOwnQuantitysText)
{
    const struct Case
    {
        const char* scheme;
        QStringList flows; // designations of flow rows 1..n
        QList<int> mass;   // rows archived as mass
        QStringList names;
        QStringList keys;
    } cases[] = {
        {"66", {"Vo", "Vb", "Vc", "Vd", "Vn"}, {2, 3},
         {"Vo", "Gb", "Gc", "Vd", "Vn", "tu"}, {"Vo", "Vb", "Vc", "Vd", "Vn", "tu"}},
        // Vo took the Vb text and Vn the tu text.
        {"66", {"Vo", "Vb", "Vc", "Vd", "Vn"}, {1, 5},
         {"Go", "Vb", "Vc", "Vd", "Gn", "tu"}, {"Vo", "Vb", "Vc", "Vd", "Vn", "tu"}},
        {"11", {"V1/", "V1\\", "V2/", "V2\\", "Vn"}, {3},
         {"Q1/", "V1/", "V1\\", "t1/", "dt1", "Q2/", "V2\\", "G2/", "t2/", "dt2", "Vn"},
         {"Q1/", "V1/", "t1/", "Q2/", "G2/", "t2/", "Vn"}},
        // Scheme 3: the supply mass text follows the heat text's formula.
        {"30", {"V1/", "Vb"}, {1, 2}, {"Q1/", "G1/", "t1/", "dt1", "Gb"},
         {"Q1/", "G1/", "t1/", "Vb"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scheme);
        ConfigRecord rec = shapedRecord("04", c.scheme);
        for (int r = 1; r <= c.flows.size(); ++r) {
            ASSERT_EQ(rec.FlowTable.designation(r), c.flows[r - 1]);
            flowMeter(rec, r, c.mass.contains(r) ? QStringLiteral("Масса") : QStringLiteral("Объём"));
        }
        for (int r = 1; r <= 4; ++r) {
            const QString d = rec.ThermoTable.designation(r);
            if (d == "t1/" || (d == "tu" && c.scheme[1] != '0') || (d == "t2/" && c.scheme[1] == '1'))
                thermometer(rec, r);
        }
        fill(rec);
        EXPECT_EQ(names(), c.names);
        EXPECT_EQ(keys(), c.keys);
        for (const QString& t : column("ApplicPart1", "PName"))
            EXPECT_FALSE(t.startsWith('d')) << t.toStdString(); // no "dG2/ - масса"
    }
    const QStringList texts = column("ApplicPart1", "PName");
    EXPECT_EQ(texts.value(1), "G1/ - масса теплоносителя в подающем трубопроводе;");
}

TEST_F(QuantityTest, FlowChannelsOfOlderFirmwareAreNotListed)
{
    ConfigRecord rec = shapedRecord("04", "10", 0);
    ASSERT_EQ(rec.FlowTable.designation(1), "F1/");
    flowMeter(rec, 1);
    flowMeter(rec, 2);
    thermometer(rec, 1);
    fill(rec);
    EXPECT_EQ(names(), (QStringList{"t1/", "dt1"}));
    EXPECT_EQ(keys(), QStringList{"t1/"});
}

} // namespace
} // namespace vyn::test
