#pragma once
// A channel table on screen: one grid row per channel row (the column captions
// are the header), in-cell drop-downs or text fields offering what the editor's
// rules return, and the pop-up "Очистить таблицу". The grid holds no values of
// its own: every finished edit goes to the change handler, which changes the
// record, and the window shows the table again.

#include "editor/editorcontext.h"
#include "model/configrecord.h"

#include <QStyledItemDelegate>
#include <QTableWidget>
#include <functional>

namespace vyn {

class ChannelGrid;

class ChannelCellDelegate : public QStyledItemDelegate
{
public:
    explicit ChannelCellDelegate(ChannelGrid& grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget*, const QModelIndex&) const override {}
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

    // Lists pop up as soon as their cell is edited (off while a test or the grid
    // itself drives the editor).
    bool autoPopup = true;

private:
    ChannelGrid& m_grid;
};

class ChannelGrid : public QTableWidget
{
public:
    // Rows and columns are the record's: row 1 is the first channel row.
    using ChoiceFn = std::function<CellChoice(int row, int column)>;
    using ChangeFn =
        std::function<void(int row, int column, const QString& remembered, const QString& text)>;

    ChannelGrid(TableKind kind, QWidget* parent = nullptr);

    TableKind kind() const { return m_kind; }
    void setChoiceHandler(ChoiceFn fn) { m_choice = std::move(fn); }
    void setChangeHandler(ChangeFn fn) { m_change = std::move(fn); }
    void setClearHandler(std::function<void()> fn) { m_clear = std::move(fn); }
    // Delete on a cell that is not being edited.
    void setDeleteHandler(std::function<void(int row, int column)> fn) { m_delete = std::move(fn); }

    // Shows the table's cells; rows without designation and the system column
    // cannot be selected.
    void showTable(const ChannelTable& table);
    QString cellText(int row, int column) const;

    // Whether the drop-down of a list cell takes typed text as well.
    static bool listTakesTypedText(TableKind kind, int column);

    // The editor of a cell as the user gets it; none for a cell that cannot be edited.
    QWidget* openEditor(int row, int column);
    // Ends the open edit: commits it (like Enter) or throws it away (like Escape).
    void finishEdit(bool commit);
    // A whole edit: the text chosen from the list (or typed into a text cell).
    // False when the cell cannot be edited or its list does not offer the text.
    bool editCell(int row, int column, const QString& text);
    // What the cell's drop-down offers; empty for a locked or free-text cell.
    QStringList offered(int row, int column);

    // The pop-up command of the grid.
    QAction* clearAction() const { return m_clearAction; }

    CellChoice choiceFor(int row, int column) const
    {
        return m_choice ? m_choice(row, column) : CellChoice::locked();
    }
    void changed(int row, int column, const QString& remembered, const QString& text)
    {
        if (m_change)
            m_change(row, column, remembered, text);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void applyWidths();
    QWidget* openEditorWidget() const;

    TableKind m_kind;
    ChannelCellDelegate* m_delegate;
    QAction* m_clearAction;
    ChoiceFn m_choice;
    ChangeFn m_change;
    std::function<void()> m_clear;
    std::function<void(int, int)> m_delete;
};

} // namespace vyn
