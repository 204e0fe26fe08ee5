#include "app/windows/mainwindow.h"

#include "altdays/altdayswindow.h"
#include "app/windows/aboutwindow.h"
#include "app/windows/browsingstatus.h"
#include "app/windows/commsettingsdialog.h"
#include "app/windows/helpwindow.h"
#include "model/inifile.h"
#include "model/settingskeys.h"
#include "model/storedrow.h"
#include "model/userdialogs.h"
#include "ui/firstuseicon.h"
#include "ui/gridtableview.h"
#include "ui/plaintextcell.h"
#include "ui/stockicons.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace vyn {

namespace {

namespace keys = settingskeys::mainWindow;
const QString& kSection = keys::kSection;
constexpr int kClientWidth = 932;
constexpr int kClientHeight = 579;
constexpr int kColumnWidths[kBrowsingColumns] = {120, 120, 69, 80, 194, 161};
constexpr int kPanelWidths[4] = {50, 50, 200, 50};
// The frame's title bar above the stored client area, and how much of it must
// lie on a screen for the user to grab it.
constexpr int kTitleBarHeight = 24;
constexpr int kGrabWidth = 100;

// A theme icon, or the style's own picture where the theme has none.
QIcon themeIcon(const QString& name, QStyle::StandardPixmap fallback, const QWidget*)
{
    // Most commands show their icon only in a menu that may never open.
    return QIcon(new FirstUseIcon(
        [name, fallback] {
            return QIcon::hasThemeIcon(name) ? QIcon::fromTheme(name) : stockIcon(fallback);
        },
        true));
}

QStyle::StandardPixmap fallbackFor(const QString& icon)
{
    static const QHash<QString, QStyle::StandardPixmap> map{
        {QStringLiteral("document-new"), QStyle::SP_FileIcon},
        {QStringLiteral("document-send"), QStyle::SP_ArrowDown},
        {QStringLiteral("document-print-preview"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("document-print"), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("document-edit"), QStyle::SP_FileDialogInfoView},
        {QStringLiteral("network-wired"), QStyle::SP_DriveNetIcon},
        {QStringLiteral("preferences-desktop"), QStyle::SP_ComputerIcon},
        {QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton},
        {QStringLiteral("help-contents"), QStyle::SP_DialogHelpButton},
        {QStringLiteral("help-about"), QStyle::SP_MessageBoxInformation},
        {QStringLiteral("x-office-calendar"), QStyle::SP_FileDialogListView},
        {QStringLiteral("edit-copy"), QStyle::SP_FileLinkIcon},
        {QStringLiteral("edit-delete"), QStyle::SP_TrashIcon},
        {QStringLiteral("document-open"), QStyle::SP_DialogOpenButton},
        {QStringLiteral("document-save-as"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("view-refresh"), QStyle::SP_BrowserReload},
        {QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView},
    };
    return map.value(icon, QStyle::SP_FileIcon);
}

int storedInt(const IniFile& ini, const QString& key, bool& ok)
{
    const QString text = ini.readString(kSection, key);
    bool good = false;
    const int v = text.toInt(&good);
    ok = ok && good;
    return v;
}

} // namespace

// The row indicator of the list: a triangle at the current row.
class MainWindow::RowIndicator : public QHeaderView
{
public:
    explicit RowIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}
    int current = -1;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = rect;
        opt.section = logicalIndex;
        opt.text.clear();
        style()->drawControl(QStyle::CE_HeaderSection, &opt, painter, this);
        if (logicalIndex != current)
            return;
        const QPointF c = QRectF(rect).center();
        const qreal h = std::min(rect.height(), rect.width()) * 0.28;
        QPainterPath arrow;
        arrow.moveTo(c.x() - h * 0.6, c.y() - h);
        arrow.lineTo(c.x() + h * 0.8, c.y());
        arrow.lineTo(c.x() - h * 0.6, c.y() + h);
        arrow.closeSubpath();
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->fillPath(arrow, palette().color(QPalette::WindowText));
        painter->restore();
    }
    QSize sectionSizeFromContents(int) const override { return {16, 16}; }
};

