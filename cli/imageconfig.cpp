#include "imageconfig.h"

#include "cliutil.h"

#include "model/devicesession.h"
#include "model/systems.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

namespace {

// Column values by upper-case name.
class Columns
{
public:
    explicit Columns(const QJsonObject& object)
    {
        for (auto it = object.begin(); it != object.end(); ++it)
            m_values.insert(it.key().toUpper(), it.value());
    }
    bool has(const char* name) const { return m_values.contains(QString::fromLatin1(name)); }
    QJsonValue value(const char* name) const { return m_values.value(QString::fromLatin1(name)); }
    QString text(const char* name) const
    {
        const QJsonValue v = value(name);
        return v.isDouble() ? QString::number(v.toDouble()) : v.toString();
    }
    QDate date(const char* name) const
    {
        const QString t = value(name).toString();
        const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
        return dt.isValid() ? dt.date() : QDate::fromString(t, Qt::ISODate);
    }

private:
    QHash<QString, QJsonValue> m_values;
};

void readList(vyn::ConfigRecord& rec, vyn::TableKind kind, int column, const QString& list,
              const vyn::NumberLocale& locale, bool kgfToMpa = false)
{
    const QStringList pieces = list.split(QLatin1Char('|'));
    for (int row = 1; row <= rec.table(kind).channelRows(); ++row) {
        QString piece = pieces.value(row - 1);
        if (kgfToMpa && !piece.isEmpty()) {
            const double v = vyn::ParseDecimal(piece, locale);
            if (v >= 0)
                piece = locale.formatFixed(v * 0.0980665, 3);
        }
        vyn::SetValueGrid(rec, kind, row, piece, column, locale);
    }
}

} // namespace

ImageConfig loadConfigFile(const QString& path, const vyn::NumberLocale& locale)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Не удалось открыть файл конфигурации %1: %2")
                          .arg(path, file.errorString()));
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (!doc.isObject())
        throw Failure(QStringLiteral("Файл конфигурации %1 не является объектом JSON: %2")
                          .arg(path, error.errorString()));
    const Columns c(doc.object());

    ImageConfig out;
    // A missing firmware date counts as the zero date: generation 03.
    out.deviceGeneration = vyn::generationForFirmwareDate(c.date("DEVICESOFTDATA"));
    vyn::ConfigRecord& rec = out.record;
    if (c.has("SNUM"))
        rec.SNUM = c.text("SNUM");
    if (c.has("TYPE_VYN"))
        rec.TYPE_VYN = c.text("TYPE_VYN");
    if (c.has("CXEMA"))
        rec.CXEMA = c.text("CXEMA");
    vyn::applyTypeShape(rec);
    vyn::rebuildShape(rec, out.deviceGeneration, locale);
    if (c.has("DSTART"))
        rec.DSTART = c.value("DSTART").toInt();

    using vyn::TableKind;
    const struct
    {
        const char* name;
        TableKind kind;
        int column;
    } lists[] = {
        {"RASH", TableKind::Flow, vyn::FlowCol::Type},
        {"FIMP", TableKind::Flow, vyn::FlowCol::Fimp},
        {"FMIN", TableKind::Flow, vyn::FlowCol::Fmin},
        {"FMAX", TableKind::Flow, vyn::FlowCol::Fmax},
        {"ISTPITRASX", TableKind::Flow, vyn::FlowCol::Source},
        {"TYPTERM", TableKind::Thermo, vyn::ThermoCol::Type},
        {"R0", TableKind::Thermo, vyn::ThermoCol::R0},
        {"WKL", TableKind::Thermo, vyn::ThermoCol::W},
        {"TMIN", TableKind::Thermo, vyn::ThermoCol::TMin},
        {"TMAX", TableKind::Thermo, vyn::ThermoCol::TMax},
    };
    for (const auto& l : lists)
        if (c.has(l.name))
            readList(rec, l.kind, l.column, c.text(l.name), locale);
    if (c.has("P"))
        readList(rec, TableKind::Thermo, vyn::ThermoCol::Pressure, c.text("P"), locale, true);

    if (c.has("PITVYN"))
        rec.PITVYN = c.value("PITVYN").toBool();
    for (auto [name, target] : {std::pair{"DATEL", &rec.DATEL}, std::pair{"DATEZ", &rec.DATEZ}}) {
        const QDate d = c.date(name);
        if (d.isValid())
            *target = {d.day(), d.month()};
    }
    if (c.has("TXIZ"))
        rec.TXIZ = c.text("TXIZ");
    if (c.has("TXIL"))
        rec.TXIL = c.text("TXIL");

    const int elecRow = vyn::FindElecLine(rec);
    if (elecRow > 0 && out.deviceGeneration == 0) {
        const QString tariffs = c.text("TARIF_ELEC");
        const int n = c.value("NUM_TAR_EL").toInt();
        for (int i = 0; i < n && (i + 1) * 8 <= tariffs.size(); ++i) {
            const auto field = [&](int f) {
                return tariffs.mid(i * 8 + f * 2, 2).trimmed().toInt();
            };
            rec.TariffList.push_back(
                {field(0), field(1), vyn::tariffNames().value(field(2)), field(3)});
        }
    }

    const QStringList adapter = c.text("ADAPTERTYPE").split(QLatin1Char('|'));
    if (adapter.size() > 1)
        rec.networkAddress = adapter.at(1).toInt();
    vyn::numberSystems(rec);
    return out;
}

} // namespace vyntool
