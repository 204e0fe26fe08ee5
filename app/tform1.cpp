#include "tform1.h"

#include "aboutwindow.h"
#include "altdays/tformaltday.h"
#include "browsingstatus.h"
#include "helpwindow.h"
#include "model/inifile.h"
#include "model/storedrow.h"
#include "model/settingskeys.h"
#include "model/userdialogs.h"
#include "tformcommconfig.h"
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
class TForm1::RowIndicator : public QHeaderView
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
class TForm1::CellPainter : public QStyledItemDelegate
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

TForm1::TForm1(QString title, BrowsingStore& store, IniFile& settings, UserDialogs& dialogs,
               QString helpPath, QWidget* parent)
    : QMainWindow(parent), m_title(std::move(title)), m_store(store), m_settings(settings),
      m_dialogs(dialogs),
      m_helpPath(std::move(helpPath))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(m_title);
    setContextMenuPolicy(Qt::NoContextMenu); // no toolbar-hiding menu on the control bar

    buildActions();
    buildMenu();
    ToolBar1 = buildToolBar();
    Panel3 = buildSearchBand();
    Panel4 = buildRecordBand();
    buildList();
    buildStatusBar();
    setCentralWidget(DBGrid1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    readSettings();
    updateCommands();
    showCurrentRow();
    dbEditChange();
}

TForm1::~TForm1()
{
    watchTransfer(nullptr);
}

void TForm1::watchTransfer(OperateState* state)
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
                // As a tick of Timer1 would: the publication, then the steps since.
                if (const auto published = m_transfer->takePublished()) {
                    showPublished(*published);
                    advanceProgress(m_transfer->takeStep());
                }
            },
            Qt::QueuedConnection);
    });
}

