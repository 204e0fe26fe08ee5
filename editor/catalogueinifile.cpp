#include "editor/catalogueinifile.h"

#include "model/inifile.h"

#include <QFile>

namespace vyn {

CatalogueIniFile::CatalogueIniFile(QString path, NumberLocale locale)
    : m_path(std::move(path)), m_locale(locale)
{
}

QString CatalogueIniFile::latinUpper(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

std::optional<QString> CatalogueIniFile::lookup(const QString& section, const QString& key) const
{
    if (m_path.isEmpty())
        return std::nullopt;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QString text = IniFile::decode(file.readAll());
    const QString header = QLatin1Char('[') + latinUpper(section) + QLatin1Char(']');
    const QString upKey = latinUpper(key);
    bool inSection = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QString up = latinUpper(line.toString());
        if (!inSection) {
            inSection = up == header;
            continue;
        }
        if (up.startsWith(QLatin1Char('[')))
            return std::nullopt;
        if (up.startsWith(upKey))
            return up.mid(upKey.size() + 1);
    }
    return std::nullopt;
}

QString CatalogueIniFile::readString(const QString& section, const QString& key,
                                     const QString& fallback) const
{
    const std::optional<QString> v = lookup(section, key);
    return v && !v->isEmpty() ? *v : fallback;
}

int CatalogueIniFile::readInteger(const QString& section, const QString& key, int fallback) const
{
    const std::optional<QString> v = lookup(section, key);
    if (!v)
        return fallback;
    bool ok = false;
    const int n = v->trimmed().toInt(&ok, 10);
    return ok ? n : fallback;
}

double CatalogueIniFile::readFloat(const QString& section, const QString& key,
                                   double fallback) const
{
    const std::optional<QString> v = lookup(section, key);
    if (!v)
        return fallback;
    QString t = v->trimmed();
    const qsizetype sep = t.indexOf(QLatin1Char('.')) >= 0 ? t.indexOf(QLatin1Char('.'))
                                                           : t.indexOf(QLatin1Char(','));
    if (sep >= 0)
        t[sep] = m_locale.decimalPoint();
    return m_locale.toDouble(t).value_or(fallback);
}

bool CatalogueIniFile::readBool(const QString& section, const QString& key, bool fallback) const
{
    const std::optional<QString> v = lookup(section, key);
    if (v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("0"))
        return false;
    return fallback;
}

} // namespace vyn
