#pragma once
// The program directory (ExeDir) and the removal of the private temporary
// directory.

#include "model/programfiles.h"

#include <QString>
#include <QStringList>

namespace vyn {

class UserDialogs;

struct ProgramDirInputs
{
    QString setvynHome;    // $SETVYN_HOME; wins when set
    QString executableDir; // directory of the running program
    QString userDataDir;   // used when executableDir is not writable
    QStringList productDirs; // installed product data, read where the user has no copy
};

// The program directory (userDir, with a trailing '/') and where product data is
// read. $SETVYN_HOME is the whole program directory, product data included. Else
// a writable executable directory is (a portable copy such as build/bin). An
// installed copy works in userDataDir, created when missing; its product data
// stays where it was installed and is never copied.
ProgramFiles resolveProgramFiles(const ProgramDirInputs& inputs);

// resolveProgramFiles for this process: $SETVYN_HOME, the application directory,
// $XDG_DATA_HOME/setvyn (~/.local/share/setvyn) over <prefix>/share/setvyn.
// setvyn.ini lives with the other user files: the settings name the databases
// and files beside it, and vyntool reads it from the same place.
ProgramFiles programFiles();
// The same for a program in executableDir.
ProgramFiles programFilesFor(const QString& executableDir);
// The user's directory of programFiles().
QString ExeDir();

// Removes the directory and everything in it. Symbolic links are removed, never
// followed. Read-only entries are made writable first; a file that still cannot
// be deleted is reported as "Could NOT delete " + path. True when the directory
// is gone.
bool MyRemoveDir(const QString& dir, UserDialogs& dialogs);

} // namespace vyn