QAction* TForm1::addCommand(const QString& name, const QString& text, const QString& shortcut,
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

void TForm1::buildActions()
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
        {&N3, "N3", "П&росмотр паспорта", "", "Предварительный просмотр паспорта",
         "document-print-preview"},
        {&N4, "N4", "Просмотр карты программирования", "", "", "document-print"},
        {&N5, "N5", "Копировать файл", "", "", ""},
        {&N6, "N6", "&Импорт...", "Ctrl+O", "Импорт данных в базу", ""},
        {&m_exportConfig, "ExportConfig", "Экспорт конфигурации...", "",
         "Запись текущей конфигурации в файл", "document-save-as"},
        {&m_importConfig, "ImportConfig", "Импорт конфигурации...", "",
         "Чтение конфигураций из файлов в базу", "document-open"},
        {&N7, "N7", "&Выход", "Ctrl+Q", "Выход из программы", "application-exit"},
        {&N22, "N22", "&Редактирование конфигурации", "Ctrl+E",
         "Редактирование текущей конфигурации", "document-edit"},
        {&N23, "N23", "Создание конфигурации", "Ctrl+N", "Создание конфигурации прибора",
         "document-new"},
        {&N24, "N24", "&Запись конфигурации в прибор", "Ctrl+F9", "Запись конфигурации",
         "document-send"},
        {&N25, "N25", "Коммуникационные настройки...", "Ctrl+L", "Коммуникационные настройки",
         "network-wired"},
        {&N26, "N26", "Интерфейсные настройки...", "Ctrl+I", "Интерфейсные настройки",
         "preferences-desktop"},
        {&N27, "N27", "Содержание", "F1", "Вызов справки", "help-contents"},
        {&N14, "N14", "&О программе", "Ctrl+F1", "Информация о программе", "help-about"},
        {&ToolButtonPassport, "ToolButtonPassport", "Паспорт", "",
         "Предварительный просмотр и печать паспорта", "document-print-preview"},
        {&ToolButtonCard, "ToolButtonCard", "Карта программирования", "",
         "Напечатать карту программирования", "document-print"},
        {&ToolButton14, "ToolButton14", "Справка", "", "Вызов справки", "help-contents"},
        {&ToolButtonAltDay, "ToolButtonAltDay", "Альтернативные дни", "",
         "Конструктор альтернативных дней", "x-office-calendar"},
        {&N19, "N19", "Обновить", "", "", "view-refresh"},
    };
    for (const Command& c : commands)
        *c.action = addCommand(QString::fromLatin1(c.name), QString::fromUtf8(c.text),
                               QString::fromLatin1(c.shortcut), QString::fromUtf8(c.hint),
                               QString::fromLatin1(c.icon));

    m_firmDetailsAction = addCommand(QStringLiteral("firmDetails"),
                                     QStringLiteral("Реквизиты организации..."), QString(),
                                     QStringLiteral("Реквизиты организации в паспорте и карте"),
                                     QString());
    connect(m_firmDetailsAction, &QAction::triggered, this, [this] { run(m_commands.firmDetails); });
    connect(N3, &QAction::triggered, this, [this] { run(m_commands.passport); });
    connect(ToolButtonPassport, &QAction::triggered, this, [this] { run(m_commands.passport); });
    connect(N4, &QAction::triggered, this, [this] { run(m_commands.programmingCard); });
    connect(ToolButtonCard, &QAction::triggered, this, [this] { run(m_commands.programmingCard); });
    connect(N5, &QAction::triggered, this, [this] { run(m_commands.fileCopy); });
    connect(N6, &QAction::triggered, this, [this] { run(m_commands.import); });
    connect(m_exportConfig, &QAction::triggered, this, [this] { run(m_commands.exportConfig); });
    connect(m_importConfig, &QAction::triggered, this, [this] { run(m_commands.importConfig); });
    connect(N7, &QAction::triggered, this, [this] { N7Click(); });
    connect(N22, &QAction::triggered, this, [this] { N22Click(); });
    connect(N23, &QAction::triggered, this, [this] { run(m_commands.create); });
    connect(N24, &QAction::triggered, this, [this] { run(m_commands.write); });
    connect(N25, &QAction::triggered, this, [this] { N25Click(); });
    connect(N26, &QAction::triggered, this, [this] { run(m_commands.interfaceSettings); });
    connect(N27, &QAction::triggered, this, [this] { N27Click(); });
    connect(N14, &QAction::triggered, this, [this] { N14Click(); });
    connect(ToolButton14, &QAction::triggered, this, [this] { ToolButton14Click(); });
    connect(ToolButtonAltDay, &QAction::triggered, this, [this] { ToolButtonAltDayClick(); });
    connect(N19, &QAction::triggered, this, [this] { N19Click(); });

    // The import has a shortcut but no menu item.
    addAction(N6);
}

void TForm1::buildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->addAction(N3);
    file->addAction(N4);
    file->addAction(m_firmDetailsAction);
    file->addSeparator();
    file->addAction(N5);
    file->addSeparator();
    file->addAction(m_exportConfig);
    file->addAction(m_importConfig);
    file->addSeparator();
    file->addAction(N7);

    QMenu* config = menuBar()->addMenu(QStringLiteral("&Конфигурация"));
    config->addAction(N22);
    config->addAction(N23);
    config->addAction(N24);
    config->addSeparator();
    config->addAction(N25);
    config->addAction(N26);
    config->addSeparator();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->addAction(N27);
    help->addSeparator();
    help->addAction(N14);
}

