// The programming card: every parameter the engineer enters on the calculator's
// own keys, grouped as the calculator's menu groups them, and the instruments.

#include "documenthelpers.h"
#include "tvynreport.h"

#include "model/altdays.h"

#include <QFile>
#include <QMap>

namespace vyn {

using namespace docs;

namespace {

const QString kLF = QStringLiteral("\n");
const QString kCR = QStringLiteral("\r");

QString groupName(const QString& key)
{
    static const QMap<QString, QString> names{
        {QStringLiteral("conF"),
         QStringLiteral("conF - группа параметров, определяющая конфигурацию вычислителя")},
        {QStringLiteral("cF_Arh"), QStringLiteral("cF_Arh - группа общего назначения")},
        {QStringLiteral("FS"), QStringLiteral("FS - группа параметров, определяющая веса импульсов "
                                              "преобразователей расхода")},
        {QStringLiteral("dF-"), QStringLiteral("dF- - группа параметров, определяющая верхний "
                                               "предел измерения расхода")},
        {QStringLiteral("dF_"), QStringLiteral("dF_ - группа параметров, определяющая нижний "
                                               "предел измерения расхода")},
        {QStringLiteral("typeF"),
         QStringLiteral("typeF - группа параметров, описывающая наличие питания подключенных к "
                        "вычислителю преобразователей расхода от сети 220в.")},
        {QStringLiteral("t-"), QStringLiteral("t- - группа параметров, определяющая верхний "
                                              "предел измерения температуры.")},
        {QStringLiteral("t_"), QStringLiteral("t_ - группа параметров, определяющая нижний предел "
                                              "измерения температуры.")},
        {QStringLiteral("ro"),
         QStringLiteral("ro - группа параметров, описывающих номинальное значение сопротивления "
                        "подключенных к вычислителю термопреобразователей")},
        {QStringLiteral("tc"),
         QStringLiteral("tc - группа параметров, описывающих номинальные статические "
                        "характеристики (НСХ) платиновых термопреобразоваетелй подключенных к "
                        "вычислителю")},
        {QStringLiteral("P-"),
         QStringLiteral("P- - группа параметров, описывающая верхние пределы измерения давления "
                        "преобразователей давления, подключенных к вычислителю")},
        {QStringLiteral("P_"),
         QStringLiteral("P_ - группа параметров, описывающая нижние пределы измерения давления "
                        "преобразователей давления, подключенных к вычислителю")},
        {QStringLiteral("Prog_P"), QStringLiteral("Prog_P - группа параметров, определяющих "
                                                  "договорные значения избыточных давлений")},
        {QStringLiteral("coLd"), QStringLiteral("coLd - группа параметров, определяющая "
                                                "параметры холодного источника")},
        {QStringLiteral("nET"), QStringLiteral("nET - группа параметров, определяющая "
                                               "коммуникационные настройки вычислителя")},
        {QStringLiteral("dAt_o"),
         QStringLiteral("dAt_o - параметр, определяющий дату начала отчетного месяца")},
        {QStringLiteral("cF_ind"), QStringLiteral("cF_ind - общие параметры вычислителя")},
        {QStringLiteral("Prog_C"), QStringLiteral("Prog_C - группа параметров, определяющих "
                                                  "характеристики учета электроэнергии")},
        {QStringLiteral("SHEd_A"), QStringLiteral("SHEd_A - группа параметров, определяющих "
                                                  "характеристики учета электроэнергии")},
        {QStringLiteral("SHEd_b"), QStringLiteral("SHEd_b - группа параметров, определяющих "
                                                  "характеристики учета электроэнергии")},
        {QStringLiteral("SHEd_c"), QStringLiteral("SHEd_c - группа параметров, определяющих "
                                                  "характеристики учета электроэнергии")},
        {QStringLiteral("ALt_d"), QStringLiteral("ALt_d - группа параметров, определяющая список "
                                                 "измененных дней")},
        {QStringLiteral("HoL_d"), QStringLiteral("HoL_d - группа параметров, определяющая список "
                                                 "праздничных дней")},
    };
    return names.value(key);
}

// Appends parameter rows to one card table.
struct ParamWriter
{
    DocumentDatabase& db;
    QString table;

