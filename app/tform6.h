#pragma once
// "Интерфейсные настройки": the file locations and options of InterfaceSettings.
// Created once at program start; its creation loads the scheme table and
// connects the configuration database again with the stored BaseName. What the
// controls hold (current()) is what the rest of the program reads, shown or not.
// The controls themselves are made when the window is first shown; until then
// it holds their values as they would.

#include "interfacesettings.h"
#include "sqldialect.h"

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
class TDM1;
class UserDialogs;

// What the window works with beside its controls.
struct TForm6Links
{
    IniFile& settings; // setvyn.ini: section "TForm6" and the main window's "TForm1"
    TDM1& database;
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

class TForm6 : public QDialog
{
public:
    explicit TForm6(TForm6Links links, QWidget* parent = nullptr);

    // The live settings: what the controls hold.
    InterfaceSettings current() const;

    // The "Реквизиты организации..." button beside the passport settings.
    void setFirmDetailsCommand(std::function<void()> command);

    // Reads section "TForm6" into the controls and shows the window modally.
    int openDialog();
    // What happens when the window is shown, before it runs.
    void FormShow();

    // The passport kinds; the list is shown only for two or more.
    void setPassportKinds(const QStringList& kinds);

    // The folder the firmware dialog starts in when the firmware field is empty.
    QString firmwareDialogFolder() const { return m_firmwareFolder; }

    // Handlers.
    void BitBtn1Click(); // "Ввод"
    void BitBtn2Click(); // "Отказ"
    void BitBtn3Click(); // help
    void SpeedButton1Click(); // database
    void SpeedButton2Click(); // firmware file
    void SpeedButton3Click(); // alternative-days file
    void SpeedButton4Click(); // tariff file
    // "Сервер PostgreSQL": connects the server database chosen in its dialog.
    void chooseServer();
    // Asks where the server database is; default: the "Сервер PostgreSQL" dialog.
    using ServerChooser = std::function<std::optional<DatabaseLocation>(const DatabaseLocation& shown)>;
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
    void setFileField(QLineEdit* TForm6::*edit, QString InterfaceSettings::*value,
                      const QString& text);
    void FormCreate(bool creation);
    void showSettings(const InterfaceSettings& s);
    void reconnect(const QString& baseName);
    // Connects the file and stores it as BaseName; the previous database stays
    // connected when the file cannot be opened.
    bool connectDatabase(const QString& file);
    void placePassportList();
    QString chooseFile(const QString& caption, const QString& start, const QString& filter,
                       const QString& suffix);

    TForm6Links m_links;
    QString m_firmwareFolder;
    // What the controls hold while they are not built yet.
    InterfaceSettings m_held;
    QStringList m_passportKinds;

    QLineEdit* Edit1 = nullptr; // database
    QToolButton* m_serverButton = nullptr;
    ServerChooser m_serverChooser;
    QLineEdit* Edit5 = nullptr; // firmware file
    QLineEdit* Edit3 = nullptr; // alternative-days file
    QLineEdit* Edit4 = nullptr; // tariff file
    QCheckBox* CheckBox1 = nullptr; // NoCFG
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox5 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox7 = nullptr;
    QCheckBox* CheckBox2 = nullptr; // serial numbers on the programming card
    QRadioButton* RadioComplex = nullptr;
    QRadioButton* RadioCalculator = nullptr;
    QPushButton* m_firmDetailsButton = nullptr;
    std::function<void()> m_firmDetails;
    QLabel* Label7 = nullptr;      // "Виды паспортов"
    QListWidget* ListBox1 = nullptr;
};

} // namespace vyn
