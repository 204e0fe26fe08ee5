#pragma once
// The main window: the browsing list of the stored configurations with its
// search and filter, the current-record buttons, the status bar with the
// progress bar of the device operations, and every command of the program in
// the menu and the toolbar.

#include "app/browsingstore.h"
#include "app/dbfimport.h"
#include "link/devicecommands.h"
#include "link/operate.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QToolBar;
class QTimer;
class QToolButton;

namespace vyn {

class HelpWindow;
class IniFile;
class OperateState;
class AltDaysWindow;
class CommSettingsDialog;
class UserDialogs;

class MainWindow : public QMainWindow, public CommandStatus, public WaitWindow
{
public:
    // The window keeps its placement in the profile's section "TForm1": read
    // now, written when it closes. helpPath is the HTML help document.
    MainWindow(QString title, BrowsingStore& store, IniFile& settings, UserDialogs& dialogs,
               QString helpPath, QWidget* parent = nullptr);
    ~MainWindow() override;

    const QString& title() const { return m_title; }

    // Commands of other windows; each enables its menu item and button.
    void setCommands(MainWindowCommands commands);
    void setCommConfig(CommSettingsDialog* commConfig);
    // The same for a window that is built when first asked for.
    void setCommConfig(std::function<CommSettingsDialog&()> commConfig);

    // Status bar: panel 0 the row, 1 a count or the device version, 3 hints.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString& text);

    // CommandStatus: the bar in panel 2, the waiting window (also the import's
    // WaitWindow), the version in panel 1.
    void SetProgressBarMax(int maximum) override;
    void IncrementProgressBar() override;
    void ResetProgressBar() override;
    void showWaiting() override;
    void hideWaiting() override;
    void showDeviceVersion(int version) override;
    int progressPosition() const;
    int progressMaximum() const;

    // The generation-03 transfer: m_transferTimer carries the elapsed time and the steps
    // to the status bar every 500 ms while it runs; what the worker publishes is
    // taken as soon as it is there, since the worker waits for it. The write
    // button shows that it is busy.
    void watchTransfer(OperateState* state);
    void transferStarted();
    void transferEnded();
    bool transferTimerActive() const;
    void collectTransferProgress();

    // Opens the help document at a topic (an anchor), or at its beginning.
    void showHelpTopic(const QString& topic);
    // Made when first asked for.
    HelpWindow& helpWindow() const;

    // Shows the store's current row as the list's current row.
    void showCurrentRow();

    // Handlers.
    void updateRowStatus();
    void editCurrentRow();       // edit
    void switchFilter();         // "Вкл" / "Выкл"
    void deleteCurrentRow();     // "Удалить"
    void copyCurrentRow();       // "Копировать"
    void followSearchText();     // search text or column changed
    void refreshList();          // "Обновить"
    void showHelpContents();     // help contents
    void showHelpIntroduction(); // help from the toolbar
    void showAbout();            // about
    void exitProgram();          // exit
    void openCommSettings();     // communication settings
    void openAltDays();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class RowIndicator;
    class CellPainter;

    QAction* addCommand(const QString& name, const QString& text, const QString& shortcut,
                        const QString& hint, const QString& icon);
    void buildActions();
    void buildMenu();
    QToolBar* buildToolBar();
    QToolBar* buildSearchBand();
    QToolBar* buildRecordBand();
    void buildList();
    void buildStatusBar();
    void applyColumns();
    void updateCommands();
    void arrangeBands(bool useStored);
    void readSettings();
    void writeSettings();
    void run(const std::function<void()>& command);
    void showPublished(const OperateState::Published& published);
    void advanceProgress(int steps);

    QString m_title;
    BrowsingStore& m_store;
    IniFile& m_settings;
    UserDialogs& m_dialogs;
    MainWindowCommands m_commands;
    std::function<CommSettingsDialog&()> m_commConfig;
    QString m_helpPath;
    mutable std::unique_ptr<HelpWindow> m_help;
    std::unique_ptr<AltDaysWindow> m_altDays;
    bool m_syncing = false;
    OperateState* m_transfer = nullptr;
    QTimer* m_transferTimer = nullptr;
    bool m_waiting = false;

    // Commands.
    QAction* m_passportAction = nullptr;          // passport preview
    QAction* m_cardAction = nullptr;              // programming card
    QAction* m_fileCopyAction = nullptr;          // file copy
    QAction* m_importAction = nullptr;            // import (shortcut only)
    QAction* m_exportConfig = nullptr;            // a configuration file of the current row
    QAction* m_importConfig = nullptr;            // configuration files as new rows
    QAction* m_exitAction = nullptr;              // exit
    QAction* m_editAction = nullptr;              // edit
    QAction* m_createAction = nullptr;            // create
    QAction* m_writeAction = nullptr;             // write into the calculator
    QAction* m_commSettingsAction = nullptr;      // communication settings
    QAction* m_interfaceSettingsAction = nullptr; // interface settings
    QAction* m_helpContentsAction = nullptr;      // help contents
    QAction* m_aboutAction = nullptr;             // about
    QAction* m_passportToolAction = nullptr;
    QAction* m_cardToolAction = nullptr;
    QAction* m_helpToolAction = nullptr; // help
    QAction* m_altDaysAction = nullptr;
    QAction* m_refreshAction = nullptr; // "Обновить"
    QAction* m_firmDetailsAction = nullptr;

    // Control bar.
    QToolBar* m_toolBar = nullptr;
    QToolBar* m_searchBand = nullptr; // search band
    QToolBar* m_recordBand = nullptr; // current-record band
    QLineEdit* m_searchField = nullptr;
    QComboBox* m_searchColumn = nullptr;
    QPushButton* m_filterOnButton = nullptr;
    QPushButton* m_filterOffButton = nullptr;
    QToolButton* m_deleteButton = nullptr;
    QToolButton* m_copyButton = nullptr;

    QTableView* m_list = nullptr;
    RowIndicator* m_indicator = nullptr;
    QLabel* m_panels[4] = {};
    QProgressBar* m_progressBar = nullptr;
};

} // namespace vyn
