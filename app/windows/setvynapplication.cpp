#include "app/windows/setvynapplication.h"

#include "app/windows/sessionend.h"

#include "app/configexchange.h"
#include "app/currentconfigrowstore.h"
#include "app/databasebrowsingstore.h"
#include "app/databaserowstore.h"
#include "app/filecopy.h"
#include "app/programdir.h"
#include "app/vynbasemodel.h"
#include "app/windows/filecopywindow.h"
#include "app/windows/interfacesettingswindow.h"
#include "app/windows/mainwindow.h"

#include "documents/documentcommands.h"
#include "documents/firmdetailswindow.h"
#include "documents/reportpreview.h"
#include "editor/windows/configeditorwindow.h"
#include "link/devicecommands.h"
#include "link/programmerfile.h"
#include "model/configfile.h"
#include "model/messageerror.h"
#include "model/settingskeys.h"
#include "ui/firstuseicon.h"
#include "ui/qttranslations.h"
#include "ui/qtuserdialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMetaObject>
#include <QProgressDialog>
#include <QTimer>
#include <chrono>
#include <memory>
#include <thread>

namespace vyn {

void setUpProgramApplication(QApplication& app)
{
    QApplication::setApplicationName(QStringLiteral("setvyn"));
    // The desktop shows the entry's icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.setvyn.Setvyn"));
    installQtRussianTranslations(app);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    // The program's own icon is an SVG. Where Qt has no SVG icon engine its theme
    // lookup passes SVG files by, so the stock icon stands in; asking the image
    // readers instead would load every image plugin at each start.
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral("org.setvyn.Setvyn"), QIcon::fromTheme(QStringLiteral("accessories-calculator"))));
}

WriteConfigInputs writeInputsFromSettings(const InterfaceSettings& settings,
                                          const CommSettings& comm)
{
    WriteConfigInputs inputs = toWriteConfigInputs(settings, comm);
    inputs.locale = NumberLocale::system();
    return inputs;
}

namespace {

// The real program shows what a save waits for while another program imports.
SetvynOptions withImportWaitWindow(SetvynOptions options)
{
    if (options.dialogs || options.database.waitForImport)
        return options;
    auto window = std::make_shared<std::unique_ptr<QProgressDialog>>();
    options.database.waitForImport = [window](const QString& text) {
        if (text.isEmpty()) {
            window->reset();
            return true;
        }
        if (!*window) {
            *window = std::make_unique<QProgressDialog>(text, QStringLiteral("Отмена"), 0, 0);
            (*window)->setWindowTitle(QStringLiteral("Ожидание"));
            (*window)->setWindowModality(Qt::ApplicationModal);
            (*window)->setMinimumDuration(0);
            (*window)->show();
        }
        QCoreApplication::processEvents();
        return !(*window)->wasCanceled();
    };
    return options;
}

DocumentSettings documentSettings(const InterfaceSettings& s)
{
    DocumentSettings d;
    d.printFor = s.passport == PassportKind::Calculator ? PrintFor::Calculator : PrintFor::Complex;
    d.serialNumbers = s.printSerialNumbers;
    d.minFlowControl = s.minFlowControl;
    d.noSeasonTimeChange = s.noDaylightSaving;
    d.altDaysFile = s.altDaysFile;
    return d;
}

} // namespace

SetvynApplication::SetvynApplication(SetvynOptions options)
    : m_options(withImportWaitWindow(std::move(options))), m_db(m_options.database),
      m_proto(ThreadSleeper::instance(), m_options.protoTimings.value_or(ProtoTimings{}))
{
    if (m_options.dialogs) {
        m_dialogs = m_options.dialogs;
    } else {
        m_qtDialogs = std::make_unique<QtUserDialogs>();
        m_dialogs = m_qtDialogs.get();
    }
    if (!m_options.database.passwordPrompt)
        m_db.setPasswordPrompt(passwordPromptOf(*m_dialogs));
    if (m_options.exeDir.isEmpty()) {
        const ProgramFiles files = programFiles();
        m_options.exeDir = files.userDir;
        m_options.productDirs = files.productDirs;
    }
}

