// vyntool create: a new configuration file for the connected calculator, with its
// serial number and type, for the user to edit and then write.

#include "cliutil.h"
#include "commands.h"
#include "terminalui.h"

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
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port name (ttyUSB0) or path."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("speed"),
                      QStringLiteral("Line speed: 1200, 2400, 4800 or 9600 (default 9600)."),
                      QStringLiteral("baud")});
    parser.addOption(
        {QStringLiteral("fast"), QStringLiteral("Short line reset, for simulators and tests.")});
    parser.addOption({QStringLiteral("out"),
                      QStringLiteral("The configuration file to create (JSON); must not exist."),
                      QStringLiteral("file")});
    if (!parseCommand(parser, args,
                      QStringLiteral("Identifies the calculator on a port and creates a new "
                                     "configuration file with its serial number and type.")))
        return ExitOk;
    const vyn::CommSettings comm = commSettingsFor(requiredValue(parser, QStringLiteral("port")),
                                                   intValue(parser, QStringLiteral("speed"), 9600));
    const QString out = requiredValue(parser, QStringLiteral("out"));
    if (QFileInfo::exists(out))
        throw Failure(
            QStringLiteral("%1 exists already; remove it or choose another name").arg(out));

    vyn::DeviceSession session;
    vyn::TVynProto proto(vyn::ThreadSleeper::instance(),
                         commandTimings(parser.isSet(QStringLiteral("fast"))));
    TerminalStatus status;
    TerminalDialogs dialogs(false, status);
    const vyn::DeviceCommandContext context{proto,   session, comm,
                                            dialogs, status,  QStringLiteral("vyntool")};
    const vyn::NumberLocale locale = vyn::NumberLocale::system();
    vyn::ConfigRecord record;
    FileEditor editor;
    const vyn::CreateOutcome outcome = vyn::runCreateCommand(context, record, editor, locale);
    if (outcome == vyn::CreateOutcome::PortUnavailable) {
        if (!proto.lastOpenError().isEmpty())
            printErr(proto.lastOpenError());
        return ExitFailure;
    }
    // Without a calculator the window still opens for a configuration by hand; a
    // file without a serial number is of no use.
    if (outcome != vyn::CreateOutcome::EditorShown || !editor.shown) {
        printErr(QStringLiteral("No file was written."));
        return ExitFailure;
    }

    vyn::SaveContext save;
    save.deviceGeneration = session.DeviceGeneration;
    save.deviceFirmwareDate = session.DeviceFirmwareDate;
    save.today = QDate::currentDate();
    save.manager = vyn::managerText(QSysInfo::machineHostName(), qEnvironmentVariable("USER"));
    const vyn::SaveResult saved = vyn::saveRecord(record, save, locale);
    for (int group : saved.failedGroups)
        printErr(vyn::saveFailureMessage(group));
    try {
        vyn::writeConfigFile(out, saved.row);
    } catch (const vyn::ConfigFileError& e) {
        throw Failure(e.message());
    }
    printOut(QStringLiteral("%1: new configuration of calculator %2, type %3, firmware %4")
                 .arg(out, record.SNUM, record.TYPE_VYN,
                      session.DeviceFirmwareDate.toString(Qt::ISODate)));
    return saved.failedGroups.isEmpty() ? ExitOk : ExitFailure;
}

} // namespace vyntool
