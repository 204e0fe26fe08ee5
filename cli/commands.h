#pragma once
// The vyntool commands. Each takes its own arguments, args[0] being
// "vyntool <command>", and returns the exit code; it may throw Failure or UsageError.

#include <QStringList>

namespace vyntool {

struct Command
{
    const char* name;
    const char* summary;
    int (*run)(const QStringList& args);
    bool gui = false; // needs fonts and painting: runs under QGuiApplication
};

// One line per command; kept in the order shown by "vyntool --help".
int runImage(const QStringList& args);
int runAlt(const QStringList& args);
int runConf(const QStringList& args);
int runIdentify(const QStringList& args);
int runWrite(const QStringList& args);
int runCreate(const QStringList& args);
int runCatalogue(const QStringList& args);
int runPassport(const QStringList& args);
int runCard(const QStringList& args);
int runImport(const QStringList& args);
int runSettings(const QStringList& args);
int runBase(const QStringList& args);

inline constexpr Command kCommands[] = {
    {"image", "build the memory image of a generation-03 calculator", runImage},
    {"alt", "show or write an alternative-days file", runAlt},
    {"conf", "pack or show the scheme table conf.dat", runConf},
    {"identify", "identify the calculator on a serial port", runIdentify},
    {"write", "write a configuration file into the calculator", runWrite},
    {"create", "create a configuration file for the connected calculator", runCreate},
    {"catalogue", "pack or unpack the instrument catalogue rash.spe", runCatalogue},
    {"passport", "passport of a configuration, as PDF or tables", runPassport, true},
    {"card", "programming card of a configuration, as PDF or tables", runCard, true},
    {"import", "import an older DBF table into a configuration database", runImport},
    {"settings", "show the interface and communication settings of the program directory", runSettings},
    {"base", "add configuration files to a configuration database", runBase},
};

} // namespace vyntool