    void add(const QString& name, const QString& value, const QString& description,
             const QString& group) const
    {
        db.append(table, {{QStringLiteral("ParamName"), name},
                          {QStringLiteral("ParamValue"), value},
                          {QStringLiteral("GroupName"), groupName(group)},
                          {QStringLiteral("ParamDescr"), description}});
    }
};

// Pressures: kgf/cm² (×10.2, single precision) up to version 4, MPa on version 5.
QString cardPressure(const QString& cell, const DocumentInputs& in)
{
    const double mpa = in.locale.toDouble(TVynReport::FirstWord(cell)).value_or(0.0);
    if (in.deviceVersion >= 5)
        return in.locale.formatFixed(mpa, 2);
    const float kgf = static_cast<float>(mpa) * 10.2f;
    return in.locale.formatFixed(kgf, 2);
}

QString dayMonth(const DayMonth& dm)
{
    return twoDigits(dm.day) + QLatin1Char('.') + twoDigits(dm.month);
}

} // namespace

QStringList TVynReport::BuildHeatQuantityList(const QStringList& designations, QChar s1, QChar s2)
{
    const auto l = [&](int i) { return i < designations.size() ? designations.at(i) : QString(); };
    const auto ends = [](const QString& text, char c) { return text.endsWith(QLatin1Char(c)); };
    const auto oneOf = [](QChar d, const char* digits) {
        for (const char* p = digits; *p; ++p)
            if (d == QLatin1Char(*p))
                return true;
        return false;
    };
    const QString L1 = l(0), L2 = l(1), L3 = l(2), L4 = l(3);
    if (s1 == QLatin1Char('8') && s2 == QLatin1Char('b'))
        return {QStringLiteral("Qo"), QStringLiteral("Qb"), QStringLiteral("Qc"),
                QStringLiteral("Qd")};
    QStringList out;
    if (ends(L1, '/') && oneOf(s1, "135"))
        out << QStringLiteral("Q1/");
    if (ends(L1, '/') && ends(L2, '\\') && s1 == QLatin1Char('5'))
        out << QStringLiteral("Q1");
    if (ends(L2, '\\') && oneOf(s1, "245"))
        out << QStringLiteral("Q1\\");
    if (ends(L1, 'o') && oneOf(s1, "89"))
        out << QStringLiteral("Q1/");
    if (ends(L2, 'b') && s1 == QLatin1Char('8'))
        out << QStringLiteral("Q1/");
    if (oneOf(s2, "13")) {
        if (ends(L3, '/'))
            out << QStringLiteral("Q2/");
    } else if (oneOf(s2, "24")) {
        if (ends(L4, '\\'))
            out << QStringLiteral("Q2\\");
    } else if (s2 == QLatin1Char('5')) {
        if (ends(L3, '/'))
            out << QStringLiteral("Q2/");
        if (ends(L4, '\\'))
            out << QStringLiteral("Q2\\");
        if (ends(L3, '/') && ends(L4, '\\'))
            out << QStringLiteral("Q2");
    } else if (s2 == QLatin1Char('8')) {
        if (ends(L4, '/'))
            out << QStringLiteral("Q2/");
    } else if (s2 == QLatin1Char('9')) {
        if (ends(L3, 'c'))
            out << QStringLiteral("Qc/");
    } else if (s2 == QLatin1Char('A')) {
        if (ends(L3, 'c'))
            out << QStringLiteral("Qc");
    }
    return out;
}

void TVynReport::BuildProgrammingCard(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const bool option = in.settings.serialNumbers;
    firstSchemeText = rec.CXEMA.left(1);
    secondSchemeText = rec.CXEMA.mid(1, 1);
    schemeCode = firstSchemeText + secondSchemeText;

    db.clearCardTables();

    const auto instrument = [&](const QString& name) {
        db.append(QStringLiteral("TListPribor"),
                  {{QStringLiteral("PriborName"), name}, {QStringLiteral("PriborCount"), 1}});
    };
    QString calculator = QStringLiteral("Вычислитель ВИНК-") +
                         in.row.value(QStringLiteral("TYPE_VYN")).toString() +
                         (rec.PITVYN ? QStringLiteral("c") : QStringLiteral(" ")) +
                         QLatin1Char('-') + firstSchemeText + secondSchemeText;
    if (option)
        calculator += QLatin1Char(' ') + rec.SNUM;
    instrument(calculator);
    if (in.refreshEditor)
        in.refreshEditor();

    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const ChannelTable& pressure = rec.PressureTable;
    for (int r = 1; r <= kDocumentGridRows; ++r) {
        if (!rowInUse(flow, r))
            continue;
        QString name = flow.cell(r, FlowCol::Type) + QLatin1Char('-') +
                       GetStrOld(flow.cell(r, FlowCol::Du), in.locale);
        if (option)
            name += QLatin1Char(' ') + flow.cell(r, FlowCol::Serial) + QStringLiteral(" - ") +
                    flow.cell(r, FlowCol::Du);
        instrument(name);
    }
    for (int r = 1; r <= kDocumentGridRows; ++r) {
        if (!rowInUse(thermo, r))
            continue;
        const QString type = thermo.cell(r, ThermoCol::Type);
        QString name = type + QStringLiteral(" - ") + thermo.cell(r, ThermoCol::Length);
        if (option)
            name += QLatin1Char(' ') + thermo.cell(r, ThermoCol::Serial) + QStringLiteral(" - ") +
                    thermo.cell(r, ThermoCol::Length);
        instrument(name);
        if (type.startsWith(QStringLiteral("КТ")))
            ++r;
    }
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(pressure, r))
            instrument(option ? pressure.cell(r, PressureCol::Type) + QLatin1Char(' ') +
                                    pressure.cell(r, PressureCol::Serial)
                              : pressure.cell(r, PressureCol::Type));

