#include "ui/firstuseicon.h"
#include "ui/gridtableview.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QTableView>
#include <gtest/gtest.h>
#include <memory>

using namespace vyn;

namespace {

// What a view paints of a region of its viewport.
QImage paintedRegion(QTableView& view, const QRegion& region)
{
    QPixmap pixmap(view.viewport()->size());
    pixmap.fill(Qt::magenta);
    view.viewport()->render(&pixmap, QPoint(), region);
    return pixmap.toImage();
}

} // namespace

TEST(GridTableView, PaintsTheGridQTableViewPaints)
{
    // As in the program: Fusion under the proxy of first-use icons.
    std::unique_ptr<QStyle> style(new FirstUseIconStyle(QStyleFactory::create(QStringLiteral("fusion"))));
    QStandardItemModel model(300, 40);
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            model.setItem(r, c, new QStandardItem(QStringLiteral("%1 · %2").arg(r).arg(c)));

    const struct
    {
        const char* what;
        int row, column;      // scrolled to
        bool hide;            // row 5 and column 3 hidden
        bool rightToLeft;
        bool shortTable;      // fewer rows and columns than the viewport holds
        QRect part;           // a partial repaint, or the whole viewport
    } cases[] = {
        {"top", 0, 0, false, false, false, {}},
        {"middle", 150, 20, false, false, false, {}},
        {"end", 299, 39, false, false, false, {}},
        {"hidden sections", 0, 0, true, false, false, {}},
        {"table smaller than the viewport", 0, 0, false, false, true, {}},
        {"part of the viewport", 150, 20, false, false, false, QRect(37, 23, 151, 67)},
        {"two parts", 0, 0, false, false, false, QRect(0, 0, 90, 40)},
        {"right to left", 0, 0, false, true, false, {}},
        {"right to left, short", 0, 0, false, true, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStandardItemModel shortModel(3, 2);
        QTableView plain;
        GridTableView grid;
        for (QTableView* view : {&plain, static_cast<QTableView*>(&grid)}) {
            view->setStyle(style.get());
            view->setModel(c.shortTable ? &shortModel : &model);
            view->setLayoutDirection(c.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
            view->verticalHeader()->setDefaultSectionSize(23);
            view->horizontalHeader()->setDefaultSectionSize(57);
            view->resize(640, 420);
            if (c.hide) {
                view->setRowHidden(5, true);
                view->setColumnHidden(3, true);
            }
            view->show();
            QCoreApplication::processEvents();
            if (!c.shortTable)
                view->scrollTo(model.index(c.row, c.column));
            view->setCurrentIndex(view->model()->index(c.shortTable ? 1 : c.row, 1));
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(plain.verticalScrollBar()->value(), grid.verticalScrollBar()->value());
        ASSERT_EQ(plain.horizontalScrollBar()->value(), grid.horizontalScrollBar()->value());
        QRegion region = c.part.isNull() ? QRegion(plain.viewport()->rect()) : QRegion(c.part);
        if (QByteArrayView(c.what) == "two parts")
            region += QRect(300, 200, 120, 90);
        const QImage expected = paintedRegion(plain, region);
        const QImage got = paintedRegion(grid, region);
        EXPECT_EQ(got, expected);
        // The views did paint a grid: its pixels are neither the cells' nor the fill's.
        EXPECT_NE(paintedRegion(grid, region), [&] {
            plain.setShowGrid(false);
            return paintedRegion(plain, region);
        }());
    }
}
