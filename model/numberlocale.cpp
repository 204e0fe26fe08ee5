#include "numberlocale.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace vyn {

NumberLocale::NumberLocale(QChar decimalPoint, QString shortDateFormat)
    : m_decimalPoint(decimalPoint), m_shortDateFormat(std::move(shortDateFormat))
{
}

NumberLocale NumberLocale::system()
{
    QLocale loc = QLocale::system();
    if (loc.language() == QLocale::C)
        loc = QLocale(QLocale::Russian, QLocale::Russia);
    const QString point = loc.decimalPoint();
    // The interface is Russian whatever the system's language: its dates too, so
    // that what is shown, typed and searched for reads the same everywhere.
    return NumberLocale(point.isEmpty() ? QLatin1Char(',') : point.at(0), kShownDateFormat);
}

std::optional<double> NumberLocale::toDouble(const QString& text) const
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Only ASCII digits, sign, exponent and our separator may appear; the separator
    // becomes '.' for the C conversion.
    std::string s;
    s.reserve(static_cast<std::size_t>(t.size()));
    for (QChar c : t) {
        if (c == m_decimalPoint) {
            s.push_back('.');
        } else if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
                   c == QLatin1Char('-') || c == QLatin1Char('e') || c == QLatin1Char('E')) {
            s.push_back(static_cast<char>(c.unicode()));
        } else {
            return std::nullopt;
        }
    }
    const char* begin = s.data();
    if (*begin == '+')
        ++begin;
    double value = 0;
    const auto [end, ec] = std::from_chars(begin, s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> NumberLocale::toInteger(const QString& text)
{
    const std::string s = text.trimmed().toStdString();
    if (s.empty())
        return std::nullopt;
    const char* begin = s.data();
    if (*begin == '+')
        ++begin;
    long long value = 0;
    const auto [end, ec] = std::from_chars(begin, s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

static QString withSeparator(const char* text, QChar point)
{
    QString out = QString::fromLatin1(text);
    out.replace(QLatin1Char('.'), point);
    return out;
}

QString NumberLocale::formatFixed(double value, int decimals) const
{
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return withSeparator(buf, m_decimalPoint);
}

QString NumberLocale::formatShortest(double value) const
{
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, value);
    *end = '\0';
    (void)ec;
    return withSeparator(buf, m_decimalPoint);
}

} // namespace vyn
