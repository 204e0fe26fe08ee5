#include "altdays/altdayswindow.h"

#include "ui/qtuserdialogs.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vyn {

namespace {

constexpr int kDateColumnWidth = 80;
constexpr int kWeekdayColumnWidth = 150;

} // namespace

AltDaysWindow::AltDaysWindow(AltDayEditorSettings settings, UserDialogs* dialogs, QWidget* parent)
    : QDialog(parent), m_editor(std::move(settings)), m_dialogs(dialogs)
{
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<QtUserDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    setWindowTitle(m_editor.windowTitle());
    // Fixed border with system menu and minimize box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("mc"));
    m_calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
    m_calendar->setFirstDayOfWeek(Qt::Monday);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    m_calendar->setGridVisible(false);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_tabs->addTab(buildPage(AltDayPage::Alternative, 1), QStringLiteral("Альтернативные"));
    m_tabs->addTab(buildPage(AltDayPage::Holidays, 2), QStringLiteral("Праздничные"));
    m_tabs->setCurrentIndex(static_cast<int>(AltDayPage::Holidays));

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 6);
    body->setSpacing(6);
    body->addWidget(m_calendar);
    body->addWidget(m_tabs, 1);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    QMenuBar* menu = buildMenu();
    root->setMenuBar(menu);
    root->addLayout(body);

    // The client area lies below the menu, as on the original's form.
    const QSize client = m_editor.settings().clientSize;
    setFixedSize(client.width(), client.height() + menu->sizeHint().height());

    connect(m_calendar, &QCalendarWidget::clicked, this, [this](QDate d) { pickDate(d); });
    connect(m_calendar, &QCalendarWidget::activated, this, [this](QDate d) { pickDate(d); });
    connect(m_calendar, &QCalendarWidget::selectionChanged, this, [this] {
        if (!m_syncing)
            m_editor.setCalendarDate(m_calendar->selectedDate());
    });

    showInitialState();
}

AltDaysWindow::~AltDaysWindow() = default;

QWidget* AltDaysWindow::buildPage(AltDayPage page, int number)
{
    auto* widget = new QWidget;
    Page& p = m_pages[static_cast<std::size_t>(page)];

    p.list = new QTableWidget(0, 2, widget);
    p.list->setObjectName(QStringLiteral("ListView%1").arg(number));
    p.list->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("День недели")});
    p.list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    p.list->setSelectionBehavior(QAbstractItemView::SelectRows);
    p.list->setSelectionMode(QAbstractItemView::SingleSelection);
    p.list->setShowGrid(true);
    p.list->setWordWrap(false);
    p.list->setCornerButtonEnabled(false);
    p.list->verticalHeader()->hide();
    p.list->verticalHeader()->setDefaultSectionSize(p.list->fontMetrics().height() + 4);
    p.list->horizontalHeader()->setSectionsClickable(false);
    p.list->horizontalHeader()->setHighlightSections(false);
    p.list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    p.list->setColumnWidth(0, kDateColumnWidth);
    p.list->setColumnWidth(1, kWeekdayColumnWidth);
    p.list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for both columns and a scroll bar once the list is longer than the page.
    p.list->setFixedWidth(kDateColumnWidth + kWeekdayColumnWidth + 2 * p.list->frameWidth() +
                          p.list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    p.combo = new QComboBox(widget);
    p.combo->setObjectName(QStringLiteral("ComboBox%1").arg(number));
    p.combo->addItems(weekdayNames());

    const int first = 3 * (number - 1) + 1;
    p.add = new QPushButton(QStringLiteral("Добавить"), widget);
    p.add->setObjectName(QStringLiteral("Button%1").arg(first));
    p.remove = new QPushButton(QStringLiteral("Удалить"), widget);
    p.remove->setObjectName(QStringLiteral("Button%1").arg(first + 1));
    p.change = new QPushButton(QStringLiteral("Изменить"), widget);
    p.change->setObjectName(QStringLiteral("Button%1").arg(first + 2));
    for (QPushButton* b : {p.add, p.remove, p.change})
        b->setAutoDefault(false);

    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    side->addWidget(p.combo);
    side->addWidget(p.add);
    side->addWidget(p.remove);
    side->addWidget(p.change);
    side->addStretch(1);

    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(p.list);
    layout->addLayout(side);

    connect(p.list, &QTableWidget::cellClicked, this,
            [this, page](int row, int) { pickEntry(page, row); });
    connect(p.list, &QTableWidget::itemSelectionChanged, this, [this, page, list = p.list] {
        if (m_syncing)
            return;
        const QModelIndexList rows = list->selectionModel()->selectedRows();
        m_editor.select(page, rows.isEmpty() ? -1 : rows.first().row());
        RePaintButton();
    });
    connect(p.combo, &QComboBox::currentIndexChanged, this, [this, page](int index) {
        if (!m_syncing)
            m_editor.setWeekday(page, index);
    });
    connect(p.add, &QPushButton::clicked, this, [this] { addEntry(); });
    connect(p.remove, &QPushButton::clicked, this, [this] { deleteEntry(); });
    connect(p.change, &QPushButton::clicked, this, [this] { changeEntry(); });
    return widget;
}

