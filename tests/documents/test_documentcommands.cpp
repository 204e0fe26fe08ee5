// The document commands: the printing prerequisite, the engine started with the
// template, and the documents rendered by vyntool for a calculator on vynsim.

#include "documentfixture.h"

#include "documents/documentcommands.h"
#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace vyn::test {
namespace {

class RecordingOutput : public ReportOutput
{
public:
    QList<RenderedReport> shown;
    void present(const RenderedReport& r) override { shown << r; }
};

class CommandTest : public DocumentTest
{
protected:
    ConfigRecord rec = shapedRecord("04", "10");
    DeviceSession session;
    RecordingOutput output;

    DocumentCommandContext context(ReportOutput* out)
    {
        return {report,
                session,
                settings,
                catalogue,
                dialogs,
                out,
                QStringLiteral(SETVYN_BIN_DIR_PATH),
                db.path(),
                [this] { return DocumentSource{rec, row}; },
                kComma,
                QDate(2025, 3, 14)};
    }
};

TEST_F(CommandTest, DocumentsNeedTheIdentifiedCalculatorOfTheEditorsSerial)
{
    struct Case
    {
        int version;
        const char* serial;
    } cases[] = {{0, "12345678"}, {4, "87654321"}, {0, ""}};
    for (const Case& c : cases) {
        session.DeviceVersion = c.version;
        session.IdentifiedSerial = QString::fromLatin1(c.serial);
        dialogs.shown.clear();
        EXPECT_EQ(runPassportCommand(context(&output)), DocumentResult::Refused);
        EXPECT_EQ(runCardCommand(context(&output)), DocumentResult::Refused);
        EXPECT_EQ(dialogs.messages(),
                  (QStringList{"Печать возможна только для подключенного прибора!",
                               "Печать возможна только для подключенного прибора!"}));
    }
    EXPECT_FALSE(QFile::exists(db.path())) << "no table is touched";
    EXPECT_TRUE(output.shown.isEmpty());
}

TEST_F(CommandTest, IdentifiedCalculatorGetsBothDocuments)
{
    session.DeviceVersion = 4;
    session.IdentifiedSerial = rec.SNUM;
    row.setValue(QStringLiteral("TYPE_VYN"), QStringLiteral("04"));
    setCatalogue("[ВЭПС-ТИ]\nErrors=±1%\n");
    flowMeter(rec, 1);
    EXPECT_EQ(runPassportCommand(context(&output)), DocumentResult::Shown);
    EXPECT_EQ(runCardCommand(context(&output)), DocumentResult::Shown);
    ASSERT_EQ(output.shown.size(), 2);
    EXPECT_TRUE(output.shown[0].title.startsWith("Паспорт Винк-04-10"));
    EXPECT_TRUE(output.shown[0].html.contains("ВЭПС-ТИ"));
    EXPECT_TRUE(output.shown[1].title.startsWith("Карта программирования Вычислитель ВИНК-04 -10"));
    EXPECT_TRUE(output.shown[1].html.contains("FS - группа параметров"));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(CommandTest, RefreshFailureEndsSilentlyAndDatabaseFailureIsReported)
{
    session.DeviceVersion = 4;
    session.IdentifiedSerial = rec.SNUM;
    DocumentCommandContext ctx = context(&output);
    ctx.refresh = []() -> DocumentSource { throw std::runtime_error("row gone"); };
    EXPECT_EQ(runPassportCommand(ctx), DocumentResult::NotRefreshed);
    EXPECT_TRUE(dialogs.shown.isEmpty());

    DocumentCommandContext broken = context(&output);
    broken.databasePath = dir.filePath(QStringLiteral("no/such/dir/DBRepData.sqlite"));
    EXPECT_EQ(runCardCommand(broken), DocumentResult::Failed);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_EQ(dialogs.shown.first().messageKind, MessageKind::Error);
    EXPECT_TRUE(output.shown.isEmpty());
}

// A template chooses tables by name; only the document tables may be read.
TEST_F(CommandTest, TemplateTablesAreOnlyTheDocumentTables)
{
    db.open();
    db.CreatePassportTables();
    db.close();
    struct Case
    {
        const char* head;
        const char* refused; // the name the message must give; null: rendered
    };
    for (const Case& c : {
             Case{R"(<meta name="vyn-tables" content="applicprop">)", nullptr},
             Case{R"(<meta name="vyn-tables" content="ApplicProp sqlite_master">)", "sqlite_master"},
             Case{R"(<meta name="vyn-tables" content="ApplicProp]">)", "ApplicProp]"},
             Case{R"(<meta name="vyn-tables" content="ApplicProp">)"
                  R"(<meta name="vyn-group" content="x];DROP:PName">)",
                  "x];DROP"},
         }) {
        const QString path = dir.filePath(QStringLiteral("t.html"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("<html><head><title>T</title>") + c.head + "</head><body>{{Today}}</body></html>");
        f.close();
        ReportEngine engine(db.path(), {}, output);
        engine.LoadReportFromFile(path);
        if (!c.refused) {
            EXPECT_NO_THROW(engine.render()) << c.head;
            continue;
        }
        try {
            engine.render();
            ADD_FAILURE() << "rendered: " << c.head;
        } catch (const ReportError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.refused))) << e.message().toStdString();
        }
    }
    db.open();
    EXPECT_EQ(db.read(QStringLiteral("ApplicProp")).rows.size(), 1);
    EXPECT_THROW(db.read(QStringLiteral("sqlite_master")), DocumentDatabaseError);
    db.close();
}

