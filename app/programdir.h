#pragma once
// The program directory (ExeDir) and the removal of the private temporary
// directory.

#include <QString>
#include <QStringList>

namespace vyn {

class UserDialogs;

struct ProgramDirInputs
{
    QString setvynHome;    // $SETVYN_HOME; wins when set
    QString executableDir; // directory of the running program
    QString userDataDir;   // used when executableDir is not writable
    QStringList seedDirs;  // installed product data, copied into userDataDir
};

// The program directory with a trailing '/'. An installed copy (executable
// directory not writable) works in userDataDir, which gets the product data files
// it lacks from seedDirs; the user's own files there are never replaced.
QString resolveExeDir(const ProgramDirInputs& inputs);

// resolveExeDir for this process: $SETVYN_HOME, the application directory,
// ~/.local/share/setvyn seeded from <prefix>/share/setvyn and the program directory.
QString ExeDir();

// Removes the directory and everything in it. Symbolic links are removed, never
// followed. Read-only entries are made writable first; a file that still cannot
// be deleted is reported as "Could NOT delete " + path. True when the directory
// is gone.
bool MyRemoveDir(const QString& dir, UserDialogs& dialogs);

} // namespace vyn
