#pragma once
// The instrument catalogue as the editor and the documents read it. Sections
// "FlowMeter", "Elect", "TypeTerm", "PressureConst" and "Pressure" list the
// types; a section per type (and per type "|" diameter, type "|" diameter "|"
// nominal flow) holds the dependent lists and limits. A missing file or section
// gives empty lists and the stated defaults.

#include "editor/catalogueinifile.h"
#include "model/rowcodec.h"

#include <QString>
#include <QStringList>

namespace vyn {

class InstrumentCatalogue final : public ElectricityMeterCatalogue
{
public:
    InstrumentCatalogue() = default;
    explicit InstrumentCatalogue(const QString& path, NumberLocale locale = NumberLocale());

    const CatalogueIniFile& file() const { return m_file; }
    const NumberLocale& locale() const { return m_locale; }

    // Count, Variant0 .. Variant{Count-1}.
    QStringList entries(const QString& section) const;
    // Variant_Count, Variant_0 .. ; missing entries take the fallback text.
    QStringList underscoreEntries(const QString& section, const QString& fallback = QString()) const;

    // Flow meter types for a heat pipe (3-character designation) or a water pipe.
    QStringList flowMeterTypes(bool heatPipe) const;
    // "Электросчетчик" and the catalogue's electricity meters.
    QStringList electricityMeterTypes() const;
    bool isElectricityMeter(const QString& type) const override;
    bool suitsHeatPipe(const QString& type) const;
    bool suitsWaterPipe(const QString& type) const;
    bool supportsMains(const QString& type) const;
    bool supportsBattery(const QString& type) const;

    // Limits of a type "|" diameter "|" nominal flow section.
    double flowMin(const QString& section) const;  // Fmin, 0 when missing
    double flowMax(const QString& section) const;  // Fmax, 0 when missing
    double pipeTMin(const QString& section) const; // Tmin, 5 when missing
    double pipeTMax(const QString& section) const; // Tmax, 90 when missing

    QStringList thermometerTypes() const;
    // Number of dependent columns (R0, W, class, immersion length) of a type.
    int thermometerListCount(const QString& type) const;
    // Name of the list of a thermometer column 2..5.
    QString thermometerListName(const QString& type, int column) const;
    // The entries of that list.
    QStringList thermometerList(const QString& type, int column) const;
    double thermometerTMax(const QString& type) const; // 200 when missing
    bool komplekt(const QString& type) const;          // sold as a matched pair

    // Contract pressures and sensor upper limits, converted from kgf/cm² to MPa.
    QStringList contractPressures() const;
    QStringList pressureSensorTypes() const;
    QStringList pressureUpperLimits(const QString& sensorType) const;

    // The kgf/cm² text shown in MPa with one decimal ("6" gives "0,6"); a text
    // that is not a number stays as it is.
    QString kgfToMpaText(const QString& kgf) const;

    // Free texts of a section for the documents: "Interval", "Symbol", "Errors",
    // "ErrorClass"; empty when missing.
    QString text(const QString& section, const QString& key) const;

private:
    CatalogueIniFile m_file;
    NumberLocale m_locale;
};

} // namespace vyn
