#pragma once
// "Коммуникационные настройки": the serial-port settings every device command
// reads. One window for the whole run. Its controls are the live settings (a
// port typed by hand is used at once); "Ввод" makes them the accepted ones and
// puts them into setvyn.ini's profile, "Отказ" brings the accepted ones back.

#include "link/commsettings.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace vyn {

class IniFile;

class CommSettingsDialog : public QDialog
{
public:
    using PortLister = std::function<void(QStringList&)>;
    using HelpOpener = std::function<void(const QString& topic)>;

    // Reads section "TFormCommConfig" of the profile; ports default to the system's.
    explicit CommSettingsDialog(IniFile& settings, QWidget* parent = nullptr,
                                PortLister ports = {});

    void setHelpOpener(HelpOpener help) { m_help = std::move(help); }

    // What the controls show: what the next exchange uses.
    CommSettings current() const;
    // The last accepted settings (the port name confirmed by "Ввод").
    const CommSettings& accepted() const { return m_accepted; }

    // The port list anew; the field shows the accepted port, else the first listed one.
    void refresh();
    // Refreshes the port list and shows the dialog modally.
    int openDialog();

    // Handlers of the buttons.
    void acceptSettings(); // "Ввод"
    void cancelSettings(); // "Отказ"
    void showHelp();       // help

protected:
    void reject() override;

private:
    void loadSettings();
    void showSettings(const CommSettings& s);

    IniFile& m_settings;
    PortLister m_ports;
    HelpOpener m_help;
    CommSettings m_accepted;

    QComboBox* m_portList = nullptr;           // port
    QComboBox* m_speedList = nullptr;          // speed
    QComboBox* m_dataBitsList = nullptr;       // data bits
    QComboBox* m_parityList = nullptr;         // parity
    QComboBox* m_stopBitsList = nullptr;       // stop bits
    QCheckBox* m_dtrBox = nullptr;             // DTR
    QCheckBox* m_rtsBox = nullptr;             // RTS
    QSpinBox* m_networkAddressField = nullptr; // network address
    QSpinBox* m_waitField = nullptr;           // wait
    QSpinBox* m_byteIntervalField = nullptr;   // byte interval
};

} // namespace vyn