// --- vyntool against vynsim ----------------------------------------------------

struct Tool
{
    int exitCode = -1;
    QString err;
};

Tool vyntool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VYNTOOL_PATH), args);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

QString pdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

class VyntoolDocumentTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString config = dir.filePath(QStringLiteral("config.json"));

    void SetUp() override
    {
        QFile f(config);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({
  "SNUM": "12345678", "DATE": "2025-03-14", "TYPE_VYN": "04", "CXEMA": "10",
  "RASH": "ВЭПС-ТИ|ВЭПС-ТИ|||", "DU": "50|50|||", "FNOM": "36|36|||",
  "FIMP": "10|10|||", "FMIN": "0,36|0,36|||", "FMAX": "36|36|||",
  "SERNR": "1021|1022|||", "ISTPITRASX": "Сетевой|Сетевой|||",
  "TYPTERM": "КТПТР-01|КТПТР-01|||", "R0": "100|100|||", "WKL": "1,391|1,391|||",
  "KLASS": "A|A|||", "LPOG": "80|80|||", "SERNT": "31|32|||", "TMIN": "0|0|||",
  "TMAX": "150|150|||", "P": "6,118|4,079|||",
  "MANOMETR": "КРТ-5|КРТ-5||", "M_PMIN": "0|0||", "M_PMAX": "16,315|16,315||",
  "M_SERNUM": "551|552||", "MANUSINGTYPE": "no", "ADAPTERTYPE": "connected|1",
  "ARHSET": "monthclear|control", "LIGTHSET": "off", "FLOWARHSET": "Объём|Объём|||",
  "DSTART": 1, "PITVYN": false, "DeviceSoftData": "2015-03-01"
})");
        QFile cat(dir.filePath(QStringLiteral("catalogue.ini")));
        ASSERT_TRUE(cat.open(QIODevice::WriteOnly));
        cat.write("[КТПТР-01]\nKomplekt=1\nErrorClass=A\n[ВЭПС-ТИ]\nErrors=+1%\nInterval=4 года\n"
                  "[КРТ-5]\nErrorClass=0,5\n");
    }

    // A calculator of the newest model with the given serial.
    std::unique_ptr<vyntest::SimProcess> calculator(const char* serial = "12345678")
    {
        auto sim = std::make_unique<vyntest::SimProcess>(
            QStringList{QStringLiteral("--new-type"), QStringLiteral("--serial"),
                        QString::fromLatin1(serial), QStringLiteral("--idle-exit"),
                        QStringLiteral("30")});
        EXPECT_TRUE(sim->started()) << sim->error().toStdString();
        return sim;
    }

    QStringList common(const vyntest::SimProcess& sim)
    {
        return {QStringLiteral("--config"), config, QStringLiteral("--port"), sim.path(),
                QStringLiteral("--fast"), QStringLiteral("--db"),
                dir.filePath(QStringLiteral("DBRepData.sqlite")), QStringLiteral("--catalogue"),
                dir.filePath(QStringLiteral("catalogue.ini"))};
    }
};

