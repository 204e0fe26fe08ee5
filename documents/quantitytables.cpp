// The passport's measured-quantity tables: the measured parameters with their
// ranges and errors (ApplicTable1) and the explanation of every quantity
// (ApplicPart1). The scheme digits choose rows of fixed symbol and text tables;
// the channel tables decide which of them appear.

#include "documenthelpers.h"
#include "tvynreport.h"

#include <optional>
#include <vector>

namespace vyn {

using namespace docs;

namespace {

constexpr int kMeasuredRows = 20;
const QString kMass = QStringLiteral("Масса");

// Symbols and texts are written for the first system; the second system's rows
// are the same with its number and single-pipe letters (%1 number, %2 and %3 the
// letters: 1, o, b or 2, c, d).
struct System
{
    QString k, a, b;
};
const System kSystems[2] = {{QStringLiteral("1"), QStringLiteral("o"), QStringLiteral("b")},
                            {QStringLiteral("2"), QStringLiteral("c"), QStringLiteral("d")}};

QString forSystem(const char* text, const System& s)
{
    return QString::fromUtf8(text)
        .replace(QStringLiteral("%1"), s.k)
        .replace(QStringLiteral("%2"), s.a)
        .replace(QStringLiteral("%3"), s.b);
}

// Scheme index: digits 1..9 are rows 0..8, "A" row 9, "b" row 10; -1 for none.
int schemeRow(QChar digit)
{
    if (digit >= QLatin1Char('1') && digit <= QLatin1Char('9'))
        return digit.unicode() - '1';
    if (digit == QLatin1Char('A'))
        return 9;
    if (digit == QLatin1Char('b'))
        return 10;
    return -1;
}

// Symbol rows by scheme index. "A" is a second-system choice only, and "b"
// lists the quantities its texts explain.
const char* const kSymbolRows[11] = {
    "Q%1/ V%1/ V%1\\ dV%1 G%1/ G%1\\ dG%1 t%1/ t%1\\ dt%1 P%1/ P%1\\",
    "Q%1\\ V%1/ V%1\\ dV%1 G%1/ G%1\\ dG%1 t%1/ t%1\\ dt%1 P%1/ P%1\\",
    "Q%1/ V%1/ G%1/ t%1/ t%1\\ dt%1 P%1/ P%1\\ V%3",
    "Q%1\\ V%1\\ G%1\\ t%1/ t%1\\ dt%1 P%1/ P%1\\ V%2",
    "Q%1/ Q%1\\ dQ%1 V%1/ V%1\\ dV%1 G%1/ G%1\\ dG%1 t%1/ t%1\\ dt%1 P%1/ P%1\\",
    "V%2 V%3",
    "",
    "Q%2 V%2 G%2 t%2 P%2 Q%3 V%3 G%3 t%3 P%3",
    "Q%2 V%2 G%2 t%2 P%2 V%3",
    "Q%2 V%2 G%2 t%2 P%2 V%3",
    "Q%2 V%2 G%2 t%2 P%2 Q%3 V%3 G%3 t%3 P%3",
};

// Explanation texts; lines are separated by a carriage return.
const char* const kHeatSupply =
    "Q%1/ - потребленное колличество теплоты в подающем трубопроводе;\r"
    "    Q%1/ = G%1/ * ( h(t%1/) - h(t%1\\)), где:\r"
    "        • G%1/ - масса теплоносителя в под. трубопроводе;\r"
    "        • h(t%1/),h(t%1\\) - энтальпия теплоносителя в под. и обр. трубопроводе.";
const char* const kHeatReturn =
    "Q%1\\ - потребленное количество теплоты в обратном трубопроводе;\r"
    "    Q%1\\ = G%1\\ * ( h(t%1/) - h(t%1\\)), где:\r"
    "        • G%1\\ - масса теплоносителя в обр. трубопроводе;\r"
    "        • h(t%1/),h(t%1\\) - энтальпия теплоносителя в под. и обр. трубопроводе.";
const char* const kHeatColdSource =
    "Q%1/ - количество теплоты в подающем трубопроводе относительно холодного источника;\r"
    "    Q%1/ = G%1/ * ( h(t%1/) - h(tх)), где:\r"
    "        • G%1/ - масса теплоносителя в под. трубопроводе;\r"
    "        • h(t%1/),h(tх) - энтальпия теплоносителя в под. трубопроводе и воды холодного "
    "источника;\r"
    "Q%1\\ - количество теплоты в обратном трубопроводе относительно холодного источника;\r"
    "    Q%1\\ = G%1\\ * ( h(t%1\\) - h(tх)), где:\r"
    "        • G%1\\ - масса теплоносителя в обр. трубопроводе;\r"
    "dQ%1 - потребленное количество теплоты:\r"
    "    dQ%1 = Q%1/ - Q%1\\.";
const char* const kVolumes =
    "V%1/ - объем теплоносителя в подающем трубопроводе;\r"
    "V%1\\ - объем теплоносителя в обратном трубопроводе;\r"
    "dV%1 - разность объемов теплоносителя в под. и обр. трубопроводе:\r"
    "    dV%1 = V%1/ - V%1\\.";
const char* const kMasses =
    "G%1/ - масса теплоносителя в подающем трубопроводе;\r"
    "G%1\\ - масса теплоносителя в обратном трубопроводе;\r"
    "dG%1 - разность масс теплоносителя в под. и обр. трубопроводе:\r"
    "    dG%1 = G%1/ - G%1\\.";
const char* const kSupplyVolume = "V%1/ - объем теплоносителя в подающем трубопроводе;";
const char* const kSupplyMass = "G%1/ - масса теплоносителя в подающем трубопроводе;";
const char* const kReturnVolume = "V%1\\ - объем теплоносителя в обратном трубопроводе;";
const char* const kReturnMass = "G%1\\ - масса теплоносителя в обратном трубопроводе;";
const char* const kTemperatures =
    "t%1/ - температура теплоносителя в подающем трубопроводе;\r"
    "t%1\\ - температура теплоносителя в обратном трубопроводе;\r"
    "dt%1 - разность температур теплоносителя в под. и обр. трубопроводе:\r"
    "    dt%1 = t%1/ - t%1\\.";
const char* const kPressures =
    "P%1/ - избыточное давление теплоносителя в подающем трубопроводе;\r"
    "P%1\\ - избыточное давление теплоносителя в обратном трубопроводе.";
const char* const kWaterA = "V%2 - воды на нужды горячего или холодного водоснабжения;";
const char* const kWaterB = "V%3 - воды на нужды горячего или холодного водоснабжения;";
// A single pipe with a thermometer (letter %4), its heat relative to the cold source.
const char* const kPipeHeat =
    "Q%4 - количество теплоты относительно холодного источника;\r"
    "    Q%4 = G%4 * ( h(t%4) - h(tх)), где:\r"
    "        • G%4 - масса теплоносителя;\r"
    "        • h(t%4),h(tх) - энтальпия теплоносителя и воды холодного источника.";
const char* const kPipeVolume = "V%4 - объем теплоносителя;";
const char* const kPipeMass = "G%4 - масса теплоносителя;";
const char* const kPipeTemperature = "t%4 - температура теплоносителя;";
const char* const kPipePressure = "P%4 - избыточное давление теплоносителя;";
const char* const kTotalHeat =
    "Qd - суммарное количество теплоты:\r"
    "    Qd = Qo - Qb + Qc.";

QString pipeText(const char* text, const System& s, const QString& letter)
{
    return forSystem(text, s).replace(QStringLiteral("%4"), letter);
}

// The texts of a pipe with a thermometer: heat, volume, mass, temperature, pressure.
QStringList pipeTexts(const System& s, const QString& letter, bool heat = true)
{
    QStringList out;
    if (heat)
        out << pipeText(kPipeHeat, s, letter);
    out << pipeText(kPipeVolume, s, letter) << pipeText(kPipeMass, s, letter)
        << pipeText(kPipeTemperature, s, letter) << pipeText(kPipePressure, s, letter);
    return out;
}

QStringList descriptionRow(int index, int system)
{
    const System& s = kSystems[system];
    const auto t = [&s](const char* text) { return forSystem(text, s); };
    switch (index) {
    case 0:
        return {t(kHeatSupply), t(kVolumes), t(kMasses), t(kTemperatures), t(kPressures)};
    case 1:
        return {t(kHeatReturn), t(kVolumes), t(kMasses), t(kTemperatures), t(kPressures)};
    case 2:
        return {t(kHeatSupply), t(kSupplyVolume), t(kSupplyMass), t(kTemperatures), t(kPressures),
                t(kWaterB)};
    case 3:
        return {t(kHeatReturn), t(kReturnVolume), t(kReturnMass), t(kTemperatures), t(kPressures),
                t(kWaterA)};
    case 4:
        return {t(kHeatColdSource), t(kVolumes), t(kMasses), t(kTemperatures), t(kPressures)};
    case 5:
        return {t(kWaterA), t(kWaterB)};
    case 7:
        return pipeTexts(s, s.a) + pipeTexts(s, s.b);
    case 8:
    case 9:
        return pipeTexts(s, s.a) << t(kWaterB);
    case 10:
        return pipeTexts(s, s.a) << QString::fromUtf8(kTotalHeat) << pipeTexts(s, s.b, false);
    default:
        return {};
    }
}

// The key of an explanation text: its first word.
QString textKey(const QString& text)
{
    return text.section(QLatin1Char(' '), 0, 0);
}

QStringList extraTexts()
{
    return {QStringLiteral("Vn - воды на нужды горячего или холодного водоснабжения;"),
            QStringLiteral("tu - свободный канал температуры;"),
            QStringLiteral("C1 - потребленная электроэнергия по тарифу 1;\r"
                           "C2 - потребленная электроэнергия по тарифу 2;\r"
                           "C3 - потребленная электроэнергия по тарифу 3.")};
}

const QStringList kExtraSymbols{QStringLiteral("Vn"), QStringLiteral("tu"),
                                QStringLiteral("C1,C2,C3")};

// The grid a symbol or key names and the designation it looks for there.
struct GridTarget
{
    const ChannelTable* table = nullptr;
    QString designation;
};

GridTarget gridOf(const ConfigRecord& rec, const QString& symbol)
{
    if (symbol.isEmpty())
        return {};
    const QChar first = symbol.at(0);
    if (first == QLatin1Char('V'))
        return {&rec.FlowTable, symbol};
    if (first == QLatin1Char('G') || first == QLatin1Char('Q'))
        return {&rec.FlowTable, QLatin1Char('V') + symbol.mid(1)};
    if (first == QLatin1Char('C'))
        return {&rec.FlowTable, QStringLiteral("C")};
    if (first == QLatin1Char('t'))
        return {&rec.ThermoTable, symbol};
    if (first == QLatin1Char('P'))
        return {&rec.PressureTable, symbol};
    return {};
}

// Rows of the grid whose designation is the one looked for and whose type is filled.
std::vector<int> matchingRows(const GridTarget& g)
{
    std::vector<int> rows;
    if (!g.table)
        return rows;
    for (int r = 1; r <= g.table->channelRows(); ++r)
        if (g.table->designation(r) == g.designation && !g.table->cell(r, 1).isEmpty())
            rows.push_back(r);
    return rows;
}

// The scheme rows that take part: first system, then the second one (when there
// is one) and the extra channels.
struct SchemeRows
{
    int first = -1;
    int second = -1;
    bool hasSecond() const { return second >= 0; }
};

SchemeRows schemeRows(const ConfigRecord& rec)
{
    SchemeRows s;
    const int first = schemeRow(rec.firstDigit());
    // "A" and "b" are second-system choices only.
    s.first = first >= 0 && first <= 8 ? first : -1;
    s.second = schemeRow(rec.secondDigit());
    return s;
}

QString plusToPlusMinus(QString value)
{
    if (value.startsWith(QLatin1Char('+')))
        value.replace(0, 1, QStringLiteral("±"));
    return value;
}

// A catalogue error value; asked for when the catalogue has none for a filled type.
QString errorValue(const DocumentInputs& in, const QString& type, const QString& key,
                   const QString& prompt, const QString& fallback)
{
    QString value = in.catalogue.text(type, key);
    if (value.isEmpty() && !type.isEmpty()) {
        const std::optional<QString> answer =
            in.dialogs.askText(prompt + type, QStringLiteral("Внимение!"), fallback);
        value = answer ? *answer : fallback;
    }
    return value;
}

// One collected symbol with the grid row its values come from (none for the
// placeholder of a temperature difference without a temperature before it).
struct Entry
{
    QString symbol;
    int row = 0;
};

struct MeasuredRow
{
    QString PName, PDU, Pogr, PMin, PMax, PSignal;
};

QString pressureLimit(const QString& cell, const DocumentInputs& in)
{
    if (in.deviceVersion >= 5)
        return cell;
    const std::optional<double> mpa = cellNumber(cell, in.locale);
    if (!mpa)
        return cell;
    return cell + QStringLiteral("(%1 кгс/см2)").arg(kgfText(*mpa, in.locale));
}

bool classA(const QString& klass)
{
    return klass == QLatin1String("A");
}

MeasuredRow measuredRow(const Entry& e, const Entry* previous, const DocumentInputs& in)
{
    MeasuredRow m;
    if (e.symbol.isEmpty())
        return m;
    const ConfigRecord& rec = in.record;
    const bool v5 = in.deviceVersion >= 5;
    m.PName = e.symbol;
    const QChar first = e.symbol.at(0);
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const ChannelTable& pressure = rec.PressureTable;
    if (first == QLatin1Char('C')) {
        m.Pogr = errorValue(in, flow.cell(e.row, FlowCol::Type), QStringLiteral("ErrorClass"),
                            QStringLiteral("Введите значение погрешности для счетчика Ватт-часов "),
                            QStringLiteral("класс 1"));
        m.PMax = flow.cell(e.row, FlowCol::Fmax);
        m.PSignal = flow.cell(e.row, FlowCol::Fimp);
    } else if (first == QLatin1Char('V') || first == QLatin1Char('G')) {
        m.PDU = flow.cell(e.row, FlowCol::Du);
        m.Pogr = plusToPlusMinus(
            errorValue(in, flow.cell(e.row, FlowCol::Type), QStringLiteral("Errors"),
                       QStringLiteral("Введите значение погрешности для расходомера "),
                       QStringLiteral("±2%")));
        m.PMin = in.settings.minFlowControl
                     ? flow.cell(e.row, FlowCol::Fmin)
                     : in.locale.formatFixed(0, 2) + QStringLiteral(" м3/ч");
        m.PMax = flow.cell(e.row, FlowCol::Fmax);
        m.PSignal = flow.cell(e.row, FlowCol::Fimp) +
                    (flow.cell(e.row, FlowCol::Source) == QStringLiteral("Сетевой")
                         ? QStringLiteral(" , сет.")
                         : QStringLiteral(" , авт."));
    } else if (first == QLatin1Char('P')) {
        m.Pogr = plusToPlusMinus(
            errorValue(in, pressure.cell(e.row, PressureCol::Type), QStringLiteral("ErrorClass"),
                       QStringLiteral("Введите класс точнисти ИПД "), QStringLiteral("0,5")));
        m.PMin = pressureLimit(pressure.cell(e.row, PressureCol::PMin), in);
        m.PMax = pressureLimit(pressure.cell(e.row, PressureCol::PMax), in);
    } else if (first == QLatin1Char('Q')) {
        const QString look = QLatin1Char('t') + e.symbol.mid(1);
        QString klass;
        for (int r = 1; r <= thermo.channelRows(); ++r)
            if (thermo.designation(r) == look)
                klass = thermo.cell(r, ThermoCol::Klass);
        if (classA(klass))
            m.Pogr = v5 ? QStringLiteral("класс 1") : QStringLiteral("класс С");
        else
            m.Pogr = v5 ? QStringLiteral("класс 2") : QStringLiteral("класс B");
    } else if (e.symbol.startsWith(QLatin1String("dt"))) {
        const bool a = previous && classA(thermo.cell(previous->row, ThermoCol::Klass));
        m.Pogr = a ? QStringLiteral("±(0,06+0,005*dt)") : QStringLiteral("±(0,11+0,006*dt)");
    } else if (first == QLatin1Char('t')) {
        if (classA(thermo.cell(e.row, ThermoCol::Klass)))
            m.Pogr = QStringLiteral("±(0,4+0,002*t)");
        else
            m.Pogr = v5 ? QStringLiteral("±(0,6+0,004*t)") : QStringLiteral("±(0,5+0,005*t)");
        m.PMin = thermo.cell(e.row, ThermoCol::TMin);
        m.PMax = thermo.cell(e.row, ThermoCol::TMax);
        m.PSignal = thermo.cell(e.row, ThermoCol::R0) + QStringLiteral(", W=") +
                    thermo.cell(e.row, ThermoCol::W);
    }
    return m;
}

void collect(const ConfigRecord& rec, const QStringList& symbols, std::vector<Entry>& out)
{
    for (const QString& symbol : symbols) {
        if (symbol.startsWith(QLatin1Char('d'))) {
            if (symbol.size() < 2 || symbol.at(1) != QLatin1Char('t'))
                continue; // dV, dG and dQ are not measured
            if (out.empty()) {
                out.push_back({});
                continue;
            }
            const Entry& last = out.back();
            if (last.symbol.startsWith(symbol.mid(1, 2)))
                out.push_back({symbol, last.row});
            continue;
        }
        const GridTarget g = gridOf(rec, symbol);
        const std::vector<int> rows = matchingRows(g);
        if (rows.empty())
            continue;
        const QChar first = symbol.at(0);
        // A mass-archived meter is listed under its mass symbol; where the row
        // has no such symbol (single pipes), the volume symbol stands for it.
        const QString massSymbol = QLatin1Char('G') + symbol.mid(1);
        const bool massListed = symbols.contains(massSymbol);
        // The values come from the last matching row.
        const int valueRow = rows.back();
        for (int r : rows) {
            const bool mass = g.table == &rec.FlowTable &&
                              rec.FlowTable.cell(r, FlowCol::Archive) == kMass;
            if (first == QLatin1Char('V') && mass) {
                if (!massListed)
                    out.push_back({massSymbol, valueRow});
                continue;
            }
            if (first == QLatin1Char('G') && !mass)
                continue;
            out.push_back({symbol, valueRow});
        }
    }
}

} // namespace

void TVynReport::FillMeasuredParameters(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const SchemeRows s = schemeRows(rec);
    std::vector<Entry> entries;
    const auto symbolsOf = [](int row, int system) {
        return row < 0 ? QStringList()
                       : forSystem(kSymbolRows[row], kSystems[system])
                             .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    };
    collect(rec, symbolsOf(s.first, 0), entries);
    if (s.hasSecond()) {
        collect(rec, symbolsOf(s.second, 1), entries);
        collect(rec, kExtraSymbols, entries);
    }
    for (int code = 0; code < kMeasuredRows; ++code) {
        DocumentValues values{{QStringLiteral("PCode"), code}};
        if (code < static_cast<int>(entries.size())) {
            const Entry* previous = code > 0 ? &entries[code - 1] : nullptr;
            const MeasuredRow m = measuredRow(entries[code], previous, in);
            values << qMakePair(QStringLiteral("PName"), QVariant(m.PName))
                   << qMakePair(QStringLiteral("PDU"), QVariant(m.PDU))
                   << qMakePair(QStringLiteral("Pogr"), QVariant(m.Pogr))
                   << qMakePair(QStringLiteral("PMin"), QVariant(m.PMin))
                   << qMakePair(QStringLiteral("PMax"), QVariant(m.PMax))
                   << qMakePair(QStringLiteral("PSignal"), QVariant(m.PSignal));
        }
        db.append(QStringLiteral("ApplicTable1"), values);
    }
}

void TVynReport::FillQuantityDescriptions(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const SchemeRows s = schemeRows(rec);
    int code = 1;
    const auto emitTexts = [&](const QStringList& texts) {
        std::vector<bool> used(static_cast<std::size_t>(texts.size()), false);
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (texts[i].isEmpty() || used[static_cast<std::size_t>(i)])
                continue;
            const QString key = textKey(texts[i]);
            const QChar first = key.isEmpty() ? QChar() : key.at(0);
            const bool known = first == QLatin1Char('V') || first == QLatin1Char('Q') ||
                               first == QLatin1Char('C') || first == QLatin1Char('t') ||
                               first == QLatin1Char('P');
            if (!known)
                continue;
            const GridTarget g = gridOf(rec, key);
            // The mass text of the same quantity, if the row has one.
            qsizetype massText = -1;
            if (first == QLatin1Char('V'))
                for (qsizetype j = 0; j < texts.size() && massText < 0; ++j)
                    if (textKey(texts[j]) == QLatin1Char('G') + key.mid(1))
                        massText = j;
            for (int r : matchingRows(g)) {
                QString text = texts[i];
                if (massText >= 0 && rec.FlowTable.cell(r, FlowCol::Archive) == kMass) {
                    text = texts[massText];
                    used[static_cast<std::size_t>(massText)] = true;
                }
                db.append(QStringLiteral("ApplicPart1"),
                          {{QStringLiteral("PCode"), code++}, {QStringLiteral("PName"), text}});
            }
        }
    };
    if (s.first >= 0)
        emitTexts(descriptionRow(s.first, 0));
    if (s.hasSecond()) {
        emitTexts(descriptionRow(s.second, 1));
        emitTexts(extraTexts());
    }
}

} // namespace vyn
