#include "plaintextcell.h"

#include "firstuseicon.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextLayout>

namespace vyn {

namespace {

// Fusion paints cells as Qt's common style does; so does the program's own
// proxy over it. Other styles may paint them their own way.
bool paintsCellsAsCommonStyle(const QStyle* style)
{
    if (const auto* proxy = dynamic_cast<const FirstUseIconStyle*>(style))
        style = proxy->baseStyle();
    return style && style->name() == QLatin1String("fusion");
}

bool isPlainTextCell(const QStyleOptionViewItem& o)
{
    constexpr QStyle::State ownLook = QStyle::State_Selected | QStyle::State_HasFocus |
                                      QStyle::State_Editing;
    return (o.features & QStyleOptionViewItem::HasDisplay) &&
           !(o.features & (QStyleOptionViewItem::HasDecoration |
                           QStyleOptionViewItem::HasCheckIndicator |
                           QStyleOptionViewItem::WrapText)) &&
           !(o.state & ownLook) && o.direction == Qt::LeftToRight &&
           !o.text.contains(QChar::LineSeparator) && !o.text.contains(u'\n');
}

} // namespace

bool paintPlainTextCell(QPainter* painter, const QStyleOptionViewItem& option)
{
    const QWidget* widget = option.widget;
    const QStyle* style = widget ? widget->style() : QApplication::style();
    if (!isPlainTextCell(option) || !paintsCellsAsCommonStyle(style))
        return false;

    // The text's place as the common style finds it: the cell less the focus
    // frame's margin on either side.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, option.displayAlignment));
    QTextLayout layout(option.text, option.font);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, 0));
    }
    const bool oneLine = !layout.createLine().isValid();
    layout.endLayout();
    // Text that does not fit is elided: the style does that.
    if (!oneLine || (line.isValid() && line.naturalTextWidth() > textRect.width()))
        return false;

    painter->save();
    painter->setClipRect(option.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, widget);
    if (!option.text.isEmpty()) {
        QPalette::ColorGroup group =
            option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(option.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(option.palette.color(group, QPalette::Text));
        const QRect placed = QStyle::alignedRect(option.direction, option.displayAlignment,
                                                 layout.boundingRect().size().toSize(), textRect);
        layout.draw(painter, QPointF(textRect.x(), placed.top()));
    }
    painter->restore();
    return true;
}

} // namespace vyn
