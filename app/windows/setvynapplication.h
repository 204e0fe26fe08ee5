#pragma once
// The whole setvyn program put together: the data module, the start-up, the
// current configuration, the main window over the database, the communication
// settings, the protocol and the generation-03 transfer. main() makes one;
// tests make one in a temporary program directory.

#include "app/configdatabase.h"
#include "app/currentconfig.h"
#include "app/dbfimport.h"
#include "app/interfacesettings.h"
#include "app/programstart.h"
#include "app/windows/commsettingsdialog.h"

#include "editor/inputhistory.h"
#include "editor/instrumentcatalogue.h"

#include "link/comunicator.h"
#include "link/devicecommands.h"
#include "link/gen03write.h"
#include "link/operate.h"
#include "link/vynproto.h"
#include "model/configrecord.h"
#include "model/devicesession.h"
#include "model/storedrow.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QApplication;

namespace vyn {

class DatabaseBrowsingStore;
class DatabaseRowStore;
class InstrumentCatalogue;
class QtUserDialogs;
class SessionEndWatcher;
class MainWindow;
class InterfaceSettingsWindow;
class FileCopyWindow;
class TVynReport;
class DocumentCatalogue;
class FirmDetailsWindow;
class ReportOutput;
struct DocumentCommandContext;
class ConfigEditorWindow;
class CurrentConfigRowStore;
class VynBaseModel;

struct SetvynOptions
{
    QString exeDir;                 // the program directory; empty: programFiles()
    QStringList productDirs;        // installed product data below exeDir
    QString workingDir;             // empty: the current directory
    QString tempRoot;               // empty: the system's temporary directory
    UserDialogs* dialogs = nullptr; // none: real dialogs over the main window
    ConfigDatabase::Options database;
    // Shorter protocol waits for simulators; none: the calculators' own.
    std::optional<ProtoTimings> protoTimings;
    std::optional<OperateTimings> operateTimings;
    CommSettingsDialog::PortLister ports; // none: the system's ports
    // The moment a write sets in the calculator; none: the computer's clock.
    std::function<QDateTime()> clock;
};

// What main() sets on the application before the program starts: its name and
// desktop entry, Qt's own texts in Russian, the icon theme and the window icon.
// The start-up benchmark runs it too, so that it measures what users get.
void setUpProgramApplication(QApplication& app);

// The interface settings a configuration write reads, with the communication
// settings of the command.
WriteConfigInputs writeInputsFromSettings(const InterfaceSettings& settings,
                                          const CommSettings& comm);

class SetvynApplication final : private OperateHost
{
public:
    explicit SetvynApplication(SetvynOptions options = {});
    ~SetvynApplication() override;
    SetvynApplication(const SetvynApplication&) = delete;
    SetvynApplication& operator=(const SetvynApplication&) = delete;

    // The start-up sequence and the windows. False when the program must end
    // at once; its messages have been shown and nothing is left behind.
    bool start();
    // Program end, once, after the main window has closed: a running transfer
    // stopped, settings written, the temporary directory removed, the database closed.
    void finish();
    // The session ends: every window closed (the main window keeps its
    // placement), the event loops left; main() then runs finish().
    void endSession();

    // The windows exist once start() has returned true.
    bool hasWindows() const { return m_mainWindow != nullptr; }
    MainWindow& mainWindow() { return *m_mainWindow; }
    // Built when first asked for: its port list is read then.
    CommSettingsDialog& commConfig();
    InterfaceSettingsWindow& interfaceSettings() { return *m_interfaceSettings; }
    ProgramStart& programStart() { return *m_start; }
    ConfigDatabase& database() { return m_db; }
    CurrentConfiguration& currentConfiguration() { return *m_current; }
    DatabaseBrowsingStore& store() { return *m_store; }
    ConfigRecord& record() { return m_record; }
    DeviceSession& session() { return m_session; }
    OperateRunner& runner() { return m_runner; }
    const LoaderImage& loaderImage() const { return m_loader; }

