// vynsim: a Vyn calculator on a pseudo-terminal (or a serial device), for demos,
// training and tests. Prints the path the program opens as its first line.

#include "calculator.h"
#include "deviceprotocol.h"
#include "faults.h"
#include "parameterview.h"
#include "simline.h"
#include "simlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <random>

using namespace vynsim;

namespace {

struct UsageError
{
    QString message;
};

void printErr(const QString& text)
{
    std::fprintf(stderr, "vynsim: %s\n", text.toUtf8().constData());
}

int intOption(const QCommandLineParser& p, const QString& name, int fallback, int low, int high)
{
    if (!p.isSet(name))
        return fallback;
    bool ok = false;
    const int v = p.value(name).toInt(&ok, 0);
    if (!ok || v < low || v > high)
        throw UsageError{QStringLiteral("--%1 needs a number from %2 to %3, not \"%4\"")
                             .arg(name)
                             .arg(low)
                             .arg(high)
                             .arg(p.value(name))};
    return v;
}

// vynsim --show LOG.
int showLog(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("cannot read %1: %2").arg(path, f.errorString()));
        return 1;
    }
    QString error;
    const std::optional<QString> table = heldConfiguration(f.readAll(), error);
    if (!table) {
        printErr(QStringLiteral("%1: %2").arg(path, error));
        return 1;
    }
    std::fputs(table->toUtf8().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vynsim"));

    QCommandLineParser p;
    QString faults;
    for (const QString& name : faultNames())
        faults += QStringLiteral("  %1  %2\n").arg(name, -18).arg(faultDescription(*faultFromName(name)));
    p.setApplicationDescription(
        QStringLiteral(
            "Simulates a Vyn calculator on a new pseudo-terminal (its path is printed as the first "
            "line) or on a serial device.\n\n"
            "Fault rules (--fault, repeatable): KIND[,KIND...][:RATE|@N]. RATE is the chance per "
            "exchange (0..1); @N picks the N-th exchange of the whole session, counted from 1 and "
            "including the identification's two exchanges and the type query (a generation-03 "
            "loader session counts its frames, the loader frame being 1). \"all\" names every "
            "kind that fits the exchange. Kinds:\n") +
        faults +
        QStringLiteral(
            "\nLog (--log FILE): written as the session goes, one line per exchange (a JSON "
            "object: number, function, request and reply in hex, fault, outcome: complete, "
            "fault or abandoned; for a parameter write also \"parameter\" with its prefix and "
            "value in hex, its name, slot and decoded value; for generation 03 one line per "
            "loader frame), so that \"tail -f FILE\" follows it. When the simulator ends the "
            "file is completed into one JSON object: the lines in \"session\", then "
            "\"exchanges\", \"parameters\" (every parameter write, named and decoded as "
            "above), and for generation 03 \"loader\" sessions and the programmed \"memory\".\n"
            "\"vynsim --show FILE\" prints the configuration the simulated calculator holds "
            "after the session (the last value of every parameter, in the order of the write) "
            "or, for generation 03, the memory programmed; it reads a log still being "
            "written too.\n\n"
            "Scenarios: a wrong line speed (--pace --speed N), a bad factory block "
            "(--bad-factory-block), serial bytes of 10 or more (--serial-bytes), a calculator "
            "that shows NoCFG (--nocfg)."));
    p.addHelpOption();
    const auto opt = [&p](const char* name, const char* help, const char* value = nullptr) {
        p.addOption(value ? QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help),
                                               QString::fromLatin1(value))
                          : QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help)));
    };
    opt("device", "Use this serial device instead of a pseudo-terminal.", "path");
    p.addOption(QCommandLineOption({QStringLiteral("generation"), QStringLiteral("gen")},
                                   QStringLiteral("Firmware generation: 03 or 04 (default 04)."),
                                   QStringLiteral("gen")));
    opt("serial", "Serial number, 8 digits (default 12345678).", "digits");
    opt("serial-bytes",
        "The eight serial bytes as numbers 0..255, comma-separated; bytes of 10 or more make a "
        "serial longer than 8 characters.",
        "list");
    opt("bad-factory-block",
        "Generation 03: the factory block's constants are out of range (\"В блоке заводских "
        "уставок найдена ошибка\" in a special build).");
    opt("nocfg",
        "Generation 03: the calculator shows NoCFG; its type reply names no type (as --type 0).");
    opt("firmware", "Firmware date YYYY-MM-DD (default 2015-03-01; 2003-05-19 for 03).", "date");
    opt("type", "Device type (default 4; 3 for 03).", "n");
    opt("new-type", "Answer the type query as a new-type device.");
    opt("address", "Network address (default 1).", "n");
    opt("other-address", "Address used by the wrong-address faults (default address - 2).", "n");
    opt("layout", "Image layout byte of the older devices' type reply (default 1).", "n");
    opt("mode-reply",
        "Byte a generation-03 calculator sends after the programming-mode request; 2 starts "
        "its loader (default 2).",
        "n");
    opt("echo", "The line echoes every byte the program sends.");
    opt("echo-delay", "With --echo: each byte comes back this many milliseconds late.", "ms");
    opt("pace", "Deliver bytes at the time they take on the wire.");
    opt("speed",
        "Line speed for --pace and --device (default: as the program set it). With --pace a "
        "program at another speed gets garbage bytes.",
        "baud");
    opt("fault", "Inject faults (repeatable).", "rule");
    opt("seed", "Seed of the fault dice.", "n");
    opt("log", "Write a log of the session to this file as it goes (format below).", "file");
    opt("show", "Print the configuration a log says the calculator holds, then exit.", "log");
    opt("idle-exit", "Exit after this many seconds without traffic.", "seconds");
    opt("block-size", "Data bytes per reply block (default 64, up to 255).", "n");
    opt("pad-reply", "Pad query replies to this many data bytes.", "n");
    opt("frame-gap", "Abandon a frame after this many ms of silence (default 1500).", "ms");

    try {
        if (!p.parse(QCoreApplication::arguments()))
            throw UsageError{p.errorText()};
        if (p.isSet(QStringLiteral("help"))) {
            std::fputs(p.helpText().toUtf8().constData(), stdout);
            return 0;
        }
        if (!p.positionalArguments().isEmpty())
            throw UsageError{
                QStringLiteral("unexpected argument \"%1\"").arg(p.positionalArguments().first())};
        if (p.isSet(QStringLiteral("show")))
            return showLog(p.value(QStringLiteral("show")));

        CalculatorOptions calc;
        const QString gen = p.value(QStringLiteral("generation"));
        if (gen.isEmpty() || gen == QLatin1String("04") || gen == QLatin1String("4")) {
            calc.generation = 4;
        } else if (gen == QLatin1String("03") || gen == QLatin1String("3")) {
            calc.generation = 3;
            calc.firmwareYear = 2003, calc.firmwareMonth = 5, calc.firmwareDay = 19;
            calc.type = 3;
        } else {
            throw UsageError{QStringLiteral("--generation is 03 or 04, not \"%1\"").arg(gen)};
        }
        if (p.isSet(QStringLiteral("serial"))) {
            const QString s = p.value(QStringLiteral("serial"));
            if (s.size() != 8 || !std::all_of(s.begin(), s.end(), [](QChar c) {
                    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                }))
                throw UsageError{QStringLiteral("--serial needs 8 digits, not \"%1\"").arg(s)};
            for (int i = 0; i < 8; ++i)
                calc.serial[static_cast<std::size_t>(i)] =
                    static_cast<std::uint8_t>(s[i].unicode() - '0');
        }
        if (p.isSet(QStringLiteral("firmware"))) {
            // Not checked as a calendar date: an impossible date is a test case.
            const QStringList parts = p.value(QStringLiteral("firmware")).split(QLatin1Char('-'));
            bool ok = parts.size() == 3;
            int y = 0, m = 0, d = 0;
            if (ok) {
                bool a = false, b = false, c = false;
                y = parts[0].toInt(&a), m = parts[1].toInt(&b), d = parts[2].toInt(&c);
                ok = a && b && c && y >= 2000 && y <= 2255 && m >= 0 && m <= 255 && d >= 0 &&
                     d <= 255;
            }
            if (!ok)
                throw UsageError{
                    QStringLiteral("--firmware needs YYYY-MM-DD (years 2000 to 2255)")};
            calc.firmwareYear = y, calc.firmwareMonth = m, calc.firmwareDay = d;
            if ((calc.generation == 4) != (y >= 2004))
                throw UsageError{QStringLiteral("--firmware %1 does not match generation 0%2")
                                     .arg(p.value(QStringLiteral("firmware")))
                                     .arg(calc.generation)};
        }
        if (p.isSet(QStringLiteral("serial-bytes"))) {
            if (p.isSet(QStringLiteral("serial")))
                throw UsageError{QStringLiteral("--serial and --serial-bytes exclude each other")};
            const QStringList parts = p.value(QStringLiteral("serial-bytes")).split(QLatin1Char(','));
            bool ok = parts.size() == 8;
            for (int i = 0; ok && i < 8; ++i) {
                const int v = parts[i].trimmed().toInt(&ok);
                ok = ok && v >= 0 && v <= 255;
                calc.serial[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
            }
            if (!ok)
                throw UsageError{QStringLiteral("--serial-bytes needs 8 numbers 0..255")};
        }
        calc.type = intOption(p, QStringLiteral("type"), calc.type, 0, 255);
        if (p.isSet(QStringLiteral("nocfg")))
            calc.type = 0;
        calc.badFactoryBlock = p.isSet(QStringLiteral("bad-factory-block"));
        calc.newType = p.isSet(QStringLiteral("new-type"));
        calc.address =
            static_cast<std::uint8_t>(intOption(p, QStringLiteral("address"), 1, 1, 255));
        calc.layout = intOption(p, QStringLiteral("layout"), 1, 0, 255);
        calc.padReply = intOption(p, QStringLiteral("pad-reply"), 0, 0, 60000);
        calc.modeReply = intOption(p, QStringLiteral("mode-reply"), 2, 0, 255);

        ProtocolOptions proto;
        proto.replyBlockSize = intOption(p, QStringLiteral("block-size"), 64, 1, 255);
        proto.otherAddress = static_cast<std::uint8_t>(
            intOption(p, QStringLiteral("other-address"), (calc.address + 254) % 256, 0, 255));

        LineOptions line;
        line.device = p.value(QStringLiteral("device"));
        line.echo = p.isSet(QStringLiteral("echo"));
        line.echoDelayMs = intOption(p, QStringLiteral("echo-delay"), 0, 0, 10000);
        line.pace = p.isSet(QStringLiteral("pace"));
        line.speed = intOption(p, QStringLiteral("speed"), 0, 0, 115200);
        line.garbleOtherSpeeds = line.pace && line.speed != 0;
        if (line.speed != 0 &&
            !QList<int>{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200}.contains(line.speed))
            throw UsageError{QStringLiteral("--speed %1 is not a standard speed").arg(line.speed)};
        line.idleExitSeconds = intOption(p, QStringLiteral("idle-exit"), 0, 0, 1000000);
        line.frameGapMs = intOption(p, QStringLiteral("frame-gap"), 1500, 10, 600000);

        FaultPlan faults;
        for (const QString& rule : p.values(QStringLiteral("fault"))) {
            QString error;
            if (!faults.addRule(rule, error))
                throw UsageError{error};
        }
        const std::uint32_t seed =
            p.isSet(QStringLiteral("seed"))
                ? static_cast<std::uint32_t>(intOption(p, QStringLiteral("seed"), 1, 0, 0x7FFFFFFF))
                : std::random_device{}();
        faults.setSeed(seed);

        SimLine simLine(line);
        QString error;
        if (!simLine.open(error)) {
            printErr(error);
            return 1;
        }
        std::printf("%s\n", simLine.path().toLocal8Bit().constData());
        std::fflush(stdout);

        SimLog log;
        if (p.isSet(QStringLiteral("log")) && !log.openLive(p.value(QStringLiteral("log")), error)) {
            printErr(QStringLiteral("cannot write the log: %1").arg(error));
            return 1;
        }
        Calculator calculator(calc, log);
        simLine.run(std::make_unique<DeviceProtocol>(simLine, calculator, faults, log, proto));

        if (p.isSet(QStringLiteral("log")) && !log.write(p.value(QStringLiteral("log")), error)) {
            printErr(QStringLiteral("cannot write the log: %1").arg(error));
            return 1;
        }
        return 0;
    } catch (const UsageError& e) {
        printErr(e.message);
        printErr(QStringLiteral("Try \"vynsim --help\"."));
        return 2;
    }
}
