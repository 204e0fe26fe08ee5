#include "documentcatalogue.h"

namespace vyn {

QString IniDocumentCatalogue::text(const QString& section, const QString& key) const
{
    return m_file.readString(section, key);
}

bool IniDocumentCatalogue::komplekt(const QString& section) const
{
    return m_file.readInteger(section, QStringLiteral("Komplekt"), 0) == 1;
}

} // namespace vyn
