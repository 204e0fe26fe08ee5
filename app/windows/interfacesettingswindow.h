#pragma once
// "Интерфейсные настройки": the file locations and options of InterfaceSettings.
// Created once at program start; its creation loads the scheme table and
// connects the configuration database again with the stored BaseName. What the
// controls hold (current()) is what the rest of the program reads, shown or not.
// The controls themselves are made when the window is first shown; until then
// it holds their values as they would.

#include "app/interfacesettings.h"
#include "app/sqldialect.h"

#include "link/programmerfile.h"

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QListWidget;
class QRadioButton;
class QToolButton;

namespace vyn {

class IniFile;
class ConfigDatabase;
class UserDialogs;

// What the window works with beside its controls.
struct InterfaceSettingsLinks
{
    IniFile& settings; // setvyn.ini: section "TForm6" and the main window's "TForm1"
    ConfigDatabase& database;
    UserDialogs& dialogs;
    // Loads conf.dat (ProgramStart::LoadConf); false when the file is missing,
    // after it has said so.
    std::function<bool()> loadConf;
    // Ends the program once its event loop runs; default: a queued quit.
    std::function<void()> endProgram;
    // The first firmware buffer, loaded when a programmer file is chosen; may be null.
    LoaderImage* loader = nullptr;
    QString title; // caption of the loader's failure message
    std::function<void(const QString& topic)> help;
};

class InterfaceSettingsWindow : public QDialog
{
public:
    explicit InterfaceSettingsWindow(InterfaceSettingsLinks links, QWidget* parent = nullptr);

    // The live settings: what the controls hold.
    InterfaceSettings current() const;

    // The "Реквизиты организации..." button beside the passport settings.
    void setFirmDetailsCommand(std::function<void()> command);

    // Reads section "TForm6" into the controls and shows the window modally.
    int openDialog();
    // What happens when the window is shown, before it runs.
    void showStoredSettings();

    // The passport kinds; the list is shown only for two or more.
    void setPassportKinds(const QStringList& kinds);

    // The folder the firmware dialog starts in when the firmware field is empty.
    QString firmwareDialogFolder() const { return m_firmwareFolder; }

    // Handlers.
    void acceptSettings();     // "Ввод"
    void cancelSettings();     // "Отказ"
    void showHelp();           // help
    void browseDatabaseFile(); // database
    void browseFirmwareFile(); // firmware file
    void browseAltDaysFile();  // alternative-days file
    void browseTariffFile();   // tariff file
    // "Сервер PostgreSQL": connects the server database chosen in its dialog.
    void chooseServer();
    // Asks where the server database is; default: the "Сервер PostgreSQL" dialog.
    using ServerChooser =
        std::function<std::optional<DatabaseLocation>(const DatabaseLocation& shown)>;
    void setServerChooser(ServerChooser chooser) { m_serverChooser = std::move(chooser); }
    bool LoadConf();

    void setVisible(bool visible) override;

protected:
    void reject() override;
    void done(int result) override;

private:
    // The controls, once; they take the values held so far.
    void buildControls();
    // One file field, built or not.
    void setFileField(QLineEdit* InterfaceSettingsWindow::*edit, QString InterfaceSettings::*value,
                      const QString& text);
    void loadSettings(bool creation);
    void showSettings(const InterfaceSettings& s);
    void reconnect(const QString& baseName);
    // Connects the file and stores it as BaseName; the previous database stays
    // connected when the file cannot be opened.
    bool connectDatabase(const QString& file);
    void placePassportList();
    QString chooseFile(const QString& caption, const QString& start, const QString& filter,
                       const QString& suffix);

    InterfaceSettingsLinks m_links;
    QString m_firmwareFolder;
    // What the controls hold while they are not built yet.
    InterfaceSettings m_held;
    QStringList m_passportKinds;

    QLineEdit* m_databaseField = nullptr; // database
    QToolButton* m_serverButton = nullptr;
    ServerChooser m_serverChooser;
    QLineEdit* m_firmwareField = nullptr; // firmware file
    QLineEdit* m_altDaysField = nullptr;  // alternative-days file
    QLineEdit* m_tariffField = nullptr;   // tariff file
    QCheckBox* m_noConfigBox = nullptr;   // NoCFG
    QCheckBox* m_minFlowControlBox = nullptr;
    QCheckBox* m_flowHistoryBox = nullptr;
    QCheckBox* m_thermoHistoryBox = nullptr;
    QCheckBox* m_completenessBox = nullptr;
    QCheckBox* m_noDaylightSavingBox = nullptr;
    QCheckBox* m_serialNumbersBox = nullptr; // serial numbers on the programming card
    QRadioButton* m_complexPassport = nullptr;
    QRadioButton* m_calculatorPassport = nullptr;
    QPushButton* m_firmDetailsButton = nullptr;
    std::function<void()> m_firmDetails;
    QLabel* m_passportKindsLabel = nullptr; // "Виды паспортов"
    QListWidget* m_passportKindList = nullptr;
};

} // namespace vyn
