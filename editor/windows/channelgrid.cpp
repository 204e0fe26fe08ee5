#include "editor/windows/channelgrid.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace vyn {

namespace {

constexpr int kRowHeight = 22;

QComboBox* comboOf(QWidget* w)
{
    return qobject_cast<QComboBox*>(w);
}

// The list entry a cell shows: the entry itself or the entry with its unit suffix.
int entryOfCell(const QComboBox& combo, const QString& text)
{
    for (int i = 0; i < combo.count(); ++i) {
        const QString item = combo.itemText(i);
        if (item == text || (!item.isEmpty() && text.startsWith(item + QLatin1Char(' '))))
            return i;
    }
    return -1;
}

std::vector<int> columnWidths(TableKind kind)
{
    switch (kind) {
    case TableKind::Flow:
        return {44, 132, 62, 78, 132, 72, 92, 92, 86, 70, 26};
    case TableKind::Thermo:
        return {44, 132, 66, 62, 56, 72, 92, 62, 62, 78, 26};
    case TableKind::Pressure:
        return {44, 132, 72, 72, 92, 26};
    }
    return {};
}

} // namespace

ChannelCellDelegate::ChannelCellDelegate(ChannelGrid& grid)
    : QStyledItemDelegate(&grid), m_grid(grid)
{
}

QWidget* ChannelCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                           const QModelIndex& index) const
{
    const int row = index.row() + 1;
    const int column = index.column();
    const CellChoice choice = m_grid.choiceFor(row, column);
    if (!choice.editable)
        return nullptr;
    const QString remembered = index.data().toString();
    QWidget* editor = nullptr;
    if (choice.hasList) {
        auto* combo = new QComboBox(parent);
        combo->setEditable(ChannelGrid::listTakesTypedText(m_grid.kind(), column));
        combo->addItems(choice.items);
        combo->setMaxVisibleItems(16);
        // The list opens as wide as its longest entry, however narrow the column.
        combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) +
                                       2 * combo->view()->frameWidth() + 20);
        const int at = entryOfCell(*combo, remembered);
        combo->setCurrentIndex(at);
        if (at < 0 && combo->isEditable())
            combo->setEditText(remembered);
        auto* self = const_cast<ChannelCellDelegate*>(this);
        // A choice from the list ends the edit at once.
        QObject::connect(combo, &QComboBox::activated, self, [self, combo] {
            Q_EMIT self->commitData(combo);
            Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::NoHint);
        });
        if (autoPopup && !combo->isEditable())
            QTimer::singleShot(0, combo, &QComboBox::showPopup);
        editor = combo;
    } else {
        auto* line = new QLineEdit(parent);
        line->setText(remembered);
        line->selectAll();
        editor = line;
    }
    editor->setProperty("remembered", remembered);
    return editor;
}

void ChannelCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                       const QModelIndex& index) const
{
    QString text;
    if (const QComboBox* combo = comboOf(editor))
        text = combo->currentText();
    else if (const auto* line = qobject_cast<QLineEdit*>(editor))
        text = line->text();
    // The grid is shown anew from the record; the model is not written here.
    m_grid.changed(index.row() + 1, index.column(), editor->property("remembered").toString(),
                   text.trimmed());
}

ChannelGrid::ChannelGrid(TableKind kind, QWidget* parent)
    : QTableWidget(parent), m_kind(kind), m_delegate(new ChannelCellDelegate(*this)),
      m_clearAction(new QAction(QStringLiteral("Очистить таблицу"), this))
{
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    setWordWrap(false);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    addAction(m_clearAction);
    connect(m_clearAction, &QAction::triggered, this, [this] {
        if (m_clear)
            m_clear();
    });
}

bool ChannelGrid::listTakesTypedText(TableKind kind, int column)
{
    // Catalogue values may be typed for an instrument the catalogue lacks; the
    // designation, power source, zone and archive are fixed words.
    switch (kind) {
    case TableKind::Flow:
        return column >= FlowCol::Type && column <= FlowCol::Fimp;
    case TableKind::Thermo:
        return column >= ThermoCol::Type && column <= ThermoCol::Length;
    case TableKind::Pressure:
        return column == PressureCol::PMax;
    }
    return false;
}

