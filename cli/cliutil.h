#pragma once
// Shared plumbing of the vyntool commands: exit codes, errors and output.

#include "app/configdatabase.h"
#include "link/commsettings.h"
#include "link/prototimings.h"

#include <QByteArrayView>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace vyntool {

// The exit codes; stable, for scripts and production lines (see "vyntool --help").
enum ExitCode : int {
    ExitOk = 0,
    ExitFailure = 1,         // the operation failed (file, protocol, write)
    ExitUsage = 2,           // wrong arguments
    ExitPortUnavailable = 3, // the port cannot be opened
    ExitNotFound = 4,        // no calculator answered, or its answer made no sense
    ExitRefused = 5,         // type mismatch, or the serial-number question answered No
    ExitInterrupted = 130,   // Ctrl+C or SIGTERM
};

// The table of exit codes as "vyntool --help" and the README show it.
QString exitCodesHelp();

// A failure the user must read: the message goes to stderr, exit code 1 unless
// the failure has a code of its own.
struct Failure : std::runtime_error
{
    explicit Failure(const QString& message, int code = ExitFailure)
        : std::runtime_error(message.toStdString()), exitCode(code)
    {
    }
    int exitCode;
};
// Wrong arguments: the message and a hint go to stderr, exit code 2.
struct UsageError : std::runtime_error
{
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// Parses a command's arguments (args[0] is "vyntool <command>"). Prints help and
// returns false on --help; throws UsageError on unknown options or missing values.
// The help is in Russian: "Использование: vyntool <command> [параметры] ...".
bool parseCommand(QCommandLineParser& parser, const QStringList& args, const QString& description);

// Qt's parser texts (help and errors) in Russian.
QString russianHelpText(const QString& helpText, const QString& command);
QString russianParserError(const QString& errorText);

// The usage error of a command whose first argument names its action: none
// given, or one that is not among the choices ("pack или show").
[[noreturn]] void throwActionError(const QString& action, const QString& choices);

// Value of a required option; UsageError when missing.
QString requiredValue(const QCommandLineParser& parser, const QString& name);
// Integer option value; UsageError when not an integer.
int intValue(const QCommandLineParser& parser, const QString& name, int fallback);

// Replaces the file with the data, or throws Failure; an existing file stays whole
// on failure.
void writeFileOrFail(const QString& path, QByteArrayView data);

// The program directory as setvyn has it: $SETVYN_HOME when set, else the
// directory of vyntool when writable, else the user's data directory.
QString programDir();
// A product file (conf.dat, rash.spe, prg.vyn, templates): the program
// directory's copy, else the installed one.
QString productFile(const QString& name);

// The line settings of a device command: the port and one of the speeds the
// communication settings offer; UsageError for another speed.
vyn::CommSettings commSettingsFor(const QString& port, int speed);
// "1200, 2400, 4800, 9600": the speeds commSettingsFor takes.
QString speedChoices();
// --fast: short line resets and final pause, for simulators and tests.
vyn::ProtoTimings commandTimings(bool fast);

// A database that waits for another program's import, saying once on stderr what
// it waits for.
vyn::ConfigDatabase::Options waitingDatabaseOptions();

void printOut(const QString& text); // stdout, UTF-8, newline added
void printErr(const QString& text); // stderr, UTF-8, newline added

} // namespace vyntool