    fillCardParameters(db, in);
    if (FindElecLine(rec) > 0)
        fillCardElectricity(db, in);
    fillCardDesignations(db, in);
    db.close();
}

void TVynReport::fillCardParameters(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const ParamWriter w{db, QStringLiteral("TListParam")};
    const bool upTo4 = in.deviceVersion <= 4;

    w.add(QStringLiteral("Cd"), QStringLiteral("VYN-") + firstSchemeText + secondSchemeText,
          QStringLiteral("Код схемы измерения счетчика «ВИНК»"), QStringLiteral("conF"));

    const QString arhSet = in.row.value(QStringLiteral("ArhSet")).toString();
    const qsizetype bar = arhSet.indexOf(QLatin1Char('|'));
    const QString archive = bar < 0 ? arhSet : arhSet.left(bar);
    const QString archiveHead = QStringLiteral("Настройка помесячного архива. ") + kLF;
    if (archive == QLatin1String("monthclear"))
        w.add(QStringLiteral("Ar"), QStringLiteral("noHAP"),
              archiveHead + QStringLiteral("Значание накопленное за месяц"),
              QStringLiteral("cF_Arh"));
    else if (archive == QLatin1String("growtotal"))
        w.add(QStringLiteral("Ar"), QStringLiteral("HAP"),
              archiveHead + QStringLiteral("Значение накопленное на начало отчетного месяца с "
                                           "начала включения комплекса (интегральное значение с "
                                           "начала работы комплекса)."),
              QStringLiteral("cF_Arh"));
    if (bar >= 0) {
        const QString control = arhSet.mid(bar + 1);
        const QString head = QStringLiteral("Настройка контроля разницы температур. ") + kLF;
        if (control == QLatin1String("control"))
            w.add(QStringLiteral("dt"), QStringLiteral("cont"),
                  head + QStringLiteral("Вычислитель производит контроль разницы температур."),
                  QStringLiteral("cF_Arh"));
        else if (control == QLatin1String("nocontrol"))
            w.add(QStringLiteral("dt"), QStringLiteral("nocont"),
                  head + QStringLiteral("Вычислитель не производит контроль разницы температур."),
                  QStringLiteral("cF_Arh"));
    }
    if (in.deviceVersion < 4 || rec.TYPE_VYN == QLatin1String("04")) {
        static const QString uses[] = {
            QStringLiteral(" - давление измеряется и фиксируется в архиве, но при расччете "
                           "количества теплоты и массового расхода всегда используются договорные "
                           "значения. При возникновении нештатной ситуации по давлению запись в "
                           "архивы не прекращается"),
            QStringLiteral(" - при отсутствии нештатной ситуации по давлению измеренное значение "
                           "давления используется при расчете количества теплоты и массового "
                           "расхода. Если же возникает нештатная ситуация по давлению, то в "
                           "указанных расчетах используются договорные значения давления. При "
                           "возникновении нештатной ситуации по давлению запись в архивы не "
                           "прекращается."),
            QStringLiteral(" - При расчете количества теплоты и массового расхода всегда "
                           "используются измеренные значения давления, при возникновении "
                           "нештатной ситуации по давлению запись в архивы прекращается."),
        };
        // A record without a choice reads as the first one, as the editor shows it.
        const int use = std::max(0, static_cast<int>(rec.manUsingType));
        w.add(QStringLiteral("CP"), QString::number(use),
              QStringLiteral("Алгоритм использования давления при расчете массового расхода и "
                             "количества теплоты. ") +
                  kLF + uses[use],
              QStringLiteral("cF_Arh"));
    }

    // Channel passes, one table at a time; the electricity row has none of these.
    const ChannelTable& flow = rec.FlowTable;
    const ChannelTable& thermo = rec.ThermoTable;
    const ChannelTable& pressure = rec.PressureTable;
    const auto flowPass = [&](const auto& value, const QString& description,
                              const char* group) {
        for (int r = 1; r <= kDocumentGridRows; ++r)
            if (rowInUse(flow, r) && flow.designation(r) != QLatin1String("C"))
                w.add(flow.designation(r), value(r), description, QString::fromLatin1(group));
    };
    const auto thermoPass = [&](int column, const QString& description, const char* group) {
        for (int r = 1; r <= kDocumentGridRows; ++r)
            if (rowInUse(thermo, r))
                w.add(thermo.designation(r), FirstWord(thermo.cell(r, column)), description,
                      QString::fromLatin1(group));
    };
    const auto pressurePass = [&](int column, const QString& description, const char* group) {
        for (int r = 1; r <= kDocumentGridRows; ++r)
            if (rowInUse(pressure, r))
                w.add(pressure.designation(r), cardPressure(pressure.cell(r, column), in),
                      description, QString::fromLatin1(group));
    };
    const auto word = [&](int column) {
        return [&flow, column](int r) { return FirstWord(flow.cell(r, column)); };
    };
    flowPass(word(FlowCol::Fimp), QStringLiteral("Вес импульса преобразователя расхода, л/имп."),
             "FS");
    flowPass(word(FlowCol::Fmax), QStringLiteral("Верхний предел измерения расхода. м3/ч"), "dF-");
    flowPass(word(FlowCol::Fmin), QStringLiteral("Нижний предел измерения расхода. м3/ч."), "dF_");
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(flow, r) && flow.designation(r) != QLatin1String("C")) {
            const QString source = flow.cell(r, FlowCol::Source);
            w.add(flow.designation(r),
                  source == QStringLiteral("Автономный") ? QStringLiteral("U---")
                                                         : QStringLiteral("U220"),
                  QStringLiteral("Питание преобразователя расхода.") + kLF +
                      QStringLiteral(" - ") + source,
                  QStringLiteral("typeF"));
        }
    thermoPass(ThermoCol::TMax, QStringLiteral("Верхний предел измерения температуры.°C"), "t-");
    thermoPass(ThermoCol::TMin, QStringLiteral("Нижний предел измерения температуры. °C"), "t_");
    thermoPass(ThermoCol::R0,
               QStringLiteral(
                   "Номинальное значение сопротивления термопреобразователя при 0 °C, Ом."),
               "ro");
    thermoPass(ThermoCol::W, QStringLiteral("НСХ платинового термопреобразователя."), "tc");
    pressurePass(PressureCol::PMax,
                 upTo4 ? QStringLiteral(
                             "Верхний предел измерения преобразователя давления, кгс/см2.")
                       : QStringLiteral("Верхний предел измерения преобразователя давления, МПа."),
                 "P-");
    pressurePass(PressureCol::PMin,
                 upTo4 ? QStringLiteral("Нижний предел измерения преобразователя давления, кгс/см2.")
                       : QStringLiteral("Нижний предел измерения преобразователя давления, МПа."),
                 "P_");
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(thermo, r) && !pressure.designation(r).isEmpty())
            w.add(pressure.designation(r), cardPressure(thermo.cell(r, ThermoCol::Pressure), in),
                  upTo4 ? QStringLiteral("Договорное значение избыточного давления, кгс/см2")
                        : QStringLiteral("Договорное значение избыточного давления, МПа"),
                  QStringLiteral("Prog_P"));

    // The cold source, when the scheme has one (the editor shows its settings then).
    if (rec.ColdSourceFlag) {
        const QString g = QStringLiteral("coLd");
        if (upTo4)
            w.add(QStringLiteral("P"), QStringLiteral("1.0"),
                  QStringLiteral("Абсолютное давление холодного источника, кгс/см2."), g);
        else
            w.add(QStringLiteral("P"), QStringLiteral("0.1013"),
                  QStringLiteral("Абсолютное давление холодного источника, МПа."), g);
        w.add(QStringLiteral("dC"), dayMonth(rec.DATEZ),
              QStringLiteral("Дата начала отопительного сезона в формате день, месяц."), g);
        w.add(QStringLiteral("TC"), rec.TXIZ,
              QStringLiteral("Температура холодного источника в отопительный период, °С."), g);
        w.add(QStringLiteral("dH"), dayMonth(rec.DATEL),
              QStringLiteral("Дата окончания отопительного сезона."), g);
        w.add(QStringLiteral("TH"), rec.TXIL,
              QStringLiteral("Температура холодного источника в летний период, °С."), g);
    }

    const QString net = QStringLiteral("nET");
    w.add(QStringLiteral("Ad"), QString::number(rec.networkAddress),
          QStringLiteral("Сетевой адрес вычислителя (от 1 до 240)"), net);
    w.add(QStringLiteral("Uc"), QStringLiteral("4800"),
          QStringLiteral("Скорость приема/передачи по последовательному каналу (по умолчанию - "
                         "4800)"),
          net);
    w.add(QStringLiteral("Uo"), QStringLiteral("4800"),
          QStringLiteral("Скорость приема/передачи по оптическому каналу (по умолчанию - 4800)"),
          net);
    if (in.deviceVersion < 4 && rec.adapterType != AdapterKind::None) {
        const int kind = static_cast<int>(rec.adapterType);
        static const QString protocols[] = {
            QStringLiteral("Протокол УСП-1 для работы с программой Велар-ЭкспрессII (по "
                           "умолчанию)"),
            QStringLiteral("Протокол ModBus для выделенной линии связи"),
            QStringLiteral("Протокол ModBus с увеличенным интервалом ожидания данных"),
        };
        w.add(QStringLiteral("Mo"), QStringLiteral("nEt%1").arg(kind + 1),
              QStringLiteral("Протокол передачи данных") + kLF + protocols[kind], net);
    }
    w.add(QStringLiteral("do"), QString::number(rec.DSTART),
          QStringLiteral("Дата начала отчетного месяца (от 1 до 28)"), QStringLiteral("dAt_o"));
    const QString ind = QStringLiteral("cF_ind");
    w.add(QStringLiteral("01"), QStringLiteral("oFFLcd"),
          QStringLiteral("Работа ЖКИ при отсутствии нажатий на кнопки прибора более 4-х минут") +
              kCR + QStringLiteral(" oFFLcd - отключение дисплея"),
          ind);
    w.add(QStringLiteral("02"), rec.LigthSet ? QStringLiteral("onbLt") : QStringLiteral("oFFbLt"),
          QStringLiteral("Подсветка ЖКИ") + kCR +
              (rec.LigthSet ? QStringLiteral(" onbLt - подсветка включена")
                            : QStringLiteral(" oFFbLt - подсветка выключена")),
          ind);
    const bool noDst = in.settings.noSeasonTimeChange;
    w.add(QStringLiteral("03"), noDst ? QStringLiteral("offdSt") : QStringLiteral("ondSt"),
          QStringLiteral("Автоматический переход на \"зимнее\" и \"летнее\" время;") + kCR +
              (noDst ? QStringLiteral(" offdSt - переход отключен")
                     : QStringLiteral(" ondSt - переход включен")),
          ind);
    if (in.deviceVersion == 4 || in.deviceVersion == 5)
        w.add(QStringLiteral("04"),
              rec.EnergyControl ? QStringLiteral("EnErGY") : QStringLiteral("oFFEnrG"),
              QStringLiteral("Контроль разницы энергий") + kCR +
                  (rec.EnergyControl ? QStringLiteral(" EnErGY - разница энергий контролируется")
                                     : QStringLiteral(
                                           " oFFEnrG - разница энергий не контролируется")),
              ind);
}

