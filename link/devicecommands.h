#pragma once
// The two commands that talk to a calculator: create a configuration for the
// connected calculator, and write the current configuration into it. Both start
// with IdentifyDevice. Windows and vyntool supply the interfaces below.

#include "commsettings.h"
#include "comunicator.h"

#include "model/configrecord.h"
#include "model/numberlocale.h"

#include <QDate>
#include <QString>

namespace vyn {

class TVynProto;
class UserDialogs;
struct DeviceSession;

// The main window's part in a command besides messages: the progress bar, the
// waiting window and the device version in the status bar.
class CommandStatus : public ProgressSink
{
public:
    virtual void showWaiting() = 0; // "ждите"
    virtual void hideWaiting() = 0;
    virtual void showDeviceVersion(int version) = 0;
};

// The current row of the configuration table.
class ConfigRowStore
{
public:
    virtual ~ConfigRowStore() = default;
    virtual QString rowType() const = 0;   // TYPE_VYN
    virtual QString rowSerial() const = 0; // SNUM
    // Edits and posts the row; failures raise.
    virtual void storeDeviceSoftData(const QDate& firmwareDate) = 0;
    // Makes the record hold the current row and takes DeviceFirmwareDate and
    // DeviceGeneration from its DeviceSoftData.
    virtual void RePaintStatus() = 0;
};

// The configuration editor, as far as the create command drives it. The record
// itself is changed by the command; these tell the window to follow.
class NewConfigurationEditor
{
public:
    virtual ~NewConfigurationEditor() = default;
    virtual void clearSerialField() = 0;
    virtual void enableTypeList() = 0;
    virtual void selectTypeItem(int index) = 0; // device type - 1
    // The record has been reset to a new configuration: not loaded from the
    // database, adapter group and energy control by DeviceVersion.
    virtual void resetToNewConfiguration() = 0;
    virtual void showModal() = 0;
};

// What every device command works with.
struct DeviceCommandContext
{
    TVynProto& proto;
    DeviceSession& session;
    const CommSettings& comm;
    UserDialogs& dialogs;
    CommandStatus& status;
    QString applicationTitle; // caption of the port messages
};

enum class CommandKind
{
    Create,
    Write
};

enum class IdentifyOutcome
{
    Identified,
    PortUnavailable,
    NotFound,
    Interrupted // the stop request came: "Идентификация прервана" was shown
};

struct IdentifyResult
{
    IdentifyOutcome outcome = IdentifyOutcome::NotFound;
    QString serial; // the whole serial read (the create command keeps 8 characters)
};

// "В настоящее время <port> не доступен", for the write command
// "В настоящее время порт: <port> не доступен".
QString portUnavailableMessage(CommandKind kind, const QString& port);

// Opens and resets the line, asks the calculator who it is and sets the session.
// editorSerial is the editor's serial field: the create command's gets the first 8
// characters of the serial; its fifth character decides DeviceVersion of older
// calculators. Shows the port message or "Прибор не обнаружен" (with the
// protocol's reason on the next line) itself.
IdentifyResult IdentifyDevice(const DeviceCommandContext& context, CommandKind kind,
                              QString& editorSerial);

enum class CreateOutcome
{
    PortUnavailable,
    EditorShown,              // for the identified calculator
    EditorShownWithoutDevice, // the calculator did not answer: type 4, no serial
    Interrupted,              // the stop request came; the editor was not shown
};

// Identifies the calculator, resets the record to a new configuration for its
// serial and type, and shows the editor (also when the calculator did not answer).
// A failed type query raises after the port is closed.
CreateOutcome runCreateCommand(const DeviceCommandContext& context, ConfigRecord& record,
                               NewConfigurationEditor& editor, const NumberLocale& locale);

enum class WriteOutcome
{
    PortUnavailable,
    NotIdentified,
    TypeMismatch,
    SerialDeclined,
    Failed,
    NotWritten,    // the calculator's communicator does not take configurations (yet)
    WorkerRunning, // a generation-03 transfer runs: the user was offered to stop it
    Written,       // generation 03: the transfer worker has started
    Interrupted,   // the stop request came: the write ended between parameters
};

// What a write command found and did, for callers that report it in detail.
struct WriteReport
{
    QString serial;         // as the calculator answered; empty when not identified
    int parametersWritten = 0; // generation 04: parameter writes the calculator took
    int parametersTotal = 0;   // generation 04: parameter writes of the whole write
};

// "Запись прервана: записано N из M параметров; конфигурация прибора неполная".
QString interruptedWriteMessage(int written, int total);

// Identifies the calculator, checks it against the current row, stores the
// firmware date in the row and lets the communicator write the record. Every way
// out closes the port. A failed type query raises after the port is closed. With
// the NoCFG option a generation-03 calculator's type is not checked. The stop
// request of the protocol (TVynProto::requestStop) ends it between parameters.
WriteOutcome runWriteCommand(const DeviceCommandContext& context, ConfigRecord& record,
                             ConfigRowStore& store, const WriteConfigInputs& inputs,
                             WriteReport* report = nullptr);

} // namespace vyn