SetvynApplication::~SetvynApplication()
{
    if (m_start && !m_finished)
        finish();
}

bool SetvynApplication::start()
{
    makeStandardIconsOnFirstUse();
    StartInputs in;
    in.exeDir = m_options.exeDir;
    in.productDirs = m_options.productDirs;
    in.workingDir = m_options.workingDir;
    in.tempRoot = m_options.tempRoot;
    in.database = m_options.database;
    m_start =
        std::make_unique<ProgramStart>(std::move(in), *m_dialogs, m_db, m_session, m_conversion);
    m_start->startUp();
    removeCopyLeftovers(m_start->GetPathStr());
    if (!m_start->stopRequested()) {
        // Its creation loads conf.dat and connects the database again.
        m_interfaceSettings = std::make_unique<InterfaceSettingsWindow>(InterfaceSettingsLinks{
            m_start->settings(), m_db, *m_dialogs, [this] { return m_start->LoadConf(); },
            // Later (its "Ввод"): the program really ends. At start-up start()
            // ends it itself.
            [this] {
                if (m_mainWindow)
                    QTimer::singleShot(0, m_mainWindow.get(), [this] { endSession(); });
            },
            &m_loader, m_start->title(),
            [this](const QString& topic) {
                if (m_mainWindow)
                    m_mainWindow->showHelpTopic(topic);
            }});
        m_noCfgShown = m_interfaceSettings->current().noCfgShown;
    }
    if (m_start->stopRequested()) {
        finish();
        return false;
    }

    if (!m_start->InstrumentCatalogue().isEmpty())
        m_catalogue = std::make_unique<InstrumentCatalogue>(m_start->InstrumentCatalogue(),
                                                            NumberLocale::system());
    m_current = std::make_unique<CurrentConfiguration>(
        m_db, m_record, m_session, *m_dialogs, m_clock, NumberLocale::system(), m_catalogue.get());
    m_model = std::make_unique<VynBaseModel>(m_db, *m_dialogs);
    m_store = std::make_unique<DatabaseBrowsingStore>(*m_model, *m_current, *m_dialogs);
    m_rowStore = std::make_unique<DatabaseRowStore>(*m_current);
    m_editorRows = std::make_unique<CurrentConfigRowStore>(*m_current,
                                                           [this] { m_mainWindow->refreshList(); });
    m_history = std::make_unique<vyn::InputHistory>(m_start->InputHistory().path());

    // The loader of generation-03 calculators, when a programmer file is named.
    const QString prg = m_start->settings().readString(vyn::settingskeys::mainWindow::kSection,
                                                       vyn::settingskeys::mainWindow::kLoaderFile);
    if (!prg.isEmpty())
        LoadProg(m_loader, prg, *m_dialogs, m_start->title());

    buildWindows();
    return true;
}

