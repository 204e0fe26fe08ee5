#pragma once
// Decisions of the thermometer and pressure tables.

#include "editor/editorcontext.h"
#include "model/configrecord.h"

namespace vyn {

CellChoice thermoCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx);

// Columns right of column 1..5 from the thermometer type's lists, the lower limit
// from the pipe's flow meter, the upper limit capped by the type, and a matched
// pair copied into the other row of the pair.
void thermoCascade(ConfigRecord& rec, int row, int column, const EditorContext& ctx);

// A finished edit: an empty or unchanged text puts the remembered text back.
CellChange thermoCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                             const QString& text, const EditorContext& ctx);

// The fixed values of the cold-water thermometer "tu": -70, 100 and no contract pressure.
void applyColdWaterLimits(ConfigRecord& rec, int row, const NumberLocale& locale);

CellChoice pressureCellChoice(const ConfigRecord& rec, int row, int column, const EditorContext& ctx);
CellChange pressureCellChanged(ConfigRecord& rec, int row, int column, const QString& remembered,
                               const QString& text, const EditorContext& ctx);

} // namespace vyn