// Cells that hold the search text get the tooltip background.
class MainWindow::CellPainter : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static void dbGetCellParams(const QModelIndex& index, QStyleOptionViewItem& option)
    {
        if (index.data(kHighlightRole).toBool())
            option.backgroundBrush = option.palette.brush(QPalette::ToolTipBase);
    }

    // The editor takes no more characters than the cell's column holds, and
    // covers exactly its cell.
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            line->setFrame(false);
            const QString column = index.column() == ColComment   ? QStringLiteral("COMMENT")
                                   : index.column() == ColManager ? QStringLiteral("MANAGER")
                                                                  : QString();
            if (const ColumnSpec* spec = column.isEmpty() ? nullptr : findColumn(column))
                line->setMaxLength(spec->maxLength);
        }
        return editor;
    }
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override
    {
        editor->setGeometry(option.rect);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        if (paintPlainTextCell(painter, cell))
            return;
        const QWidget* widget = cell.widget;
        (widget ? widget->style() : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        dbGetCellParams(index, *option);
    }
};

MainWindow::MainWindow(QString title, BrowsingStore& store, IniFile& settings, UserDialogs& dialogs,
                       QString helpPath, QWidget* parent)
    : QMainWindow(parent), m_title(std::move(title)), m_store(store), m_settings(settings),
      m_dialogs(dialogs), m_helpPath(std::move(helpPath))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(m_title);
    setContextMenuPolicy(Qt::NoContextMenu); // no toolbar-hiding menu on the control bar

    buildActions();
    buildMenu();
    m_toolBar = buildToolBar();
    m_searchBand = buildSearchBand();
    m_recordBand = buildRecordBand();
    buildList();
    buildStatusBar();
    setCentralWidget(m_list);

    m_transferTimer = new QTimer(this);
    m_transferTimer->setObjectName(QStringLiteral("Timer1"));
    m_transferTimer->setInterval(500);
    connect(m_transferTimer, &QTimer::timeout, this, [this] { collectTransferProgress(); });

    readSettings();
    updateCommands();
    showCurrentRow();
    updateRowStatus();
}

MainWindow::~MainWindow()
{
    watchTransfer(nullptr);
}

void MainWindow::watchTransfer(OperateState* state)
{
    if (m_transfer)
        m_transfer->setPublishedListener(nullptr);
    m_transfer = state;
    if (!state)
        return;
    // Queued calls to a window that is gone are dropped by Qt; the listener is
    // removed before that.
    state->setPublishedListener([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_transfer || !m_transfer->busy())
                    return;
                // As a tick of m_transferTimer would: the publication, then the steps since.
                if (const auto published = m_transfer->takePublished()) {
                    showPublished(*published);
                    advanceProgress(m_transfer->takeStep());
                }
            },
            Qt::QueuedConnection);
    });
}

QAction* MainWindow::addCommand(const QString& name, const QString& text, const QString& shortcut,
                                const QString& hint, const QString& icon)
{
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty())
        a->setShortcut(QKeySequence(shortcut));
    if (!hint.isEmpty()) {
        a->setToolTip(hint);
        a->setStatusTip(hint);
    }
    if (!icon.isEmpty())
        a->setIcon(themeIcon(icon, fallbackFor(icon), this));
    return a;
}

