// vyntool write: configuration files into the connected calculator, with the
// checks of the configurator's write command. Each file is the current row: the
// calculator's firmware date is stored into it before the write. Several files
// are written one after the other, one calculator each.

#include "catalogueoption.h"
#include "cliutil.h"
#include "commands.h"
#include "deviceoptions.h"
#include "terminalui.h"
#include "transferui.h"

#include "link/configfilestore.h"
#include "link/devicecommands.h"
#include "link/gen03write.h"
#include "link/programmerfile.h"
#include "link/vynproto.h"
#include "model/configfile.h"
#include "model/devicesession.h"

#include <QDateTime>
#include <QFileInfo>

#include "setvyn_version.h"

namespace vyntool {

namespace {

struct WriteOptions
{
    vyn::CommSettings comm;
    vyn::WriteConfigInputs inputs;
    bool assumeYes = false;
    bool fast = false;
    bool noCfg = false;
    bool json = false;
    QString prg;
    QString conf;
    const vyn::ElectricityMeterCatalogue* catalogue = nullptr;
};

DeviceOutcome outcomeOf(vyn::WriteOutcome outcome)
{
    switch (outcome) {
    case vyn::WriteOutcome::Written:
        return DeviceOutcome::Done;
    case vyn::WriteOutcome::PortUnavailable:
        return DeviceOutcome::PortUnavailable;
    case vyn::WriteOutcome::NotIdentified:
        return DeviceOutcome::NotIdentified;
    case vyn::WriteOutcome::TypeMismatch:
        return DeviceOutcome::TypeMismatch;
    case vyn::WriteOutcome::SerialDeclined:
        return DeviceOutcome::SerialDeclined;
    case vyn::WriteOutcome::Interrupted:
        return DeviceOutcome::Interrupted;
    case vyn::WriteOutcome::Failed:
    case vyn::WriteOutcome::NotWritten:
    case vyn::WriteOutcome::WorkerRunning:
        break;
    }
    return DeviceOutcome::Failed;
}

// One file into one calculator; fills the report.
void writeOne(const QString& configPath, const WriteOptions& o, InterruptGuard& guard,
              DeviceReport& report)
{
    report.file = configPath;
    const auto fail = [&](const QString& text) {
        report.outcome = DeviceOutcome::Failed;
        report.error = text;
        printErr(text);
    };
    const QDate today = QDate::currentDate();
    vyn::LoadedConfig loaded;
    try {
        loaded = vyn::loadConfigFile(configPath, o.inputs.locale, today, o.catalogue);
    } catch (const vyn::ConfigFileError& e) {
        return fail(e.message());
    }
    // The file is written back: find out now rather than after the identification.
    if (!QFileInfo(configPath).isWritable())
        return fail(QStringLiteral("%1: файл недоступен для записи").arg(configPath));

    TerminalStatus status;
    TerminalDialogs dialogs(o.assumeYes, status);
    if (o.json)
        dialogs.keepStdoutForJson();
    const QString title = QStringLiteral("vyntool");

    // The generation-03 transfer, as the main window holds it.
    vyn::LoaderImage loader;
    vyn::LoadProg(loader, o.prg, dialogs, title);
    vyn::SchemeTable schemes;
    try {
        schemes = vyn::SchemeTable::fromFile(o.conf);
    } catch (const vyn::SchemeTableError& e) {
        printErr(e.message() + QLatin1Char(' ') + o.conf); // the full layout will refuse
    }
    vyn::OperateRunner runner;
    vyn::TComm32 comm321;
    TerminalTransferHost transferHost(guard);
    vyn::DeviceImage image;
    bool noCfg = o.noCfg;
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
    vyn::WriteConfigInputs inputs = o.inputs;
    inputs.gen03 = &gen03;

    vyn::DeviceSession session;
    session.DeviceGeneration = loaded.deviceGeneration;
    vyn::TVynProto proto(vyn::ThreadSleeper::instance(), commandTimings(o.fast));
    // Ctrl+C and SIGTERM: stop between parameters, the port closed as usual.
    guard.setStopRequest([&proto] { proto.requestStop(); });
    guard.arm();
    if (guard.interrupted())
        proto.requestStop();
    dialogs.setStopRequested([&proto] { return proto.stopRequested(); });
    vyn::ConfigFileRowStore store(configPath, loaded.row, loaded.record, session,
                                  {loaded.deviceGeneration, today, o.catalogue}, inputs.locale,
                                  true);
    const vyn::DeviceCommandContext context{proto, session, o.comm, dialogs, status, title};

    vyn::WriteReport written;
    vyn::WriteOutcome outcome = vyn::WriteOutcome::Failed;
    try {
        outcome = vyn::runWriteCommand(context, loaded.record, store, inputs, &written);
    } catch (const std::exception& e) {
        // The type query: the port is closed already.
        guard.setStopRequest({});
        const auto* m = dynamic_cast<const vyn::MessageError*>(&e);
        return fail(m ? m->message() : QString::fromUtf8(e.what()));
    }
    report.outcome = outcomeOf(outcome);
    report.serial = written.serial;
    if (!written.serial.isEmpty()) {
        report.deviceGeneration = session.DeviceGeneration;
        report.deviceVersion = session.DeviceVersion;
        report.firmwareDate = session.DeviceFirmwareDate.toString(Qt::ISODate);
    }
    if (written.parametersTotal > 0) {
        report.parametersWritten = written.parametersWritten;
        report.parametersTotal = written.parametersTotal;
    }
    if (outcome == vyn::WriteOutcome::Written && runner.running()) {
        // Generation 03: the worker has started; follow it.
        const int code = followTransfer(runner, transferHost, guard, dialogs, status, title);
        report.outcome = code == ExitOk            ? DeviceOutcome::Done
                         : code == ExitInterrupted ? DeviceOutcome::Interrupted
                                                   : DeviceOutcome::Failed;
    }
    guard.setStopRequest({});
    if (outcome == vyn::WriteOutcome::PortUnavailable && !proto.lastOpenError().isEmpty())
        printErr(proto.lastOpenError());
    if (outcome == vyn::WriteOutcome::NotWritten || outcome == vyn::WriteOutcome::WorkerRunning ||
        outcome == vyn::WriteOutcome::SerialDeclined)
        printErr(QStringLiteral("Ничего не записано."));
    if (report.outcome != DeviceOutcome::Done) {
        report.error = dialogs.lastError();
        if (outcome == vyn::WriteOutcome::PortUnavailable && !proto.lastOpenError().isEmpty())
            report.error += QLatin1Char('\n') + proto.lastOpenError();
        if (report.outcome == DeviceOutcome::SerialDeclined)
            report.error = QStringLiteral("Ничего не записано: заводской номер прибора не "
                                          "совпадает с номером файла.");
    }
}

} // namespace

int runWrite(const QStringList& args)
{
    QCommandLineParser parser;
    const auto valueOpt = [&](const char* name, const char* value, const QString& help) {
        parser.addOption({QString::fromLatin1(name), help, QString::fromUtf8(value)});
    };
    const auto flagOpt = [&](const char* name, const QString& help) {
        parser.addOption({QString::fromLatin1(name), help});
    };
    valueOpt("config", "файл",
             QStringLiteral("Файл конфигурации (JSON); в него записывается дата программы "
                            "прибора. Несколько --config: приборы по очереди, по одному на файл."));
    addDeviceOptions(parser);
    addJsonOption(parser);
    flagOpt("yes",
            QStringLiteral("Отвечать «да» на вопросы записи: «Подключенный прибор имеет номер "
                           "несоответствующий номеру выбранному в базе. Продолжить запись?» и "
                           "(поколение 03) «Для прибора с версией программы ... нет возможности "
                           "записать конфигурацию ... Будет записанна конфирурация \"30\". "
                           "Продолжить?». Между файлами пакета не ждать Enter."));
    valueOpt("alt", "файл",
             QStringLiteral("Файл альтернативных дней (по умолчанию первый *.alt каталога "
                            "программы); пустое значение: без файла."));
    flagOpt("dst", QStringLiteral("Разрешить прибору переход на летнее и зимнее время."));
    flagOpt("no-dst", QStringLiteral("Не осуществлять перевод на зимнее/летнее время (по "
                                     "умолчанию)."));
    flagOpt("min-flow", QStringLiteral("Установить в приборе контроль минимального значения "
                                       "расхода."));
    valueOpt("prg", "файл",
             QStringLiteral("Поколение 03: файл программатора (по умолчанию prg.vyn каталога "
                            "программы)."));
    valueOpt("conf", "файл",
             QStringLiteral("Поколение 03: таблица схем (по умолчанию conf.dat каталога "
                            "программы)."));
    valueOpt("byte-interval", "мс",
             QStringLiteral("Поколение 03: пауза перед каждым байтом, 1..255 (по умолчанию 2)."));
    valueOpt("wait", "мс",
             QStringLiteral("Поколение 03: шаг ожидания ответа, 1..255; всего примерно столько же "
                            "секунд (по умолчанию 7)."));
    flagOpt("nocfg", QStringLiteral("Поколение 03: прибор отображает NoCFG и не сообщает годного "
                                    "типа; тип не проверяется."));
    valueOpt("clock", "ГГГГ-ММ-ДДTЧЧ:ММ:СС",
             QStringLiteral("Дата и время, которые записываются в прибор (по умолчанию часы "
                            "компьютера в момент записи)."));
    valueOpt("catalogue", "файл",
             QStringLiteral("Каталог приборов учёта, rash.ini или rash.spe (по умолчанию "
                            "rash.spe каталога программы)."));
    if (!parseCommand(parser, args,
                      QStringLiteral("Записывает файл конфигурации в прибор на порту: "
                                     "идентификация, проверка типа и заводского номера, затем "
                                     "запись.\n\n") +
                          exitCodesHelp()))
        return ExitOk;

    WriteOptions o;
    const QStringList configs = parser.values(QStringLiteral("config"));
    if (configs.isEmpty() || configs.contains(QString()))
        throw UsageError(QStringLiteral("не указан --config"));
    o.comm = commFromOptions(parser);
    o.comm.byteInterval = intValue(parser, QStringLiteral("byte-interval"), o.comm.byteInterval);
    o.comm.wait = intValue(parser, QStringLiteral("wait"), o.comm.wait);
    if (o.comm.byteInterval < 1 || o.comm.byteInterval > 255 || o.comm.wait < 1 ||
        o.comm.wait > 255)
        throw UsageError(QStringLiteral("--byte-interval и --wait: от 1 до 255 мс"));
    if (parser.isSet(QStringLiteral("dst")) && parser.isSet(QStringLiteral("no-dst")))
        throw UsageError(QStringLiteral("--dst и --no-dst исключают друг друга"));
    o.assumeYes = parser.isSet(QStringLiteral("yes"));
    o.fast = parser.isSet(QStringLiteral("fast"));
    o.noCfg = parser.isSet(QStringLiteral("nocfg"));
    o.json = parser.isSet(QStringLiteral("json"));

    o.inputs = vyn::WriteConfigInputs::defaults(programDir());
    if (parser.isSet(QStringLiteral("alt")))
        o.inputs.altDaysFile = parser.value(QStringLiteral("alt"));
    o.inputs.noDaylightSaving = !parser.isSet(QStringLiteral("dst"));
    o.inputs.minFlowControl = parser.isSet(QStringLiteral("min-flow"));
    o.inputs.locale = vyn::NumberLocale::system();
    o.inputs.comm = o.comm;
    if (parser.isSet(QStringLiteral("clock"))) {
        const QDateTime moment =
            QDateTime::fromString(parser.value(QStringLiteral("clock")), Qt::ISODate);
        if (!moment.isValid())
            throw UsageError(QStringLiteral("--clock: дата и время в виде 2026-03-01T14:30:00, "
                                            "а не \"%1\"")
                                 .arg(parser.value(QStringLiteral("clock"))));
        o.inputs.clock = [moment] { return moment; };
    }
    o.prg = parser.isSet(QStringLiteral("prg")) ? parser.value(QStringLiteral("prg"))
                                                : productFile(QStringLiteral("prg.vyn"));
    o.conf = parser.isSet(QStringLiteral("conf")) ? parser.value(QStringLiteral("conf"))
                                                  : productFile(QStringLiteral("conf.dat"));

    const CatalogueOption catalogueOption(parser.value(QStringLiteral("catalogue")),
                                          o.inputs.locale);
    o.catalogue = catalogueOption.electricityMeters();

    // Before any thread starts, so that only the guard takes Ctrl+C and SIGTERM.
    InterruptGuard guard;
    int exitCode = ExitOk;
    int done = 0;
    for (qsizetype i = 0; i < configs.size(); ++i) {
        if (i > 0 && !o.assumeYes) {
            printErr(QStringLiteral("Подключите прибор для %1 и нажмите Enter...").arg(configs[i]));
            guard.arm();
            (void)waitForEnter([&guard] { return guard.interrupted(); });
        }
        DeviceReport report(QStringLiteral("written"));
        if (guard.interrupted()) {
            report.outcome = DeviceOutcome::Interrupted;
            report.file = configs[i];
            report.error = QStringLiteral("Запись прервана");
        } else {
            writeOne(configs[i], o, guard, report);
        }
        if (o.json)
            printOut(report.json());
        if (report.outcome == DeviceOutcome::Done)
            ++done;
        else if (exitCode == ExitOk)
            exitCode = exitCodeFor(report.outcome);
        if (report.outcome == DeviceOutcome::Interrupted)
            exitCode = ExitInterrupted;
        if (report.outcome == DeviceOutcome::Interrupted && i + 1 < configs.size())
            break;
    }
    if (configs.size() > 1) {
        const QString summary = QStringLiteral("Итого: записано %1 из %2, не записано %3")
                                    .arg(done)
                                    .arg(configs.size())
                                    .arg(configs.size() - done);
        if (exitCode == ExitOk)
            (o.json ? printErr : printOut)(summary);
        else
            printErr(summary);
    }
    return exitCode;
}

} // namespace vyntool
