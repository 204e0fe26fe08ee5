#pragma once
// The two "Расписание" panels below the editor's tables: the tariff list of
// generation-03 devices and the three day grids of generation-04 devices, with
// the time picker "Время" of the day grids. Both edit the record directly.

#include "editor/tariffeditors.h"

#include <QDialog>
#include <QGroupBox>
#include <QStyledItemDelegate>
#include <array>

class QComboBox;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace vyn {

// "Время": hours and minutes of a day-grid entry.
class TimePickerDialog : public QDialog
{
public:
    explicit TimePickerDialog(QWidget* parent = nullptr);

    // Shows the picker modally with both lists at "00"; the new text of the
    // time cell (hh:mm, or empty after "Очистить"), or none when cancelled.
    std::optional<QString> pickTime();

    QComboBox* hoursList() const { return m_hoursList; }
    QComboBox* minutesList() const { return m_minutesList; }
    QPushButton* doneButton() const { return m_doneButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QPushButton* clearButton() const { return m_clearButton; }

private:
    TimePicker m_picker;
    QComboBox* m_hoursList = nullptr;      // "Часы"
    QComboBox* m_minutesList = nullptr;    // "Минуты"
    QPushButton* m_doneButton = nullptr;   // "Готово"
    QPushButton* m_cancelButton = nullptr; // "Отменить"
    QPushButton* m_clearButton = nullptr;  // "Очистить"
};

// The generation-03 list editor over the record's TariffList.
class TariffListPanel : public QGroupBox
{
public:
    explicit TariffListPanel(ConfigRecord& record, QWidget* parent = nullptr);

    // Shows the record's list; the four lists stay where they are.
    void showList();

    QTreeWidget* list() const { return ListView1; }
    QComboBox* hoursList() const { return m_hoursList; }
    QComboBox* minutesList() const { return m_minutesList; }
    QComboBox* tariffList() const { return m_tariffList; }
    QComboBox* conditionList() const { return m_conditionList; }
    QPushButton* addButton() const { return m_addButton; }
    QPushButton* changeButton() const { return m_changeButton; }
    QPushButton* deleteButton() const { return m_deleteButton; }
    QPushButton* deleteAllButton() const { return m_deleteAllButton; }

private:
    TariffListEditor::Choice choice() const;
    int selected() const;
    void updateButtons();
    void ListView1Select();
    void addEntry();         // "Добавить"
    void changeEntry();      // "Изменить"
    void deleteEntry();      // "Удалить"
    void deleteAllEntries(); // "Удалить все"

    TariffListEditor m_editor;
    QTreeWidget* ListView1 = nullptr;
    QComboBox* m_hoursList = nullptr;
    QComboBox* m_minutesList = nullptr;
    QComboBox* m_tariffList = nullptr;
    QComboBox* m_conditionList = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_changeButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_deleteAllButton = nullptr;
};

// The tariff column of a day grid: "C1", "C2", "C3".
class TariffCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};

// The generation-04 day grids "Рабочие дни", "Субботнее дни", "Воскресные дни".
class DayGridsPanel : public QGroupBox
{
public:
    explicit DayGridsPanel(ConfigRecord& record, QWidget* parent = nullptr);

    // Shows the record's schedules.
    void showSchedules();

    // Grid of a day kind: row 0 is the fixed 00:00 "C1", rows 1..6 the entries.
    QTableWidget* grid(DayKind day) const { return m_grids[static_cast<std::size_t>(day)]; }
    TimePickerDialog* timePicker() const { return m_picker; }
    // What a click on the time cell of an entry (1..6) does.
    void pickTime(DayKind day, int entry);

private:
    void gridChanged(DayKind day, int row, int column);

    ConfigRecord& m_record;
    std::array<QTableWidget*, 3> m_grids{};
    TimePickerDialog* m_picker = nullptr;
    bool m_showing = false;
};

} // namespace vyn