void MainWindow::buildActions()
{
    struct Command
    {
        QAction** action;
        const char* name;
        const char* text;
        const char* shortcut;
        const char* hint;
        const char* icon;
    };
    // The menu's items, then the toolbar's own buttons where their hint or work
    // differs from the menu's, then the list's "Обновить".
    const Command commands[] = {
        {&m_passportAction, "N3", "П&росмотр паспорта", "", "Предварительный просмотр паспорта",
         "document-print-preview"},
        {&m_cardAction, "N4", "Просмотр карты программирования", "", "", "document-print"},
        {&m_fileCopyAction, "N5", "Копировать файл", "", "", ""},
        {&m_importAction, "N6", "&Импорт...", "Ctrl+O", "Импорт данных в базу", ""},
        {&m_exportConfig, "ExportConfig", "Экспорт конфигурации...", "",
         "Запись текущей конфигурации в файл", "document-save-as"},
        {&m_importConfig, "ImportConfig", "Импорт конфигурации...", "",
         "Чтение конфигураций из файлов в базу", "document-open"},
        {&m_exitAction, "N7", "&Выход", "Ctrl+Q", "Выход из программы", "application-exit"},
        {&m_editAction, "N22", "&Редактирование конфигурации", "Ctrl+E",
         "Редактирование текущей конфигурации", "document-edit"},
        {&m_createAction, "N23", "Создание конфигурации", "Ctrl+N", "Создание конфигурации прибора",
         "document-new"},
        {&m_writeAction, "N24", "&Запись конфигурации в прибор", "Ctrl+F9", "Запись конфигурации",
         "document-send"},
        {&m_commSettingsAction, "N25", "Коммуникационные настройки...", "Ctrl+L",
         "Коммуникационные настройки", "network-wired"},
        {&m_interfaceSettingsAction, "N26", "Интерфейсные настройки...", "Ctrl+I",
         "Интерфейсные настройки", "preferences-desktop"},
        {&m_helpContentsAction, "N27", "Содержание", "F1", "Вызов справки", "help-contents"},
        {&m_aboutAction, "N14", "&О программе", "Ctrl+F1", "Информация о программе", "help-about"},
        {&m_passportToolAction, "ToolButtonPassport", "Паспорт", "",
         "Предварительный просмотр и печать паспорта", "document-print-preview"},
        {&m_cardToolAction, "ToolButtonCard", "Карта программирования", "",
         "Напечатать карту программирования", "document-print"},
        {&m_helpToolAction, "ToolButton14", "Справка", "", "Вызов справки", "help-contents"},
        {&m_altDaysAction, "ToolButtonAltDay", "Альтернативные дни", "",
         "Конструктор альтернативных дней", "x-office-calendar"},
        {&m_refreshAction, "N19", "Обновить", "", "", "view-refresh"},
    };
    for (const Command& c : commands)
        *c.action = addCommand(QString::fromLatin1(c.name), QString::fromUtf8(c.text),
                               QString::fromLatin1(c.shortcut), QString::fromUtf8(c.hint),
                               QString::fromLatin1(c.icon));

    m_firmDetailsAction = addCommand(
        QStringLiteral("firmDetails"), QStringLiteral("Реквизиты организации..."), QString(),
        QStringLiteral("Реквизиты организации в паспорте и карте"), QString());
    connect(m_firmDetailsAction, &QAction::triggered, this,
            [this] { run(m_commands.firmDetails); });
    connect(m_passportAction, &QAction::triggered, this, [this] { run(m_commands.passport); });
    connect(m_passportToolAction, &QAction::triggered, this, [this] { run(m_commands.passport); });
    connect(m_cardAction, &QAction::triggered, this, [this] { run(m_commands.programmingCard); });
    connect(m_cardToolAction, &QAction::triggered, this,
            [this] { run(m_commands.programmingCard); });
    connect(m_fileCopyAction, &QAction::triggered, this, [this] { run(m_commands.fileCopy); });
    connect(m_importAction, &QAction::triggered, this, [this] { run(m_commands.import); });
    connect(m_exportConfig, &QAction::triggered, this, [this] { run(m_commands.exportConfig); });
    connect(m_importConfig, &QAction::triggered, this, [this] { run(m_commands.importConfig); });
    connect(m_exitAction, &QAction::triggered, this, [this] { exitProgram(); });
    connect(m_editAction, &QAction::triggered, this, [this] { editCurrentRow(); });
    connect(m_createAction, &QAction::triggered, this, [this] { run(m_commands.create); });
    connect(m_writeAction, &QAction::triggered, this, [this] { run(m_commands.write); });
    connect(m_commSettingsAction, &QAction::triggered, this, [this] { openCommSettings(); });
    connect(m_interfaceSettingsAction, &QAction::triggered, this,
            [this] { run(m_commands.interfaceSettings); });
    connect(m_helpContentsAction, &QAction::triggered, this, [this] { showHelpContents(); });
    connect(m_aboutAction, &QAction::triggered, this, [this] { showAbout(); });
    connect(m_helpToolAction, &QAction::triggered, this, [this] { showHelpIntroduction(); });
    connect(m_altDaysAction, &QAction::triggered, this, [this] { openAltDays(); });
    connect(m_refreshAction, &QAction::triggered, this, [this] { refreshList(); });

    // The import has a shortcut but no menu item.
    addAction(m_importAction);
}

