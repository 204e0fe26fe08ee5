#pragma once
// The decisions of the main window's search band and status bar, kept out of
// the widgets.

#include "link/operate.h"

#include <QString>
#include <optional>

namespace vyn {

// What a search control asks of the list.
enum class FilterAction
{
    Keep,
    Apply,
    Clear
};

// "Вкл" pressed: filter by a text that is not blank, otherwise leave the list.
FilterAction filterOnAction(const QString& searchText);
// The search text or column changed: filter again while "Вкл" is down, else
// show every row.
FilterAction searchChangedAction(bool filterOnDown, const QString& searchText);

struct BrowsingStatus
{
    QString rowPanel;          // panel 0: the current row number, from 1
    QString countPanel;        // panel 1: the rows the filter shows, empty when not filtering
    bool deleteEnabled = true; // and "Вкл"
};

// currentRow from 0, -1 for none.
BrowsingStatus browsingStatus(bool filtering, int shownRows, int currentRow);

// The progress bar's position after one step: it starts over at 0 when it
// reaches the maximum.
int steppedProgress(int position, int maximum);

// What one tick of the transfer timer shows: the time since the transfer
// started (panel 0), the page being programmed (panel 1), the progress the
// worker published (bar and panel 3, taken only while busy) and the steps made
// since the last tick.
struct TransferTick
{
    QString elapsed;
    std::optional<QString> pageAddress;
    std::optional<OperateState::Published> published;
    int steps = 0;
};
TransferTick transferTick(OperateState& state);

// The bar's position after the steps of a tick, kept within the maximum.
int advancedProgress(int position, int steps, int maximum);

} // namespace vyn
