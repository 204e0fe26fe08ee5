#include "setvynapplication.h"

#include "databasebrowsingstore.h"
#include "databaserowstore.h"
#include "programdir.h"
#include "tform1.h"
#include "vynbasemodel.h"

#include "editor/instrumentcatalogue.h"
#include "link/devicecommands.h"
#include "link/programmerfile.h"
#include "model/messageerror.h"
#include "ui/qtuserdialogs.h"

#include <QMetaObject>
#include <chrono>
#include <memory>
#include <thread>

namespace vyn {

WriteConfigInputs writeInputsFromSettings(const IniFile& settings, const QString& exeDir,
                                          const CommSettings& comm)
{
    // The interface settings window will keep these three; until then its defaults.
    (void)settings;
    WriteConfigInputs inputs = WriteConfigInputs::defaults(exeDir);
    inputs.comm = comm;
    inputs.locale = NumberLocale::system();
    return inputs;
}

SetvynApplication::SetvynApplication(SetvynOptions options)
    : m_options(std::move(options)), m_db(m_options.database),
      m_proto(ThreadSleeper::instance(), m_options.protoTimings.value_or(ProtoTimings{}))
{
    if (m_options.dialogs) {
        m_dialogs = m_options.dialogs;
    } else {
        m_qtDialogs = std::make_unique<QtUserDialogs>();
        m_dialogs = m_qtDialogs.get();
    }
    if (m_options.exeDir.isEmpty())
        m_options.exeDir = ExeDir();
}

SetvynApplication::~SetvynApplication()
{
    if (m_start && !m_finished)
        finish();
}

bool SetvynApplication::start()
{
    StartInputs in;
    in.exeDir = m_options.exeDir;
    in.workingDir = m_options.workingDir;
    in.tempRoot = m_options.tempRoot;
    in.database = m_options.database;
    m_start = std::make_unique<ProgramStart>(std::move(in), *m_dialogs, m_db, m_session,
                                             m_conversion);
    m_start->FormCreate();
    if (!m_start->stopRequested())
        m_start->LoadConf(); // where the interface settings window loads conf.dat
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

    // The loader of generation-03 calculators, when a programmer file is named.
    const QString prg = m_start->settings().readString(QStringLiteral("TForm1"),
                                                       QStringLiteral("Prg"));
    if (!prg.isEmpty())
        LoadProg(m_loader, prg, *m_dialogs, m_start->title());

    buildWindows();
    return true;
}

void SetvynApplication::buildWindows()
{
    IniFile& settings = m_start->settings();
    m_form = std::make_unique<TForm1>(m_start->title(), *m_store, settings, *m_dialogs,
                                      m_start->GetPathStr() + QStringLiteral("help/setvyn.html"));
    if (m_qtDialogs)
        m_qtDialogs->setParentWidget(m_form.get());
    m_form->watchTransfer(&m_runner.state());

    m_commConfig = std::make_unique<TFormCommConfig>(settings, m_form.get(), m_options.ports);
    m_commConfig->setHelpOpener([this](const QString& topic) { m_form->showHelpTopic(topic); });
    m_form->setCommConfig(m_commConfig.get());

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
    m_form->setCommands(std::move(commands));
}

void SetvynApplication::N24Click()
{
    // Nothing to write without a current row.
    if (!m_store || m_store->currentRow() < 0)
        return;
    const CommSettings comm = m_commConfig->current();
    WriteConfigInputs inputs = writeInputsFromSettings(m_start->settings(), m_start->GetPathStr(), comm);
    inputs.gen03 = m_gen03.get();
    const DeviceCommandContext context{m_proto, m_session, comm, *m_dialogs, *m_form,
                                       m_start->title()};
    try {
        // The record is the current row's before the identification reads its serial.
        if (!m_current->RePaintStatus())
            return;
        const WriteOutcome outcome = runWriteCommand(context, m_record, *m_rowStore, inputs);
        // Storing the firmware date re-read the list, which emptied the panel.
        if (outcome != WriteOutcome::PortUnavailable && outcome != WriteOutcome::NotIdentified &&
            outcome != WriteOutcome::WorkerRunning)
            m_form->showDeviceVersion(m_session.DeviceVersion);
    } catch (const MessageError& e) {
        // What the command leaves uncaught reaches the program's own report.
        m_form->hideWaiting();
        m_form->ResetProgressBar();
        m_dialogs->inform(e.message(), m_start->title(), MessageKind::Error);
    } catch (const std::exception& e) {
        m_form->hideWaiting();
        m_form->ResetProgressBar();
        m_dialogs->inform(QString::fromUtf8(e.what()), m_start->title(), MessageKind::Error);
    }
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
