#pragma once
// The instrument catalogue a command reads the electricity meters from: a
// readable rash.ini, a packed rash.spe, or rash.spe of the program directory.

#include "editor/instrumentcatalogue.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace vyntool {

class CatalogueOption
{
public:
    // path empty: rash.spe of the program directory when it is there, else none.
    // Throws Failure when a named file cannot be read.
    explicit CatalogueOption(const QString& path, const vyn::NumberLocale& locale);

    // None when no catalogue is at hand: then no type counts as an electricity meter.
    const vyn::ElectricityMeterCatalogue* electricityMeters() const;
    // The catalogue read; none when no catalogue is at hand.
    const vyn::InstrumentCatalogue* catalogue() const { return m_catalogue.get(); }

private:
    QTemporaryDir m_dir; // the decoded rash.ini of a packed catalogue
    std::unique_ptr<vyn::InstrumentCatalogue> m_catalogue;
    vyn::NoElectricityMeters m_none;
};

} // namespace vyntool
