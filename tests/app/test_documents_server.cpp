// The passport of a configuration stored on a PostgreSQL server is the passport
// of the same configuration stored in a file: the documents read the current
// row as the program reads it from either engine.

#include "app/configdatabase.h"
#include "apptesting.h"
#include "documents/documentcommands.h"
#include "enginetesting.h"
#include "model/rowcodec.h"
#include "tests/documents/documentfixture.h"

using namespace vyn;
using namespace vyn::test;

namespace {

class RecordingOutput : public ReportOutput
{
public:
    QList<RenderedReport> shown;
    void present(const RenderedReport& r) override { shown << r; }
};

class DocumentsOnServer : public EngineTest
{
protected:
    // Stores the configuration into the database, reads the current row back and
    // makes its passport, as the passport button does.
    RenderedReport passportThrough(const QString& base, const ConfigRecord& rec)
    {
        const QDate today(2025, 3, 14);
        ConfigDatabase db;
        EXPECT_TRUE(db.Connect(base)) << db.lastError().toStdString();
        const SaveResult saved =
            saveRecord(rec, SaveContext{1, QDate(2004, 1, 1), today, QStringLiteral("PC\\ivan")},
                       kComma);
        EXPECT_TRUE(saved.failedGroups.isEmpty());
        EXPECT_TRUE(db.post(std::nullopt, [&](const StoredRow&) { return saved.row; }).ok);
        const StoredRow row = *db.currentRow();
        ConfigRecord loaded;
        loadRecord(row, loaded, LoadContext{generationOfRow(row), today, nullptr}, kComma);

        IniFile ini;
        ini.setText(QByteArray("[ВЭПС-ТИ]\nErrors=±1%\n"));
        const IniDocumentCatalogue catalogue(ini);
        FakeDialogs dialogs;
        TVynReport report;
        DeviceSession session;
        session.DeviceVersion = 4;
        session.IdentifiedSerial = rec.SNUM;
        RecordingOutput output;
        QTemporaryDir documents;
        const DocumentCommandContext ctx{report,
                                         session,
                                         DocumentSettings{},
                                         catalogue,
                                         dialogs,
                                         &output,
                                         QStringLiteral(SETVYN_BIN_DIR_PATH),
                                         documents.filePath(QStringLiteral("DBRepData.sqlite")),
                                         [&] { return DocumentSource{loaded, row}; },
                                         kComma,
                                         today};
        EXPECT_EQ(runPassportCommand(ctx), DocumentResult::Shown) << dialogs.messages().join("\n").toStdString();
        EXPECT_EQ(output.shown.size(), 1);
        return output.shown.value(0);
    }
};
INSTANTIATE_TEST_SUITE_P(Engines, DocumentsOnServer, ::testing::Values(SqlEngine::Postgres),
                         engineName);

} // namespace

TEST_P(DocumentsOnServer, ThePassportOfAServersRowIsThatOfTheSameRowInAFile)
{
    ConfigRecord rec = shapedRecord("04", "10");
    flowMeter(rec, 1);
    const RenderedReport fromServer = passportThrough(base(), rec);
    const RenderedReport fromFile = passportThrough(tempPath(QStringLiteral("file.sqlite")), rec);
    EXPECT_TRUE(fromServer.title.startsWith(QStringLiteral("Паспорт Винк-04-10")))
        << fromServer.title.toStdString();
    EXPECT_TRUE(fromServer.html.contains(QStringLiteral("ВЭПС-ТИ")));
    EXPECT_EQ(fromServer.title, fromFile.title);
    EXPECT_EQ(fromServer.html, fromFile.html);
}
