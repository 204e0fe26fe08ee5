#include "ui/gridtableview.h"

#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vyn {

GridTableView::GridTableView(QWidget* parent) : QTableView(parent)
{
    // The view keeps its one-pixel gap between cells and strokes nothing into it;
    // paintEvent fills the lines.
    setGridStyle(Qt::NoPen);
}

void GridTableView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    if (!showGrid())
        return;
    const QHeaderView* rows = verticalHeader();
    const QHeaderView* columns = horizontalHeader();
    if (rows->count() == 0 || columns->count() == 0 || !itemDelegate())
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor color = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const bool rightToLeft = isRightToLeft();

    // The lines end where the table does; the painter is clipped to the region.
    QRect area = event->rect();
    area.setBottom(std::min(area.bottom(), rows->length() - rows->offset() - 1));
    if (rightToLeft)
        area.setLeft(std::max(area.left(), viewport()->width() -
                                               (columns->length() - columns->offset())));
    else
        area.setRight(std::min(area.right(), columns->length() - columns->offset() - 1));
    if (area.isEmpty())
        return;

    const auto visualRange = [](const QHeaderView* header, int from, int to) {
        int first = header->visualIndexAt(from);
        int last = header->visualIndexAt(to);
        if (first == -1)
            first = 0;
        if (last == -1)
            last = header->count() - 1;
        return std::pair{first, last};
    };
    QPainter painter(viewport());
    const auto [top, bottom] = visualRange(rows, area.top(), area.bottom());
    for (int visual = top; visual <= bottom; ++visual) {
        const int row = rows->logicalIndex(visual);
        if (rows->isSectionHidden(row))
            continue;
        const int y = rowViewportPosition(row) + rowHeight(row) - 1;
        painter.fillRect(QRect(area.left(), y, area.width(), 1), color);
    }
    const auto [left, right] = rightToLeft ? visualRange(columns, area.right(), area.left())
                                           : visualRange(columns, area.left(), area.right());
    for (int visual = left; visual <= right; ++visual) {
        const int column = columns->logicalIndex(visual);
        if (columns->isSectionHidden(column))
            continue;
        int x = columnViewportPosition(column);
        if (!rightToLeft)
            x += columnWidth(column) - 1;
        painter.fillRect(QRect(x, area.top(), 1, area.height()), color);
    }
}

} // namespace vyn
