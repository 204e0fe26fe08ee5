// vyntool: the configurator's core without windows, for scripts and tests.

#include "cliutil.h"
#include "commands.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <exception>
#include <memory>

using namespace vyntool;

static QString usageText()
{
    QString text = QStringLiteral("Использование: vyntool <команда> [параметры]\n\nКоманды:\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(c.name), -10).arg(QString::fromUtf8(c.summary));
    text += QStringLiteral("\n\"vyntool <команда> --help\" описывает команду.\n\n") + exitCodesHelp();
    return text;
}

static QtMessageHandler g_previousHandler = nullptr;

// Qt's note that XDG_RUNTIME_DIR is unset says nothing to a vyntool user.
static void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")) ||
        text.startsWith(QLatin1String("QStandardPaths: runtime directory")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

int main(int argc, char** argv)
{
    g_previousHandler = qInstallMessageHandler(quietMessages);
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
        printErr(usageText());
        return ExitUsage;
    }
    const QString name = args.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        printOut(usageText());
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
            printErr(QStringLiteral("Справка: \"vyntool %1 --help\".").arg(name));
            return ExitUsage;
        } catch (const Failure& e) {
            if (*e.what())
                printErr(QString::fromUtf8(e.what()));
            return e.exitCode;
        } catch (const std::exception& e) {
            printErr(QString::fromUtf8(e.what()));
            return ExitFailure;
        }
    }
    printErr(QStringLiteral("vyntool: неизвестная команда \"%1\"").arg(name));
    printErr(usageText());
    return ExitUsage;
}
