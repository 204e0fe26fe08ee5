#pragma once
// The two "Расписание" panels below the editor's tables: the tariff list of
// generation-03 devices and the three day grids of generation-04 devices, with
// the time picker "Время" of the day grids. Both edit the record directly.

#include "tariffeditors.h"

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
class TFormTime : public QDialog
{
public:
    explicit TFormTime(QWidget* parent = nullptr);

    // Shows the picker modally with both lists at "00"; the new text of the
    // time cell (hh:mm, or empty after "Очистить"), or none when cancelled.
    std::optional<QString> pickTime();

    QComboBox* hoursList() const { return ComboBox1; }
    QComboBox* minutesList() const { return ComboBox2; }
    QPushButton* doneButton() const { return BitBtn1; }
    QPushButton* cancelButton() const { return BitBtn2; }
    QPushButton* clearButton() const { return BitBtn3; }

private:
    TimePicker m_picker;
    QComboBox* ComboBox1 = nullptr; // "Часы"
    QComboBox* ComboBox2 = nullptr; // "Минуты"
    QPushButton* BitBtn1 = nullptr; // "Готово"
    QPushButton* BitBtn2 = nullptr; // "Отменить"
    QPushButton* BitBtn3 = nullptr; // "Очистить"
};

// The generation-03 list editor over the record's TariffList.
class TariffListPanel : public QGroupBox
{
public:
    explicit TariffListPanel(ConfigRecord& record, QWidget* parent = nullptr);

    // Shows the record's list; the four lists stay where they are.
    void showList();

    QTreeWidget* list() const { return ListView1; }
    QComboBox* hoursList() const { return ComboBox1; }
    QComboBox* minutesList() const { return ComboBox2; }
    QComboBox* tariffList() const { return ComboBox3; }
    QComboBox* conditionList() const { return ComboBox4; }
    QPushButton* addButton() const { return Button1; }
    QPushButton* changeButton() const { return Button2; }
    QPushButton* deleteButton() const { return Button3; }
    QPushButton* deleteAllButton() const { return Button4; }

private:
    TariffListEditor::Choice choice() const;
    int selected() const;
    void updateButtons();
    void ListView1Select();
    void Button1Click(); // "Добавить"
    void Button2Click(); // "Изменить"
    void Button3Click(); // "Удалить"
    void Button4Click(); // "Удалить все"

    TariffListEditor m_editor;
    QTreeWidget* ListView1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QComboBox* ComboBox4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
};

// The tariff column of a day grid: "C1", "C2", "C3".
class TariffCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
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
    TFormTime* timePicker() const { return m_picker; }
    // What a click on the time cell of an entry (1..6) does.
    void pickTime(DayKind day, int entry);

private:
    void gridChanged(DayKind day, int row, int column);

    ConfigRecord& m_record;
    std::array<QTableWidget*, 3> m_grids{};
    TFormTime* m_picker = nullptr;
    bool m_showing = false;
};

} // namespace vyn
