#pragma once
// The user's number and date conventions as a value: decimal separator and short
// date format. Cell texts hold numbers with this separator.

#include <QChar>
#include <QString>
#include <optional>

namespace vyn {

// How the program shows and reads dates, whatever the system locale.
inline const QString kShownDateFormat = QStringLiteral("dd.MM.yyyy");

class NumberLocale
{
public:
    explicit NumberLocale(QChar decimalPoint = QLatin1Char(','),
                          QString shortDateFormat = QStringLiteral("dd.MM.yyyy"));

    // The decimal separator of QLocale::system() (Russian conventions when the
    // system locale is C/POSIX); dates always kShownDateFormat.
    static NumberLocale system();

    QChar decimalPoint() const { return m_decimalPoint; }
    QString shortDateFormat() const { return m_shortDateFormat; }

    // Strict conversion with this decimal separator only (blanks around the number
    // are allowed, nothing else). No value when the text is not a number.
    std::optional<double> toDouble(const QString& text) const;
    // Decimal integer; no value when the text is not one.
    static std::optional<long long> toInteger(const QString& text);

    // printf "%.Nf" with this decimal separator.
    QString formatFixed(double value, int decimals) const;
    // Shortest text that reads back as the same double, with this separator.
    QString formatShortest(double value) const;

private:
    QChar m_decimalPoint;
    QString m_shortDateFormat;
};

} // namespace vyn
