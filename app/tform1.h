#pragma once
// The main window: the browsing list of the stored configurations with its
// search and filter, the current-record buttons, the status bar with the
// progress bar of the device operations, and every command of the program in
// the menu and the toolbar.

#include "browsingstore.h"
#include "dbfimport.h"
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
class TFormAltDay;
class TFormCommConfig;
class UserDialogs;

class TForm1 : public QMainWindow, public CommandStatus, public WaitWindow
{
public:
    // The window keeps its placement in the profile's section "TForm1": read
    // now, written when it closes. helpPath is the HTML help document.
    TForm1(QString title, BrowsingStore& store, IniFile& settings, UserDialogs& dialogs,
           QString helpPath, QWidget* parent = nullptr);
    ~TForm1() override;

    const QString& title() const { return m_title; }

    // Commands of other windows; each enables its menu item and button.
    void setCommands(MainWindowCommands commands);
    void setCommConfig(TFormCommConfig* commConfig);
    // The same for a window that is built when first asked for.
    void setCommConfig(std::function<TFormCommConfig&()> commConfig);

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

    // The generation-03 transfer: Timer1 carries the elapsed time and the steps
    // to the status bar every 500 ms while it runs; what the worker publishes is
    // taken as soon as it is there, since the worker waits for it. The write
    // button shows that it is busy.
    void watchTransfer(OperateState* state);
    void transferStarted();
    void transferEnded();
    bool transferTimerActive() const;
    void Timer1Timer();

    // Opens the help document at a topic (an anchor), or at its beginning.
    void showHelpTopic(const QString& topic);
    // Made when first asked for.
    HelpWindow& helpWindow() const;

    // Shows the store's current row as the list's current row.
    void showCurrentRow();

    // Handlers.
    void dbEditChange();
    void N22Click();          // edit
    void SpeedButton1Click(); // "Вкл" / "Выкл"
    void SpeedButton2Click(); // "Удалить"
    void SpeedButton3Click(); // "Копировать"
    void Edit1Change();       // search text or column changed
    void N19Click();          // "Обновить"
    void N27Click();          // help contents
    void ToolButton14Click(); // help from the toolbar
    void N14Click();          // about
    void N7Click();           // exit
    void N25Click();          // communication settings
    void ToolButtonAltDayClick();

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
    std::function<TFormCommConfig&()> m_commConfig;
    QString m_helpPath;
    mutable std::unique_ptr<HelpWindow> m_help;
    std::unique_ptr<TFormAltDay> m_altDays;
    bool m_syncing = false;
    OperateState* m_transfer = nullptr;
    QTimer* Timer1 = nullptr;
    bool m_waiting = false;

    // Commands.
    QAction* N3 = nullptr;  // passport preview
    QAction* N4 = nullptr;  // programming card
    QAction* N5 = nullptr;  // file copy
    QAction* N6 = nullptr;  // import (shortcut only)
    QAction* m_exportConfig = nullptr; // a configuration file of the current row
    QAction* m_importConfig = nullptr; // configuration files as new rows
    QAction* N7 = nullptr;  // exit
    QAction* N22 = nullptr; // edit
    QAction* N23 = nullptr; // create
    QAction* N24 = nullptr; // write into the calculator
    QAction* N25 = nullptr; // communication settings
    QAction* N26 = nullptr; // interface settings
    QAction* N27 = nullptr; // help contents
    QAction* N14 = nullptr; // about
    QAction* ToolButtonPassport = nullptr;
    QAction* ToolButtonCard = nullptr;
    QAction* ToolButton14 = nullptr; // help
    QAction* ToolButtonAltDay = nullptr;
    QAction* N19 = nullptr; // "Обновить"
    QAction* m_firmDetailsAction = nullptr;

    // Control bar.
    QToolBar* ToolBar1 = nullptr;
    QToolBar* Panel3 = nullptr; // search band
    QToolBar* Panel4 = nullptr; // current-record band
    QLineEdit* SearchText = nullptr;
    QComboBox* SearchColumn = nullptr;
    QPushButton* FilterOn = nullptr;
    QPushButton* FilterOff = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;

    QTableView* DBGrid1 = nullptr;
    RowIndicator* m_indicator = nullptr;
    QLabel* m_panels[4] = {};
    QProgressBar* ProgressBar1 = nullptr;
};

} // namespace vyn
