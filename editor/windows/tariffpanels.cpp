#include "editor/windows/tariffpanels.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vyn {

namespace {

constexpr int kDayRowHeight = 20;

QComboBox* listOf(const QStringList& items, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->addItems(items);
    combo->setCurrentIndex(0);
    return combo;
}

QTableWidgetItem* fixedItem(const QString& text)
{
    auto* it = new QTableWidgetItem(text);
    it->setFlags(Qt::ItemIsEnabled);
    it->setTextAlignment(Qt::AlignCenter);
    it->setBackground(QColor(0xE6, 0xEC, 0xF5));
    return it;
}

} // namespace

// --- time picker -----------------------------------------------------------------

TimePickerDialog::TimePickerDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Время"));
    setModal(true);
    m_hoursList = listOf(hourTexts(), this);
    m_minutesList = listOf(minuteTexts(), this);
    m_doneButton = new QPushButton(QStringLiteral("Готово"), this);
    m_cancelButton = new QPushButton(QStringLiteral("Отменить"), this);
    m_clearButton = new QPushButton(QStringLiteral("Очистить"), this);
    m_doneButton->setDefault(true);

    auto* lists = new QFormLayout;
    lists->addRow(QStringLiteral("Часы"), m_hoursList);
    lists->addRow(QStringLiteral("Минуты"), m_minutesList);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_doneButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_clearButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_doneButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_clearButton, &QPushButton::clicked, this, [this] {
        m_picker.clear();
        m_hoursList->setCurrentIndex(-1);
        m_minutesList->setCurrentIndex(-1);
    });
}

std::optional<QString> TimePickerDialog::pickTime()
{
    m_picker.show();
    m_hoursList->setCurrentText(m_picker.hours());
    m_minutesList->setCurrentText(m_picker.minutes());
    const bool done = exec() == QDialog::Accepted;
    if (!done)
        return std::nullopt;
    m_picker.setHours(m_hoursList->currentText());
    m_picker.setMinutes(m_minutesList->currentText());
    return m_picker.result(true, QString());
}

// --- generation-03 list ----------------------------------------------------------

TariffListPanel::TariffListPanel(ConfigRecord& record, QWidget* parent)
    : QGroupBox(QStringLiteral("Расписание"), parent), m_editor(record.TariffList)
{
    ListView1 = new QTreeWidget(this);
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels(
        {QStringLiteral("Время"), QStringLiteral("Тариф"), QStringLiteral("Условие")});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setColumnWidth(0, 60);
    ListView1->setColumnWidth(1, 55);
    ListView1->setMinimumHeight(140);

    m_hoursList = listOf(hourTexts(), this);
    m_minutesList = listOf(minuteTexts(), this);
    m_tariffList = listOf(tariffNames(), this);
    m_conditionList = listOf(tariffConditions(), this);
    m_addButton = new QPushButton(QStringLiteral("Добавить"), this);
    m_changeButton = new QPushButton(QStringLiteral("Изменить"), this);
    m_deleteButton = new QPushButton(QStringLiteral("Удалить"), this);
    m_deleteAllButton = new QPushButton(QStringLiteral("Удалить все"), this);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Часы:"), this), 0, 0);
    lists->addWidget(m_hoursList, 0, 1);
    lists->addWidget(new QLabel(QStringLiteral("Минуты:"), this), 0, 2);
    lists->addWidget(m_minutesList, 0, 3);
    lists->addWidget(new QLabel(QStringLiteral("Тариф:"), this), 0, 4);
    lists->addWidget(m_tariffList, 0, 5);
    lists->addWidget(new QLabel(QStringLiteral("Условие:"), this), 1, 0);
    lists->addWidget(m_conditionList, 1, 1, 1, 5);
    // A wider panel widens the list, not the controls.
    lists->setColumnStretch(6, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {m_addButton, m_changeButton, m_deleteButton, m_deleteAllButton}) {
        // The list changes only through a click: Enter in the editor's fields
        // must not add, change or delete an entry.
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1);
    layout->addLayout(lists);
    layout->addLayout(buttons);

    connect(ListView1, &QTreeWidget::itemSelectionChanged, this, [this] { ListView1Select(); });
    connect(m_addButton, &QPushButton::clicked, this, [this] { addEntry(); });
    connect(m_changeButton, &QPushButton::clicked, this, [this] { changeEntry(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteEntry(); });
    connect(m_deleteAllButton, &QPushButton::clicked, this, [this] { deleteAllEntries(); });
    showList();
}

void TariffListPanel::showList()
{
    const QSignalBlocker block(ListView1);
    ListView1->clear();
    for (int i = 0; i < m_editor.count(); ++i)
        ListView1->addTopLevelItem(new QTreeWidgetItem(m_editor.rowTexts(i)));
    updateButtons();
}

TariffListEditor::Choice TariffListPanel::choice() const
{
    return {m_hoursList->currentIndex(), m_minutesList->currentIndex(),
            m_tariffList->currentIndex(), m_conditionList->currentIndex()};
}

int TariffListPanel::selected() const
{
    const QList<QTreeWidgetItem*> items = ListView1->selectedItems();
    return items.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(items.first());
}

void TariffListPanel::updateButtons()
{
    m_addButton->setEnabled(m_editor.canAdd());
    for (QPushButton* b : {m_changeButton, m_deleteButton, m_deleteAllButton})
        b->setEnabled(m_editor.canEdit());
}

void TariffListPanel::ListView1Select()
{
    const int index = selected();
    if (index < 0)
        return;
    const TariffListEditor::Choice c = m_editor.choiceOf(index);
    m_hoursList->setCurrentIndex(c.hour);
    m_minutesList->setCurrentIndex(c.minute);
    m_tariffList->setCurrentIndex(c.tariff);
    m_conditionList->setCurrentIndex(c.condition);
}

void TariffListPanel::addEntry()
{
    if (m_editor.add(choice())) {
        showList();
        ListView1->setCurrentItem(ListView1->topLevelItem(m_editor.count() - 1));
    }
    updateButtons();
}

void TariffListPanel::changeEntry()
{
    const int index = selected();
    if (!m_editor.change(index, choice()))
        return;
    showList();
    ListView1->setCurrentItem(ListView1->topLevelItem(index));
}

void TariffListPanel::deleteEntry()
{
    if (m_editor.remove(selected()))
        showList();
}

void TariffListPanel::deleteAllEntries()
{
    m_editor.removeAll();
    showList();
}

// --- generation-04 day grids -------------------------------------------------------

QWidget* TariffCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex&) const
{
    auto* combo = new QComboBox(parent);
    combo->addItems(tariffNames());
    auto* self = const_cast<TariffCellDelegate*>(this);
    QObject::connect(combo, &QComboBox::activated, self, [self, combo] {
        Q_EMIT self->commitData(combo);
        Q_EMIT self->closeEditor(combo, QAbstractItemDelegate::NoHint);
    });
    return combo;
}

void TariffCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        combo->setCurrentIndex(combo->findText(index.data().toString()));
}

void TariffCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor); combo && combo->currentIndex() >= 0)
        model->setData(index, combo->currentText());
}

DayGridsPanel::DayGridsPanel(ConfigRecord& record, QWidget* parent)
    : QGroupBox(QStringLiteral("Расписание"), parent), m_record(record),
      m_picker(new TimePickerDialog(this))
{
    const QStringList titles{QStringLiteral("Рабочие дни"), QStringLiteral("Субботнее дни"),
                             QStringLiteral("Воскресные дни")};
    auto* layout = new QHBoxLayout(this);
    for (int d = 0; d < 3; ++d) {
        auto* grid = new QTableWidget(7, 3, this);
        grid->setHorizontalHeaderLabels(
            {QString(), QStringLiteral("Время"), QStringLiteral("Тариф")});
        grid->verticalHeader()->hide();
        grid->verticalHeader()->setDefaultSectionSize(kDayRowHeight);
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->horizontalHeader()->setFixedHeight(kDayRowHeight + 4);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setEditTriggers(QAbstractItemView::DoubleClicked |
                              QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed);
        grid->setItemDelegateForColumn(2, new TariffCellDelegate(grid));
        grid->setColumnWidth(0, 26);
        grid->setColumnWidth(1, 58);
        grid->setColumnWidth(2, 52);
        grid->setFixedSize(26 + 58 + 52 + 2 * grid->frameWidth(),
                           kDayRowHeight + 4 + 7 * kDayRowHeight + 2 * grid->frameWidth());
        grid->setItem(0, 0, fixedItem(QString()));
        grid->setItem(0, 1, fixedItem(QStringLiteral("00:00")));
        grid->setItem(0, 2, fixedItem(QStringLiteral("C1")));
        for (int r = 1; r <= 6; ++r) {
            grid->setItem(r, 0, fixedItem(QString::number(r)));
            auto* time = new QTableWidgetItem;
            time->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            time->setTextAlignment(Qt::AlignCenter);
            grid->setItem(r, 1, time);
            auto* tariff = new QTableWidgetItem;
            tariff->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
            tariff->setTextAlignment(Qt::AlignCenter);
            grid->setItem(r, 2, tariff);
        }
        m_grids[static_cast<std::size_t>(d)] = grid;

        auto* column = new QVBoxLayout;
        auto* title = new QLabel(titles.at(d), this);
        column->addWidget(title);
        column->addWidget(grid);
        column->addStretch();
        layout->addLayout(column);

        const auto day = static_cast<DayKind>(d);
        connect(grid, &QTableWidget::cellClicked, this, [this, day](int row, int col) {
            if (col == 1 && row >= 1)
                pickTime(day, row);
        });
        connect(grid, &QTableWidget::itemChanged, this,
                [this, day](QTableWidgetItem* it) { gridChanged(day, it->row(), it->column()); });
    }
    layout->addStretch();
    showSchedules();
}

void DayGridsPanel::showSchedules()
{
    m_showing = true;
    for (int d = 0; d < 3; ++d) {
        const DaySchedule& s = m_record.daySchedules[static_cast<std::size_t>(d)];
        QTableWidget* g = m_grids[static_cast<std::size_t>(d)];
        for (int r = 1; r <= 6; ++r) {
            g->item(r, 1)->setText(s[static_cast<std::size_t>(r - 1)].time);
            g->item(r, 2)->setText(s[static_cast<std::size_t>(r - 1)].tariff);
        }
    }
    m_showing = false;
}

void DayGridsPanel::pickTime(DayKind day, int entry)
{
    if (entry < 1 || entry > 6)
        return;
    const std::optional<QString> time = m_picker->pickTime();
    if (!time)
        return;
    DayEntry& e =
        m_record.daySchedules[static_cast<std::size_t>(day)][static_cast<std::size_t>(entry - 1)];
    e.time = *time;
    // An entry with a time and no tariff would be dropped by the stored row.
    if (!e.time.isEmpty() && e.tariff.isEmpty())
        e.tariff = QStringLiteral("C1");
    showSchedules();
}

void DayGridsPanel::gridChanged(DayKind day, int row, int column)
{
    if (m_showing || row < 1 || row > 6 || column != 2)
        return;
    m_record.daySchedules[static_cast<std::size_t>(day)][static_cast<std::size_t>(row - 1)].tariff =
        m_grids[static_cast<std::size_t>(day)]->item(row, column)->text();
}

} // namespace vyn
