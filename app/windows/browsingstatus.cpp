#include "app/windows/browsingstatus.h"

#include <QTime>
#include <algorithm>

namespace vyn {

FilterAction filterOnAction(const QString& searchText)
{
    return searchText.trimmed().isEmpty() ? FilterAction::Keep : FilterAction::Apply;
}

FilterAction searchChangedAction(bool filterOnDown, const QString& searchText)
{
    return filterOnDown ? filterOnAction(searchText) : FilterAction::Clear;
}

BrowsingStatus browsingStatus(bool filtering, int shownRows, int currentRow)
{
    BrowsingStatus s;
    const int n = filtering ? shownRows : 1;
    s.countPanel = filtering ? QString::number(n) : QString();
    s.deleteEnabled = n > 0;
    s.rowPanel = currentRow >= 0 ? QString::number(currentRow + 1) : QString();
    return s;
}

int steppedProgress(int position, int maximum)
{
    const int next = position + 1;
    return next >= maximum ? 0 : next;
}

TransferTick transferTick(OperateState& state)
{
    TransferTick t;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(state.elapsed());
    t.elapsed = QTime(0, 0)
                    .addMSecs(static_cast<int>(ms.count() % 86400000))
                    .toString(QStringLiteral("H:mm:ss"));
    if (const auto page = state.pageAddress())
        t.pageAddress = pageAddressText(*page);
    if (state.busy())
        t.published = state.takePublished();
    t.steps = state.takeStep();
    return t;
}

int advancedProgress(int position, int steps, int maximum)
{
    return std::clamp(position + std::max(0, steps), 0, std::max(0, maximum));
}

} // namespace vyn
