#pragma once
// What the editor's rules are evaluated with besides the record: the catalogue,
// the input history, the interface options and the identified device.

#include "editor/inputhistory.h"
#include "editor/instrumentcatalogue.h"
#include "model/numberlocale.h"

#include <QStringList>

namespace vyn {

// The interface settings the editor consults.
struct EditorOptions
{
    bool minFlowControl = false;   // "Устанавить в приборе контроль минимального значения расхода"
    bool flowHistory = false;      // "Сохранять историю ввода для характеристик расходомеров"
    bool thermoHistory = false;    // "Сохранять историю ввода для характеристик термометров"
    bool completenessCheck = true; // "Осуществлять проверку полноты ввода данных"
};

struct EditorContext
{
    const InstrumentCatalogue& catalogue;
    InputHistory* history = nullptr; // none: nothing is remembered
    EditorOptions options;
    int deviceGeneration = 1;
    int deviceVersion = 0;
    NumberLocale locale;
};

// Which tariff editor the window shows below the tables.
enum class TariffPanel { None, List, DayGrids };

// What a cell offers: whether it can be edited and, for a drop-down, its entries.
struct CellChoice
{
    bool editable = false;
    bool hasList = false; // false: free text
    QStringList items;

    static CellChoice locked() { return {}; }
    static CellChoice freeText() { return {true, false, {}}; }
    static CellChoice list(QStringList items) { return {true, true, std::move(items)}; }
};

// Outcome of a finished cell edit.
struct CellChange
{
    bool applied = false; // false: the remembered text was put back
    std::optional<TariffPanel> tariffPanel; // set when the tariff editor shown changes
};

} // namespace vyn
