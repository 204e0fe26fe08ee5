// vyntool write: a configuration file into the connected calculator, with the
// checks of the configurator's write command. The file is the current row: the
// calculator's firmware date is stored into it before the write.

#include "catalogueoption.h"
#include "cliutil.h"
#include "commands.h"
#include "terminalui.h"
#include "transferui.h"

#include "link/configfilestore.h"
#include "link/devicecommands.h"
#include "link/gen03write.h"
#include "link/programmerfile.h"
#include "link/vynproto.h"
#include "model/configfile.h"
#include "model/devicesession.h"

#include <QFileInfo>

#include "setvyn_version.h"

namespace vyntool {

int runWrite(const QStringList& args)
{
    QCommandLineParser parser;
    const auto valueOpt = [&](const char* name, const char* value, const char* help) {
        parser.addOption(
            {QString::fromLatin1(name), QString::fromUtf8(help), QString::fromLatin1(value)});
    };
    const auto flagOpt = [&](const char* name, const char* help) {
        parser.addOption({QString::fromLatin1(name), QString::fromUtf8(help)});
    };
    valueOpt("config", "file", "Configuration file (JSON); gets the calculator's firmware date.");
    valueOpt("port", "name", "Port name (ttyUSB0) or path.");
    valueOpt("speed", "baud", "Line speed: 1200, 2400, 4800 or 9600 (default 9600).");
    flagOpt("yes", "Write also when the calculator's serial number differs from the file's.");
    flagOpt("fast", "Short line reset and final pause, for simulators and tests.");
    valueOpt("alt", "file",
             "Alternative-days file (default: the first *.alt of the program directory).");
    flagOpt("dst", "Let the calculator switch to summer and winter time.");
    flagOpt("no-dst", "Do not let the calculator switch to summer and winter time (default).");
    flagOpt("min-flow", "Set the minimum flow control in the calculator.");
    valueOpt("prg", "file",
             "Generation 03: programmer file (default: prg.vyn of the program directory).");
    valueOpt("conf", "file",
             "Generation 03: scheme table (default: conf.dat of the program directory).");
    valueOpt("byte-interval", "ms", "Generation 03: pause before each byte, 1 to 255 (default 2).");
    valueOpt("wait", "ms",
             "Generation 03: reply check step, 1 to 255; about that many seconds in all "
             "(default 7).");
    flagOpt("nocfg", "Generation 03: the calculator shows NoCFG (its type is not checked).");
    valueOpt("catalogue", "file",
             "Instrument catalogue, rash.ini or rash.spe (default: rash.spe of the program "
             "directory).");
    if (!parseCommand(parser, args,
                      QStringLiteral("Writes a configuration file into the calculator on a port: "
                                     "identification, type and serial checks, then the write.")))
        return ExitOk;
    const QString configPath = requiredValue(parser, QStringLiteral("config"));
    vyn::CommSettings comm = commSettingsFor(requiredValue(parser, QStringLiteral("port")),
                                             intValue(parser, QStringLiteral("speed"), 9600));
    comm.byteInterval = intValue(parser, QStringLiteral("byte-interval"), comm.byteInterval);
    comm.wait = intValue(parser, QStringLiteral("wait"), comm.wait);
    if (comm.byteInterval < 1 || comm.byteInterval > 255 || comm.wait < 1 || comm.wait > 255)
        throw UsageError(QStringLiteral("--byte-interval and --wait are 1 to 255 ms"));
    if (parser.isSet(QStringLiteral("dst")) && parser.isSet(QStringLiteral("no-dst")))
        throw UsageError(QStringLiteral("--dst and --no-dst exclude each other"));

    vyn::WriteConfigInputs inputs = vyn::WriteConfigInputs::defaults(programDir());
    if (parser.isSet(QStringLiteral("alt")))
        inputs.altDaysFile = parser.value(QStringLiteral("alt"));
    inputs.noDaylightSaving = !parser.isSet(QStringLiteral("dst"));
    inputs.minFlowControl = parser.isSet(QStringLiteral("min-flow"));
    inputs.locale = vyn::NumberLocale::system();
    inputs.comm = comm;

    const CatalogueOption catalogueOption(parser.value(QStringLiteral("catalogue")), inputs.locale);
    const vyn::ElectricityMeterCatalogue* catalogue = catalogueOption.electricityMeters();
    const QDate today = QDate::currentDate();
    vyn::LoadedConfig loaded;
    try {
        loaded = vyn::loadConfigFile(configPath, inputs.locale, today, catalogue);
    } catch (const vyn::ConfigFileError& e) {
        throw Failure(e.message());
    }
    // The file is written back: find out now rather than after the identification.
    if (!QFileInfo(configPath).isWritable())
        throw Failure(QStringLiteral("%1: the file is not writable").arg(configPath));

    // Before any thread starts, so that only the guard takes Ctrl+C.
    InterruptGuard guard;
    TerminalStatus status;
    TerminalDialogs dialogs(parser.isSet(QStringLiteral("yes")), status);
    const QString title = QStringLiteral("vyntool");

    // The generation-03 transfer, as the main window holds it.
    vyn::LoaderImage loader;
    const QString prg = parser.isSet(QStringLiteral("prg"))
                            ? parser.value(QStringLiteral("prg"))
                            : productFile(QStringLiteral("prg.vyn"));
    vyn::LoadProg(loader, prg, dialogs, title);
    vyn::SchemeTable schemes;
    const QString conf = parser.isSet(QStringLiteral("conf"))
                             ? parser.value(QStringLiteral("conf"))
                             : productFile(QStringLiteral("conf.dat"));
    try {
        schemes = vyn::SchemeTable::fromFile(conf);
    } catch (const vyn::SchemeTableError& e) {
        printErr(e.message() + QLatin1Char(' ') + conf); // the full layout will refuse
    }
    vyn::OperateRunner runner;
    vyn::TComm32 comm321;
    TerminalTransferHost transferHost(guard);
    vyn::DeviceImage image;
    bool noCfg = parser.isSet(QStringLiteral("nocfg"));
    vyn::Gen03Link gen03{runner,
                         comm321,
                         transferHost,
                         loader,
                         image,
                         schemes,
                         noCfg,
                         SETVYN_SPECIAL_BUILD != 0,
                         title,
                         {},
                         vyn::ThreadSleeper::instance(),
                         std::nullopt};
    gen03.showWaiting = [&status](bool on) {
        if (on)
            status.showWaiting();
    };
    inputs.gen03 = &gen03;

    vyn::DeviceSession session;
    session.DeviceGeneration = loaded.deviceGeneration;
    vyn::TVynProto proto(vyn::ThreadSleeper::instance(),
                         commandTimings(parser.isSet(QStringLiteral("fast"))));
    vyn::ConfigFileRowStore store(configPath, loaded.row, loaded.record, session,
                                  {loaded.deviceGeneration, today, catalogue}, inputs.locale,
                                  true);
    const vyn::DeviceCommandContext context{proto, session, comm, dialogs, status, title};

    switch (vyn::runWriteCommand(context, loaded.record, store, inputs)) {
    case vyn::WriteOutcome::Written:
        // Generation 03: the worker has started; follow it.
        return runner.running()
                   ? followTransfer(runner, transferHost, guard, dialogs, status, title)
                   : ExitOk;
    case vyn::WriteOutcome::PortUnavailable:
        if (!proto.lastOpenError().isEmpty())
            printErr(proto.lastOpenError());
        return ExitFailure;
    case vyn::WriteOutcome::NotWritten:
    case vyn::WriteOutcome::WorkerRunning:
        printErr(QStringLiteral("Nothing was written."));
        return ExitFailure;
    case vyn::WriteOutcome::SerialDeclined:
        printErr(QStringLiteral("Nothing was written."));
        return ExitFailure;
    case vyn::WriteOutcome::NotIdentified:
    case vyn::WriteOutcome::TypeMismatch:
    case vyn::WriteOutcome::Failed:
        return ExitFailure;
    }
    return ExitFailure;
}

} // namespace vyntool