void SetvynApplication::buildWindows()
{
    IniFile& settings = m_start->settings();
    m_mainWindow =
        std::make_unique<MainWindow>(m_start->title(), *m_store, settings, *m_dialogs,
                                     m_start->files().find(QStringLiteral("help/setvyn.html")));
    if (m_qtDialogs)
        m_qtDialogs->setParentWidget(m_mainWindow.get());
    m_mainWindow->watchTransfer(&m_runner.state());

    m_mainWindow->setCommConfig([this]() -> CommSettingsDialog& { return commConfig(); });
    m_interfaceSettings->setParent(m_mainWindow.get(), m_interfaceSettings->windowFlags());
    m_report = std::make_unique<TVynReport>();
    m_documentCatalogue = std::make_unique<CatalogueLookups<InstrumentCatalogue>>(
        m_catalogue ? m_catalogue.get() : &m_noCatalogue);
    m_preview = std::make_unique<PreviewReportOutput>(*m_dialogs, m_mainWindow.get());
    m_interfaceSettings->setFirmDetailsCommand([this] { firmDetailsWindow().openDialog(); });

    m_gen03 = std::make_unique<Gen03Link>(Gen03Link{m_runner,
                                                    m_comm321,
                                                    *this,
                                                    m_loader,
                                                    m_image,
                                                    m_start->schemeTable(),
                                                    m_noCfgShown,
                                                    m_start->IsSpecialBuild(),
                                                    m_start->title(),
                                                    {},
                                                    ThreadSleeper::instance(),
                                                    m_options.operateTimings});
    m_gen03->showWaiting = [this](bool on) {
        if (on)
            m_mainWindow->showWaiting();
        else
            m_mainWindow->hideWaiting();
    };

    MainWindowCommands commands;
    commands.write = [this] { writeIntoCalculator(); };
    commands.interfaceSettings = [this] { openInterfaceSettings(); };
    commands.fileCopy = [this] { fileCopyWindow().openDialog(); };
    commands.firmDetails = [this] { firmDetailsWindow().openDialog(); };
    commands.edit = [this] { editCurrentRow(); };
    commands.import = [this] { importDatabase(); };
    commands.exportConfig = [this] { exportConfiguration(); };
    commands.importConfig = [this] { importConfigurations(); };
    commands.passport = [this] { previewPassport(); };
    commands.programmingCard = [this] { previewProgrammingCard(); };
    commands.create = [this] { createConfiguration(); };
    commands.copy = [this] {
        if (!hasVisibleRow())
            return;
        editor().setOptions(toEditorOptions(m_interfaceSettings->current()));
        editor().runCopyCommand();
    };
    m_mainWindow->setCommands(std::move(commands));
}

CommSettingsDialog& SetvynApplication::commConfig()
{
    if (!m_commConfig) {
        m_commConfig = std::make_unique<CommSettingsDialog>(m_start->settings(), m_mainWindow.get(),
                                                            m_options.ports);
        m_commConfig->setHelpOpener(
            [this](const QString& topic) { m_mainWindow->showHelpTopic(topic); });
    }
    return *m_commConfig;
}

FileCopyWindow& SetvynApplication::fileCopyWindow()
{
    if (!m_fileCopy) {
        m_fileCopy =
            std::make_unique<FileCopyWindow>(m_start->settings(), *m_dialogs, m_start->GetPathStr(),
                                             m_start->title(), m_mainWindow.get());
        m_fileCopy->setDatabase(&m_db, [this] {
            m_current->forgetLoadedRecord();
            m_mainWindow->refreshList();
        });
    }
    return *m_fileCopy;
}

FirmDetailsWindow& SetvynApplication::firmDetailsWindow()
{
    // Kept beside the templates the documents are laid out with.
    if (!m_firmDetails)
        m_firmDetails = std::make_unique<FirmDetailsWindow>(
            m_start->GetPathStr() + firmDetailsFileName(), *m_dialogs, m_mainWindow.get());
    return *m_firmDetails;
}

ConfigEditorWindow& SetvynApplication::editor()
{
    // The start-up does not wait for the largest window, hidden until the user edits.
    if (!m_editor)
        m_editor = std::make_unique<ConfigEditorWindow>(
            ConfigEditorWindow::Parts{m_record, m_session,
                                      m_catalogue ? *m_catalogue : m_noCatalogue, m_history.get(),
                                      *m_dialogs, *m_editorRows, m_start->settings(),
                                      m_start->title(), NumberLocale::system()},
            m_mainWindow.get());
    return *m_editor;
}

void SetvynApplication::runDeviceCommand(
    const std::function<void(const DeviceCommandContext&)>& command)
{
    const CommSettings comm = commConfig().current();
    const DeviceCommandContext context{m_proto,    m_session,     comm,
                                       *m_dialogs, *m_mainWindow, m_start->title()};
    // A stop asked of an earlier command is not this one's.
    m_proto.clearStop();
    try {
        command(context);
    } catch (const MessageError& e) {
        m_mainWindow->hideWaiting();
        m_mainWindow->ResetProgressBar();
        m_dialogs->inform(e.message(), m_start->title(), MessageKind::Error);
    } catch (const std::exception& e) {
        m_mainWindow->hideWaiting();
        m_mainWindow->ResetProgressBar();
        m_dialogs->inform(QString::fromUtf8(e.what()), m_start->title(), MessageKind::Error);
    }
}

