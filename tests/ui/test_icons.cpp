// Icons made on first use, and the stock icon strip the program is built with.

#include "ui/firstuseicon.h"
#include "ui/stockicons.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

// As it shows: the colour of a transparent pixel is no part of the picture.
QImage imageOf(const QIcon& icon, int size)
{
    return icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

// No pixel drawn: the style has no such picture.
bool blank(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

// The same picture: each channel of each visible pixel within the rounding of a
// premultiplied copy.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAlpha(p) == 0 && qAlpha(q) == 0)
                continue;
            largest = std::max({largest, std::abs(qAlpha(p) - qAlpha(q)),
                                std::abs(qRed(p) - qRed(q)) * qAlpha(p) / 255,
                                std::abs(qGreen(p) - qGreen(q)) * qAlpha(p) / 255,
                                std::abs(qBlue(p) - qBlue(q)) * qAlpha(p) / 255});
        }
    return largest;
}

} // namespace

TEST(FirstUseIcon, IsMadeOnceWhenFirstPaintedOrMeasured)
{
    struct Case
    {
        const char* what;
        bool knownNotNull;
        std::function<void(const QIcon&)> use;
        int madeAfterUse;
    };
    const Case cases[] = {
        {"a pixmap", true, [](const QIcon& i) { (void)i.pixmap(16); }, 1},
        {"its sizes", true, [](const QIcon& i) { (void)i.availableSizes(); }, 1},
        {"a paint", true,
         [](const QIcon& i) {
             QImage target(32, 32, QImage::Format_ARGB32_Premultiplied);
             QPainter p(&target);
             i.paint(&p, QRect(0, 0, 32, 32));
         },
         1},
        {"whether it is null, known", true, [](const QIcon& i) { (void)i.isNull(); }, 0},
        {"whether it is null, not known", false, [](const QIcon& i) { (void)i.isNull(); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int made = 0;
        const QIcon icon(new FirstUseIcon(
            [&made] {
                ++made;
                QPixmap p(16, 16);
                p.fill(Qt::red);
                return QIcon(p);
            },
            c.knownNotNull));
        QAction action;
        action.setIcon(icon); // held, not made
        EXPECT_EQ(made, 0);
        c.use(action.icon());
        c.use(action.icon());
        EXPECT_EQ(made, c.madeAfterUse);
    }
}

TEST(StockIcons, TheStripGivesTheStylesOwnPicturesAtEachSize)
{
    // The strip is drawn by Fusion when the program is built.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QStyle* style = QApplication::style();
    for (const QStyle::StandardPixmap kind : stockIconKinds()) {
        SCOPED_TRACE(int(kind));
        const QIcon stock = stockIcon(kind);
        const QIcon own = style->standardIcon(kind);
        for (const int size : {16, 24, 32}) {
            const QImage expected = imageOf(own, size);
            if (blank(expected))
                EXPECT_TRUE(blank(imageOf(stock, size))) << size;
            else
                EXPECT_LE(largestDifference(imageOf(stock, size), expected), 1) << size;
        }
    }
    // A picture the style has no stock copy of comes from the style.
    EXPECT_EQ(largestDifference(imageOf(stockIcon(QStyle::SP_MediaPlay), 16),
                                imageOf(style->standardIcon(QStyle::SP_MediaPlay), 16)),
              0);
}

TEST(StockIcons, StandardIconsOfTheApplicationStyleAreMadeOnFirstUse)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QImage before = imageOf(QApplication::style()->standardIcon(QStyle::SP_TrashIcon), 24);
    makeStandardIconsOnFirstUse();
    makeStandardIconsOnFirstUse(); // once: no proxy of a proxy
    auto* proxy = dynamic_cast<FirstUseIconStyle*>(QApplication::style());
    ASSERT_NE(proxy, nullptr);
    EXPECT_EQ(dynamic_cast<FirstUseIconStyle*>(proxy->baseStyle()), nullptr);
    EXPECT_EQ(imageOf(QApplication::style()->standardIcon(QStyle::SP_TrashIcon), 24), before);
}
