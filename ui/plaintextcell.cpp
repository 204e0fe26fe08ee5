#include "plaintextcell.h"

#include "firstuseicon.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTextLayout>
#include <memory>
#include <unordered_map>

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

// A list repeats its texts down a column ("04", a date, a user): each is laid
// out once per font, width and alignment and drawn wherever it stands.
const QTextLayout& laidOut(const QStyleOptionViewItem& option, int width)
{
    struct Key
    {
        QString text;
        QFont font;
        int width;
        int alignment;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash
    {
        size_t operator()(const Key& k) const noexcept
        {
            return qHashMulti(0, k.text, k.font, k.width, k.alignment);
        }
    };
    // Never destroyed: a layout's fonts must not be released after the application.
    static auto& layouts = *new std::unordered_map<Key, std::unique_ptr<QTextLayout>, KeyHash>;
    constexpr std::size_t kMaxLayouts = 1024;

    const Qt::Alignment alignment =
        QStyle::visualAlignment(option.direction, option.displayAlignment);
    Key key{option.text, option.font, width, int(alignment)};
    auto it = layouts.find(key);
    if (it != layouts.end())
        return *it->second;
    if (layouts.size() >= kMaxLayouts)
        layouts.clear();
    auto layout = std::make_unique<QTextLayout>(option.text, option.font);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(alignment);
    layout->setTextOption(textOption);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, 0));
    }
    layout->createLine();
    layout->endLayout();
    return *layouts.emplace(std::move(key), std::move(layout)).first->second;
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
    const QTextLayout& layout = laidOut(option, textRect.width());
    const QTextLine line = layout.lineAt(0);
    const bool oneLine = layout.lineCount() <= 1;
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