QToolBar* TForm1::buildToolBar()
{
    auto* bar = new QToolBar(QStringLiteral("Панель инструментов"), this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setIconSize(QSize(24, 24));
    bar->addAction(N23);
    bar->addSeparator();
    bar->addAction(N24);
    bar->addSeparator();
    bar->addAction(ToolButtonPassport);
    bar->addAction(ToolButtonCard);
    bar->addAction(N25);
    bar->addAction(N26);
    bar->addSeparator();
    bar->addSeparator();
    bar->addAction(N7);
    bar->addAction(ToolButton14);
    bar->addAction(ToolButtonAltDay);
    return bar;
}

QToolBar* TForm1::buildSearchBand()
{
    auto* band = new QToolBar(QStringLiteral("Поиск"), this);
    band->setObjectName(QStringLiteral("Panel3"));

    auto* find = new QLabel(QStringLiteral("Искать/фильтровать:"), band);
    SearchText = new QLineEdit(band);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText->setToolTip(QStringLiteral("Искомая строка"));
    SearchText->setStatusTip(QStringLiteral("Искомая строка"));
    SearchText->setClearButtonEnabled(true);
    SearchText->installEventFilter(this);
    SearchText->setFixedWidth(130);

    auto* by = new QLabel(QStringLiteral("Фильтровать по:"), band);
    SearchColumn = new QComboBox(band);
    SearchColumn->setObjectName(QStringLiteral("SearchColumn"));
    SearchColumn->setToolTip(QStringLiteral("Выбор поля для фильтрации"));
    SearchColumn->setStatusTip(QStringLiteral("Выбор поля для фильтрации"));
    SearchColumn->addItems({QStringLiteral("сериийному номеру"), QStringLiteral("дате модификации"),
                            QStringLiteral("типу прибора"), QStringLiteral("схеме"),
                            QStringLiteral("комментарию")});
    SearchColumn->setCurrentIndex(0);

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
    FilterOn = toggle(QStringLiteral("FilterOn"), QStringLiteral("Вкл"),
                      QStringLiteral("Включить фильтрацию"));
    FilterOff = toggle(QStringLiteral("FilterOff"), QStringLiteral("Выкл"),
                       QStringLiteral("Выключить фильтрацию"));
    // At most one is down; neither at start.
    auto* group = new QButtonGroup(band);
    group->setExclusive(true);
    group->addButton(FilterOn);
    group->addButton(FilterOff);

    band->addWidget(find);
    band->addWidget(SearchText);
    band->addSeparator();
    band->addWidget(by);
    band->addWidget(SearchColumn);
    band->addSeparator();
    band->addWidget(FilterOn);
    band->addWidget(FilterOff);

    connect(FilterOn, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(FilterOff, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SearchText, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
    connect(SearchColumn, &QComboBox::currentIndexChanged, this, [this] { Edit1Change(); });
    return band;
}

QToolBar* TForm1::buildRecordBand()
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
    SpeedButton2 = button(QStringLiteral("SpeedButton2"), QStringLiteral("Удалить"),
                          QStringLiteral("Удалить текущую запись"), QStringLiteral("edit-delete"));
    SpeedButton3 =
        button(QStringLiteral("SpeedButton3"), QStringLiteral("Копировать"),
               QStringLiteral("Скопировать текущую запись"), QStringLiteral("edit-copy"));
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    return band;
}

void TForm1::buildList()
{
    DBGrid1 = new GridTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_indicator = new RowIndicator(DBGrid1);
    DBGrid1->setVerticalHeader(m_indicator);
    DBGrid1->setItemDelegate(new CellPainter(DBGrid1));
    // The row size is set before the rows come: after, it would be set for each of
    // them, and a list may hold a hundred thousand.
    m_indicator->setSectionResizeMode(QHeaderView::Fixed);
    m_indicator->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->setModel(m_store.model());
    DBGrid1->setShowGrid(true);
    DBGrid1->setWordWrap(false);
    DBGrid1->setCornerButtonEnabled(false);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    // The cell editor follows the current cell, as in a database grid.
    DBGrid1->setEditTriggers(QAbstractItemView::CurrentChanged |
                             QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    DBGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    DBGrid1->horizontalHeader()->setSectionsClickable(false);
    DBGrid1->horizontalHeader()->setHighlightSections(false);
    DBGrid1->horizontalHeader()->setStretchLastSection(false);
    m_indicator->setFixedWidth(16);
    m_indicator->setSectionsClickable(false);
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    applyColumns();

    connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction(N19);
        menu.exec(DBGrid1->viewport()->mapToGlobal(at));
    });
    // Double-click and Enter edit the configuration of the row; Enter on a
    // COMMENT or MANAGER cell edits the cell (eventFilter).
    connect(DBGrid1, &QAbstractItemView::activated, this, [this] { N22Click(); });
    DBGrid1->installEventFilter(this);
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                m_indicator->current = now.row();
                m_indicator->viewport()->update();
                if (m_syncing || now.row() == before.row())
                    return;
                m_store.setCurrentRow(now.row());
                dbEditChange();
            });

    QAbstractItemModel* model = m_store.model();
    const auto changed = [this] {
        showCurrentRow();
        dbEditChange();
    };
    connect(model, &QAbstractItemModel::modelReset, this, [this, changed] {
        applyColumns();
        changed();
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, changed);
}