    // Asks a running device command to stop, as when the program is asked to
    // end: a generation-04 write ends between two parameters (its message says
    // how far it came), an identification between two exchanges, and the port
    // is closed as usual. Only an atomic store: safe from a signal handler and
    // from another thread while the command holds the window thread.
    void requestDeviceCommandStop() { m_proto.requestStop(); }
    // Logout, shutdown or a closed terminal end the program as its window's
    // close does; a running device command is told to stop from the signal
    // itself, since it holds the window thread. One watcher per process.
    std::unique_ptr<SessionEndWatcher> watchSessionEnd();

    // "Запись конфигурации в прибор".
    void writeIntoCalculator();
    // "Интерфейсные настройки".
    void openInterfaceSettings();
    // "Редактирование конфигурации" and "Создание конфигурации".
    void editCurrentRow();
    void createConfiguration();
    // "Импорт".
    void importDatabase();
    // "Экспорт конфигурации..." and "Импорт конфигурации...".
    void exportConfiguration();
    void importConfigurations();
    // The passport and the programming card, shown in the preview.
    void previewPassport();
    void previewProgrammingCard();
    DocumentCommandContext documentContext();
    // The configuration editor, once the windows exist; built when first asked for.
    ConfigEditorWindow& editor();
    // "Копирование файлов в директорию программы" and "Реквизиты организации",
    // once the windows exist; built when first asked for.
    FileCopyWindow& fileCopyWindow();
    FirmDetailsWindow& firmDetailsWindow();

private:
    // OperateHost, called on the worker's thread.
    void showMessage(const QString& text) override;
    void operationStarted() override;
    void operationEnded() override;

    void buildWindows();
    bool hasVisibleRow() const;
    // A device command with the current communication settings; what it leaves
    // uncaught is shown as the program's own report.
    void runDeviceCommand(const std::function<void(const DeviceCommandContext&)>& command);

    SetvynOptions m_options;
    std::unique_ptr<QtUserDialogs> m_qtDialogs;
    UserDialogs* m_dialogs = nullptr;

    ConfigDatabase m_db;
    DeviceSession m_session;
    DbfFirstStartConversion m_conversion;
    std::unique_ptr<ProgramStart> m_start;
    SystemClock m_clock;
    ConfigRecord m_record;
    std::unique_ptr<InstrumentCatalogue> m_catalogue;
    std::unique_ptr<CurrentConfiguration> m_current;
    std::unique_ptr<VynBaseModel> m_model;
    std::unique_ptr<DatabaseBrowsingStore> m_store;
    std::unique_ptr<DatabaseRowStore> m_rowStore;
    std::unique_ptr<CurrentConfigRowStore> m_editorRows;
    InstrumentCatalogue m_noCatalogue; // the editor's when rash.ini is unavailable
    std::unique_ptr<vyn::InputHistory> m_history;

    TVynProto m_proto;
    TComm32 m_comm321;
    LoaderImage m_loader;
    DeviceImage m_image;
    bool m_noCfgShown = false;
    QString m_lastConfigDir; // where the last configuration file was exported or imported
    std::unique_ptr<Gen03Link> m_gen03;

    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<CommSettingsDialog> m_commConfig;
    // Created at start-up before the main window, shown over it.
    std::unique_ptr<InterfaceSettingsWindow> m_interfaceSettings;
    std::unique_ptr<FileCopyWindow> m_fileCopy;
    std::unique_ptr<FirmDetailsWindow> m_firmDetails;
    std::unique_ptr<ConfigEditorWindow> m_editor;

    std::unique_ptr<TVynReport> m_report;
    std::unique_ptr<DocumentCatalogue> m_documentCatalogue;
    std::unique_ptr<ReportOutput> m_preview;
    std::optional<StoredRow> m_documentRow; // the row of the last document's refresh

    std::atomic<bool> m_closing{false};
    bool m_finished = false;
    // Last: its worker is stopped and joined before anything it uses goes away.
    OperateRunner m_runner;
};

} // namespace vyn
