#pragma once
// A table view whose grid lines are filled one-pixel rectangles. QTableView
// strokes each line with its pen, pixel by pixel; on a full screen of a long
// list that costs as much as a tenth of the cells' text. The pixels are the same.

#include <QTableView>

namespace vyn {

class GridTableView : public QTableView
{
public:
    explicit GridTableView(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vyn
