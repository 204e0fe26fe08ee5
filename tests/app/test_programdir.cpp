#include "app/programdir.h"
#include "apptesting.h"

#include "tests/common/fakedialogs.h"

#include <QFileInfo>

using namespace vyn;
using namespace vyn::test;

TEST(ProgramFiles, HomeVariableThenWritableProgramDirectoryThenUserDirectoryOverInstalledData)
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("bin"));
    const QString share = root.filePath(QStringLiteral("share"));
    const QString user = root.filePath(QStringLiteral("user"));
    QDir().mkpath(program);
    QDir().mkpath(share + QStringLiteral("/help"));
    writeAll(share + QStringLiteral("/conf.dat"), "shipped");
    writeAll(share + QStringLiteral("/rash.spe"), "shipped");
    writeAll(share + QStringLiteral("/help/setvyn.html"), "shipped");

    ProgramDirInputs in{root.filePath(QStringLiteral("home")), program, user, {share}};
    // $SETVYN_HOME is the whole program directory, product data included.
    ProgramFiles files = resolveProgramFiles(in);
    EXPECT_EQ(files.userDir, root.filePath(QStringLiteral("home/")));
    EXPECT_EQ(files.find(QStringLiteral("conf.dat")), root.filePath(QStringLiteral("home/conf.dat")));

    in.setvynHome.clear();
    files = resolveProgramFiles(in);
    EXPECT_EQ(files.userDir, program + QLatin1Char('/'));
    EXPECT_EQ(files.find(QStringLiteral("conf.dat")), share + QStringLiteral("/conf.dat"));

    // An installed program: its directory is not one we may write to. The user's
    // directory is made, nothing is copied into it, and a user's copy of a
    // product file wins over the installed one.
    in.executableDir = root.filePath(QStringLiteral("usr/bin"));
    files = resolveProgramFiles(in);
    EXPECT_EQ(files.userDir, user + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(user).isDir());
    EXPECT_TRUE(QDir(user).isEmpty());
    writeAll(user + QStringLiteral("/rash.spe"), "the user's own");
    const struct
    {
        const char* name;
        QString expected;
    } cases[] = {
        {"conf.dat", share + QStringLiteral("/conf.dat")},
        {"rash.spe", user + QStringLiteral("/rash.spe")},
        {"help/setvyn.html", share + QStringLiteral("/help/setvyn.html")},
        // Found nowhere: named where the user may put it.
        {"prg.vyn", user + QStringLiteral("/prg.vyn")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files.find(QString::fromLatin1(c.name)), c.expected) << c.name;
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
