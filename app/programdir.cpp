#include "app/programdir.h"

#include "model/userdialogs.h"

#include "setvyn_installdirs.h"

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

ProgramFiles resolveProgramFiles(const ProgramDirInputs& in)
{
    if (!in.setvynHome.isEmpty())
        return {withSlash(QDir(in.setvynHome).absolutePath()), {}};
    if (writableDir(in.executableDir))
        return {withSlash(in.executableDir), in.productDirs};
    const QString userDir = withSlash(in.userDataDir);
    QDir().mkpath(userDir);
    return {userDir, in.productDirs};
}

ProgramFiles programFiles()
{
    return programFilesFor(QCoreApplication::applicationDirPath());
}

ProgramFiles programFilesFor(const QString& appDir)
{
    ProgramDirInputs in;
    in.setvynHome = qEnvironmentVariable("SETVYN_HOME");
    in.executableDir = appDir;
    in.userDataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/setvyn");
    // The installed layout first; a portable copy holds its data beside the programs.
    in.productDirs = {QDir::cleanPath(appDir + QStringLiteral("/" SETVYN_DATA_FROM_BIN)), appDir};
    return resolveProgramFiles(in);
}

QString ExeDir()
{
    return programFiles().userDir;
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
