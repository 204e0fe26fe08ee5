// vyntool: the configurator's core without windows, for scripts and tests.

#include "cliutil.h"
#include "commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <exception>
#include <memory>

using namespace vyntool;

static void printUsage()
{
    QString text = QStringLiteral("Usage: vyntool <command> [options]\n\nCommands:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(c.name), -10).arg(QString::fromLatin1(c.summary));
    text += QStringLiteral("\n\"vyntool <command> --help\" describes a command.");
    printOut(text);
}

int main(int argc, char** argv)
{
    // Documents are laid out with fonts: a GUI application, on the offscreen
    // platform unless the caller chose one.
    bool gui = false;
    for (const Command& c : kCommands)
        gui = gui || (argc > 1 && qstrcmp(argv[1], c.name) == 0 && c.gui);
    if (gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        gui ? std::make_unique<QGuiApplication>(argc, argv)
            : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vyntool"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        printUsage();
        return ExitUsage;
    }
    const QString name = args.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printUsage();
        return ExitOk;
    }
    for (const Command& c : kCommands) {
        if (name != QLatin1String(c.name))
            continue;
        QStringList sub = args.mid(2);
        sub.prepend(QStringLiteral("vyntool ") + name);
        try {
            return c.run(sub);
        } catch (const UsageError& e) {
            printErr(QStringLiteral("vyntool %1: %2").arg(name, QString::fromUtf8(e.what())));
            printErr(QStringLiteral("Try \"vyntool %1 --help\".").arg(name));
            return ExitUsage;
        } catch (const Failure& e) {
            printErr(QString::fromUtf8(e.what()));
            return ExitFailure;
        } catch (const std::exception& e) {
            printErr(QString::fromUtf8(e.what()));
            return ExitFailure;
        }
    }
    printErr(QStringLiteral("vyntool: unknown command \"%1\"").arg(name));
    printUsage();
    return ExitUsage;
}
