#include "browsingstatus.h"

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

} // namespace vyn