void MainWindow::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->addAction(m_passportAction);
    file->addAction(m_cardAction);
    file->addAction(m_firmDetailsAction);
    file->addSeparator();
    file->addAction(m_fileCopyAction);
    file->addSeparator();
    file->addAction(m_exportConfig);
    file->addAction(m_importConfig);
    file->addSeparator();
    file->addAction(m_exitAction);

    QMenu* config = menuBar()->addMenu(QStringLiteral("&Конфигурация"));
    config->addAction(m_editAction);
    config->addAction(m_createAction);
    config->addAction(m_writeAction);
    config->addSeparator();
    config->addAction(m_commSettingsAction);
    config->addAction(m_interfaceSettingsAction);
    config->addSeparator();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->addAction(m_helpContentsAction);
    help->addSeparator();
    help->addAction(m_aboutAction);
}

QToolBar* MainWindow::buildToolBar()
{
    auto* bar = new QToolBar(QStringLiteral("Панель инструментов"), this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(24, 24));
    bar->addAction(m_createAction);
    bar->addSeparator();
    bar->addAction(m_writeAction);
    bar->addSeparator();
    bar->addAction(m_passportToolAction);
    bar->addAction(m_cardToolAction);
    bar->addAction(m_commSettingsAction);
    bar->addAction(m_interfaceSettingsAction);
    bar->addSeparator();
    bar->addSeparator();
    bar->addAction(m_exitAction);
    bar->addAction(m_helpToolAction);
    bar->addAction(m_altDaysAction);
    return bar;
}

QToolBar* MainWindow::buildSearchBand()
{
    auto* band = new QToolBar(QStringLiteral("Поиск"), this);
    band->setObjectName(QStringLiteral("Panel3"));

    auto* find = new QLabel(QStringLiteral("Искать/фильтровать:"), band);
    m_searchField = new QLineEdit(band);
    m_searchField->setObjectName(QStringLiteral("SearchText"));
    m_searchField->setToolTip(QStringLiteral("Искомая строка"));
    m_searchField->setStatusTip(QStringLiteral("Искомая строка"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->installEventFilter(this);
    m_searchField->setFixedWidth(130);

    auto* by = new QLabel(QStringLiteral("Фильтровать по:"), band);
    m_searchColumn = new QComboBox(band);
    m_searchColumn->setObjectName(QStringLiteral("SearchColumn"));
    m_searchColumn->setToolTip(QStringLiteral("Выбор поля для фильтрации"));
    m_searchColumn->setStatusTip(QStringLiteral("Выбор поля для фильтрации"));
    m_searchColumn->addItems({QStringLiteral("сериийному номеру"),
                              QStringLiteral("дате модификации"), QStringLiteral("типу прибора"),
                              QStringLiteral("схеме"), QStringLiteral("комментарию")});
    m_searchColumn->setCurrentIndex(0);

    const auto toggle = [band](const QString& name, const QString& text, const QString& hint) {
        auto* b = new QPushButton(text, band);
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        b->setCheckable(true);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("Выкл")) + 24);
        return b;
    };
    m_filterOnButton = toggle(QStringLiteral("FilterOn"), QStringLiteral("Вкл"),
                              QStringLiteral("Включить фильтрацию"));
    m_filterOffButton = toggle(QStringLiteral("FilterOff"), QStringLiteral("Выкл"),
                               QStringLiteral("Выключить фильтрацию"));
    // At most one is down; neither at start.
    auto* group = new QButtonGroup(band);
    group->setExclusive(true);
    group->addButton(m_filterOnButton);
    group->addButton(m_filterOffButton);

    band->addWidget(find);
    band->addWidget(m_searchField);
    band->addSeparator();
    band->addWidget(by);
    band->addWidget(m_searchColumn);
    band->addSeparator();
    band->addWidget(m_filterOnButton);
    band->addWidget(m_filterOffButton);

    connect(m_filterOnButton, &QPushButton::clicked, this, [this] { switchFilter(); });
    connect(m_filterOffButton, &QPushButton::clicked, this, [this] { switchFilter(); });
    connect(m_searchField, &QLineEdit::textChanged, this, [this] { followSearchText(); });
    connect(m_searchColumn, &QComboBox::currentIndexChanged, this, [this] { followSearchText(); });
    return band;
}

