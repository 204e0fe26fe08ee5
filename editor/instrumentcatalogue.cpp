#include "editor/instrumentcatalogue.h"

#include "model/configrecord.h"

#include <algorithm>

namespace vyn {

namespace {

// A corrupt count must not turn one list into thousands of file scans.
constexpr int kMaxEntries = 256;

int boundedCount(int count) { return std::clamp(count, 0, kMaxEntries); }

constexpr double kMpaPerKgf = 0.0980665;

} // namespace

InstrumentCatalogue::InstrumentCatalogue(const QString& path, NumberLocale locale)
    : m_file(path, locale), m_locale(locale)
{
}

QStringList InstrumentCatalogue::entries(const QString& section) const
{
    QStringList out;
    const int n = boundedCount(m_file.readInteger(section, QStringLiteral("Count"), 0));
    for (int i = 0; i < n; ++i)
        out << m_file.readString(section, QStringLiteral("Variant") + QString::number(i));
    return out;
}

QStringList InstrumentCatalogue::underscoreEntries(const QString& section,
                                                   const QString& fallback) const
{
    QStringList out;
    const int n = boundedCount(m_file.readInteger(section, QStringLiteral("Variant_Count"), 0));
    for (int i = 0; i < n; ++i)
        out << m_file.readString(section, QStringLiteral("Variant_") + QString::number(i), fallback);
    return out;
}

QStringList InstrumentCatalogue::flowMeterTypes(bool heatPipe) const
{
    QStringList out;
    for (const QString& t : entries(QStringLiteral("FlowMeter")))
        if (!t.isEmpty() && (heatPipe ? suitsHeatPipe(t) : suitsWaterPipe(t)))
            out << t;
    return out;
}

QStringList InstrumentCatalogue::electricityMeterTypes() const
{
    QStringList out{QStringLiteral("Электросчетчик")};
    for (const QString& t : entries(QStringLiteral("Elect")))
        if (!t.isEmpty() && isElectricityMeter(t))
            out << t;
    return out;
}

bool InstrumentCatalogue::isElectricityMeter(const QString& type) const
{
    return m_file.readBool(type, QStringLiteral("IdentifElect"), false);
}

bool InstrumentCatalogue::suitsHeatPipe(const QString& type) const
{
    return m_file.readBool(type, QStringLiteral("ComplectWarmthCount"), false);
}

bool InstrumentCatalogue::suitsWaterPipe(const QString& type) const
{
    return m_file.readBool(type, QStringLiteral("ComplectWaterCount"), false);
}

bool InstrumentCatalogue::supportsMains(const QString& type) const
{
    return m_file.readBool(type, QStringLiteral("Type220V"), false);
}

bool InstrumentCatalogue::supportsBattery(const QString& type) const
{
    return m_file.readBool(type, QStringLiteral("TypeBattery"), false);
}

double InstrumentCatalogue::flowMin(const QString& section) const
{
    return m_file.readFloat(section, QStringLiteral("Fmin"), 0.0);
}

double InstrumentCatalogue::flowMax(const QString& section) const
{
    return m_file.readFloat(section, QStringLiteral("Fmax"), 0.0);
}

double InstrumentCatalogue::pipeTMin(const QString& section) const
{
    return m_file.readFloat(section, QStringLiteral("Tmin"), 5.0);
}

double InstrumentCatalogue::pipeTMax(const QString& section) const
{
    return m_file.readFloat(section, QStringLiteral("Tmax"), 90.0);
}

QStringList InstrumentCatalogue::thermometerTypes() const
{
    return underscoreEntries(QStringLiteral("TypeTerm"));
}

int InstrumentCatalogue::thermometerListCount(const QString& type) const
{
    return std::clamp(m_file.readInteger(type, QStringLiteral("Variant_Count"), 0), 0, 4);
}

QString InstrumentCatalogue::thermometerListName(const QString& type, int column) const
{
    if (column < 2 || column > 5)
        return {};
    return m_file.readString(type, QStringLiteral("Variant_") + QString::number(column - 2));
}

QStringList InstrumentCatalogue::thermometerList(const QString& type, int column) const
{
    const QString name = thermometerListName(type, column);
    if (name.isEmpty())
        return {};
    QStringList out;
    const int n = boundedCount(m_file.readInteger(type, name + QStringLiteral("_Count"), 0));
    for (int i = 0; i < n; ++i)
        out << m_file.readString(type, name + QLatin1Char('_') + QString::number(i));
    return out;
}

double InstrumentCatalogue::thermometerTMax(const QString& type) const
{
    return m_file.readFloat(type, QStringLiteral("Tmax"), 200.0);
}

bool InstrumentCatalogue::komplekt(const QString& type) const
{
    return m_file.readInteger(type, QStringLiteral("Komplekt"), 0) == 1;
}

QString InstrumentCatalogue::kgfToMpaText(const QString& kgf) const
{
    const double v = ParseDecimal(kgf.trimmed(), m_locale);
    if (v < 0)
        return kgf;
    return m_locale.formatFixed(v * kMpaPerKgf, 1);
}

QStringList InstrumentCatalogue::contractPressures() const
{
    QStringList out;
    for (const QString& p : underscoreEntries(QStringLiteral("PressureConst")))
        out << kgfToMpaText(p);
    return out;
}

QStringList InstrumentCatalogue::pressureSensorTypes() const
{
    return underscoreEntries(QStringLiteral("Pressure"), QStringLiteral("xxxx"));
}

QStringList InstrumentCatalogue::pressureUpperLimits(const QString& sensorType) const
{
    QStringList out;
    for (const QString& p : entries(sensorType))
        out << kgfToMpaText(p);
    return out;
}

QString InstrumentCatalogue::text(const QString& section, const QString& key) const
{
    return m_file.readString(section, key);
}

} // namespace vyn
