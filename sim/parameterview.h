#pragma once
// Parameter writes as people read them: the parameter's name and slot from the
// calculator's parameter table, the value decoded by its encoding; and the
// configuration a session's log says the calculator now holds.

#include <QByteArray>
#include <QString>
#include <optional>

namespace vynsim {

struct DecodedParameter
{
    QString name;      // "unknown" for a prefix of no table entry
    int slot = 0;      // from 1; 0 for a parameter of one slot
    QString value;     // decoded; hex for an unknown one
    int order = 1000;  // table position, for sorting; unknown ones last
};

DecodedParameter decodeParameter(const QByteArray& prefix, const QByteArray& value);

// The table of "vynsim --show": from a finished log (one JSON object) or from
// one still being written (its lines). Empty with an error for what is neither.
std::optional<QString> heldConfiguration(const QByteArray& log, QString& error);

} // namespace vynsim