QToolBar* MainWindow::buildRecordBand()
{
    auto* band = new QToolBar(QStringLiteral("Текущая запись"), this);
    band->setObjectName(QStringLiteral("Panel4"));
    band->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    band->setIconSize(QSize(16, 16));
    band->addWidget(new QLabel(QStringLiteral("Текущая запись:"), band));

    const auto button = [this, band](const QString& name, const QString& text, const QString& hint,
                                     const QString& icon) {
        auto* b = new QToolButton(band);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        b->setIcon(themeIcon(icon, fallbackFor(icon), this));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        band->addWidget(b);
        return b;
    };
    m_deleteButton =
        button(QStringLiteral("SpeedButton2"), QStringLiteral("Удалить"),
               QStringLiteral("Удалить текущую запись"), QStringLiteral("edit-delete"));
    m_copyButton =
        button(QStringLiteral("SpeedButton3"), QStringLiteral("Копировать"),
               QStringLiteral("Скопировать текущую запись"), QStringLiteral("edit-copy"));
    connect(m_deleteButton, &QToolButton::clicked, this, [this] { deleteCurrentRow(); });
    connect(m_copyButton, &QToolButton::clicked, this, [this] { copyCurrentRow(); });
    return band;
}

void MainWindow::buildList()
{
    m_list = new GridTableView(this);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    m_indicator = new RowIndicator(m_list);
    m_list->setVerticalHeader(m_indicator);
    m_list->setItemDelegate(new CellPainter(m_list));
    // The row size is set before the rows come: after, it would be set for each of
    // them, and a list may hold a hundred thousand.
    m_indicator->setSectionResizeMode(QHeaderView::Fixed);
    m_indicator->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->setModel(m_store.model());
    m_list->setShowGrid(true);
    m_list->setWordWrap(false);
    m_list->setCornerButtonEnabled(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectItems);
    // The cell editor follows the current cell, as in a database grid.
    m_list->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->horizontalHeader()->setSectionsClickable(false);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_indicator->setFixedWidth(16);
    m_indicator->setSectionsClickable(false);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    applyColumns();

    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(m_refreshAction);
        menu.exec(m_list->viewport()->mapToGlobal(at));
    });
    // Double-click and Enter edit the configuration of the row; Enter on a
    // COMMENT or MANAGER cell edits the cell (eventFilter).
    connect(m_list, &QAbstractItemView::activated, this, [this] { editCurrentRow(); });
    m_list->installEventFilter(this);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                m_indicator->current = now.row();
                m_indicator->viewport()->update();
                if (m_syncing || now.row() == before.row())
                    return;
                m_store.setCurrentRow(now.row());
                updateRowStatus();
            });

    QAbstractItemModel* model = m_store.model();
    const auto changed = [this] {
        showCurrentRow();
        updateRowStatus();
    };
    connect(model, &QAbstractItemModel::modelReset, this, [this, changed] {
        applyColumns();
        changed();
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, changed);
}

void MainWindow::applyColumns()
{
    const int columns = m_store.model()->columnCount();
    for (int c = 0; c < columns; ++c) {
        m_list->setColumnHidden(c, c >= kBrowsingColumns);
        if (c < kBrowsingColumns)
            m_list->setColumnWidth(c, kColumnWidths[c]);
    }
}

void MainWindow::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const auto panel = [bar](int i, Qt::Alignment align, int stretch) {
        auto* l = new QLabel(bar);
        l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        l->setAlignment(align | Qt::AlignVCenter);
        l->setMinimumWidth(kPanelWidths[i]);
        if (stretch == 0)
            l->setFixedWidth(kPanelWidths[i]);
        bar->addWidget(l, stretch);
        return l;
    };
    m_panels[0] = panel(0, Qt::AlignHCenter, 0);
    m_panels[1] = panel(1, Qt::AlignHCenter, 0);
    m_progressBar = new QProgressBar(bar);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    m_progressBar->setFixedWidth(kPanelWidths[2] - 2);
    m_progressBar->setMaximumHeight(bar->fontMetrics().height() + 4);
    bar->addWidget(m_progressBar);
    m_panels[3] = panel(3, Qt::AlignLeft, 1);
}

void MainWindow::setCommands(MainWindowCommands commands)
{
    m_commands = std::move(commands);
    updateCommands();
}

void MainWindow::setCommConfig(CommSettingsDialog* commConfig)
{
    setCommConfig(commConfig ? std::function<CommSettingsDialog&()>(
                                   [commConfig]() -> CommSettingsDialog& { return *commConfig; })
                             : nullptr);
}

void MainWindow::setCommConfig(std::function<CommSettingsDialog&()> commConfig)
{
    m_commConfig = std::move(commConfig);
    updateCommands();
}