void TForm1::applyColumns()
{
    const int columns = m_store.model()->columnCount();
    for (int c = 0; c < columns; ++c) {
        DBGrid1->setColumnHidden(c, c >= kBrowsingColumns);
        if (c < kBrowsingColumns)
            DBGrid1->setColumnWidth(c, kColumnWidths[c]);
    }
}

void TForm1::buildStatusBar()
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
    ProgressBar1 = new QProgressBar(bar);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedWidth(kPanelWidths[2] - 2);
    ProgressBar1->setMaximumHeight(bar->fontMetrics().height() + 4);
    bar->addWidget(ProgressBar1);
    m_panels[3] = panel(3, Qt::AlignLeft, 1);
}

void TForm1::setCommands(MainWindowCommands commands)
{
    m_commands = std::move(commands);
    updateCommands();
}

void TForm1::setCommConfig(TFormCommConfig* commConfig)
{
    setCommConfig(commConfig ? std::function<TFormCommConfig&()>(
                                   [commConfig]() -> TFormCommConfig& { return *commConfig; })
                             : nullptr);
}

void TForm1::setCommConfig(std::function<TFormCommConfig&()> commConfig)
{
    m_commConfig = std::move(commConfig);
    updateCommands();
}

void TForm1::updateCommands()
{
    const auto enable = [](std::initializer_list<QAction*> actions, bool on) {
        for (QAction* a : actions)
            a->setEnabled(on);
    };
    enable({N3, ToolButtonPassport}, bool(m_commands.passport));
    enable({N4, ToolButtonCard}, bool(m_commands.programmingCard));
    enable({N5}, bool(m_commands.fileCopy));
    enable({m_firmDetailsAction}, bool(m_commands.firmDetails));
    enable({N6}, bool(m_commands.import));
    enable({m_exportConfig}, bool(m_commands.exportConfig));
    enable({m_importConfig}, bool(m_commands.importConfig));
    enable({N22}, bool(m_commands.edit));
    enable({N23}, bool(m_commands.create));
    enable({N24}, bool(m_commands.write));
    enable({N25}, bool(m_commConfig));
    enable({N26}, bool(m_commands.interfaceSettings));
}

void TForm1::run(const std::function<void()>& command)
{
    if (command)
        command();
}

QString TForm1::panelText(int panel) const
{
    return panel >= 0 && panel < 4 && m_panels[panel] ? m_panels[panel]->text() : QString();
}

void TForm1::setPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < 4 && m_panels[panel])
        m_panels[panel]->setText(text);
}

void TForm1::showDeviceVersion(int version)
{
    setPanelText(1, QString::number(version));
    m_panels[1]->repaint(); // the write goes on blocking the window
}

