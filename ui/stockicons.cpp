#include "stockicons.h"

#include <QApplication>
#include <QFile>
#include <QProxyStyle>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cstring>

namespace vyn {

namespace {

// The sizes of menus, tool bars and buttons at one device pixel per pixel.
constexpr int kSizes[] = {16, 24, 32};
constexpr int kCell = 32;
const QString kStripFile = QStringLiteral(":/setvyn/stock-icons.argb");

int rowOf(int sizeIndex)
{
    int y = 0;
    for (int i = 0; i < sizeIndex; ++i)
        y += kSizes[i];
    return y;
}

QString styleName(QStyle* style)
{
    if (auto* proxy = qobject_cast<QProxyStyle*>(style))
        return styleName(proxy->baseStyle());
    return style ? style->name() : QString();
}

// The strip of this build, when the running style drew it; null otherwise. Kept
// as raw pixels after a line of the style's name and one of the width and height:
// nothing to decode.
const QImage& builtStrip()
{
    static const QImage strip = [] {
        QFile file(kStripFile);
        if (!file.open(QIODevice::ReadOnly))
            return QImage();
        const QString style = QString::fromUtf8(file.readLine()).trimmed();
        const QList<QByteArray> size = file.readLine().trimmed().split(' ');
        const int width = size.value(0).toInt();
        const int height = size.value(1).toInt();
        const QByteArray pixels = file.readAll();
        if (style != styleName(QApplication::style()) || width <= 0 || height <= 0 ||
            pixels.size() != qsizetype(width) * height * 4)
            return QImage();
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), pixels.constData() + qsizetype(y) * width * 4,
                        std::size_t(width) * 4);
        return image;
    }();
    return strip;
}

} // namespace

const std::vector<QStyle::StandardPixmap>& stockIconKinds()
{
    static const std::vector<QStyle::StandardPixmap> kinds{
        QStyle::SP_FileIcon,         QStyle::SP_ArrowDown,
        QStyle::SP_FileDialogContentsView, QStyle::SP_FileDialogDetailedView,
        QStyle::SP_FileDialogInfoView, QStyle::SP_DriveNetIcon,
        QStyle::SP_ComputerIcon,     QStyle::SP_DialogCloseButton,
        QStyle::SP_DialogHelpButton, QStyle::SP_MessageBoxInformation,
        QStyle::SP_FileDialogListView, QStyle::SP_FileLinkIcon,
        QStyle::SP_TrashIcon,        QStyle::SP_DialogOpenButton,
        QStyle::SP_DialogSaveButton, QStyle::SP_BrowserReload,
        QStyle::SP_BrowserStop,
    };
    return kinds;
}

QImage drawStockIconStrip(QStyle& style)
{
    const auto& kinds = stockIconKinds();
    QImage strip(kCell * static_cast<int>(kinds.size()), rowOf(std::size(kSizes)),
                 QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            const QIcon icon = style.standardIcon(kinds[k]);
            for (std::size_t s = 0; s < std::size(kSizes); ++s) {
                const int size = kSizes[s];
                // A size the style does not have stays empty: the icon gives its
                // nearer smaller picture then, as the style's own does.
                const QPixmap picture = icon.pixmap(QSize(size, size), 1.0);
                if (picture.size() == QSize(size, size))
                    painter.drawPixmap(kCell * static_cast<int>(k), rowOf(static_cast<int>(s)),
                                       picture);
            }
        }
    }
    return strip;
}

bool writeStockIconStrip(QStyle& style, const QString& path)
{
    const QImage strip = drawStockIconStrip(style);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(styleName(&style).toUtf8() + '\n');
    file.write(QByteArray::number(strip.width()) + ' ' + QByteArray::number(strip.height()) + '\n');
    for (int y = 0; y < strip.height(); ++y)
        file.write(reinterpret_cast<const char*>(strip.constScanLine(y)), qsizetype(strip.width()) * 4);
    return file.error() == QFileDevice::NoError;
}

QIcon stockIcon(QStyle::StandardPixmap kind)
{
    const auto& kinds = stockIconKinds();
    const auto at = std::find(kinds.begin(), kinds.end(), kind);
    const QImage& strip = builtStrip();
    // Sharper screens take the style's larger pictures.
    if (at == kinds.end() || strip.isNull() || qApp->devicePixelRatio() > 1.0)
        return QApplication::style()->standardIcon(kind);
    const int x = kCell * static_cast<int>(at - kinds.begin());
    QIcon icon;
    for (std::size_t s = 0; s < std::size(kSizes); ++s) {
        const int size = kSizes[s];
        const QImage cell = strip.copy(x, rowOf(static_cast<int>(s)), size, size);
        // An empty cell: the style has no picture of this size.
        bool drawn = false;
        for (int y = 0; y < size && !drawn; ++y)
            for (int c = 0; c < size && !drawn; ++c)
                drawn = qAlpha(cell.pixel(c, y)) != 0;
        if (drawn)
            icon.addPixmap(QPixmap::fromImage(cell));
    }
    return icon;
}

} // namespace vyn