void MainWindow::updateCommands()
{
    const auto enable = [](std::initializer_list<QAction*> actions, bool on) {
        for (QAction* a : actions)
            a->setEnabled(on);
    };
    enable({m_passportAction, m_passportToolAction}, bool(m_commands.passport));
    enable({m_cardAction, m_cardToolAction}, bool(m_commands.programmingCard));
    enable({m_fileCopyAction}, bool(m_commands.fileCopy));
    enable({m_firmDetailsAction}, bool(m_commands.firmDetails));
    enable({m_importAction}, bool(m_commands.import));
    enable({m_exportConfig}, bool(m_commands.exportConfig));
    enable({m_importConfig}, bool(m_commands.importConfig));
    enable({m_editAction}, bool(m_commands.edit));
    enable({m_createAction}, bool(m_commands.create));
    enable({m_writeAction}, bool(m_commands.write));
    enable({m_commSettingsAction}, bool(m_commConfig));
    enable({m_interfaceSettingsAction}, bool(m_commands.interfaceSettings));
}

void MainWindow::run(const std::function<void()>& command)
{
    if (command)
        command();
}

QString MainWindow::panelText(int panel) const
{
    return panel >= 0 && panel < 4 && m_panels[panel] ? m_panels[panel]->text() : QString();
}

void MainWindow::setPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < 4 && m_panels[panel])
        m_panels[panel]->setText(text);
}

void MainWindow::showDeviceVersion(int version)
{
    setPanelText(1, QString::number(version));
    m_panels[1]->repaint(); // the write goes on blocking the window
}

