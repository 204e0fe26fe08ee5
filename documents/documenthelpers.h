#pragma once
// Small pieces shared by the passport and the card.

#include "model/configrecord.h"
#include "model/numberlocale.h"

#include <QDate>
#include <QString>
#include <optional>

namespace vyn::docs {

// Rows of a document are read up to here; rows past a grid's end read empty.
inline constexpr int kDocumentGridRows = 20;

// A channel row that takes part in a document: designation and type filled.
inline bool rowInUse(const ChannelTable& t, int row)
{
    return !t.designation(row).isEmpty() && !t.cell(row, 1).isEmpty();
}

// "%.2d".
inline QString twoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// Dates in the documents read the same whatever the system's locale.
inline QString documentDate(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

// 1 kgf/cm² is 0.0980665 MPa; the quotient is held in single precision.
inline QString kgfText(double mpa, const NumberLocale& locale)
{
    const float kgf = static_cast<float>(mpa / 0.0980665);
    return locale.formatFixed(kgf, 2);
}

} // namespace vyn::docs
