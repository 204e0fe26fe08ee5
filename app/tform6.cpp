#include "tform6.h"

#include "ui/dialogbuttons.h"

#include "serverdatabasedialog.h"
#include "tdm1.h"

#include "model/inifile.h"
#include "model/settingskeys.h"
#include "model/userdialogs.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace vyn {

namespace {

const QString kCaption = QStringLiteral("Сообщение");

QString folderOf(const QString& path)
{
    // A server's address names no folder to start a file dialog in.
    if (path.isEmpty() || DatabaseLocation::looksLikeServer(path))
        return {};
    return QFileInfo(path).absolutePath();
}

QCheckBox* option(const QString& name, const QString& text, QWidget* parent)
{
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(name);
    return c;
}

constexpr int kLineEditMaxLength = 32767; // QLineEdit's own limit

// The text a line edit gives back for `text`: never null, cut at its length limit.
QString asLineEditHolds(const QString& text)
{
    QString held = text.left(kLineEditMaxLength);
    return held.isNull() ? QString::fromLatin1("") : held;
}

// Held file fields become what the line edits would make of them.
InterfaceSettings asControlsHold(InterfaceSettings s)
{
    for (QString* field : {&s.databasePath, &s.programmerFile, &s.altDaysFile, &s.tariffFile})
        *field = asLineEditHolds(*field);
    return s;
}

} // namespace

TForm6::TForm6(TForm6Links links, QWidget* parent) : QDialog(parent), m_links(std::move(links))
{
    if (!m_links.endProgram)
        m_links.endProgram = [] {
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, &QCoreApplication::quit, Qt::QueuedConnection);
        };

    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Интерфейсные настройки"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    // The controls' own defaults, for keys the settings file does not hold.
    showSettings(InterfaceSettings());
    FormCreate(true);
}

void TForm6::setVisible(bool visible)
{
    // The start-up does not wait for controls nobody has looked at yet.
    if (visible)
        buildControls();
    QDialog::setVisible(visible);
}

