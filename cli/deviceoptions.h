#pragma once
// What the commands that talk to a calculator share: the serial-line options,
// the identification run with them, and the report of the outcome (the exit
// code, the --json object).

#include "link/commsettings.h"
#include "link/identification.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QString>

namespace vyntool {

// --port, --speed, --fast.
void addDeviceOptions(QCommandLineParser& parser);
// --json: the outcome as one JSON object.
void addJsonOption(QCommandLineParser& parser);
// The line settings the options name; UsageError for a missing port or another speed.
vyn::CommSettings commFromOptions(const QCommandLineParser& parser);

// The outcome of a device command as scripts see it.
enum class DeviceOutcome
{
    Done,            // "identified", "created" or "written" (the command's own word)
    NotIdentified,   // "not-identified"
    TypeMismatch,    // "type-mismatch"
    SerialDeclined,  // "serial-declined"
    PortUnavailable, // "port-unavailable"
    Failed,          // "failed"
    Interrupted,     // "interrupted"
};

int exitCodeFor(DeviceOutcome outcome);

struct DeviceReport
{
    explicit DeviceReport(QString doneWord) : done(std::move(doneWord)) { clock.start(); }

    QString done; // the outcome's word on success
    DeviceOutcome outcome = DeviceOutcome::Failed;
    QString serial;
    int deviceGeneration = -1; // 1: "04", 0: "03", -1 unknown
    int deviceVersion = -1;
    int newType = -1; // the type query's new-type flag: 1, 0, -1 unknown
    QString firmwareDate; // ISO
    int parametersWritten = -1; // -1: the command writes no parameters
    int parametersTotal = -1;
    QString file; // the configuration file written or created
    QString error;
    QElapsedTimer clock;

    // One compact JSON object: outcome, exitCode, serial, generation,
    // deviceVersion, parametersWritten, durationMs, error and what else is known.
    QString json() const;
};

// Identifies the calculator on the port the options name; the port is closed
// again. Fills the report; messages go to stderr. Ctrl+C and SIGTERM end it
// between two exchanges.
bool identifyFromOptions(const QCommandLineParser& parser, vyn::Identification& id,
                         DeviceReport& report);
// The same for commands that only need the answer: a failure raises Failure with
// the outcome's exit code (its message printed already).
vyn::Identification identifyFromOptions(const QCommandLineParser& parser);

} // namespace vyntool
