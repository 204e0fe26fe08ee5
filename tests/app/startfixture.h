#pragma once
// A program directory with the shipped catalogue and scheme table, for runs of
// the program's start-up and end.

#include "app/programstart.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include "model/inifile.h"

namespace vyn::test {

// A program directory with the shipped catalogue and scheme table, a working
// directory and a temporary root of its own.
struct StartFixture
{
    QTemporaryDir root;
    QString exe = root.filePath(QStringLiteral("prog/"));
    QString work = root.filePath(QStringLiteral("work"));
    QString temp = root.filePath(QStringLiteral("tmp"));
    FakeDialogs dialogs;
    DeviceSession session;
    NoOldDatabaseConversion conversion;

    StartFixture()
    {
        QDir().mkpath(exe);
        QDir().mkpath(work);
        QDir().mkpath(temp);
        QFile::copy(binFile("rash.spe"), exe + QStringLiteral("rash.spe"));
        QFile::copy(binFile("conf.dat"), exe + QStringLiteral("conf.dat"));
    }

    StartInputs inputs() const
    {
        return {exe, work, temp, VersionData::fromBuild(), ConfigDatabase::Options{100}};
    }

    // One run of the program: start, optionally something in between, close.
    void run(const std::function<void(ProgramStart&)>& between = {})
    {
        ConfigDatabase db(ConfigDatabase::Options{100});
        ProgramStart start(inputs(), dialogs, db, session, conversion);
        start.startUp();
        start.LoadConf();
        if (between)
            between(start);
        start.shutDown();
    }

    IniFile ini() const { return IniFile(exe + QStringLiteral("setvyn.ini")); }
    QString value(const char* section, const char* key) const
    {
        return ini().readString(QLatin1String(section), QLatin1String(key));
    }
};


} // namespace vyn::test
