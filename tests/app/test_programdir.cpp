#include "app/programdir.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include <QFileInfo>

using namespace vyn;
using namespace vyn::test;

TEST(ExeDir, HomeVariableThenWritableProgramDirectoryThenSeededUserDirectory)
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("bin"));
    const QString share = root.filePath(QStringLiteral("share"));
    const QString user = root.filePath(QStringLiteral("user"));
    QDir().mkpath(program);
    QDir().mkpath(share);
    QDir().mkpath(user);
    writeAll(share + QStringLiteral("/conf.dat"), "shipped");
    writeAll(share + QStringLiteral("/rash.spe"), "shipped");
    writeAll(share + QStringLiteral("/setvyn"), "program");
    QFile::setPermissions(share + QStringLiteral("/setvyn"), QFile::ReadOwner | QFile::ExeOwner);
    writeAll(user + QStringLiteral("/rash.spe"), "the user's own");

    ProgramDirInputs in{root.filePath(QStringLiteral("home")), program, user, {share}};
    EXPECT_EQ(resolveExeDir(in), root.filePath(QStringLiteral("home/")));
    in.setvynHome.clear();
    EXPECT_EQ(resolveExeDir(in), program + QLatin1Char('/'));

    // An installed program: its directory is not one we may write to.
    in.executableDir = root.filePath(QStringLiteral("usr/bin"));
    EXPECT_EQ(resolveExeDir(in), user + QLatin1Char('/'));
    EXPECT_EQ(readAll(user + QStringLiteral("/conf.dat")), QByteArray("shipped"));
    EXPECT_EQ(readAll(user + QStringLiteral("/rash.spe")), QByteArray("the user's own"));
    EXPECT_FALSE(QFileInfo::exists(user + QStringLiteral("/setvyn")));
}

TEST(MyRemoveDir, RemovesTheTreeWithReadOnlyAndHiddenEntriesButNeverFollowsLinks)
{
    QTemporaryDir root;
    const QString outside = root.filePath(QStringLiteral("outside"));
    QDir().mkpath(outside);
    writeAll(outside + QStringLiteral("/keep.txt"), "keep");

    const QString dir = root.filePath(QStringLiteral("Vyn1234"));
    QDir().mkpath(dir + QStringLiteral("/sub/deeper"));
    writeAll(dir + QStringLiteral("/rash.ini"), "x");
    writeAll(dir + QStringLiteral("/.hidden"), "x");
    writeAll(dir + QStringLiteral("/sub/readonly.txt"), "x");
    writeAll(dir + QStringLiteral("/sub/deeper/file"), "x");
    QFile::setPermissions(dir + QStringLiteral("/sub/readonly.txt"), QFile::ReadOwner);
    QFile::setPermissions(dir + QStringLiteral("/sub/deeper"), QFile::ReadOwner | QFile::ExeOwner);
    QFile::link(outside, dir + QStringLiteral("/link-to-dir"));
    QFile::link(outside + QStringLiteral("/keep.txt"), dir + QStringLiteral("/link-to-file"));

    FakeDialogs dialogs;
    EXPECT_TRUE(MyRemoveDir(dir, dialogs));
    EXPECT_FALSE(QFileInfo::exists(dir));
    EXPECT_EQ(readAll(outside + QStringLiteral("/keep.txt")), QByteArray("keep"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    // Already gone is gone.
    EXPECT_TRUE(MyRemoveDir(dir, dialogs));
}
