#pragma once
// The editor's shape changes: the type and the two scheme digits decide the rows
// of the tables, which lists and panels are available and which tariff editor
// is shown. Each change rebuilds the shape, which clears all table cells.

#include "editor/editorcontext.h"
#include "model/configrecord.h"

#include <QChar>
#include <QStringList>

namespace vyn {

// What the window shows for the record.
struct EditorView
{
    QStringList firstDigits;
    QStringList secondDigits;
    bool firstDigitEnabled = true;
    bool secondDigitEnabled = true;
    bool energyControlEnabled = false;
    bool pressurePanelVisible = false; // type "04" only
    bool adapterKindVisible = false;   // older devices only
    TariffPanel tariffPanel = TariffPanel::None;
};

EditorView editorView(const ConfigRecord& rec, const EditorContext& ctx);

EditorView changeType(ConfigRecord& rec, const QString& type, const EditorContext& ctx);
EditorView changeFirstDigit(ConfigRecord& rec, QChar digit, const EditorContext& ctx);
EditorView changeSecondDigit(ConfigRecord& rec, QChar digit, const EditorContext& ctx);

// "Очистить таблицу": every cell right of the designations, system numbers included.
void clearTable(ConfigRecord& rec, TableKind kind);

// Delete on one cell of a used row: the cell emptied. An emptied type takes the
// row's other values with it (an absent channel stores nothing); designations,
// system numbers and the cold-water thermometer's fixed values stay. False when
// the cell cannot be emptied.
bool clearCell(ConfigRecord& rec, TableKind kind, int row, int column);

} // namespace vyn
