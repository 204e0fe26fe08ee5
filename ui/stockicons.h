#pragma once
// The style's pictures the commands fall back on where the icon theme has none,
// drawn once when the program is built into one strip at the sizes the windows
// use: a start decodes one small image instead of every size of every picture.

#include <QIcon>
#include <QImage>
#include <QStyle>
#include <vector>

namespace vyn {

const std::vector<QStyle::StandardPixmap>& stockIconKinds();
// The strip of stockIconKinds() as this style draws them, and the file of it
// the program is built with.
QImage drawStockIconStrip(QStyle& style);
bool writeStockIconStrip(QStyle& style, const QString& path);
// From the built strip when it was drawn by the application's style at this
// pixel ratio; the style's own icon otherwise.
QIcon stockIcon(QStyle::StandardPixmap kind);

} // namespace vyn
