#include "app/windows/interfacesettingswindow.h"

#include "ui/dialogbuttons.h"

#include "app/configdatabase.h"
#include "app/windows/serverdatabasedialog.h"

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

InterfaceSettingsWindow::InterfaceSettingsWindow(InterfaceSettingsLinks links, QWidget* parent)
    : QDialog(parent), m_links(std::move(links))
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
    loadSettings(true);
}

void InterfaceSettingsWindow::setVisible(bool visible)
{
    // The start-up does not wait for controls nobody has looked at yet.
    if (visible)
        buildControls();
    QDialog::setVisible(visible);
}

void InterfaceSettingsWindow::buildControls()
{
    if (m_databaseField)
        return;
    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(10, 10, 10, 10);

    auto* files = new QGroupBox(QStringLiteral("Файлы"), this);
    auto* filesLayout = new QVBoxLayout(files);
    filesLayout->setSpacing(2);
    auto fileField = [&](QLineEdit*& edit, const QString& name, const QString& label,
                         const QString& browse, void (InterfaceSettingsWindow::*handler)()) {
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
        fileField(m_databaseField, QStringLiteral("Edit1"), QStringLiteral("Имя базы данных:"),
                  QStringLiteral("SpeedButton1"), &InterfaceSettingsWindow::browseDatabaseFile);
    m_serverButton = new QToolButton(files);
    m_serverButton->setObjectName(QStringLiteral("serverDatabase"));
    m_serverButton->setIcon(QIcon::fromTheme(QStringLiteral("network-server")));
    m_serverButton->setText(QStringLiteral("Сервер"));
    m_serverButton->setToolTip(QStringLiteral("Сервер PostgreSQL"));
    connect(m_serverButton, &QToolButton::clicked, this, [this] { chooseServer(); });
    databaseRow->addWidget(m_serverButton);
    fileField(m_firmwareField, QStringLiteral("Edit5"), QStringLiteral("Файл программатора"),
              QStringLiteral("SpeedButton2"), &InterfaceSettingsWindow::browseFirmwareFile);
    fileField(m_altDaysField, QStringLiteral("Edit3"), QStringLiteral("Файл альтернативных дней:"),
              QStringLiteral("SpeedButton3"), &InterfaceSettingsWindow::browseAltDaysFile);
    fileField(m_tariffField, QStringLiteral("Edit4"), QStringLiteral("Файл тарифов:"),
              QStringLiteral("SpeedButton4"), &InterfaceSettingsWindow::browseTariffFile);
    root->addWidget(files);

    auto* options = new QGroupBox(QStringLiteral("Параметры"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    m_noConfigBox =
        option(QStringLiteral("CheckBox1"), QStringLiteral("Прибор отображает NoCFG"), options);
    m_minFlowControlBox = option(
        QStringLiteral("CheckBox3"),
        QStringLiteral("Устанавить в приборе контроль минимального значения расхода"), options);
    m_flowHistoryBox =
        option(QStringLiteral("CheckBox4"),
               QStringLiteral("Сохранять историю ввода для характеристик расходомеров"), options);
    m_thermoHistoryBox =
        option(QStringLiteral("CheckBox5"),
               QStringLiteral("Сохранять историю ввода для характеристик термометров"), options);
    m_completenessBox =
        option(QStringLiteral("CheckBox6"),
               QStringLiteral("Осуществлять проверку полноты ввода данных"), options);
    m_noDaylightSavingBox =
        option(QStringLiteral("CheckBox7"),
               QStringLiteral("Не осуществлять перевод на зимнее/летнее время"), options);
    m_serialNumbersBox =
        option(QStringLiteral("CheckBox2"),
               QStringLiteral("Печатать серийные номера в карте программирования"), options);
    for (QCheckBox* c : {m_noConfigBox, m_minFlowControlBox, m_flowHistoryBox, m_thermoHistoryBox,
                         m_completenessBox, m_noDaylightSavingBox, m_serialNumbersBox})
        optionsLayout->addWidget(c);
    root->addWidget(options);

    auto* passport = new QGroupBox(QStringLiteral("Печатать паспорт"), this);
    passport->setObjectName(QStringLiteral("RadioGroup1"));
    m_complexPassport = new QRadioButton(QStringLiteral("На комплекс"), passport);
    m_complexPassport->setObjectName(QStringLiteral("RadioGroup1_0"));
    m_calculatorPassport = new QRadioButton(QStringLiteral("На вычислитель"), passport);
    m_calculatorPassport->setObjectName(QStringLiteral("RadioGroup1_1"));
    m_complexPassport->setChecked(true);
    auto* passportLayout = new QHBoxLayout(passport);
    passportLayout->addWidget(m_complexPassport);
    passportLayout->addWidget(m_calculatorPassport);
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

    m_passportKindsLabel = new QLabel(QStringLiteral("Виды паспортов"), this);
    m_passportKindList = new QListWidget(this);
    m_passportKindList->setObjectName(QStringLiteral("ListBox1"));
    m_passportKindList->setFixedHeight(90);
    m_passportKindsLabel->setBuddy(m_passportKindList);
    root->addWidget(m_passportKindsLabel);
    root->addWidget(m_passportKindList);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    root->addSpacing(6);
    root->addWidget(line);
    root->addSpacing(12);

    root->addLayout(enterCancelHelpRow(
        this, [this] { acceptSettings(); }, [this] { cancelSettings(); }, [this] { showHelp(); }));

    // 451 pixels, unless the options' texts need more in this font.
    setFixedWidth(qMax(451, sizeHint().width()));
    m_firmDetailsButton->setEnabled(bool(m_firmDetails));
    m_passportKindList->addItems(m_passportKinds);
    showSettings(m_held);
    placePassportList();
}

void InterfaceSettingsWindow::setFirmDetailsCommand(std::function<void()> command)
{
    m_firmDetails = std::move(command);
    if (m_firmDetailsButton)
        m_firmDetailsButton->setEnabled(bool(m_firmDetails));
}

InterfaceSettings InterfaceSettingsWindow::current() const
{
    if (!m_databaseField)
        return m_held;
    InterfaceSettings s;
    s.databasePath = m_databaseField->text();
    s.programmerFile = m_firmwareField->text();
    s.altDaysFile = m_altDaysField->text();
    s.tariffFile = m_tariffField->text();
    s.noCfgShown = m_noConfigBox->isChecked();
    s.minFlowControl = m_minFlowControlBox->isChecked();
    s.flowHistory = m_flowHistoryBox->isChecked();
    s.thermoHistory = m_thermoHistoryBox->isChecked();
    s.completenessCheck = m_completenessBox->isChecked();
    s.noDaylightSaving = m_noDaylightSavingBox->isChecked();
    s.printSerialNumbers = m_serialNumbersBox->isChecked();
    s.passport =
        m_calculatorPassport->isChecked() ? PassportKind::Calculator : PassportKind::Complex;
    return s;
}

void InterfaceSettingsWindow::showSettings(const InterfaceSettings& s)
{
    if (!m_databaseField) {
        m_held = asControlsHold(s);
        return;
    }
    m_databaseField->setText(s.databasePath);
    m_firmwareField->setText(s.programmerFile);
    m_altDaysField->setText(s.altDaysFile);
    m_tariffField->setText(s.tariffFile);
    m_noConfigBox->setChecked(s.noCfgShown);
    m_minFlowControlBox->setChecked(s.minFlowControl);
    m_flowHistoryBox->setChecked(s.flowHistory);
    m_thermoHistoryBox->setChecked(s.thermoHistory);
    m_completenessBox->setChecked(s.completenessCheck);
    m_noDaylightSavingBox->setChecked(s.noDaylightSaving);
    m_serialNumbersBox->setChecked(s.printSerialNumbers);
    (s.passport == PassportKind::Calculator ? m_calculatorPassport : m_complexPassport)
        ->setChecked(true);
}

void InterfaceSettingsWindow::setFileField(QLineEdit* InterfaceSettingsWindow::*edit,
                                           QString InterfaceSettings::*value, const QString& text)
{
    if (this->*edit)
        (this->*edit)->setText(text);
    else
        m_held.*value = asLineEditHolds(text);
}

void InterfaceSettingsWindow::loadSettings(bool creation)
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

void InterfaceSettingsWindow::reconnect(const QString& baseName)
{
    ConfigDatabase& db = m_links.database;
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

void InterfaceSettingsWindow::placePassportList()
{
    if (!m_passportKindList)
        return;
    const bool shown = m_passportKindList->count() >= 2;
    m_passportKindsLabel->setVisible(shown);
    m_passportKindList->setVisible(shown);
    layout()->activate();
    setFixedHeight(sizeHint().height());
}

void InterfaceSettingsWindow::setPassportKinds(const QStringList& kinds)
{
    m_passportKinds = kinds;
    if (!m_passportKindList)
        return;
    m_passportKindList->clear();
    m_passportKindList->addItems(kinds);
    placePassportList();
}

bool InterfaceSettingsWindow::LoadConf()
{
    if (!m_links.loadConf || m_links.loadConf())
        return true;
    m_links.endProgram();
    return false;
}

void InterfaceSettingsWindow::showStoredSettings()
{
    InterfaceSettings s = InterfaceSettings::readStored(m_links.settings, current());
    // The database field names the database in use, not an older stored text.
    const QString base = m_links.settings.readString(settingskeys::mainWindow::kSection,
                                                     settingskeys::mainWindow::kDatabase);
    if (!base.isEmpty())
        s.databasePath = base;
    showSettings(s);
}

int InterfaceSettingsWindow::openDialog()
{
    showStoredSettings();
    return exec();
}

void InterfaceSettingsWindow::acceptSettings()
{
    // A path typed into the field counts as much as a chosen one.
    const QString typed = current().databasePath.trimmed();
    const ConfigDatabase& db = m_links.database;
    if (!typed.isEmpty() && (!db.isOpen() || typed != db.path()) && !connectDatabase(typed))
        return;
    m_firmwareFolder = folderOf(current().databasePath);
    current().writeMainWindowCopies(m_links.settings);
    LoadConf();
    accept();
}

void InterfaceSettingsWindow::cancelSettings()
{
    reject();
}

void InterfaceSettingsWindow::showHelp()
{
    if (m_links.help)
        m_links.help(QStringLiteral("interf"));
}

void InterfaceSettingsWindow::reject()
{
    // Escape and the title bar's close button cancel as "Отказ" does.
    loadSettings(false);
    QDialog::reject();
}

void InterfaceSettingsWindow::done(int result)
{
    current().writeStored(m_links.settings);
    m_links.settings.saveChanges();
    QDialog::done(result);
}

QString InterfaceSettingsWindow::chooseFile(const QString& caption, const QString& start,
                                            const QString& filter, const QString& suffix)
{
    FileChoice choice;
    choice.caption = caption;
    choice.directory = start;
    choice.filter = filter;
    choice.defaultSuffix = suffix;
    return m_links.dialogs.chooseOpenFile(choice);
}

void InterfaceSettingsWindow::browseDatabaseFile()
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

void InterfaceSettingsWindow::chooseServer()
{
    QString error;
    const std::optional<DatabaseLocation> shown =
        DatabaseLocation::parse(current().databasePath.trimmed(), error);
    const std::optional<DatabaseLocation> chosen =
        m_serverChooser ? m_serverChooser(shown.value_or(DatabaseLocation()))
                        : chooseServerDatabase(shown.value_or(DatabaseLocation()), this);
    if (chosen)
        connectDatabase(chosen->toString());
}

bool InterfaceSettingsWindow::connectDatabase(const QString& file)
{
    ConfigDatabase& db = m_links.database;
    const QString previous = db.isOpen() ? db.path() : QString();
    db.Close();
    if (!db.Connect(file)) {
        // A server says why (no such host, a refused password, ...).
        const bool server = DatabaseLocation::looksLikeServer(file) && !db.lastError().isEmpty();
        m_links.dialogs.inform(
            server ? db.lastError()
                   : QStringLiteral("Не удалось подключиться к выбранной базе данных"),
            kCaption, MessageKind::Error);
        // The database in use stays in use.
        if (!previous.isEmpty() && db.Connect(previous))
            db.Last();
        return false;
    }
    if (db.isReadOnly())
        m_links.dialogs.inform(readOnlyMessage(file), kCaption, MessageKind::Warning);
    db.Last();
    setFileField(&InterfaceSettingsWindow::m_databaseField, &InterfaceSettings::databasePath, file);
    m_links.settings.writeString(settingskeys::mainWindow::kSection,
                                 settingskeys::mainWindow::kDatabase, file);
    m_links.settings.saveChanges();
    return true;
}

void InterfaceSettingsWindow::browseFirmwareFile()
{
    const QString programmer = current().programmerFile;
    const QString start = programmer.isEmpty() ? m_firmwareFolder : folderOf(programmer);
    const QString file = chooseFile(
        QStringLiteral("Файл программатора"), start,
        qtFileFilter(QStringLiteral("Файлы программатора (*.vyn)|*.vyn")), QStringLiteral("vyn"));
    if (file.isEmpty())
        return;
    setFileField(&InterfaceSettingsWindow::m_firmwareField, &InterfaceSettings::programmerFile,
                 file);
    m_links.settings.writeString(settingskeys::mainWindow::kSection,
                                 settingskeys::mainWindow::kLoaderFile, file);
    if (m_links.loader)
        LoadProg(*m_links.loader, file, m_links.dialogs, m_links.title);
}

void InterfaceSettingsWindow::browseAltDaysFile()
{
    const QString file =
        chooseFile(QStringLiteral("Файл альтернативных дней"), folderOf(current().altDaysFile),
                   qtFileFilter(QStringLiteral("Файл альтернативных дней(*.alt)|*.alt")),
                   QStringLiteral("alt"));
    if (!file.isEmpty())
        setFileField(&InterfaceSettingsWindow::m_altDaysField, &InterfaceSettings::altDaysFile,
                     file);
}

void InterfaceSettingsWindow::browseTariffFile()
{
    const QString file = chooseFile(QStringLiteral("Файл тарифов"), folderOf(current().tariffFile),
                                    qtFileFilter(QStringLiteral("Файлы тарифов (*.trf)|*.trf")),
                                    QStringLiteral("trf"));
    if (!file.isEmpty())
        setFileField(&InterfaceSettingsWindow::m_tariffField, &InterfaceSettings::tariffFile, file);
}

} // namespace vyn