void ChannelGrid::showTable(const ChannelTable& table)
{
    const int columns = table.columnCount();
    const int rows = table.channelRows();
    if (columnCount() != columns) {
        setColumnCount(columns);
        QStringList captions;
        for (int c = 0; c < columns; ++c)
            captions << table.cell(0, c);
        setHorizontalHeaderLabels(captions);
        applyWidths();
    }
    setRowCount(rows);
    QFont bold = font();
    bold.setBold(true);
    const QColor unused(0xF0, 0xF0, 0xF0);
    const QColor designationBack(0xE6, 0xEC, 0xF5);
    const QColor lockedBack(0xF4, 0xF4, 0xF4);
    for (int r = 1; r <= rows; ++r) {
        const bool used = !table.designation(r).isEmpty();
        for (int c = 0; c < columns; ++c) {
            QTableWidgetItem* it = item(r - 1, c);
            if (!it) {
                it = new QTableWidgetItem;
                setItem(r - 1, c, it);
            }
            it->setText(table.cell(r, c));
            const bool designation = c == 0;
            const bool system = c == table.systemColumn();
            // A cell the rules lock can be neither selected nor edited, and looks it.
            const bool editable = used && !system && choiceFor(r, c).editable;
            it->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                  : Qt::ItemIsEnabled);
            it->setTextAlignment(designation || system ? Qt::AlignCenter
                                                       : Qt::AlignLeft | Qt::AlignVCenter);
            if (designation)
                it->setFont(bold);
            it->setBackground(!used         ? unused
                              : designation ? designationBack
                              : editable    ? QColor(Qt::white)
                                            : lockedBack);
            it->setForeground(editable || designation ? QColor(Qt::black)
                                                      : QColor(0x80, 0x80, 0x80));
        }
    }
    const int height = horizontalHeader()->height() + rows * kRowHeight + 2 * frameWidth();
    setFixedHeight(height);
}

void ChannelGrid::keyPressEvent(QKeyEvent* event)
{
    const QModelIndex at = currentIndex();
    if (event->key() == Qt::Key_Delete && state() != EditingState && at.isValid() &&
        (model()->flags(at) & Qt::ItemIsEditable)) {
        if (m_delete)
            m_delete(at.row() + 1, at.column());
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

QString ChannelGrid::cellText(int row, int column) const
{
    const QTableWidgetItem* it = item(row - 1, column);
    return it ? it->text() : QString();
}

void ChannelGrid::applyWidths()
{
    const std::vector<int> widths = columnWidths(m_kind);
    int total = 0;
    for (int c = 0; c < columnCount() && c < static_cast<int>(widths.size()); ++c) {
        setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
        total += widths[static_cast<std::size_t>(c)];
    }
    horizontalHeader()->setFixedHeight(kRowHeight + 4);
    setFixedWidth(total + 2 * frameWidth());
}

QWidget* ChannelGrid::openEditorWidget() const
{
    return indexWidget(currentIndex());
}

QWidget* ChannelGrid::openEditor(int row, int column)
{
    const QModelIndex index = model()->index(row - 1, column);
    if (!index.isValid() || !(model()->flags(index) & Qt::ItemIsEditable))
        return nullptr;
    setCurrentIndex(index);
    edit(index);
    return indexWidget(index);
}

void ChannelGrid::finishEdit(bool commit)
{
    QWidget* editor = openEditorWidget();
    if (!editor)
        return;
    if (commit)
        commitData(editor);
    closeEditor(editor,
                commit ? QAbstractItemDelegate::NoHint : QAbstractItemDelegate::RevertModelCache);
}

bool ChannelGrid::editCell(int row, int column, const QString& text)
{
    m_delegate->autoPopup = false;
    QWidget* editor = openEditor(row, column);
    m_delegate->autoPopup = true;
    if (!editor)
        return false;
    if (QComboBox* combo = comboOf(editor)) {
        const int at = combo->findText(text, Qt::MatchExactly);
        if (at < 0 && !combo->isEditable()) {
            finishEdit(false);
            return false;
        }
        if (at >= 0)
            combo->setCurrentIndex(at);
        else
            combo->setEditText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setText(text);
    }
    finishEdit(true);
    return true;
}

QStringList ChannelGrid::offered(int row, int column)
{
    m_delegate->autoPopup = false;
    QWidget* editor = openEditor(row, column);
    m_delegate->autoPopup = true;
    QStringList items;
    if (const QComboBox* combo = comboOf(editor))
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
    finishEdit(false);
    return items;
}

} // namespace vyn
