#pragma once
// Records shaped the way the editor shapes them, for the model tests.

#include "model/systems.h"

namespace vyn::test {

inline const NumberLocale kComma(QLatin1Char(','));

// A record shaped for a type and scheme.
inline ConfigRecord shaped(const char* type, const char* scheme, int generation = 1,
                           const char* serial = "12342678")
{
    ConfigRecord rec;
    rec.SNUM = QString::fromLatin1(serial);
    rec.TYPE_VYN = QString::fromLatin1(type);
    rec.CXEMA = QString::fromLatin1(scheme);
    applyTypeShape(rec);
    rebuildShape(rec, generation, kComma);
    return rec;
}

// One column of every channel row.
inline QStringList column(const ChannelTable& t, int col)
{
    QStringList out;
    for (int r = 1; r <= t.channelRows(); ++r)
        out << t.cell(r, col);
    return out;
}

} // namespace vyn::test
