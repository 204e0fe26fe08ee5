#pragma once
// Icons made when they are first painted or measured. The style's stock images
// are decoded in every size they come in as soon as an icon is made, and most
// icons of a window are never seen at start (menus, hidden buttons).

#include <QIcon>
#include <QIconEngine>
#include <QProxyStyle>
#include <functional>
#include <optional>

namespace vyn {

class FirstUseIcon : public QIconEngine
{
public:
    // knownNotNull: make() always gives an image, so a widget may learn that it
    // has one without making it.
    explicit FirstUseIcon(std::function<QIcon()> make, bool knownNotNull = false);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString iconName() override;
    bool isNull() override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    QIcon& icon();

    std::function<QIcon()> m_make;
    bool m_knownNotNull;
    std::optional<QIcon> m_icon;
};

// The application's style, its standard icons made on first use.
class FirstUseIconStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option,
                       const QWidget* widget) const override;
};

// Puts the application's style under FirstUseIconStyle, once.
void makeStandardIconsOnFirstUse();

} // namespace vyn
