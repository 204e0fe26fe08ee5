#include "programdir.h"

#include "model/userdialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace vyn {

namespace {

QString withSlash(QString dir)
{
    dir = QDir::cleanPath(dir);
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

bool writableDir(const QString& dir)
{
    const QFileInfo info(dir);
    return info.isDir() && info.isWritable();
}

// Regular, non-executable files: the programs themselves stay where they are.
void seedFrom(const QString& source, const QString& target)
{
    const QDir dir(source);
    if (!dir.exists())
        return;
    for (const QFileInfo& f : dir.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (f.isSymLink() || f.isExecutable())
            continue;
        const QString dest = target + f.fileName();
        if (!QFileInfo::exists(dest))
            QFile::copy(f.filePath(), dest);
    }
}

void makeOwnerWritable(const QString& path)
{
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner |
                                    QFileDevice::ReadOwner | QFileDevice::ExeOwner);
}

bool removeTree(const QString& dir, UserDialogs& dialogs)
{
    // On this system deleting an entry needs the directory's permissions, not the
    // file's; make the directory itself writable before emptying it.
    makeOwnerWritable(dir);
    const QDir d(dir);
    const QFileInfoList entries =
        d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        const QString path = e.absoluteFilePath();
        if (e.isDir() && !e.isSymLink()) {
            removeTree(path, dialogs);
            continue;
        }
        if (!e.isSymLink())
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner);
        if (!QFile::remove(path))
            dialogs.inform(QStringLiteral("Could NOT delete ") + path, QStringLiteral("Сообщение"),
                           MessageKind::Error);
    }
    return QDir().rmdir(dir);
}

} // namespace

QString resolveExeDir(const ProgramDirInputs& in)
{
    if (!in.setvynHome.isEmpty())
        return withSlash(QDir(in.setvynHome).absolutePath());
    if (writableDir(in.executableDir))
        return withSlash(in.executableDir);
    const QString target = withSlash(in.userDataDir);
    QDir().mkpath(target);
    for (const QString& source : in.seedDirs)
        seedFrom(source, target);
    return target;
}

QString ExeDir()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    ProgramDirInputs in;
    in.setvynHome = qEnvironmentVariable("SETVYN_HOME");
    in.executableDir = appDir;
    in.userDataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/setvyn");
    in.seedDirs = {QDir(appDir).absoluteFilePath(QStringLiteral("../share/setvyn")), appDir};
    return resolveExeDir(in);
}

bool MyRemoveDir(const QString& dir, UserDialogs& dialogs)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.exists())
        return true;
    if (info.isSymLink() || !info.isDir())
        return false;
    removeTree(info.absoluteFilePath(), dialogs);
    return !QFileInfo::exists(dir);
}

} // namespace vyn