bool SetvynApplication::hasVisibleRow() const
{
    // The cursor may stand on a row the filter hides; commands never act on it.
    return m_store && m_store->currentRow() >= 0;
}

void SetvynApplication::writeIntoCalculator()
{
    // Nothing to write without a current row.
    if (!hasVisibleRow())
        return;
    runDeviceCommand([this](const DeviceCommandContext& context) {
        WriteConfigInputs inputs =
            writeInputsFromSettings(m_interfaceSettings->current(), context.comm);
        inputs.gen03 = m_gen03.get();
        if (m_options.clock)
            inputs.clock = m_options.clock;
        // The record is the current row's before the identification reads its serial.
        if (!m_current->RePaintStatus())
            return;
        const WriteOutcome outcome = runWriteCommand(context, m_record, *m_rowStore, inputs);
        // Storing the firmware date re-read the list, which emptied the panel.
        if (outcome != WriteOutcome::PortUnavailable && outcome != WriteOutcome::NotIdentified &&
            outcome != WriteOutcome::WorkerRunning && outcome != WriteOutcome::Interrupted)
            m_mainWindow->showDeviceVersion(m_session.DeviceVersion);
    });
}

void SetvynApplication::editCurrentRow()
{
    if (!hasVisibleRow())
        return;
    editor().setOptions(toEditorOptions(m_interfaceSettings->current()));
    editor().openForStoredRow();
}

void SetvynApplication::createConfiguration()
{
    editor().setOptions(toEditorOptions(m_interfaceSettings->current()));
    runDeviceCommand([this](const DeviceCommandContext& context) {
        runCreateCommand(context, m_record, editor(), NumberLocale::system());
    });
}

void SetvynApplication::importDatabase()
{
    ImportCommandHooks hooks;
    hooks.import.setDatabaseBusy = [this](bool busy) { m_current->setDatabaseBusy(busy); };
    hooks.import.setListAttached = [this](bool attached) {
        if (attached)
            m_mainWindow->refreshList();
    };
    hooks.forgetLoadedRecord = [this] { m_current->forgetLoadedRecord(); };
    hooks.refreshStatus = [this] { m_mainWindow->updateRowStatus(); };
    runImportCommand(m_db, *m_dialogs, *m_mainWindow, hooks);
}

namespace {

FileChoice configFileChoice(const QString& caption, const QString& start)
{
    return {caption, start, QStringLiteral("Файлы конфигурации (*.json);;Все файлы (*)"),
            QStringLiteral("json")};
}

} // namespace

void SetvynApplication::exportConfiguration()
{
    if (!m_store || m_store->currentRow() < 0 || !m_current->RePaintStatus())
        return;
    const std::optional<StoredRow> row = m_db.currentRow();
    if (!row)
        return;
    const QString serial = row->value(QStringLiteral("SNUM")).toString().trimmed();
    const QString start = QDir(m_lastConfigDir.isEmpty() ? QDir::homePath() : m_lastConfigDir)
                              .filePath((serial.isEmpty() ? QStringLiteral("config") : serial) +
                                        QStringLiteral(".json"));
    const QString file =
        m_dialogs->chooseSaveFile(configFileChoice(QStringLiteral("Экспорт конфигурации"), start));
    if (file.isEmpty())
        return;
    m_lastConfigDir = QFileInfo(file).absolutePath();
    try {
        vyn::exportConfiguration(*row, file);
    } catch (const ConfigFileError& e) {
        m_dialogs->inform(e.message(), QStringLiteral("Экспорт конфигурации"), MessageKind::Error);
    }
}

