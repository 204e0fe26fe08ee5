#include "catalogueoption.h"

#include "cliutil.h"

#include "app/catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vyntool {

CatalogueOption::CatalogueOption(const QString& path, const vyn::NumberLocale& locale)
{
    QString file = path;
    if (file.isEmpty()) {
        file = productFile(QStringLiteral("rash.spe"));
        if (!QFileInfo::exists(file))
            return;
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("%1: не удалось прочитать каталог: %2").arg(file, in.errorString()));
    QString readable = file;
    if (!file.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive)) {
        // A packed catalogue is read through its decoded text, as the program does.
        readable = m_dir.filePath(QStringLiteral("rash.ini"));
        QFile out(readable);
        if (!m_dir.isValid() || !out.open(QIODevice::WriteOnly) ||
            out.write(vyn::unscrambleCatalogue(in.readAll())) < 0)
            throw Failure(QStringLiteral("%1: не удалось расшифровать каталог").arg(file));
    }
    m_catalogue = std::make_unique<vyn::InstrumentCatalogue>(readable, locale);
}

const vyn::ElectricityMeterCatalogue* CatalogueOption::electricityMeters() const
{
    if (m_catalogue)
        return m_catalogue.get();
    return &m_none;
}

} // namespace vyntool
