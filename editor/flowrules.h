#pragma once
// Decisions of the flow table: which cells can be edited, what their drop-downs
// offer, and what a finished edit changes (catalogue cascade, electricity row,
// archive pairing, input history).

#include "editor/editorcontext.h"
#include "model/configrecord.h"

#include <optional>

namespace vyn {

CellChoice flowCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx);

// Cells to the right of column 1..4 of a flow row, filled from the catalogue,
// then flow limits, the pipe's thermometer limits, power source and archive.
void flowCascade(ConfigRecord& rec, int row, int column, const EditorContext& ctx);

// A finished edit: an empty or unchanged text puts the remembered text back.
CellChange flowCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                           const QString& text, const EditorContext& ctx);

// The designation the scheme gives a flow row (what choosing it back restores).
QString schemeDesignation(const ConfigRecord& rec, int row, const EditorContext& ctx);

// The other pipe of a two-pipe heat system (scheme digit 1, 2 or 5), whose archive
// follows this row's; none for other rows.
std::optional<int> pairedArchiveRow(const ConfigRecord& rec, int row);

// The tariff editor for the record: none without an electricity row.
TariffPanel tariffPanelFor(const ConfigRecord& rec, int deviceGeneration);

// Day schedules of a new electricity row: the last ones saved.
void fillDaySchedulesFromHistory(ConfigRecord& rec, const EditorContext& ctx);

} // namespace vyn