void SetvynApplication::importConfigurations()
{
    const QStringList files = m_dialogs->chooseOpenFiles(
        configFileChoice(QStringLiteral("Импорт конфигурации"),
                         m_lastConfigDir.isEmpty() ? QDir::homePath() : m_lastConfigDir));
    if (files.isEmpty())
        return;
    m_lastConfigDir = QFileInfo(files.first()).absolutePath();
    ConfigImportInputs in;
    in.options = toEditorOptions(m_interfaceSettings->current());
    in.title = m_start->title();
    in.today = m_clock.today();
    in.manager = systemManagerText();
    in.catalogue = m_catalogue.get();
    m_current->setDatabaseBusy(true);
    const ConfigImportResult result = vyn::importConfigurations(m_db, files, in, *m_dialogs);
    m_current->setDatabaseBusy(false);
    if (!result.posted)
        return;
    m_current->forgetLoadedRecord();
    m_mainWindow->refreshList();
    m_dialogs->inform(QStringLiteral("Импортировано конфигураций: %1").arg(result.count),
                      QStringLiteral("Импорт конфигурации"));
}

DocumentCommandContext SetvynApplication::documentContext()
{
    DocumentCommandContext ctx{*m_report,
                               m_session,
                               documentSettings(m_interfaceSettings->current()),
                               *m_documentCatalogue,
                               *m_dialogs,
                               m_preview.get(),
                               m_start->GetPathStr(),
                               {},
                               {}};
    ctx.refresh = [this] {
        if (!m_current->RePaintStatus())
            throw std::runtime_error("the current row cannot be read");
        m_documentRow = m_db.currentRow();
        if (!m_documentRow)
            throw std::runtime_error("no current row");
        return DocumentSource{m_record, *m_documentRow};
    };
    ctx.productDirs = m_start->files().productDirs;
    return ctx;
}

void SetvynApplication::previewPassport()
{
    if (!hasVisibleRow())
        return;
    runPassportCommand(documentContext());
}

void SetvynApplication::previewProgrammingCard()
{
    if (!hasVisibleRow())
        return;
    runCardCommand(documentContext());
}

void SetvynApplication::openInterfaceSettings()
{
    const int result = m_interfaceSettings->openDialog();
    if (result == QDialog::Accepted)
        m_noCfgShown = m_interfaceSettings->current().noCfgShown;
    // Either way the window may have connected the database again.
    m_current->forgetLoadedRecord();
    m_mainWindow->refreshList();
}

void SetvynApplication::showMessage(const QString& text)
{
    // Shown on the window thread; the worker waits for it unless the program ends.
    auto shown = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        m_mainWindow.get(),
        [this, text, shown] {
            m_dialogs->inform(text, m_start->title());
            shown->store(true);
        },
        Qt::QueuedConnection);
    while (!shown->load() && !m_closing.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void SetvynApplication::operationStarted()
{
    MainWindow* form = m_mainWindow.get();
    QMetaObject::invokeMethod(
        form, [form] { form->transferStarted(); }, Qt::QueuedConnection);
}

void SetvynApplication::operationEnded()
{
    MainWindow* form = m_mainWindow.get();
    QMetaObject::invokeMethod(
        form, [form] { form->transferEnded(); }, Qt::QueuedConnection);
}

std::unique_ptr<SessionEndWatcher> SetvynApplication::watchSessionEnd()
{
    auto watcher = std::make_unique<SessionEndWatcher>([this](int) { endSession(); });
    watcher->setImmediateAction(
        [](void* p) { static_cast<SetvynApplication*>(p)->requestDeviceCommandStop(); }, this);
    return watcher;
}

void SetvynApplication::endSession()
{
    m_closing.store(true);
    if (m_mainWindow)
        m_mainWindow->close();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void SetvynApplication::finish()
{
    if (m_finished || !m_start)
        return;
    m_finished = true;
    m_closing.store(true);
    if (m_runner.running()) {
        m_runner.stop();
        m_runner.running()->WaitFor();
    }
    m_start->shutDown();
}

} // namespace vyn
