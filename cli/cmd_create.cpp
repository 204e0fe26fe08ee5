// vyntool create: a new configuration file for the connected calculator, with its
// serial number and type, for the user to edit and then write.

#include "cliutil.h"
#include "commands.h"
#include "deviceoptions.h"
#include "terminalui.h"
#include "transferui.h"

#include "link/devicecommands.h"
#include "link/vynproto.h"
#include "model/configfile.h"
#include "model/devicesession.h"

#include <QFileInfo>
#include <QSysInfo>

namespace vyntool {

namespace {

// The file takes the editor's place: showing it means writing the file.
class FileEditor : public vyn::NewConfigurationEditor
{
public:
    void clearSerialField() override {}
    void enableTypeList() override {}
    void selectTypeItem(int) override {}
    void resetToNewConfiguration() override {}
    void showModal() override { shown = true; }

    bool shown = false;
};

} // namespace

int runCreate(const QStringList& args)
{
    QCommandLineParser parser;
    addDeviceOptions(parser);
    addJsonOption(parser);
    parser.addOption({QStringLiteral("out"),
                      QStringLiteral("Создаваемый файл конфигурации (JSON); не должен "
                                     "существовать."),
                      QStringLiteral("файл")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Опрашивает прибор на порту и создаёт новый файл "
                                     "конфигурации с его заводским номером и типом.\n\n") +
                          exitCodesHelp()))
        return ExitOk;
    const vyn::CommSettings comm = commFromOptions(parser);
    const QString out = requiredValue(parser, QStringLiteral("out"));
    const bool json = parser.isSet(QStringLiteral("json"));
    DeviceReport report(QStringLiteral("created"));
    report.file = out;
    // error: printed and reported; empty keeps what the report holds.
    const auto finish = [&](DeviceOutcome outcome, const QString& error) {
        report.outcome = outcome;
        if (!error.isEmpty()) {
            report.error = error;
            printErr(error);
        }
        if (json)
            printOut(report.json());
        return exitCodeFor(outcome);
    };
    if (QFileInfo::exists(out))
        return finish(DeviceOutcome::Failed,
                      QStringLiteral("%1 уже существует; удалите его или выберите другое имя")
                          .arg(out));

    InterruptGuard guard;
    vyn::DeviceSession session;
    vyn::TVynProto proto(vyn::ThreadSleeper::instance(),
                         commandTimings(parser.isSet(QStringLiteral("fast"))));
    guard.setStopRequest([&proto] { proto.requestStop(); });
    guard.arm();
    TerminalStatus status;
    TerminalDialogs dialogs(false, status);
    if (json)
        dialogs.keepStdoutForJson();
    const vyn::DeviceCommandContext context{proto,   session, comm,
                                            dialogs, status,  QStringLiteral("vyntool")};
    const vyn::NumberLocale locale = vyn::NumberLocale::system();
    vyn::ConfigRecord record;
    FileEditor editor;
    vyn::CreateOutcome outcome = vyn::CreateOutcome::EditorShownWithoutDevice;
    try {
        outcome = vyn::runCreateCommand(context, record, editor, locale);
    } catch (const vyn::MessageError& e) {
        return finish(DeviceOutcome::Failed, e.message());
    }
    guard.setStopRequest({});
    if (outcome == vyn::CreateOutcome::PortUnavailable) {
        QString error = dialogs.lastError();
        if (!proto.lastOpenError().isEmpty()) {
            printErr(proto.lastOpenError());
            error += QLatin1Char('\n') + proto.lastOpenError();
        }
        report.error = error;
        return finish(DeviceOutcome::PortUnavailable, QString());
    }
    if (outcome == vyn::CreateOutcome::Interrupted) {
        report.error = dialogs.lastError();
        return finish(DeviceOutcome::Interrupted, QString());
    }
    // Without a calculator the window still opens for a configuration by hand; a
    // file without a serial number is of no use.
    if (outcome != vyn::CreateOutcome::EditorShown || !editor.shown) {
        report.error = dialogs.lastError();
        printErr(QStringLiteral("Файл не создан."));
        return finish(DeviceOutcome::NotIdentified, QString());
    }
    report.serial = record.SNUM;
    report.deviceGeneration = session.DeviceGeneration;
    report.deviceVersion = session.DeviceVersion;
    report.firmwareDate = session.DeviceFirmwareDate.toString(Qt::ISODate);

    vyn::SaveContext save;
    save.deviceGeneration = session.DeviceGeneration;
    save.deviceFirmwareDate = session.DeviceFirmwareDate;
    save.today = QDate::currentDate();
    save.manager = vyn::managerText(QSysInfo::machineHostName(), qEnvironmentVariable("USER"));
    const vyn::SaveResult saved = vyn::saveRecord(record, save, locale);
    QStringList failures;
    for (int group : saved.failedGroups)
        failures << vyn::saveFailureMessage(group);
    for (const QString& f : failures)
        printErr(f);
    report.error = failures.join(QLatin1Char('\n'));
    try {
        vyn::writeConfigFile(out, saved.row);
    } catch (const vyn::ConfigFileError& e) {
        return finish(DeviceOutcome::Failed, e.message());
    }
    const QString line = QStringLiteral("%1: новая конфигурация прибора %2, тип %3, дата программы %4")
                             .arg(out, record.SNUM, record.TYPE_VYN,
                                  session.DeviceFirmwareDate.toString(Qt::ISODate));
    if (json)
        printErr(line);
    else
        printOut(line);
    return finish(failures.isEmpty() ? DeviceOutcome::Done : DeviceOutcome::Failed, QString());
}

} // namespace vyntool
