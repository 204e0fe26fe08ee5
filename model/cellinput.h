#pragma once
// What a channel cell may hold. Numbers are typed with either decimal separator
// and must lie within what the calculator takes for the parameter; no cell may
// hold the stored lists' separator "|" or more text than its stored list column
// leaves room for. The editor checks typed text with these rules, the save and
// the device write check the whole record with them.

#include "configrecord.h"
#include "numberlocale.h"

#include <QString>
#include <optional>

namespace vyn {

struct NumberRange
{
    double min = 0;
    double max = 0;
    bool integer = false;
};

// The range of a numeric column; none for a text column (type, class, serial, ...).
std::optional<NumberRange> numberRange(TableKind kind, int column, bool electricityRow);

// A number typed with "," or "." (digits, one separator, an optional sign; no
// exponent, no blanks inside).
std::optional<double> readTypedNumber(const QString& text);

struct CellInput
{
    bool accepted = false;
    QString text;    // what the cell takes: a number with the locale's separator
    QString message; // why the text was refused
};

// Typed text for a cell. An entry the cell's drop-down offers is taken as it
// stands (offered = the drop-down's entries; empty for a free-text cell).
CellInput checkCellInput(const ConfigRecord& rec, TableKind kind, int row, int column,
                         const QString& text, const QStringList& offered,
                         const NumberLocale& locale);

// How many characters the cell's stored value may have so that the list of its
// column still fits; -1 for a column stored otherwise.
int cellRoom(const ConfigRecord& rec, TableKind kind, int row, int column,
             const NumberLocale& locale);

// The first cell a save would lose: one holding "|" or overflowing its stored
// list column, as a message naming it.
std::optional<QString> unstorableCell(const ConfigRecord& rec, const NumberLocale& locale);

// The first filled numeric cell of a used row that does not read as a number, as
// a message naming it ("Fmax/Лимит" of row "V1/": "40,5x" ...).
std::optional<QString> unreadableNumberCell(const ConfigRecord& rec, const NumberLocale& locale);

// Whether a filled cell reads as a number of its column's range.
bool cellNumberFits(const ConfigRecord& rec, TableKind kind, int row, int column,
                    const NumberLocale& locale);

} // namespace vyn
