#include "setvynapplication.h"

#include "sessionend.h"

#include "configexchange.h"
#include "currentconfigrowstore.h"
#include "databasebrowsingstore.h"
#include "databaserowstore.h"
#include "filecopy.h"
#include "programdir.h"
#include "tform1.h"
#include "tform6.h"
#include "tform8.h"
#include "vynbasemodel.h"

#include "documents/documentcommands.h"
#include "documents/firmdetailswindow.h"
#include "documents/reportpreview.h"
#include "editor/tformvynconfig.h"
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
#include <QImageReader>
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
    // The program's own icon is an SVG; without Qt's SVG plugin a stock one stands in.
    const bool svg = QImageReader::supportedImageFormats().contains("svg");
    QApplication::setWindowIcon(
        svg ? QIcon::fromTheme(QStringLiteral("org.setvyn.Setvyn"),
                               QIcon::fromTheme(QStringLiteral("accessories-calculator")))
            : QIcon::fromTheme(QStringLiteral("accessories-calculator")));
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
    m_start = std::make_unique<ProgramStart>(std::move(in), *m_dialogs, m_db, m_session,
                                             m_conversion);
    m_start->FormCreate();
    removeCopyLeftovers(m_start->GetPathStr());
    if (!m_start->stopRequested()) {
        // Its creation loads conf.dat and connects the database again.
        m_form6 = std::make_unique<TForm6>(TForm6Links{
            m_start->settings(),
            m_db,
            *m_dialogs,
            [this] { return m_start->LoadConf(); },
            // Later (its "Ввод"): the program really ends. At start-up start()
            // ends it itself.
            [this] {
                if (m_form)
                    QTimer::singleShot(0, m_form.get(), [this] { endSession(); });
            },
            &m_loader,
            m_start->title(),
            [this](const QString& topic) {
                if (m_form)
                    m_form->showHelpTopic(topic);
            }});
        m_noCfgShown = m_form6->current().noCfgShown;
    }
    if (m_start->stopRequested()) {
        finish();
        return false;
    }

    if (!m_start->InstrumentCatalogue().isEmpty())
        m_catalogue = std::make_unique<InstrumentCatalogue>(m_start->InstrumentCatalogue(),
                                                            NumberLocale::system());
    m_current = std::make_unique<CurrentConfiguration>(m_db, m_record, m_session, *m_dialogs,
                                                       m_clock, NumberLocale::system(),
                                                       m_catalogue.get());
    m_model = std::make_unique<VynBaseModel>(m_db, *m_dialogs);
    m_store = std::make_unique<DatabaseBrowsingStore>(*m_model, *m_current, *m_dialogs);
    m_rowStore = std::make_unique<DatabaseRowStore>(*m_current);
    m_editorRows = std::make_unique<CurrentConfigRowStore>(*m_current, [this] { m_form->N19Click(); });
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
    m_form = std::make_unique<TForm1>(m_start->title(), *m_store, settings, *m_dialogs,
                                      m_start->files().find(QStringLiteral("help/setvyn.html")));
    if (m_qtDialogs)
        m_qtDialogs->setParentWidget(m_form.get());
    m_form->watchTransfer(&m_runner.state());

    m_form->setCommConfig([this]() -> TFormCommConfig& { return commConfig(); });
    m_form6->setParent(m_form.get(), m_form6->windowFlags());
    m_report = std::make_unique<TVynReport>();
    m_documentCatalogue =
        std::make_unique<CatalogueLookups<InstrumentCatalogue>>(m_catalogue ? m_catalogue.get() : &m_noCatalogue);
    m_preview = std::make_unique<PreviewReportOutput>(*m_dialogs, m_form.get());
    m_form6->setFirmDetailsCommand([this] { firmDetailsWindow().openDialog(); });

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
            m_form->showWaiting();
        else
            m_form->hideWaiting();
    };

    MainWindowCommands commands;
    commands.write = [this] { N24Click(); };
    commands.interfaceSettings = [this] { N26Click(); };
    commands.fileCopy = [this] { fileCopyWindow().openDialog(); };
    commands.firmDetails = [this] { firmDetailsWindow().openDialog(); };
    commands.edit = [this] { N22Click(); };
    commands.import = [this] { N6Click(); };
    commands.exportConfig = [this] { exportConfiguration(); };
    commands.importConfig = [this] { importConfigurations(); };
    commands.passport = [this] { N3Click(); };
    commands.programmingCard = [this] { N4Click(); };
    commands.create = [this] { N23Click(); };
    commands.copy = [this] {
        if (!hasVisibleRow())
            return;
        editor().setOptions(toEditorOptions(m_form6->current()));
        editor().runCopyCommand();
    };
    m_form->setCommands(std::move(commands));
}

TFormCommConfig& SetvynApplication::commConfig()
{
    if (!m_commConfig) {
        m_commConfig = std::make_unique<TFormCommConfig>(m_start->settings(), m_form.get(),
                                                         m_options.ports);
        m_commConfig->setHelpOpener([this](const QString& topic) { m_form->showHelpTopic(topic); });
    }
    return *m_commConfig;
}

TForm8& SetvynApplication::fileCopyWindow()
{
    if (!m_form8) {
        m_form8 = std::make_unique<TForm8>(m_start->settings(), *m_dialogs, m_start->GetPathStr(),
                                           m_start->title(), m_form.get());
        m_form8->setDatabase(&m_db, [this] {
            m_current->forgetLoadedRecord();
            m_form->N19Click();
        });
    }
    return *m_form8;
}

