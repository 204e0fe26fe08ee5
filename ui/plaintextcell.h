#pragma once
// A list cell of one line of plain text, painted with one text layout. The
// style lays a cell's text out three times (its size, its elision, its
// drawing); a screen of a long list holds hundreds of such cells.

class QPainter;
class QStyleOptionViewItem;

namespace vyn {

// Paints the cell as the style would when it is plain text that fits: one
// line, left to right, no icon, check box, selection, focus or editor, and the
// style paints cells as Qt's common style does. False, with nothing painted,
// otherwise: the style paints it then.
bool paintPlainTextCell(QPainter* painter, const QStyleOptionViewItem& option);

} // namespace vyn