void TVynReport::fillCardElectricity(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const ParamWriter w{db, QStringLiteral("TListElectroParam")};
    const int elec = FindElecLine(rec);
    const QString prog = QStringLiteral("Prog_C");
    w.add(QStringLiteral("dt"), documentDate(in.today),
          QStringLiteral("Дата ввода списка измененных дней ДЕНЬ, МЕСЯЦ,ГОД"), prog);
    w.add(QStringLiteral("C"), FirstWord(rec.FlowTable.cell(elec, FlowCol::Fimp)),
          QStringLiteral("Постоянная электросчетчика (передаточное число), имп/кВт•ч"), prog);
    if (in.deviceVersion < 4)
        w.add(QStringLiteral("C-"), FirstWord(rec.FlowTable.cell(elec, FlowCol::Fmax)),
              QStringLiteral("Договорная разрешенная мощностьб кВт"), prog);

    static const char* const groups[] = {"SHEd_A", "SHEd_b", "SHEd_c"};
    const QString counts[] = {
        QStringLiteral("Количество точек пререключения тарифов в рабочие дни"),
        QStringLiteral("Количество точек пререключения тарифов в субботу"),
        QStringLiteral("Количество точек пререключения тарифов в воскресенье"),
    };
    for (int day = 0; day < 3; ++day) {
        const DaySchedule& schedule = rec.daySchedules[static_cast<std::size_t>(day)];
        const QString group = QString::fromLatin1(groups[day]);
        int n = 0;
        for (const DayEntry& e : schedule)
            if (!e.time.isEmpty())
                ++n;
        w.add(QStringLiteral("No"), QString::number(n), counts[day], group);
        for (int k = 1; k <= n; ++k) {
            const DayEntry& e = schedule[static_cast<std::size_t>(k - 1)];
            w.add(twoDigits(k), e.tariff + QStringLiteral(" - ") + e.time,
                  QStringLiteral("Тариф ") + e.tariff, group);
        }
    }

    // A file that is not a days file (another size, a count above 15) is refused
    // like one that cannot be opened: the card must not list what it is not.
    QFile file(in.settings.altDaysFile);
    QByteArray bytes;
    if (!in.settings.altDaysFile.isEmpty() && file.open(QIODevice::ReadOnly) &&
        file.size() == kAltDaysFileSize)
        bytes = file.read(kAltDaysFileSize);
    if (bytes.size() != kAltDaysFileSize || static_cast<std::uint8_t>(bytes.at(0)) > kAltDaysPerList ||
        static_cast<std::uint8_t>(bytes.at(1)) > kAltDaysPerList) {
        in.dialogs.inform(QStringLiteral("Файл ") + in.settings.altDaysFile +
                              QStringLiteral("не может быть открыт"),
                          QString());
        throw AltDaysFileError(QStringLiteral("Ошибка открытия файла."));
    }
    const auto byte = [&bytes](int i) { return static_cast<std::uint8_t>(bytes.at(i)); };
    const int count1 = byte(0), count2 = byte(1);
    const QString alt = QStringLiteral("ALt_d"), hol = QStringLiteral("HoL_d");
    w.add(QStringLiteral("No"), QString::number(count1),
          QStringLiteral("Количество измененных дней (от 1 до 15)"), alt);
    for (int i = 0; i < kAltDaysPerList && i < count1; ++i) {
        const int at = 2 + 2 * i;
        const int kind = byte(at + 1) >> 6;
        // Pattern 11 is never written; it reads as a working day.
        const QString code = kind == 1   ? QStringLiteral("Sc")
                             : kind == 2 ? QStringLiteral("Sb")
                                         : QStringLiteral("SA");
        const QString word = kind == 1   ? QStringLiteral("воскресным")
                             : kind == 2 ? QStringLiteral("субботним")
                                         : QStringLiteral("рабочим");
        w.add(twoDigits(i + 1),
              code + QLatin1Char('-') + twoDigits(byte(at)) + QLatin1Char('.') +
                  twoDigits(byte(at + 1) & 0x3F),
              QStringLiteral("День считается ") + word, alt);
    }
    w.add(QStringLiteral("No"), QString::number(count2),
          QStringLiteral("Количество праздничных дней (от 1 до 15)"), hol);
    for (int i = 0; i < kAltDaysPerList && i < count2; ++i) {
        const int at = 32 + 2 * i;
        w.add(twoDigits(i + 1),
              twoDigits(byte(at)) + QLatin1Char('.') + twoDigits(byte(at + 1) & 0x3F),
              QStringLiteral("Праздничный день, ДЕНЬ МЕСЯЦ"), hol);
    }
}