void TForm6::buildControls()
{
    if (Edit1)
        return;
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);

    auto* files = new QGroupBox(QStringLiteral("Файлы"), this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setSpacing(2);
    auto fileField = [&](QLineEdit*& edit, const QString& name, const QString& label,
                         const QString& browse, void (TForm6::*handler)()) {
        edit = new QLineEdit(files);
        edit->setObjectName(name);
        auto* caption = new QLabel(label, files);
        caption->setBuddy(edit);
        auto* b = new QToolButton(files);
        b->setObjectName(browse);
        b->setIcon(QIcon::fromTheme(QStringLiteral("document-open")));
        b->setText(QStringLiteral("…"));
        b->setToolTip(QStringLiteral("Выбрать файл"));
        connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(b);
        filesLayout->addWidget(caption);
        filesLayout->addLayout(row);
        filesLayout->addSpacing(4);
        return row;
    };
    QHBoxLayout* databaseRow =
        fileField(Edit1, QStringLiteral("Edit1"), QStringLiteral("Имя базы данных:"),
                  QStringLiteral("SpeedButton1"), &TForm6::SpeedButton1Click);
    m_serverButton = new QToolButton(files);
    m_serverButton->setObjectName(QStringLiteral("serverDatabase"));
    m_serverButton->setIcon(QIcon::fromTheme(QStringLiteral("network-server")));
    m_serverButton->setText(QStringLiteral("Сервер"));
    m_serverButton->setToolTip(QStringLiteral("Сервер PostgreSQL"));
    connect(m_serverButton, &QToolButton::clicked, this, [this] { chooseServer(); });
    databaseRow->addWidget(m_serverButton);
    fileField(Edit5, QStringLiteral("Edit5"), QStringLiteral("Файл программатора"),
              QStringLiteral("SpeedButton2"), &TForm6::SpeedButton2Click);
    fileField(Edit3, QStringLiteral("Edit3"), QStringLiteral("Файл альтернативных дней:"),
              QStringLiteral("SpeedButton3"), &TForm6::SpeedButton3Click);
    fileField(Edit4, QStringLiteral("Edit4"), QStringLiteral("Файл тарифов:"),
              QStringLiteral("SpeedButton4"), &TForm6::SpeedButton4Click);
    root->addWidget(files);

    auto* options = new QGroupBox(QStringLiteral("Параметры"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    CheckBox1 = option(QStringLiteral("CheckBox1"), QStringLiteral("Прибор отображает NoCFG"), options);
    CheckBox3 = option(QStringLiteral("CheckBox3"),
                       QStringLiteral("Устанавить в приборе контроль минимального значения расхода"),
                       options);
    CheckBox4 = option(QStringLiteral("CheckBox4"),
                       QStringLiteral("Сохранять историю ввода для характеристик расходомеров"),
                       options);
    CheckBox5 = option(QStringLiteral("CheckBox5"),
                       QStringLiteral("Сохранять историю ввода для характеристик термометров"),
                       options);
    CheckBox6 = option(QStringLiteral("CheckBox6"),
                       QStringLiteral("Осуществлять проверку полноты ввода данных"), options);
    CheckBox7 = option(QStringLiteral("CheckBox7"),
                       QStringLiteral("Не осуществлять перевод на зимнее/летнее время"), options);
    CheckBox2 = option(QStringLiteral("CheckBox2"),
                       QStringLiteral("Печатать серийные номера в карте программирования"),
                       options);
    for (QCheckBox* c : {CheckBox1, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7, CheckBox2})
        optionsLayout->addWidget(c);
    root->addWidget(options);

    auto* passport = new QGroupBox(QStringLiteral("Печатать паспорт"), this);
    passport->setObjectName(QStringLiteral("RadioGroup1"));
    RadioComplex = new QRadioButton(QStringLiteral("На комплекс"), passport);
    RadioComplex->setObjectName(QStringLiteral("RadioGroup1_0"));
    RadioCalculator = new QRadioButton(QStringLiteral("На вычислитель"), passport);
    RadioCalculator->setObjectName(QStringLiteral("RadioGroup1_1"));
    RadioComplex->setChecked(true);
    auto* passportLayout = new QHBoxLayout(passport);
    passportLayout->addWidget(RadioComplex);
    passportLayout->addWidget(RadioCalculator);
    passportLayout->addStretch(1);
    m_firmDetailsButton = new QPushButton(QStringLiteral("Реквизиты организации..."), passport);
    m_firmDetailsButton->setObjectName(QStringLiteral("firmDetails"));
    m_firmDetailsButton->setAutoDefault(false);
    m_firmDetailsButton->setEnabled(false);
    connect(m_firmDetailsButton, &QPushButton::clicked, this, [this] {
        if (m_firmDetails)
            m_firmDetails();
    });
    passportLayout->addWidget(m_firmDetailsButton);
    root->addWidget(passport);

    Label7 = new QLabel(QStringLiteral("Виды паспортов"), this);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFixedHeight(90);
    Label7->setBuddy(ListBox1);
    root->addWidget(Label7);
    root->addWidget(ListBox1);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    root->addSpacing(6);
    root->addWidget(line);
    root->addSpacing(12);

    root->addLayout(enterCancelHelpRow(
        this, [this] { BitBtn1Click(); }, [this] { BitBtn2Click(); }, [this] { BitBtn3Click(); }));

    // 451 pixels, unless the options' texts need more in this font.
    setFixedWidth(qMax(451, sizeHint().width()));
    m_firmDetailsButton->setEnabled(bool(m_firmDetails));
    ListBox1->addItems(m_passportKinds);
    showSettings(m_held);
    placePassportList();
}

void TForm6::setFirmDetailsCommand(std::function<void()> command)
{
    m_firmDetails = std::move(command);
    if (m_firmDetailsButton)
        m_firmDetailsButton->setEnabled(bool(m_firmDetails));
}

InterfaceSettings TForm6::current() const
{
    if (!Edit1)
        return m_held;
    InterfaceSettings s;
    s.databasePath = Edit1->text();
    s.programmerFile = Edit5->text();
    s.altDaysFile = Edit3->text();
    s.tariffFile = Edit4->text();
    s.noCfgShown = CheckBox1->isChecked();
    s.minFlowControl = CheckBox3->isChecked();
    s.flowHistory = CheckBox4->isChecked();
    s.thermoHistory = CheckBox5->isChecked();
    s.completenessCheck = CheckBox6->isChecked();
    s.noDaylightSaving = CheckBox7->isChecked();
    s.printSerialNumbers = CheckBox2->isChecked();
    s.passport = RadioCalculator->isChecked() ? PassportKind::Calculator : PassportKind::Complex;
    return s;
}

void TForm6::showSettings(const InterfaceSettings& s)
{
    if (!Edit1) {
        m_held = asControlsHold(s);
        return;
    }
    Edit1->setText(s.databasePath);
    Edit5->setText(s.programmerFile);
    Edit3->setText(s.altDaysFile);
    Edit4->setText(s.tariffFile);
    CheckBox1->setChecked(s.noCfgShown);
    CheckBox3->setChecked(s.minFlowControl);
    CheckBox4->setChecked(s.flowHistory);
    CheckBox5->setChecked(s.thermoHistory);
    CheckBox6->setChecked(s.completenessCheck);
    CheckBox7->setChecked(s.noDaylightSaving);
    CheckBox2->setChecked(s.printSerialNumbers);
    (s.passport == PassportKind::Calculator ? RadioCalculator : RadioComplex)->setChecked(true);
}

void TForm6::setFileField(QLineEdit* TForm6::*edit, QString InterfaceSettings::*value,
                          const QString& text)
{
    if (this->*edit)
        (this->*edit)->setText(text);
    else
        m_held.*value = asLineEditHolds(text);
}

void TForm6::FormCreate(bool creation)
{
    showSettings(InterfaceSettings::readStored(m_links.settings, current()));
    if (creation) {
        m_firmwareFolder = folderOf(current().databasePath);
        LoadConf();
    }
    placePassportList();

    InterfaceSettings s = current();
    s.takeMainWindowCopies(m_links.settings);
    showSettings(s);
    // At creation the start-up has just opened that very file: the list is read once.
    if (!(creation && m_links.database.isOpen() && m_links.database.path() == s.databasePath))
        reconnect(s.databasePath);
}

void TForm6::reconnect(const QString& baseName)
{
    TDM1& db = m_links.database;
    const bool wasOpen = db.isOpen();
    const bool samePath = wasOpen && db.path() == baseName;
    const std::optional<qint64> row = db.currentId();
    db.Close();
    if (baseName.isEmpty() || !db.Connect(baseName)) {
        // A database that was not open before was reported at start-up already.
        if (wasOpen)
            m_links.dialogs.inform(
                QStringLiteral("Невозможно открыть базу приборов. Проверьте настройки."), kCaption,
                MessageKind::Error);
        return;
    }
    if (!samePath && db.isReadOnly())
        m_links.dialogs.inform(readOnlyMessage(db.path()), kCaption, MessageKind::Warning);
    // Cancelling the window keeps the row the user is on.
    if (samePath && row && db.setCurrentId(*row))
        return;
    db.Last();
}

void TForm6::placePassportList()
{
    if (!ListBox1)
        return;
    const bool shown = ListBox1->count() >= 2;
    Label7->setVisible(shown);
    ListBox1->setVisible(shown);
    layout()->activate();
    setFixedHeight(sizeHint().height());
}

void TForm6::setPassportKinds(const QStringList& kinds)
{
    m_passportKinds = kinds;
    if (!ListBox1)
        return;
    ListBox1->clear();
    ListBox1->addItems(kinds);
    placePassportList();
}

bool TForm6::LoadConf()
{
    if (!m_links.loadConf || m_links.loadConf())
        return true;
    m_links.endProgram();
    return false;
}

void TForm6::FormShow()
{
    InterfaceSettings s = InterfaceSettings::readStored(m_links.settings, current());
    // The database field names the database in use, not an older stored text.
    const QString base = m_links.settings.readString(settingskeys::mainWindow::kSection,
                                                       settingskeys::mainWindow::kDatabase);
    if (!base.isEmpty())
        s.databasePath = base;
    showSettings(s);
}

int TForm6::openDialog()
{
    FormShow();
    return exec();
}

void TForm6::BitBtn1Click()
{
    // A path typed into the field counts as much as a chosen one.
    const QString typed = current().databasePath.trimmed();
    const TDM1& db = m_links.database;
    if (!typed.isEmpty() && (!db.isOpen() || typed != db.path()) && !connectDatabase(typed))
        return;
    m_firmwareFolder = folderOf(current().databasePath);
    current().writeMainWindowCopies(m_links.settings);
    LoadConf();
    accept();
}

void TForm6::BitBtn2Click()
{
    reject();
}

void TForm6::BitBtn3Click()
{
    if (m_links.help)
        m_links.help(QStringLiteral("interf"));
}

void TForm6::reject()
{
    // Escape and the title bar's close button cancel as "Отказ" does.
    FormCreate(false);
    QDialog::reject();
}

void TForm6::done(int result)
{
    current().writeStored(m_links.settings);
    m_links.settings.saveChanges();
    QDialog::done(result);
}

QString TForm6::chooseFile(const QString& caption, const QString& start, const QString& filter,
                           const QString& suffix)
{
    FileChoice choice;
    choice.caption = caption;
    choice.directory = start;
    choice.filter = filter;
    choice.defaultSuffix = suffix;
    return m_links.dialogs.chooseOpenFile(choice);
}

void TForm6::SpeedButton1Click()
{
    const QString file =
        chooseFile(QStringLiteral("Имя базы данных"), folderOf(current().databasePath),
                   QStringLiteral("Файлы базы данных (*.sqlite *.db)"), QStringLiteral("sqlite"));
    if (file.isEmpty())
        return;
    if (isJetDatabaseFile(file)) {
        m_links.dialogs.inform(
            QStringLiteral("Файл %1 — база данных Microsoft Access (Jet). Программа работает с "
                           "базами SQLite и не может подключить этот файл.\nПеренесите его записи "
                           "в базу программы командой «Импорт базы» (меню «Файл», «Импорт...», "
                           "Ctrl+O).")
                .arg(file),
            kCaption, MessageKind::Warning);
        return;
    }
    connectDatabase(file);
}

void TForm6::chooseServer()
{
    QString error;
    const std::optional<DatabaseLocation> shown = DatabaseLocation::parse(current().databasePath.trimmed(), error);
    const std::optional<DatabaseLocation> chosen =
        m_serverChooser ? m_serverChooser(shown.value_or(DatabaseLocation()))
                             : chooseServerDatabase(shown.value_or(DatabaseLocation()), this);
    if (chosen)
        connectDatabase(chosen->toString());
}

bool TForm6::connectDatabase(const QString& file)
{
    TDM1& db = m_links.database;
    const QString previous = db.isOpen() ? db.path() : QString();
    db.Close();
    if (!db.Connect(file)) {
        // A server says why (no such host, a refused password, ...).
        const bool server = DatabaseLocation::looksLikeServer(file) && !db.lastError().isEmpty();
        m_links.dialogs.inform(
            server ? db.lastError() : QStringLiteral("Не удалось подключиться к выбранной базе данных"),
            kCaption, MessageKind::Error);
        // The database in use stays in use.
        if (!previous.isEmpty() && db.Connect(previous))
            db.Last();
        return false;
    }
    if (db.isReadOnly())
        m_links.dialogs.inform(readOnlyMessage(file), kCaption, MessageKind::Warning);
    db.Last();
    setFileField(&TForm6::Edit1, &InterfaceSettings::databasePath, file);
    m_links.settings.writeString(settingskeys::mainWindow::kSection,
                                 settingskeys::mainWindow::kDatabase, file);
    m_links.settings.saveChanges();
    return true;
}

void TForm6::SpeedButton2Click()
{
    const QString programmer = current().programmerFile;
    const QString start = programmer.isEmpty() ? m_firmwareFolder : folderOf(programmer);
    const QString file = chooseFile(QStringLiteral("Файл программатора"), start,
                                    qtFileFilter(QStringLiteral("Файлы программатора (*.vyn)|*.vyn")),
                                    QStringLiteral("vyn"));
    if (file.isEmpty())
        return;
    setFileField(&TForm6::Edit5, &InterfaceSettings::programmerFile, file);
    m_links.settings.writeString(settingskeys::mainWindow::kSection,
                                 settingskeys::mainWindow::kLoaderFile, file);
    if (m_links.loader)
        LoadProg(*m_links.loader, file, m_links.dialogs, m_links.title);
}

void TForm6::SpeedButton3Click()
{
    const QString file =
        chooseFile(QStringLiteral("Файл альтернативных дней"), folderOf(current().altDaysFile),
                   qtFileFilter(QStringLiteral("Файл альтернативных дней(*.alt)|*.alt")),
                   QStringLiteral("alt"));
    if (!file.isEmpty())
        setFileField(&TForm6::Edit3, &InterfaceSettings::altDaysFile, file);
}

void TForm6::SpeedButton4Click()
{
    const QString file = chooseFile(QStringLiteral("Файл тарифов"), folderOf(current().tariffFile),
                                    qtFileFilter(QStringLiteral("Файлы тарифов (*.trf)|*.trf")),
                                    QStringLiteral("trf"));
    if (!file.isEmpty())
        setFileField(&TForm6::Edit4, &InterfaceSettings::tariffFile, file);
}

} // namespace vyn
