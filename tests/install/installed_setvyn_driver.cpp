// The windows of an installed setvyn, run by installed_program.sh as an ordinary
// user with an empty home: the program directory and the product data as the
// installed program resolves them from its bin directory ($SETVYN_INSTALLED_BIN).
// F1 opens the help, a configuration file is imported through the "Файл" menu
// into the user's database and exported again for the installed vyntool.

#include "app/configdatabase.h"
#include "app/programdir.h"
#include "app/windows/helpwindow.h"
#include "app/windows/mainwindow.h"
#include "app/windows/setvynapplication.h"
#include "tests/common/fakedialogs.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace vyn;

namespace {

QString env(const char* name)
{
    return qEnvironmentVariable(name);
}

QAction* action(MainWindow& form, const char* name)
{
    return form.findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

TEST(InstalledSetvyn, HelpImportAndExportInTheUsersDirectory)
{
    const QString bin = env("SETVYN_INSTALLED_BIN");
    if (bin.isEmpty())
        GTEST_SKIP() << "run by installed_program.sh";
    const QString exported = env("SETVYN_EXPORTED_CONFIG");
    const QString sample = env("SETVYN_SAMPLE_CONFIG");

    const ProgramFiles files = programFilesFor(bin);
    EXPECT_EQ(files.userDir, QDir::homePath() + QStringLiteral("/.local/share/setvyn/"));
    const QString data = QDir::cleanPath(bin + QStringLiteral("/../share/setvyn"));
    EXPECT_EQ(files.find(QStringLiteral("conf.dat")), data + QStringLiteral("/conf.dat"));

    test::FakeDialogs user;
    // The sample leaves fields open; the import goes ahead as "Ввод" would.
    for (int i = 0; i < 4; ++i)
        user.answers.enqueue(true);
    SetvynOptions o;
    o.exeDir = files.userDir;
    o.productDirs = files.productDirs;
    o.dialogs = &user;
    o.ports = [](QStringList& ports) { ports.clear(); };
    SetvynApplication program(o);
    ASSERT_TRUE(program.start()) << user.messages().join(QLatin1Char('\n')).toStdString();
    MainWindow& form = program.mainWindow();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_TRUE(form.helpWindow().isVisible()) << user.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(form.helpWindow().browser()->toPlainText().isEmpty());
    EXPECT_EQ(form.helpWindow().browser()->source().toLocalFile(),
              data + QStringLiteral("/help/setvyn.html"));
    form.helpWindow().close();

    user.openFileLists.enqueue({sample});
    action(form, "ImportConfig")->trigger();
    EXPECT_EQ(user.messages().value(0), QStringLiteral("Импортировано конфигураций: 1"));
    EXPECT_TRUE(program.database().path().startsWith(QDir::homePath() + QLatin1Char('/')))
        << program.database().path().toStdString();

    user.saveFiles.enqueue(exported);
    action(form, "ExportConfig")->trigger();
    EXPECT_TRUE(QFileInfo(exported).isFile());

    form.close();
    program.finish();
    EXPECT_TRUE(QFileInfo(files.userDir + QStringLiteral("setvyn.ini")).isFile());
}
