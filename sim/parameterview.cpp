#include "parameterview.h"

#include "link/v04parametertable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>

#include <algorithm>

#include <cstring>

namespace vynsim {

namespace {

using vyn::V04Encoding;

QString hexNumber(int v, int width)
{
    return QString::number(v, 16).toUpper().rightJustified(width, QLatin1Char('0'));
}

QString two(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

QString dayMonth(int day, int month)
{
    return two(day) + QLatin1Char('.') + two(month);
}

QString decodeValue(V04Encoding encoding, const QByteArray& value)
{
    const auto at = [&](int i) { return static_cast<int>(static_cast<std::uint8_t>(value.at(i))); };
    const bool zero = value.count('\0') == value.size();
    switch (encoding) {
    case V04Encoding::Byte:
        return QString::number(at(0));
    case V04Encoding::Flags:
        return QStringLiteral("0x") + hexNumber(at(0), 2);
    case V04Encoding::Word:
        return QString::number(at(0) | at(1) << 8);
    case V04Encoding::Pressure: {
        const int code = at(0) | at(1) << 8;
        return QStringLiteral("%1 (%2 kgf/cm2 to version 4, %3 MPa from 5)")
            .arg(code)
            .arg(code / 100.0)
            .arg(code / 10000.0);
    }
    case V04Encoding::Single: {
        const std::uint32_t u = static_cast<std::uint32_t>(at(0)) | at(1) << 8 | at(2) << 16 |
                                static_cast<std::uint32_t>(at(3)) << 24;
        float f = 0;
        std::memcpy(&f, &u, sizeof f);
        return QString::number(static_cast<double>(f), 'g', 7);
    }
    case V04Encoding::DayMonth:
        return dayMonth(at(0), at(1));
    case V04Encoding::TariffEntry:
        return zero ? QStringLiteral("none")
                    : QStringLiteral("%1:%2 tariff %3").arg(two(at(0)), two(at(1))).arg(at(2));
    case V04Encoding::ChangedDay: {
        if (zero)
            return QStringLiteral("none");
        static const char* const kinds[] = {"no change", "working day", "Saturday", "Sunday"};
        const int kind = at(2);
        return dayMonth(at(1), at(0)) + QLatin1Char(' ') +
               (kind < 4 ? QString::fromLatin1(kinds[kind])
                         : QStringLiteral("kind %1").arg(kind));
    }
    case V04Encoding::Holiday:
        return zero ? QStringLiteral("none") : dayMonth(at(1), at(0));
    case V04Encoding::Date:
        return QStringLiteral("%1-%2-%3").arg(2000 + at(0)).arg(two(at(1)), two(at(2)));
    case V04Encoding::Time:
        return two(at(0)) + QLatin1Char(':') + two(at(1));
    }
    return {};
}

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// prefix -> value, the last write of each.
using Held = QMap<QByteArray, QByteArray>;

void hold(Held& held, const QJsonObject& p)
{
    const QByteArray prefix = QByteArray::fromHex(p[QStringLiteral("prefix")].toString().toLatin1());
    if (prefix.size() == 7)
        held[prefix] = QByteArray::fromHex(p[QStringLiteral("value")].toString().toLatin1());
}

QString memorySummary(const QJsonArray& memory)
{
    int bytes = 0;
    QString ranges;
    for (const QJsonValue& run : memory) {
        const int from = run[QStringLiteral("address")].toInt();
        const int n = static_cast<int>(run[QStringLiteral("bytes")].toString().size() / 2);
        bytes += n;
        ranges += QStringLiteral("  %1h-%2h  %3 bytes\n")
                      .arg(hexNumber(from, 4), hexNumber(from + n - 1, 4))
                      .arg(n);
    }
    return QStringLiteral("Programmed memory (generation 03): %1 bytes in %2 ranges\n")
               .arg(bytes)
               .arg(memory.size()) +
           ranges;
}

} // namespace

DecodedParameter decodeParameter(const QByteArray& prefix, const QByteArray& value)
{
    DecodedParameter d;
    const auto found = prefix.size() == 7
                           ? vyn::findV04Parameter(reinterpret_cast<const std::uint8_t*>(prefix.constData()))
                           : std::nullopt;
    if (!found) {
        d.name = QStringLiteral("unknown ") + hex(prefix);
        d.value = hex(value);
        return d;
    }
    const vyn::V04Parameter& p = vyn::v04Parameter(found->id);
    d.name = QString::fromLatin1(p.name);
    d.slot = p.slots > 1 ? found->slot + 1 : 0;
    d.order = static_cast<int>(found->id) * 100 + found->slot;
    const int size = vyn::v04ValueSize(p.encoding);
    d.value = value.size() == size
                  ? decodeValue(p.encoding, value)
                  : QStringLiteral("%1 (%2 bytes, %3 expected)").arg(hex(value)).arg(value.size()).arg(size);
    return d;
}

std::optional<QString> heldConfiguration(const QByteArray& log, QString& error)
{
    Held held;
    int writes = 0;
    QJsonArray memory;
    QJsonParseError parse{};
    const QJsonDocument whole = QJsonDocument::fromJson(log, &parse);
    if (parse.error == QJsonParseError::NoError && whole.isObject()) {
        const QJsonObject root = whole.object();
        if (!root.contains(QStringLiteral("parameters"))) {
            error = QStringLiteral("not a vynsim log");
            return std::nullopt;
        }
        for (const QJsonValue& p : root[QStringLiteral("parameters")].toArray()) {
            hold(held, p.toObject());
            ++writes;
        }
        memory = root[QStringLiteral("memory")].toArray();
    } else {
        // A session still running: its first line opens the list, one line an exchange.
        const QList<QByteArray> lines = log.split('\n');
        if (lines.isEmpty() || !lines.first().startsWith("{\"session\"")) {
            error = QStringLiteral("not a vynsim log");
            return std::nullopt;
        }
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines[i].trimmed();
            if (line.endsWith(','))
                line.chop(1);
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.contains(QStringLiteral("parameter"))) {
                hold(held, o[QStringLiteral("parameter")].toObject());
                ++writes;
            }
        }
    }

    int nameWidth = 9;
    QList<DecodedParameter> decoded;
    for (auto it = held.cbegin(); it != held.cend(); ++it) {
        decoded << decodeParameter(it.key(), it.value());
        nameWidth = std::max(nameWidth, static_cast<int>(decoded.last().name.size()));
    }
    std::stable_sort(decoded.begin(), decoded.end(),
                     [](const DecodedParameter& a, const DecodedParameter& b) { return a.order < b.order; });
    QString out;
    if (writes > 0) {
        out += QStringLiteral("Configuration held by the simulated calculator: %1 parameters "
                              "from %2 writes\n\n")
                   .arg(decoded.size())
                   .arg(writes);
        out += QStringLiteral("%1  slot  value\n").arg(QStringLiteral("parameter"), -nameWidth);
        for (const DecodedParameter& d : decoded)
            out += QStringLiteral("%1  %2  %3\n")
                       .arg(d.name, -nameWidth)
                       .arg(d.slot > 0 ? QString::number(d.slot) : QString(), 4)
                       .arg(d.value);
    }
    if (!memory.isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral("\n")) + memorySummary(memory);
    if (out.isEmpty())
        out = QStringLiteral("Nothing was written to the simulated calculator.\n");
    return out;
}

} // namespace vynsim