QMenuBar* AltDaysWindow::buildMenu()
{
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    const auto item = [this, file](const QString& text, const char* name,
                                   void (AltDaysWindow::*slot)()) {
        QAction* action = file->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
    };
    item(QStringLiteral("&Открыть"), "N2", &AltDaysWindow::openFile);
    file->addSeparator();
    item(QStringLiteral("&Сохранить"), "N4", &AltDaysWindow::saveFile);
    item(QStringLiteral("Сохранить &как..."), "N5", &AltDaysWindow::saveFileAs);
    file->addSeparator();
    item(QStringLiteral("&Выход"), "N9", &AltDaysWindow::exitWindow);
    return bar;
}

AltDayPage AltDaysWindow::activePage() const
{
    return m_tabs->currentIndex() == static_cast<int>(AltDayPage::Alternative)
               ? AltDayPage::Alternative
               : AltDayPage::Holidays;
}

void AltDaysWindow::refresh()
{
    m_syncing = true;
    m_calendar->setSelectedDate(m_editor.calendarDate());
    for (AltDayPage page : {AltDayPage::Alternative, AltDayPage::Holidays}) {
        Page& p = m_pages[static_cast<std::size_t>(page)];
        const QList<AltDay>& entries = m_editor.entries(page);
        // Selection and current row both go: a highlighted row is the one the
        // buttons act on.
        p.list->selectionModel()->clear();
        p.list->setRowCount(static_cast<int>(entries.size()));
        for (int row = 0; row < entries.size(); ++row) {
            const AltDay& entry = entries.at(row);
            p.list->setItem(row, 0, new QTableWidgetItem(m_editor.dateText(entry)));
            p.list->setItem(row, 1, new QTableWidgetItem(AltDayEditor::weekdayText(entry)));
        }
        const int selected = m_editor.selected(page);
        if (selected >= 0) {
            p.list->selectRow(selected);
            p.list->scrollToItem(p.list->item(selected, 0));
        }
        p.combo->setCurrentIndex(m_editor.weekday(page));
    }
    m_syncing = false;
    setWindowTitle(m_editor.windowTitle());
    RePaintButton();
}

void AltDaysWindow::showInitialState()
{
    refresh();
}

void AltDaysWindow::pickDate(const QDate& date)
{
    m_editor.calendarClicked(date);
    refresh();
}

void AltDaysWindow::pickEntry(AltDayPage page, int row)
{
    m_editor.entryClicked(page, row);
    refresh();
}

void AltDaysWindow::addEntry()
{
    if (m_editor.add(activePage()))
        refresh();
}

void AltDaysWindow::deleteEntry()
{
    if (m_editor.remove(activePage()))
        refresh();
}

void AltDaysWindow::changeEntry()
{
    if (m_editor.change(activePage()))
        refresh();
}

void AltDaysWindow::RePaintButton()
{
    for (AltDayPage page : {AltDayPage::Alternative, AltDayPage::Holidays}) {
        const AltDayButtons state = m_editor.buttons(page);
        Page& p = m_pages[static_cast<std::size_t>(page)];
        p.add->setEnabled(state.add);
        p.remove->setEnabled(state.remove);
        p.change->setEnabled(state.change);
    }
}

void AltDaysWindow::openFile()
{
    m_editor.open(*m_dialogs);
    refresh();
}

void AltDaysWindow::saveFile()
{
    m_editor.save(*m_dialogs);
    refresh();
}

void AltDaysWindow::saveFileAs()
{
    m_editor.saveAs(*m_dialogs);
    refresh();
}

void AltDaysWindow::exitWindow()
{
    close();
}

void AltDaysWindow::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(s->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void AltDaysWindow::closeEvent(QCloseEvent* event)
{
    const bool close = m_editor.confirmDiscard(*m_dialogs);
    refresh();
    if (close)
        QDialog::closeEvent(event); // ends a modal exec()
    else
        event->ignore();
}

void AltDaysWindow::keyPressEvent(QKeyEvent* event)
{
    // In VynData Escape does not close the editor: that would end the program.
    if (event->key() == Qt::Key_Escape && !m_escapeCloses) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vyn
