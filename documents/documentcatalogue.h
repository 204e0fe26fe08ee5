#pragma once
// What the documents look up in the instrument catalogue: one section per
// instrument type, with the keys "Interval", "Komplekt", "Symbol", "ErrorClass"
// and "Errors". A missing section or key gives an empty text or false.

#include "model/inifile.h"

#include <QString>

namespace vyn {

class DocumentCatalogue
{
public:
    virtual ~DocumentCatalogue() = default;
    // "Interval", "Symbol", "ErrorClass", "Errors": the text, empty when missing.
    virtual QString text(const QString& section, const QString& key) const = 0;
    // "Komplekt" is 1: the thermometer type is sold as a matched pair.
    virtual bool komplekt(const QString& section) const = 0;
};

// A readable INI file of the catalogue's sections (vyntool --catalogue, tests).
class IniDocumentCatalogue final : public DocumentCatalogue
{
public:
    IniDocumentCatalogue() = default;
    explicit IniDocumentCatalogue(IniFile file) : m_file(std::move(file)) {}

    QString text(const QString& section, const QString& key) const override;
    bool komplekt(const QString& section) const override;

private:
    IniFile m_file;
};

// The documents' look-ups in a catalogue that answers text(section, key) and
// komplekt(section) itself (the editor's instrument catalogue); none: all empty.
template <class Catalogue>
class CatalogueLookups final : public DocumentCatalogue
{
public:
    explicit CatalogueLookups(const Catalogue* catalogue) : m_catalogue(catalogue) {}
    QString text(const QString& section, const QString& key) const override
    {
        return m_catalogue ? m_catalogue->text(section, key) : QString();
    }
    bool komplekt(const QString& section) const override
    {
        return m_catalogue && m_catalogue->komplekt(section);
    }

private:
    const Catalogue* m_catalogue;
};

} // namespace vyn