void TVynReport::fillCardDesignations(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const auto add = [&db](const QString& name, const QString& value) {
        db.append(QStringLiteral("TParamDescr"), {{QStringLiteral("ParamName"), name},
                                                  {QStringLiteral("ParamValue"), value},
                                                  {QStringLiteral("ParamDescr"), QString()},
                                                  {QStringLiteral("GroupName"), QString()}});
    };
    designationList = QStringList(5, QString());
    designationCount = 0;
    const ChannelTable& flow = rec.FlowTable;
    for (int r = 1; r <= kDocumentGridRows; ++r) {
        if (!rowInUse(flow, r) || flow.designation(r) == QLatin1String("C"))
            continue;
        const QString d = flow.designation(r);
        if (designationCount < designationList.size())
            designationList[designationCount++] = d;
        const bool mass = flow.cell(r, FlowCol::Archive) == QStringLiteral("Масса");
        add(mass ? QLatin1Char('G') + d.mid(1) : d, FirstWord(flow.cell(r, FlowCol::Fimp)));
    }
    const QChar s1 = firstSchemeText.isEmpty() ? QChar() : firstSchemeText.at(0);
    const QChar s2 = secondSchemeText.isEmpty() ? QChar() : secondSchemeText.at(0);
    for (const QString& q : BuildHeatQuantityList(designationList, s1, s2))
        add(q, QString());
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (!rec.ThermoTable.designation(r).isEmpty())
            add(rec.ThermoTable.designation(r), FirstWord(rec.ThermoTable.cell(r, ThermoCol::W)));
    // A pressure sensor shows its upper limit, as the calculator's P- parameter does.
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(rec.PressureTable, r))
            add(rec.PressureTable.designation(r),
                cardPressure(rec.PressureTable.cell(r, PressureCol::PMax), in));
}

} // namespace vyn
