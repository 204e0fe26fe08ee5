// The passport: settings, completeness and property tables, the device designation.

#include "documenthelpers.h"
#include "tvynreport.h"

namespace vyn {

using namespace docs;

namespace {

const QString kCR = QStringLiteral("\r");

// The cold-source values take part when the scheme has a cold source; the
// pressure-sensor values with the type that has pressure sensors.
bool coldSourceShown(const ConfigRecord& rec)
{
    return rec.ColdSourceFlag;
}
bool pressureGroupShown(const ConfigRecord& rec)
{
    return rec.TYPE_VYN == QLatin1String("04");
}

// Day and month of a season start ("15.10"), as the document says: " дд.мм".
QString seasonStart(const DayMonth& dm)
{
    return twoDigits(dm.day) + QLatin1Char('.') + twoDigits(dm.month);
}

// Settings rows 11 to 15 look at thermometer rows whose designation names a pipe.
bool pipeThermometer(const ConfigRecord& rec, int row)
{
    const QString& d = rec.ThermoTable.designation(row);
    return d.size() >= 2 && d != QLatin1String("tu");
}

QString contractPressure(const ConfigRecord& rec, int row, const DocumentInputs& in)
{
    const QString cell = rec.ThermoTable.cell(row, ThermoCol::Pressure);
    if (in.deviceVersion >= 5)
        return cell;
    const std::optional<double> mpa = cellNumber(cell, in.locale);
    if (!mpa)
        return GetStrOld(cell, in.locale);
    return cell + QStringLiteral(" (%1(кгс/см2))").arg(kgfText(*mpa, in.locale));
}

// Print-for choice and model: the document designation of the passport.
QString passportDesignation(int index)
{
    static const QString names[] = {
        QStringLiteral("ВИНК.408843.001 ПС"), // complex, earlier models
        QStringLiteral("ВИНК.408843.002 ПС"), // calculator, earlier models
        QStringLiteral("ВИНК.408843.005 ПС"), // complex, model 5
        QStringLiteral("ВИНК.408843.006 ПС"), // calculator, model 5
    };
    return names[index];
}

QString withSerial(const QString& type, const QString& serial, bool option)
{
    return option ? type + QLatin1Char(' ') + serial : type;
}

} // namespace

void TVynReport::FillSettings(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const bool cold = coldSourceShown(rec);
    const bool v5 = in.deviceVersion >= 5;
    QString archive;
    if (rec.archiveMode == ArchiveMode::GrowTotal)
        archive = QStringLiteral("нарастающим итогом c") + kCR +
                  QStringLiteral("момента включения прибора");
    else if (rec.archiveMode == ArchiveMode::MonthClear)
        archive = QStringLiteral("с ежемесячной") + kCR + QStringLiteral("очисткой");
    QString manUsing;
    if (pressureGroupShown(rec)) {
        switch (rec.manUsingType) {
        case ManUsing::No:
            manUsing = QStringLiteral("не используется");
            break;
        case ManUsing::Possibility:
            manUsing = QStringLiteral("используется") + kCR + QStringLiteral("по возможности");
            break;
        case ManUsing::Always:
            manUsing = QStringLiteral("используется") + kCR + QStringLiteral("всегда");
            break;
        case ManUsing::None:
            break;
        }
    }
    const bool firstPipe = pipeThermometer(rec, 1);

    QList<QPair<QString, QString>> rows{
        {QStringLiteral("Питание вычислителя"),
         rec.PITVYN ? QStringLiteral("смешанное") : QStringLiteral("автономное")},
        {QStringLiteral("Ресурс элемента питания, не менее"),
         rec.PITVYN ? QStringLiteral("0.5 года") : QStringLiteral("4 лет")},
        {QStringLiteral("Значение в помесячном архиве ") + kCR + QStringLiteral("  "), archive},
        {QStringLiteral("Дата начала отчетного периода"),
         rec.DSTART > 0 ? QString::number(rec.DSTART) : QString()},
        {QStringLiteral("Начало отопительного периода "),
         cold ? seasonStart(rec.DATEZ) + QStringLiteral(" дд.мм") : QString()},
        {QStringLiteral("Температура холодного источника в отопительный период"),
         cold ? rec.TXIZ + QStringLiteral(" °С") : QString()},
        {QStringLiteral("Начало летнего периода"),
         cold ? seasonStart(rec.DATEL) + QStringLiteral(" дд.мм") : QString()},
        {QStringLiteral("Температура холодного источника в летний период"),
         cold ? rec.TXIL + QStringLiteral(" °С") : QString()},
        {QStringLiteral("Контроль разницы температур"),
         rec.tempDiffControl ? QStringLiteral("осуществляется")
                             : QStringLiteral("не осуществляется")},
        {QStringLiteral("Давление холодного источника "),
         !cold ? QString()
         : v5  ? QStringLiteral("0,1013 МПа")
               : QStringLiteral("0,098 МПа(1 кгс/см2)")},
        {QStringLiteral("Алгоритм использования измеренного давления при расчете энергии"),
         manUsing},
        {QStringLiteral("Договорное давление"), firstPipe ? QStringLiteral(" ") : QString()},
    };
    for (int n = 1; n <= 4; ++n) {
        const bool pipe = pipeThermometer(rec, n);
        rows.append({pipe ? QStringLiteral("P") + rec.ThermoTable.designation(n).mid(1) : QString(),
                     firstPipe && pipe ? contractPressure(rec, n, in) : QString()});
    }
    for (int code = 0; code < rows.size(); ++code)
        db.append(QStringLiteral("ApplicTable2"),
                  {{QStringLiteral("PCode"), code},
                   {QStringLiteral("ParName"), rows[code].first},
                   {QStringLiteral("ParValue"), rows[code].second}});
}

void TVynReport::FillCompleteness(DocumentDatabase& db, const DocumentInputs& in)
{
    const ConfigRecord& rec = in.record;
    const bool option = in.settings.serialNumbers;
    int code = 4; // 1 to 3 are the template's own rows
    const auto add = [&](const QString& name, const QString& serial, const QString& type) {
        db.append(QStringLiteral("ApplicTable3"),
                  {{QStringLiteral("PCode"), code++},
                   {QStringLiteral("PName"), withSerial(name, serial, option)},
                   {QStringLiteral("PCol"), 1},
                   {QStringLiteral("ZavNum"), serial},
                   {QStringLiteral("PPov"),
                    in.catalogue.text(GetStrOld(type, in.locale), QStringLiteral("Interval"))}});
    };
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(rec.FlowTable, r))
            add(rec.FlowTable.cell(r, FlowCol::Type), rec.FlowTable.cell(r, FlowCol::Serial),
                rec.FlowTable.cell(r, FlowCol::Type));
    for (int r = 1; r <= kDocumentGridRows; ++r) {
        if (!rowInUse(rec.ThermoTable, r))
            continue;
        const QString type = rec.ThermoTable.cell(r, ThermoCol::Type);
        add(type, rec.ThermoTable.cell(r, ThermoCol::Serial), type);
        if (type.startsWith(QStringLiteral("КТ")))
            ++r; // a matched pair is one item
    }
    // The sensor's serial number is shown too: the list is what the customer checks.
    for (int r = 1; r <= kDocumentGridRows; ++r)
        if (rowInUse(rec.PressureTable, r))
            add(rec.PressureTable.cell(r, PressureCol::Type),
                rec.PressureTable.cell(r, PressureCol::Serial),
                rec.PressureTable.cell(r, PressureCol::Type));
}