void TForm1::showWaiting()
{
    if (!m_waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    m_waiting = true;
    setPanelText(3, QStringLiteral("ждите"));
    m_panels[3]->repaint();
}

void TForm1::hideWaiting()
{
    if (m_waiting)
        QApplication::restoreOverrideCursor();
    m_waiting = false;
    if (panelText(3) == QStringLiteral("ждите"))
        setPanelText(3, QString());
}

int TForm1::progressPosition() const
{
    return ProgressBar1->value();
}

int TForm1::progressMaximum() const
{
    return ProgressBar1->maximum();
}

void TForm1::transferStarted()
{
    N24->setIcon(themeIcon(QStringLiteral("process-stop"), QStyle::SP_BrowserStop, this));
    Timer1->start();
}

void TForm1::transferEnded()
{
    // The worker's last progress may still wait in the shared values.
    Timer1Timer();
    Timer1->stop();
    N24->setIcon(themeIcon(QStringLiteral("document-send"), fallbackFor(QStringLiteral("document-send")), this));
}

bool TForm1::transferTimerActive() const
{
    return Timer1->isActive();
}

void TForm1::Timer1Timer()
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

void TForm1::advanceProgress(int steps)
{
    if (steps > 0)
        ProgressBar1->setValue(
            advancedProgress(ProgressBar1->value(), steps, ProgressBar1->maximum()));
}

void TForm1::showPublished(const OperateState::Published& published)
{
    ProgressBar1->setRange(published.minimum, std::max(1, published.maximum));
    ProgressBar1->setValue(published.position);
    setPanelText(3, operateStatusText(published.status));
}

void TForm1::SetProgressBarMax(int maximum)
{
    ProgressBar1->setMaximum(std::max(1, maximum));
    ProgressBar1->show();
    ProgressBar1->repaint();
}

void TForm1::IncrementProgressBar()
{
    ProgressBar1->setValue(steppedProgress(ProgressBar1->value(), ProgressBar1->maximum()));
    // The device operations block the window thread between steps.
    ProgressBar1->repaint();
}

void TForm1::ResetProgressBar()
{
    ProgressBar1->setValue(0);
    ProgressBar1->repaint();
}

HelpWindow& TForm1::helpWindow() const
{
    if (!m_help)
        m_help = std::make_unique<HelpWindow>(m_helpPath, m_title, m_dialogs);
    return *m_help;
}

void TForm1::showHelpTopic(const QString& topic)
{
    helpWindow().showTopic(topic);
}

void TForm1::showCurrentRow()
{
    QAbstractItemModel* model = m_store.model();
    const int row = m_store.currentRow();
    const int column = std::max(0, DBGrid1->currentIndex().column());
    m_syncing = true;
    if (row >= 0 && row < model->rowCount()) {
        const QModelIndex at = model->index(row, column);
        DBGrid1->setCurrentIndex(at);
        DBGrid1->scrollTo(at);
    } else {
        DBGrid1->setCurrentIndex({});
    }
    m_syncing = false;
    m_indicator->current = row;
    m_indicator->viewport()->update();
}

void TForm1::dbEditChange()
{
    const BrowsingStatus s =
        browsingStatus(m_store.isFiltering(), m_store.model()->rowCount(), m_store.currentRow());
    setPanelText(1, s.countPanel);
    SpeedButton2->setEnabled(s.deleteEnabled);
    FilterOn->setEnabled(s.deleteEnabled);
    setPanelText(0, s.rowPanel);
}

void TForm1::N22Click()
{
    if (!m_store.isOpen())
        return;
    const int rows = m_store.model()->rowCount();
    SpeedButton2->setEnabled(rows > 0);
    FilterOn->setEnabled(rows > 0);
    setPanelText(1, QString::number(rows));
    const int row = m_store.currentRow();
    setPanelText(0, row >= 0 ? QString::number(row + 1) : QString());
    run(m_commands.edit);
}

void TForm1::SpeedButton1Click()
{
    if (FilterOff->isChecked()) {
        m_store.clearFilter();
    } else if (filterOnAction(SearchText->text()) == FilterAction::Apply) {
        m_store.applyFilter(SearchColumn->currentIndex(), SearchText->text());
    }
    dbEditChange();
}

void TForm1::Edit1Change()
{
    const int column = SearchColumn->currentIndex();
    const QString text = SearchText->text();
    m_store.setHighlight(column, text);
    switch (searchChangedAction(FilterOn->isChecked(), text)) {
    case FilterAction::Apply:
        m_store.applyFilter(column, text);
        break;
    case FilterAction::Clear:
        m_store.clearFilter();
        break;
    case FilterAction::Keep:
        break;
    }
    dbEditChange();
}

void TForm1::SpeedButton2Click()
{
    // Nothing to delete in an empty list.
    if (m_store.currentRow() < 0)
        return;
    if (!m_dialogs.ask(QStringLiteral("Вы хотите удалить выбранную запись?"), m_title, false))
        return;
    m_store.deleteCurrentRow(); // a failure leaves the row, without a message
    showCurrentRow();
    dbEditChange();
}

void TForm1::SpeedButton3Click()
{
    if (m_commands.copy) {
        m_commands.copy();
    } else {
        if (!m_store.RePaintStatus())
            return;
        m_store.copyCurrentRow();
    }
    showCurrentRow();
    dbEditChange();
}

void TForm1::N19Click()
{
    m_store.refresh();
    showCurrentRow();
    dbEditChange();
}

void TForm1::N27Click()
{
    showHelpTopic({});
}

void TForm1::ToolButton14Click()
{
    if (helpWindow().showTopic({}))
        helpWindow().showTopic(QStringLiteral("_interfase_introduction"));
}

void TForm1::N14Click()
{
    AboutWindow about(m_title, this);
    about.exec();
}

void TForm1::N7Click()
{
    close();
}

void TForm1::N25Click()
{
    if (m_commConfig)
        m_commConfig().openDialog();
}

void TForm1::ToolButtonAltDayClick()
{
    // Built when first asked for: the start-up does not wait for it.
    if (!m_altDays)
        m_altDays = std::make_unique<TFormAltDay>(AltDayEditorSettings::mainProgram(m_title),
                                                  &m_dialogs, this);
    m_altDays->setEscapeCloses(true);
    m_altDays->exec();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SearchText && event->type() == QEvent::ShortcutOverride) {
        // The window's commands win over the field's own keys (Ctrl+E and others).
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        const QList<QAction*> actions = findChildren<QAction*>();
        for (const QAction* a : actions)
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == pressed)
                return true;
    }
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            const QModelIndex at = DBGrid1->currentIndex();
            if (at.isValid() && (at.flags() & Qt::ItemIsEditable))
                DBGrid1->edit(at);
            else
                N22Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event)
{
    // Hints of the controls and menu items go to the last panel.
    if (event->type() == QEvent::StatusTip) {
        setPanelText(3, static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    writeSettings();
    if (m_help)
        m_help->close();
    QMainWindow::closeEvent(event);
}

void TForm1::arrangeBands(bool useStored)
{
    struct Band
    {
        QToolBar* bar;
        QPoint at;
        int order;
    };
    const int line = std::max(1, ToolBar1->sizeHint().height());
    // The toolbar's place is not kept; it leads the first line. The search band
    // is the widest: by default it has the second line to itself.
    QList<Band> bands{{ToolBar1, {0, 0}, 0}, {Panel3, {0, line}, 1}, {Panel4, {1, 0}, 2}};
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
    for (QToolBar* bar : {ToolBar1, Panel3, Panel4})
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

void TForm1::readSettings()
{
    arrangeBands(true);

    bool ok = true;
    const QRect stored(storedInt(m_settings, keys::kLeft, ok),
                       storedInt(m_settings, keys::kTop, ok),
                       storedInt(m_settings, keys::kWidth, ok),
                       storedInt(m_settings, keys::kHeight, ok));
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

void TForm1::writeSettings()
{
    const QRect g = isMaximized() ? normalGeometry() : geometry();
    m_settings.writeInteger(kSection, keys::kLeft, g.x());
    m_settings.writeInteger(kSection, keys::kTop, g.y());
    m_settings.writeInteger(kSection, keys::kWidth, g.width());
    m_settings.writeInteger(kSection, keys::kHeight, g.height());
    m_settings.writeBool(kSection, keys::kMaximized, isMaximized());
    // Band places relative to the control bar's first line.
    const int top = std::min({ToolBar1->y(), Panel3->y(), Panel4->y()});
    m_settings.writeInteger(kSection, keys::kSearchBandLeft, Panel3->x());
    m_settings.writeInteger(kSection, keys::kSearchBandTop, Panel3->y() - top);
    m_settings.writeInteger(kSection, keys::kRecordBandLeft, Panel4->x());
    m_settings.writeInteger(kSection, keys::kRecordBandTop, Panel4->y() - top);
}

} // namespace vyn