FirmDetailsWindow& SetvynApplication::firmDetailsWindow()
{
    // Kept beside the templates the documents are laid out with.
    if (!m_firmDetails)
        m_firmDetails = std::make_unique<FirmDetailsWindow>(
            m_start->GetPathStr() + firmDetailsFileName(), *m_dialogs, m_form.get());
    return *m_firmDetails;
}

TFormVynConfig& SetvynApplication::editor()
{
    // The start-up does not wait for the largest window, hidden until the user edits.
    if (!m_editor)
        m_editor = std::make_unique<TFormVynConfig>(
            TFormVynConfig::Parts{m_record, m_session, m_catalogue ? *m_catalogue : m_noCatalogue,
                                  m_history.get(), *m_dialogs, *m_editorRows, m_start->settings(),
                                  m_start->title(), NumberLocale::system()},
            m_form.get());
    return *m_editor;
}

void SetvynApplication::runDeviceCommand(
    const std::function<void(const DeviceCommandContext&)>& command)
{
    const CommSettings comm = commConfig().current();
    const DeviceCommandContext context{m_proto, m_session, comm, *m_dialogs, *m_form,
                                       m_start->title()};
    // A stop asked of an earlier command is not this one's.
    m_proto.clearStop();
    try {
        command(context);
    } catch (const MessageError& e) {
        m_form->hideWaiting();
        m_form->ResetProgressBar();
        m_dialogs->inform(e.message(), m_start->title(), MessageKind::Error);
    } catch (const std::exception& e) {
        m_form->hideWaiting();
        m_form->ResetProgressBar();
        m_dialogs->inform(QString::fromUtf8(e.what()), m_start->title(), MessageKind::Error);
    }
}

bool SetvynApplication::hasVisibleRow() const
{
    // The cursor may stand on a row the filter hides; commands never act on it.
    return m_store && m_store->currentRow() >= 0;
}

void SetvynApplication::N24Click()
{
    // Nothing to write without a current row.
    if (!hasVisibleRow())
        return;
    runDeviceCommand([this](const DeviceCommandContext& context) {
        WriteConfigInputs inputs = writeInputsFromSettings(m_form6->current(), context.comm);
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
            m_form->showDeviceVersion(m_session.DeviceVersion);
    });
}

void SetvynApplication::N22Click()
{
    if (!hasVisibleRow())
        return;
    editor().setOptions(toEditorOptions(m_form6->current()));
    editor().openForStoredRow();
}

void SetvynApplication::N23Click()
{
    editor().setOptions(toEditorOptions(m_form6->current()));
    runDeviceCommand([this](const DeviceCommandContext& context) {
        runCreateCommand(context, m_record, editor(), NumberLocale::system());
    });
}

void SetvynApplication::N6Click()
{
    ImportCommandHooks hooks;
    hooks.import.setDatabaseBusy = [this](bool busy) { m_current->setDatabaseBusy(busy); };
    hooks.import.setListAttached = [this](bool attached) {
        if (attached)
            m_form->N19Click();
    };
    hooks.forgetLoadedRecord = [this] { m_current->forgetLoadedRecord(); };
    hooks.refreshStatus = [this] { m_form->dbEditChange(); };
    runImportCommand(m_db, *m_dialogs, *m_form, hooks);
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
    const QString file = m_dialogs->chooseSaveFile(
        configFileChoice(QStringLiteral("Экспорт конфигурации"), start));
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
    const QStringList files = m_dialogs->chooseOpenFiles(configFileChoice(
        QStringLiteral("Импорт конфигурации"),
        m_lastConfigDir.isEmpty() ? QDir::homePath() : m_lastConfigDir));
    if (files.isEmpty())
        return;
    m_lastConfigDir = QFileInfo(files.first()).absolutePath();
    ConfigImportInputs in;
    in.options = toEditorOptions(m_form6->current());
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
    m_form->N19Click();
    m_dialogs->inform(QStringLiteral("Импортировано конфигураций: %1").arg(result.count),
                      QStringLiteral("Импорт конфигурации"));
}

DocumentCommandContext SetvynApplication::documentContext()
{
    DocumentCommandContext ctx{*m_report,
                               m_session,
                               documentSettings(m_form6->current()),
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

void SetvynApplication::N3Click()
{
    if (!hasVisibleRow())
        return;
    runPassportCommand(documentContext());
}

void SetvynApplication::N4Click()
{
    if (!hasVisibleRow())
        return;
    runCardCommand(documentContext());
}

void SetvynApplication::N26Click()
{
    const int result = m_form6->openDialog();
    if (result == QDialog::Accepted)
        m_noCfgShown = m_form6->current().noCfgShown;
    // Either way the window may have connected the database again.
    m_current->forgetLoadedRecord();
    m_form->N19Click();
}

void SetvynApplication::showMessage(const QString& text)
{
    // Shown on the window thread; the worker waits for it unless the program ends.
    auto shown = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        m_form.get(),
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
    TForm1* form = m_form.get();
    QMetaObject::invokeMethod(form, [form] { form->transferStarted(); }, Qt::QueuedConnection);
}

void SetvynApplication::operationEnded()
{
    TForm1* form = m_form.get();
    QMetaObject::invokeMethod(form, [form] { form->transferEnded(); }, Qt::QueuedConnection);
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
    if (m_form)
        m_form->close();
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
    m_start->FormClose();
}

} // namespace vyn
