#include "devicecommands.h"

#include "gen03write.h"

#include "identification.h"
#include "linkerrors.h"
#include "vynproto.h"

#include "model/devicesession.h"
#include "model/systems.h"
#include "model/userdialogs.h"

namespace vyn {

namespace {

const QString kError = QStringLiteral("Ошибка");
const QString kNotFound = QStringLiteral("Прибор не обнаружен");

// A message and, on its own line, the reason below it (when there is one to add).
QString withReason(const QString& message, const QString& reason)
{
    return reason.isEmpty() || reason == message ? message : message + QLatin1Char('\n') + reason;
}

QString reasonOf(const std::exception& e)
{
    if (const auto* m = dynamic_cast<const MessageError*>(&e))
        return m->message();
    return QString::fromUtf8(e.what());
}

} // namespace

QString interruptedWriteMessage(int written, int total)
{
    if (written <= 0)
        return QStringLiteral("Запись прервана до первого параметра; конфигурация прибора не "
                              "изменена");
    return QStringLiteral("Запись прервана: записано %1 из %2 параметров; конфигурация прибора "
                          "неполная")
        .arg(written)
        .arg(total);
}

QString portUnavailableMessage(CommandKind kind, const QString& port)
{
    return kind == CommandKind::Write
               ? QStringLiteral("В настоящее время порт: ") + port + QStringLiteral(" не доступен")
               : QStringLiteral("В настоящее время ") + port + QStringLiteral(" не доступен");
}

IdentifyResult IdentifyDevice(const DeviceCommandContext& c, CommandKind kind,
                              QString& editorSerial)
{
    DeviceSession& s = c.session;
    IdentifyResult result;
    try {
        try {
            openAndResetLine(c.proto, c.comm.port, c.comm.speed());
        } catch (const EPortUnavailable&) {
            c.dialogs.inform(portUnavailableMessage(kind, c.comm.port), c.applicationTitle,
                             MessageKind::Error);
            c.status.hideWaiting();
            result.outcome = IdentifyOutcome::PortUnavailable;
            return result;
        }
        s.ActiveComunicator.reset();
        s.IdentifiedSerial.clear();

        const IdentityReplies replies = queryIdentity(c.proto);
        // Only a closed port gives no reply at all; the calculator is not there.
        if (!replies.identityAnswered)
            throw EProtokol(kNotFound);
        const auto& rx = replies.identity;
        result.serial = serialFromReply(rx);
        if (kind == CommandKind::Create) {
            s.IdentifiedSerial = result.serial.left(8);
            editorSerial = s.IdentifiedSerial;
        }
        const QDate firmware = firmwareDateFromReply(rx);
        if (!firmware.isValid())
            throw EProtokol(QStringLiteral("Ответ прибора содержит недопустимую дату программы"));
        s.DeviceGeneration = generationForFirmwareDate(firmware);
        if (s.DeviceGeneration == 1)
            s.ActiveComunicator = std::make_shared<TVynComunicator_v04>();
        else
            s.ActiveComunicator = std::make_shared<TVynComunicator_v03>();
        s.DeviceFirmwareDate = firmware;
        const int version = deviceVersionFor(replies.newType, rx[16], editorSerial);
        if (version < 0)
            throw EProtokol(QStringLiteral("Ответ прибора содержит недопустимый заводской номер"));
        s.DeviceVersion = version;
        c.status.showDeviceVersion(version);
        result.outcome = IdentifyOutcome::Identified;
    } catch (const EInterrupted&) {
        ProtoClosePort(c.proto);
        c.status.hideWaiting();
        c.status.ResetProgressBar();
        c.dialogs.inform(QStringLiteral("Идентификация прервана"), kError, MessageKind::Error);
        result.outcome = IdentifyOutcome::Interrupted;
    } catch (const std::exception& e) {
        c.dialogs.inform(withReason(kNotFound, reasonOf(e)), kError, MessageKind::Error);
        s.DeviceGeneration = 1;
        if (kind == CommandKind::Create) {
            s.DeviceFirmwareDate = QDate(2004, 1, 1);
            s.DeviceVersion = 0;
        } else {
            c.status.ResetProgressBar();
        }
        result.outcome = IdentifyOutcome::NotFound;
    }
    return result;
}

CreateOutcome runCreateCommand(const DeviceCommandContext& c, ConfigRecord& record,
                               NewConfigurationEditor& editor, const NumberLocale& locale)
{
    c.status.showWaiting();
    record.SNUM.clear();
    editor.clearSerialField();
    const IdentifyOutcome identified = IdentifyDevice(c, CommandKind::Create, record.SNUM).outcome;
    if (identified == IdentifyOutcome::PortUnavailable)
        return CreateOutcome::PortUnavailable;
    if (identified == IdentifyOutcome::Interrupted)
        return CreateOutcome::Interrupted;

    int type = 4;
    if (const auto comunicator = c.session.ActiveComunicator) {
        try {
            type = comunicator->GetDeviceType(c.proto);
        } catch (const EInterrupted&) {
            ProtoClosePort(c.proto);
            c.status.hideWaiting();
            c.dialogs.inform(QStringLiteral("Идентификация прервана"), kError, MessageKind::Error);
            return CreateOutcome::Interrupted;
        } catch (...) {
            ProtoClosePort(c.proto);
            c.status.hideWaiting();
            throw;
        }
    }
    ProtoClosePort(c.proto);
    editor.enableTypeList();
    c.status.hideWaiting();
    editor.selectTypeItem(type - 1);

    // A type outside the list "01".."05" selects nothing and keeps the record's.
    const QString typeText =
        type >= 1 && type <= 5 ? QStringLiteral("0%1").arg(type) : record.TYPE_VYN;
    resetToNewConfiguration(record, record.SNUM, typeText, c.session.DeviceGeneration,
                            c.session.DeviceVersion, locale);
    editor.resetToNewConfiguration();
    editor.showModal();
    return identified == IdentifyOutcome::Identified ? CreateOutcome::EditorShown
                                                     : CreateOutcome::EditorShownWithoutDevice;
}

WriteOutcome runWriteCommand(const DeviceCommandContext& c, ConfigRecord& record,
                             ConfigRowStore& store, const WriteConfigInputs& inputs,
                             WriteReport* report)
{
    WriteReport ignored;
    WriteReport& out = report ? *report : ignored;
    out = WriteReport{};
    // A running transfer holds the port: offer to stop it before identifying.
    if (inputs.gen03 &&
        offerToStopRunningWrite(inputs.gen03->runner, c.dialogs, c.applicationTitle))
        return WriteOutcome::WorkerRunning;
    numberSystems(record);
    QString editorSerial = record.SNUM;
    const IdentifyResult id = IdentifyDevice(c, CommandKind::Write, editorSerial);
    if (id.outcome == IdentifyOutcome::PortUnavailable)
        return WriteOutcome::PortUnavailable;
    if (id.outcome == IdentifyOutcome::Interrupted)
        return WriteOutcome::Interrupted;
    const auto comunicator = c.session.ActiveComunicator;
    if (id.outcome != IdentifyOutcome::Identified || !comunicator) {
        ProtoClosePort(c.proto);
        return WriteOutcome::NotIdentified;
    }
    out.serial = id.serial;
    const auto interrupted = [&] {
        c.dialogs.inform(interruptedWriteMessage(out.parametersWritten, out.parametersTotal),
                         kError, MessageKind::Error);
        c.status.ResetProgressBar();
        ProtoClosePort(c.proto);
        return WriteOutcome::Interrupted;
    };

    int deviceType = 0;
    try {
        deviceType = comunicator->GetDeviceType(c.proto);
    } catch (const EInterrupted&) {
        return interrupted();
    } catch (...) {
        ProtoClosePort(c.proto);
        throw;
    }
    // A calculator that shows NoCFG has no type to compare: the option says so.
    const bool noCfg = inputs.gen03 && inputs.gen03->noCfgShown && c.session.DeviceGeneration == 0;
    // A row without a readable type fits no calculator.
    const auto rowType = NumberLocale::toInteger(store.rowType());
    if (!noCfg && (!rowType || *rowType > deviceType)) {
        c.dialogs.inform(QStringLiteral("Несоответствие типов конфигурации и типа ВИНКА"), kError,
                         MessageKind::Error);
        c.status.ResetProgressBar();
        ProtoClosePort(c.proto);
        return WriteOutcome::TypeMismatch;
    }

    if (id.serial != store.rowSerial() &&
        !c.dialogs.ask(QStringLiteral("Подключенный прибор имеет номер несоответствующий\n\r"
                                      "номеру выбранному в базе. Продолжить запись кнонфигурации?"),
                       QStringLiteral("Внимание"), false)) {
        ProtoClosePort(c.proto);
        return c.proto.stopRequested() ? interrupted() : WriteOutcome::SerialDeclined;
    }
    if (c.proto.stopRequested())
        return interrupted();

    // The write reopens the port chosen in the settings the identification used.
    WriteConfigInputs writeInputs = inputs;
    writeInputs.comm = c.comm;
    try {
        store.storeDeviceSoftData(c.session.DeviceFirmwareDate);
        store.RePaintStatus();
        const WriteContext context{c.proto, record, c.session, writeInputs, c.status, c.dialogs};
        const bool written = comunicator->WriteConfig(context);
        out.parametersWritten = comunicator->ParametersWritten;
        out.parametersTotal = comunicator->ParametersTotal;
        if (written)
            return WriteOutcome::Written;
        ProtoClosePort(c.proto);
        return c.proto.stopRequested() ? interrupted() : WriteOutcome::NotWritten;
    } catch (const EPortUnavailable&) {
        c.dialogs.inform(portUnavailableMessage(CommandKind::Write, c.comm.port),
                         c.applicationTitle, MessageKind::Error);
    } catch (const EInterrupted&) {
        out.parametersWritten = comunicator->ParametersWritten;
        out.parametersTotal = comunicator->ParametersTotal;
        return interrupted();
    } catch (const std::exception& e) {
        out.parametersWritten = comunicator->ParametersWritten;
        out.parametersTotal = comunicator->ParametersTotal;
        QString text = withReason(QStringLiteral("Ошибка записи конфигурации"), reasonOf(e));
        if (out.parametersTotal > 0)
            text += QStringLiteral("\nЗаписано %1 из %2 параметров.")
                        .arg(out.parametersWritten)
                        .arg(out.parametersTotal);
        c.dialogs.inform(text, kError, MessageKind::Error);
    }
    c.status.ResetProgressBar();
    ProtoClosePort(c.proto);
    return WriteOutcome::Failed;
}

} // namespace vyn
