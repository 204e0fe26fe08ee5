#include "firstuseicon.h"

#include <QApplication>
#include <QPointer>
#include <QStyleFactory>
#include <QWidget>

namespace vyn {

FirstUseIcon::FirstUseIcon(std::function<QIcon()> make, bool knownNotNull)
    : m_make(std::move(make)), m_knownNotNull(knownNotNull)
{
}

void FirstUseIcon::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize FirstUseIcon::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return icon().actualSize(size, mode, state);
}

QPixmap FirstUseIcon::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return icon().pixmap(size, mode, state);
}

QPixmap FirstUseIcon::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                   qreal scale)
{
    // size is in device pixels.
    return icon().pixmap(size / scale, scale, mode, state);
}

QList<QSize> FirstUseIcon::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return icon().availableSizes(mode, state);
}

QString FirstUseIcon::iconName()
{
    return icon().name();
}

bool FirstUseIcon::isNull()
{
    return !m_knownNotNull && icon().isNull();
}

QString FirstUseIcon::key() const
{
    return QStringLiteral("FirstUseIcon");
}

QIconEngine* FirstUseIcon::clone() const
{
    return new FirstUseIcon(*this);
}

QIcon& FirstUseIcon::icon()
{
    if (!m_icon)
        m_icon = m_make ? m_make() : QIcon();
    return *m_icon;
}

QIcon FirstUseIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const
{
    // An option is the caller's, gone by the first use.
    if (option)
        return QProxyStyle::standardIcon(icon, option, widget);
    const QPointer<QStyle> base(baseStyle());
    const QPointer<QWidget> forWidget(const_cast<QWidget*>(widget));
    return QIcon(new FirstUseIcon([base, forWidget, icon] {
        return base ? base->standardIcon(icon, nullptr, forWidget.data()) : QIcon();
    }));
}

void makeStandardIconsOnFirstUse()
{
    QStyle* current = QApplication::style();
    if (!current || dynamic_cast<FirstUseIconStyle*>(current))
        return;
    // The proxy owns its base: a new one of the same style, the application's
    // own is deleted when replaced.
    QStyle* base = QStyleFactory::create(current->name());
    if (!base)
        return;
    QApplication::setStyle(new FirstUseIconStyle(base));
}

} // namespace vyn