QString TVynReport::BuildDeviceDesignation(const QString& name, const QString& scheme,
                                           const DocumentInputs& in) const
{
    const ConfigRecord& rec = in.record;
    const auto bare = [&](const ChannelTable& t, int row, int col) {
        return GetStrOld(t.cell(row, col), in.locale);
    };
    const auto symbol = [&](int row) {
        const QString s =
            in.catalogue.text(bare(rec.FlowTable, row, FlowCol::Type), QStringLiteral("Symbol"));
        return s.isEmpty() ? QStringLiteral("E") : s;
    };
    const auto flowPart = [&](const QString& count, int row) {
        return QLatin1Char('-') + count + symbol(row) + QLatin1Char('(') +
               bare(rec.FlowTable, row, FlowCol::Du) + QLatin1Char(')');
    };

    QString result = name + QLatin1Char('-') + rec.TYPE_VYN +
                     (rec.PITVYN ? QStringLiteral("c") : QString()) + QLatin1Char('-') +
                     scheme.left(2);
    QString thermoParts, flowParts;
    for (int s = 1; s <= 2; ++s) {
        const int supply = 2 * s - 1, other = 2 * s;
        const QString type = rec.ThermoTable.cell(supply, ThermoCol::Type);
        if (type.isEmpty() || !in.catalogue.komplekt(GetStrOld(type, in.locale)))
            continue;
        thermoParts += QStringLiteral("-t") + bare(rec.ThermoTable, supply, ThermoCol::Length);
        const QChar digit = scheme.size() >= s ? scheme.at(s - 1) : QChar();
        if (digit == QLatin1Char('1') || digit == QLatin1Char('2') || digit == QLatin1Char('5')) {
            if (bare(rec.FlowTable, supply, FlowCol::Type) ==
                    bare(rec.FlowTable, other, FlowCol::Type) &&
                bare(rec.FlowTable, supply, FlowCol::Du) == bare(rec.FlowTable, other, FlowCol::Du))
                flowParts += flowPart(QStringLiteral("2"), supply);
        } else if (digit == QLatin1Char('3')) {
            flowParts += flowPart(QStringLiteral("1"), supply);
        } else if (digit == QLatin1Char('4')) {
            flowParts += flowPart(QStringLiteral("1"), other);
        }
    }
    return result + thermoParts + flowParts;
}

void TVynReport::FillPassportProperties(DocumentDatabase& db, const DocumentInputs& in)
{
    deviceName = QStringLiteral("Винк");
    schemeCode = in.record.CXEMA;
    const QString designation = BuildDeviceDesignation(deviceName, schemeCode, in);
    const bool calculator = in.settings.printFor == PrintFor::Calculator;
    const int kind = (calculator ? 1 : 0) + (in.deviceVersion == 5 ? 2 : 0);
    const QDate date = variantDate(in.row.value(QStringLiteral("DATE")));
    db.update(QStringLiteral("ApplicProp"), QStringLiteral("PCode"), 1,
              {{QStringLiteral("VynName"), designation + QStringLiteral(", зав. № ") + in.record.SNUM},
               {QStringLiteral("DateConf"), documentDate(date)},
               {QStringLiteral("RD1"), in.firm.name},
               {QStringLiteral("RD2"), in.firm.address},
               {QStringLiteral("RD3"), in.firm.phone},
               {QStringLiteral("RD4"), in.firm.email},
               {QStringLiteral("TypeVynName"), calculator ? QStringLiteral("вычислителя")
                                                          : QStringLiteral("комплекса измерительного")},
               {QStringLiteral("TypeVynName1"), calculator ? QStringLiteral("Вычислитель")
                                                           : QStringLiteral("Комплекс измерительный")},
               {QStringLiteral("PasspName"), passportDesignation(kind)}});
}

} // namespace vyn
