#pragma once
// Reader of the instrument catalogue. Every lookup opens the file and scans it
// from the start, nothing is cached: lines are compared in upper case (Latin
// letters only), a key matches as a prefix of a line ("Variant1" also matches
// "Variant10=..."), and the value returned is the upper-cased rest of the line
// after the key and the "=".

#include "model/numberlocale.h"

#include <QString>
#include <optional>

namespace vyn {

class CatalogueIniFile
{
public:
    CatalogueIniFile() = default;
    explicit CatalogueIniFile(QString path, NumberLocale locale = NumberLocale());

    QString path() const { return m_path; }

    // The raw value of a key; none when the file, the section or the key is missing.
    std::optional<QString> lookup(const QString& section, const QString& key) const;

    // Fallback when not found or empty.
    QString readString(const QString& section, const QString& key,
                       const QString& fallback = QString()) const;
    // Decimal integer; fallback when not found or not a number.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // Decimal number with the locale separator (a point or a comma is read as
    // well, so the shipped data reads alike under every locale); fallback otherwise.
    double readFloat(const QString& section, const QString& key, double fallback) const;
    // "1" true, "0" false, anything else the fallback.
    bool readBool(const QString& section, const QString& key, bool fallback) const;

    // Upper case of the Latin letters a..z; every other character unchanged.
    static QString latinUpper(const QString& text);

private:
    QString m_path;
    NumberLocale m_locale;
};

} // namespace vyn