TEST_F(VyntoolDocumentTest, PassportAndCardAsPdf)
{
    auto sim = calculator();
    const QString passport = dir.filePath(QStringLiteral("passport.pdf"));
    Tool t = vyntool(QStringList{QStringLiteral("passport")} + common(*sim) +
                     QStringList{QStringLiteral("--pdf"), passport});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    const QString text = pdfText(passport);
    EXPECT_TRUE(text.contains("ПАСПОРТ")) << text.toStdString();
    EXPECT_TRUE(text.contains("Винк-04-10-t80-2E(50), зав. № 12345678")) << text.toStdString();
    EXPECT_TRUE(text.contains("±(0,4+0,002*t)")) << text.toStdString();
    EXPECT_TRUE(text.contains("Страница 1 из")) << text.toStdString();

    const QString card = dir.filePath(QStringLiteral("card.pdf"));
    t = vyntool(QStringList{QStringLiteral("card")} + common(*sim) +
                QStringList{QStringLiteral("--pdf"), card});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    const QString cardText = pdfText(card);
    EXPECT_TRUE(cardText.contains("КАРТА ПРОГРАММИРОВАНИЯ")) << cardText.toStdString();
    EXPECT_TRUE(cardText.contains("Вычислитель ВИНК-04 -10")) << cardText.toStdString();
    EXPECT_TRUE(cardText.contains("VYN-10")) << cardText.toStdString();
}

TEST_F(VyntoolDocumentTest, TablesAsJsonAndTheOtherCalculatorRefused)
{
    auto sim = calculator();
    const QString json = dir.filePath(QStringLiteral("tables.json"));
    Tool t = vyntool(QStringList{QStringLiteral("passport")} + common(*sim) +
                     QStringList{QStringLiteral("--tables-json"), json});
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    QFile f(json);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QJsonObject tables = QJsonDocument::fromJson(f.readAll()).object();
    EXPECT_EQ(tables.keys(), (QStringList{"ApplicPart1", "ApplicProp", "ApplicTable1",
                                          "ApplicTable2", "ApplicTable3"}));
    const QJsonArray measured = tables.value("ApplicTable1").toArray();
    ASSERT_EQ(measured.size(), 20);
    EXPECT_EQ(measured.at(0).toObject().value("PCode").toInt(), 0);
    EXPECT_EQ(measured.at(0).toObject().value("PName").toString(), "Q1/");
    EXPECT_EQ(measured.at(0).toObject().value("Pogr").toString(), "класс 1");
    // 16,315 kgf/cm² stored is 1,600 МПа; version 5 shows MPa alone.
    EXPECT_EQ(measured.at(6).toObject().value("PName").toString(), "P1/");
    EXPECT_EQ(measured.at(6).toObject().value("PMax").toString(), "1,600 МПа");

    auto other = calculator("87654321");
    t = vyntool(QStringList{QStringLiteral("card")} + common(*other) +
                QStringList{QStringLiteral("--tables-json"), json});
    EXPECT_EQ(t.exitCode, 1);
    EXPECT_TRUE(t.err.contains("Печать возможна только для подключенного прибора!"))
        << t.err.toStdString();
}

} // namespace
} // namespace vyn::test