void MainWindow::showWaiting()
{
    if (!m_waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waiting = true;
    setPanelText(3, QStringLiteral("ждите"));
    m_panels[3]->repaint();
}

void MainWindow::hideWaiting()
{
    if (m_waiting)
        QApplication::restoreOverrideCursor();
    m_waiting = false;
    if (panelText(3) == QStringLiteral("ждите"))
        setPanelText(3, QString());
}

int MainWindow::progressPosition() const
{
    return m_progressBar->value();
}

int MainWindow::progressMaximum() const
{
    return m_progressBar->maximum();
}

void MainWindow::transferStarted()
{
    m_writeAction->setIcon(themeIcon(QStringLiteral("process-stop"), QStyle::SP_BrowserStop, this));
    m_transferTimer->start();
}

void MainWindow::transferEnded()
{
    // The worker's last progress may still wait in the shared values.
    collectTransferProgress();
    m_transferTimer->stop();
    m_writeAction->setIcon(themeIcon(QStringLiteral("document-send"),
                                     fallbackFor(QStringLiteral("document-send")), this));
}

bool MainWindow::transferTimerActive() const
{
    return m_transferTimer->isActive();
}

void MainWindow::collectTransferProgress()
{
    if (!m_transfer)
        return;
    const TransferTick t = transferTick(*m_transfer);
    setPanelText(0, t.elapsed);
    if (t.pageAddress)
        setPanelText(1, *t.pageAddress);
    if (t.published)
        showPublished(*t.published);
    advanceProgress(t.steps);
}

void MainWindow::advanceProgress(int steps)
{
    if (steps > 0)
        m_progressBar->setValue(
            advancedProgress(m_progressBar->value(), steps, m_progressBar->maximum()));
}

void MainWindow::showPublished(const OperateState::Published& published)
{
    m_progressBar->setRange(published.minimum, std::max(1, published.maximum));
    m_progressBar->setValue(published.position);
    setPanelText(3, operateStatusText(published.status));
}

void MainWindow::SetProgressBarMax(int maximum)
{
    m_progressBar->setMaximum(std::max(1, maximum));
    m_progressBar->show();
    m_progressBar->repaint();
}

void MainWindow::IncrementProgressBar()
{
    m_progressBar->setValue(steppedProgress(m_progressBar->value(), m_progressBar->maximum()));
    // The device operations block the window thread between steps.
    m_progressBar->repaint();
}

void MainWindow::ResetProgressBar()
{
    m_progressBar->setValue(0);
    m_progressBar->repaint();
}

HelpWindow& MainWindow::helpWindow() const
{
    if (!m_help)
        m_help = std::make_unique<HelpWindow>(m_helpPath, m_title, m_dialogs);
    return *m_help;
}

void MainWindow::showHelpTopic(const QString& topic)
{
    helpWindow().showTopic(topic);
}

void MainWindow::showCurrentRow()
{
    QAbstractItemModel* model = m_store.model();
    const int row = m_store.currentRow();
    const int column = std::max(0, m_list->currentIndex().column());
    m_syncing = true;
    if (row >= 0 && row < model->rowCount()) {
        const QModelIndex at = model->index(row, column);
        m_list->setCurrentIndex(at);
        m_list->scrollTo(at);
    } else {
        m_list->setCurrentIndex({});
    }
    m_syncing = false;
    m_indicator->current = row;
    m_indicator->viewport()->update();
}

void MainWindow::updateRowStatus()
{
    const BrowsingStatus s =
        browsingStatus(m_store.isFiltering(), m_store.model()->rowCount(), m_store.currentRow());
    setPanelText(1, s.countPanel);
    m_deleteButton->setEnabled(s.deleteEnabled);
    m_filterOnButton->setEnabled(s.deleteEnabled);
    setPanelText(0, s.rowPanel);
}

void MainWindow::editCurrentRow()
{
    if (!m_store.isOpen())
        return;
    const int rows = m_store.model()->rowCount();
    m_deleteButton->setEnabled(rows > 0);
    m_filterOnButton->setEnabled(rows > 0);
    setPanelText(1, QString::number(rows));
    const int row = m_store.currentRow();
    setPanelText(0, row >= 0 ? QString::number(row + 1) : QString());
    run(m_commands.edit);
}

void MainWindow::switchFilter()
{
    if (m_filterOffButton->isChecked()) {
        m_store.clearFilter();
    } else if (filterOnAction(m_searchField->text()) == FilterAction::Apply) {
        m_store.applyFilter(m_searchColumn->currentIndex(), m_searchField->text());
    }
    updateRowStatus();
}

void MainWindow::followSearchText()
{
    const int column = m_searchColumn->currentIndex();
    const QString text = m_searchField->text();
    m_store.setHighlight(column, text);
    switch (searchChangedAction(m_filterOnButton->isChecked(), text)) {
    case FilterAction::Apply:
        m_store.applyFilter(column, text);
        break;
    case FilterAction::Clear:
        m_store.clearFilter();
        break;
    case FilterAction::Keep:
        break;
    }
    updateRowStatus();
}

void MainWindow::deleteCurrentRow()
{
    // Nothing to delete in an empty list.
    if (m_store.currentRow() < 0)
        return;
    if (!m_dialogs.ask(QStringLiteral("Вы хотите удалить выбранную запись?"), m_title, false))
        return;
    m_store.deleteCurrentRow(); // a failure leaves the row, without a message
    showCurrentRow();
    updateRowStatus();
}

void MainWindow::copyCurrentRow()
{
    if (m_commands.copy) {
        m_commands.copy();
    } else {
        if (!m_store.RePaintStatus())
            return;
        m_store.copyCurrentRow();
    }
    showCurrentRow();
    updateRowStatus();
}

void MainWindow::refreshList()
{
    m_store.refresh();
    showCurrentRow();
    updateRowStatus();
}

void MainWindow::showHelpContents()
{
    showHelpTopic({});
}

void MainWindow::showHelpIntroduction()
{
    if (helpWindow().showTopic({}))
        helpWindow().showTopic(QStringLiteral("_interfase_introduction"));
}

void MainWindow::showAbout()
{
    AboutWindow about(m_title, this);
    about.exec();
}

void MainWindow::exitProgram()
{
    close();
}

void MainWindow::openCommSettings()
{
    if (m_commConfig)
        m_commConfig().openDialog();
}

void MainWindow::openAltDays()
{
    // Built when first asked for: the start-up does not wait for it.
    if (!m_altDays)
        m_altDays = std::make_unique<AltDaysWindow>(AltDayEditorSettings::mainProgram(m_title),
                                                    &m_dialogs, this);
    m_altDays->setEscapeCloses(true);
    m_altDays->exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchField && event->type() == QEvent::ShortcutOverride) {
        // The window's commands win over the field's own keys (Ctrl+E and others).
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const QList<QAction*> actions = findChildren<QAction*>();
        for (const QAction* a : actions)
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed)
                return true;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QModelIndex at = m_list->currentIndex();
            if (at.isValid() && (at.flags() & Qt::ItemIsEditable))
                m_list->edit(at);
            else
                editCurrentRow();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event)
{
    // Hints of the controls and menu items go to the last panel.
    if (event->type() == QEvent::StatusTip) {
        setPanelText(3, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    writeSettings();
    if (m_help)
        m_help->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::arrangeBands(bool useStored)
{
    struct Band
    {
        QToolBar* bar;
        QPoint at;
        int order;
    };
    const int line = std::max(1, m_toolBar->sizeHint().height());
    // The toolbar's place is not kept; it leads the first line. The search band
    // is the widest: by default it has the second line to itself.
    QList<Band> bands{
        {m_toolBar, {0, 0}, 0}, {m_searchBand, {0, line}, 1}, {m_recordBand, {1, 0}, 2}};
    if (useStored) {
        bool ok = true;
        const QPoint search(storedInt(m_settings, keys::kSearchBandLeft, ok),
                            storedInt(m_settings, keys::kSearchBandTop, ok));
        const QPoint record(storedInt(m_settings, keys::kRecordBandLeft, ok),
                            storedInt(m_settings, keys::kRecordBandTop, ok));
        if (ok) {
            bands[1].at = search;
            bands[2].at = record;
        }
    }
    // Bands whose tops lie within half a line of each other share a line.
    std::stable_sort(bands.begin(), bands.end(), [line](const Band& a, const Band& b) {
        const int la = (a.at.y() + line / 2) / line, lb = (b.at.y() + line / 2) / line;
        return la != lb ? la < lb : a.at.x() != b.at.x() ? a.at.x() < b.at.x() : a.order < b.order;
    });
    for (QToolBar* bar : {m_toolBar, m_searchBand, m_recordBand})
        removeToolBar(bar);
    int lastLine = -1;
    for (const Band& b : bands) {
        const int l = (b.at.y() + line / 2) / line;
        if (lastLine >= 0 && l != lastLine)
            addToolBarBreak(Qt::TopToolBarArea);
        lastLine = l;
        addToolBar(Qt::TopToolBarArea, b.bar);
        b.bar->setAllowedAreas(Qt::TopToolBarArea);
        b.bar->setFloatable(false);
        b.bar->setMovable(true);
        b.bar->show();
    }
}

void MainWindow::readSettings()
{
    arrangeBands(true);

    bool ok = true;
    const QRect stored(
        storedInt(m_settings, keys::kLeft, ok), storedInt(m_settings, keys::kTop, ok),
        storedInt(m_settings, keys::kWidth, ok), storedInt(m_settings, keys::kHeight, ok));
    // Only a window whose title bar can be grabbed is put back where it was.
    const QRect titleBar(stored.x(), stored.y() - kTitleBarHeight, stored.width(), kTitleBarHeight);
    bool visible = false;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect onScreen = s->availableGeometry().intersected(titleBar);
        visible = visible || (onScreen.width() >= std::min(kGrabWidth, stored.width()) &&
                              onScreen.height() >= kTitleBarHeight / 2);
    }
    if (ok && visible && stored.width() >= 200 && stored.height() >= 150) {
        setGeometry(stored);
    } else {
        resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
        if (const QScreen* s = QGuiApplication::primaryScreen()) {
            QRect r(QPoint(), size());
            r.moveCenter(s->availableGeometry().center());
            move(r.topLeft());
        }
    }
    if (m_settings.readBool(kSection, keys::kMaximized, false))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void MainWindow::writeSettings()
{
    const QRect g = isMaximized() ? normalGeometry() : geometry();
    m_settings.writeInteger(kSection, keys::kLeft, g.x());
    m_settings.writeInteger(kSection, keys::kTop, g.y());
    m_settings.writeInteger(kSection, keys::kWidth, g.width());
    m_settings.writeInteger(kSection, keys::kHeight, g.height());
    m_settings.writeBool(kSection, keys::kMaximized, isMaximized());
    // Band places relative to the control bar's first line.
    const int top = std::min({m_toolBar->y(), m_searchBand->y(), m_recordBand->y()});
    m_settings.writeInteger(kSection, keys::kSearchBandLeft, m_searchBand->x());
    m_settings.writeInteger(kSection, keys::kSearchBandTop, m_searchBand->y() - top);
    m_settings.writeInteger(kSection, keys::kRecordBandLeft, m_recordBand->x());
    m_settings.writeInteger(kSection, keys::kRecordBandTop, m_recordBand->y() - top);
}

} // namespace vyn
