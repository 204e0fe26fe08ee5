#include "ui/firstuseicon.h"
#include "ui/plaintextcell.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTableView>
#include <gtest/gtest.h>
#include <memory>

using namespace vyn;

namespace {

// A list whose cells' style options can be taken as the list paints them.
class List : public QTableView
{
public:
    using QTableView::QTableView;
    QStyleOptionViewItem optionFor(const QModelIndex& index) const
    {
        QStyleOptionViewItem o;
        initViewItemOption(&o);
        o.rect = visualRect(index);
        o.rect.moveTo(0, 0);
        struct Delegate : QStyledItemDelegate
        {
            using QStyledItemDelegate::initStyleOption;
        } delegate;
        delegate.initStyleOption(&o, index);
        return o;
    }
};

QImage painted(const QStyleOptionViewItem& o, bool shortcut, bool* shortcutTaken = nullptr)
{
    QImage image(o.rect.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    const bool taken = shortcut && paintPlainTextCell(&p, o);
    if (!taken)
        o.widget->style()->drawControl(QStyle::CE_ItemViewItem, &o, &p, o.widget);
    if (shortcutTaken)
        *shortcutTaken = taken;
    return image;
}

} // namespace

TEST(PlainTextCell, PaintsWhatTheStyleDoesOrLeavesTheCellToIt)
{
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    ASSERT_NE(fusion, nullptr);
    // As in the program: Fusion under the proxy of first-use icons.
    auto* style = new FirstUseIconStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const struct
    {
        const char* what;
        QString text;
        Qt::Alignment alignment;
        bool highlighted;
        QStyle::State state; // added
        bool disabled;
        bool taken; // the shortcut paints it
    } cases[] = {
        {"latin", QStringLiteral("00012345"), Qt::AlignLeft | Qt::AlignVCenter, false, {}, false, true},
        {"cyrillic", QStringLiteral("Котельная № 12"), Qt::AlignLeft | Qt::AlignVCenter, false, {}, false, true},
        {"right", QStringLiteral("12,5"), Qt::AlignRight | Qt::AlignVCenter, false, {}, false, true},
        {"centre", QStringLiteral("01.02.2010"), Qt::AlignCenter, false, {}, false, true},
        {"top", QStringLiteral("Ivan"), Qt::AlignLeft | Qt::AlignTop, false, {}, false, true},
        {"empty", QString(), Qt::AlignLeft | Qt::AlignVCenter, false, {}, false, true},
        {"highlighted", QStringLiteral("0012"), Qt::AlignLeft | Qt::AlignVCenter, true, {}, false, true},
        {"disabled", QStringLiteral("PC\\ivan"), Qt::AlignLeft | Qt::AlignVCenter, false, {}, true, true},
        {"too long", QStringLiteral("Котельная на улице Длинной, дом 1234567890"),
         Qt::AlignLeft | Qt::AlignVCenter, false, {}, false, false},
        {"two lines", QStringLiteral("a\nb"), Qt::AlignLeft | Qt::AlignVCenter, false, {}, false, false},
        {"selected", QStringLiteral("0012"), Qt::AlignLeft | Qt::AlignVCenter, false,
         QStyle::State_Selected, false, false},
        {"focused", QStringLiteral("0012"), Qt::AlignLeft | Qt::AlignVCenter, false,
         QStyle::State_HasFocus, false, false},
    };
    QStandardItemModel model(1, static_cast<int>(std::size(cases)));
    for (int c = 0; c < model.columnCount(); ++c) {
        auto* item = new QStandardItem(cases[c].text);
        item->setTextAlignment(cases[c].alignment);
        if (cases[c].highlighted)
            item->setBackground(QApplication::palette().brush(QPalette::ToolTipBase));
        model.setItem(0, c, item);
    }
    List list;
    list.setStyle(style);
    list.setWordWrap(false);
    list.setModel(&model);
    list.verticalHeader()->setDefaultSectionSize(list.fontMetrics().height() + 6);
    for (int c = 0; c < model.columnCount(); ++c)
        list.setColumnWidth(c, 120);
    list.resize(1600, 200);

    for (int c = 0; c < model.columnCount(); ++c) {
        const auto& k = cases[c];
        SCOPED_TRACE(k.what);
        QStyleOptionViewItem o = list.optionFor(model.index(0, c));
        o.state |= k.state;
        if (k.disabled)
            o.state &= ~QStyle::State_Enabled;
        for (const bool active : {true, false}) {
            SCOPED_TRACE(active ? "active" : "inactive");
            o.state.setFlag(QStyle::State_Active, active);
            bool taken = false;
            const QImage fast = painted(o, true, &taken);
            EXPECT_EQ(taken, k.taken);
            EXPECT_TRUE(fast == painted(o, false)) << "the cell differs from the style's";
        }
    }

    // Another style paints its cells itself.
    list.setStyle(fusion.get());
    QStyleOptionViewItem o = list.optionFor(model.index(0, 0));
    QImage image(o.rect.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    EXPECT_TRUE(paintPlainTextCell(&p, o)) << "Fusion itself";
    std::unique_ptr<QStyle> windows(QStyleFactory::create(QStringLiteral("windows")));
    ASSERT_NE(windows, nullptr);
    list.setStyle(windows.get());
    o = list.optionFor(model.index(0, 0));
    EXPECT_FALSE(paintPlainTextCell(&p, o));
    list.setStyle(nullptr);
}

TEST(PlainTextCell, ATextPaintedAgainIsLaidOutForItsCell)
{
    auto* style = new FirstUseIconStyle(QStyleFactory::create(QStringLiteral("fusion")));
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QStringLiteral("Котельная № 12")));
    List list;
    list.setStyle(style);
    list.setWordWrap(false);
    list.setModel(&model);
    list.setColumnWidth(0, 140);
    const QStyleOptionViewItem wide = list.optionFor(model.index(0, 0));
    QStyleOptionViewItem narrow = wide;
    narrow.rect.setWidth(50);
    QStyleOptionViewItem bold = wide;
    bold.font.setBold(true);
    QStyleOptionViewItem right = wide;
    right.displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
    const struct
    {
        const char* what;
        const QStyleOptionViewItem& option;
        bool taken;
    } paints[] = {
        {"wide", wide, true}, {"narrow: elided", narrow, false}, {"bold", bold, true},
        {"right", right, true}, {"wide again", wide, true}, {"narrow again", narrow, false},
    };
    for (const auto& k : paints) {
        SCOPED_TRACE(k.what);
        bool taken = false;
        const QImage fast = painted(k.option, true, &taken);
        EXPECT_EQ(taken, k.taken);
        EXPECT_TRUE(fast == painted(k.option, false)) << "the cell differs from the style's";
    }
    list.setStyle(nullptr);
    delete style;
}
