// The program started with a server's URI as its database.

#include "apptesting.h"
#include "enginetesting.h"
#include "startfixture.h"

using namespace vyn;
using namespace vyn::test;

namespace {

class StartOnServer : public EngineTest
{
protected:
    StartFixture f;
    void setBaseName(const QString& baseName)
    {
        f.run(); // the first start writes its defaults
        IniFile ini = f.ini();
        ini.writeString(QStringLiteral("TForm1"), QStringLiteral("BaseName"), baseName);
        ASSERT_TRUE(ini.save());
        f.dialogs.shown.clear();
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, StartOnServer, ::testing::Values(SqlEngine::Postgres), engineName);

} // namespace

TEST_P(StartOnServer, TheServerIsOpenedAndStaysTheSetting)
{
    seed({listRow(QStringLiteral("1"), QDate(2020, 1, 1)),
          listRow(QStringLiteral("2"), QDate(2021, 1, 1))});
    setBaseName(base());
    ConfigDatabase db(ConfigDatabase::Options{100});
    ProgramStart start(f.inputs(), f.dialogs, db, f.session, f.conversion);
    start.startUp();
    EXPECT_TRUE(f.dialogs.shown.isEmpty());
    EXPECT_EQ(db.path(), base());
    EXPECT_EQ(db.engine(), SqlEngine::Postgres);
    EXPECT_EQ(db.RecNo(), 2);
    start.shutDown();
    EXPECT_EQ(f.value("TForm1", "BaseName"), base());
}

TEST_P(StartOnServer, AnUnreachableServerIsSaidAndTheProgramDirectorysFileOpenedMeanwhile)
{
    const QString nowhere = QStringLiteral("postgresql://tester@127.0.0.1:1/vyn");
    setBaseName(nowhere);
    const QString fallback = f.exe + QStringLiteral("MXVynBase.sqlite");
    f.run([&](ProgramStart&) {});
    ASSERT_EQ(f.dialogs.shown.size(), 1);
    EXPECT_TRUE(f.dialogs.shown[0].text.startsWith(
        QStringLiteral("Не удалось подключиться к базе данных %1: ").arg(nowhere)))
        << f.dialogs.shown[0].text.toStdString();
    EXPECT_TRUE(f.dialogs.shown[0].text.endsWith(QStringLiteral("\nОткрыта база %1.").arg(fallback)));
    EXPECT_EQ(f.dialogs.shown[0].text.count(nowhere), 1);
    // The next start tries the server again.
    EXPECT_EQ(f.value("TForm1", "BaseName"), nowhere);
}
