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
#include <QRegularExpression>

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

    // The editor's calculator identified, a generation-04 row, one flow meter
    // that the catalogue knows.
    void identifiedCalculatorWithAFlowMeter()
    {
        session.DeviceVersion = 4;
        session.IdentifiedSerial = rec.SNUM;
        row.setValue(QStringLiteral("TYPE_VYN"), QStringLiteral("04"));
        setCatalogue("[ВЭПС-ТИ]\nErrors=±1%\n");
        flowMeter(rec, 1);
    }

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
    identifiedCalculatorWithAFlowMeter();
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

// A partial ({{> name}}) is the file of that name: a user's directory first,
// then beside the template, then the built-in copy of a shipped one.
TEST_F(CommandTest, TemplatePartialsAreFoundWhereTheUserExpectsThem)
{
    const QString userDir = dir.filePath(QStringLiteral("user"));
    const QString templateDir = dir.filePath(QStringLiteral("templates"));
    ASSERT_TRUE(QDir().mkpath(userDir) && QDir().mkpath(templateDir));
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    struct Case
    {
        const char* name;
        const char* style;      // the template's <style>
        const char* besideTemplate; // VynDocumentStyle.css beside the template, if any
        const char* inUserDir;  // VynDocumentStyle.css in the user's directory, if any
        const char* expected;   // in the rendered style; null: refused
        const char* message;    // the refusal's message
    };
    const Case cases[] = {
        {"no partial", "p { x: 1; }", nullptr, nullptr, "<style>p { x: 1; }</style>", nullptr},
        {"built-in copy", "{{> VynDocumentStyle.css}}", nullptr, nullptr,
         "table.grid th { background-color: #e6e6e6;", nullptr},
        {"beside the template", "{{> VynDocumentStyle.css}}", "b { beside: 1; }", nullptr,
         "<style>b { beside: 1; }</style>", nullptr},
        {"user's copy first", "{{> VynDocumentStyle.css}}", "b { beside: 1; }", "u { user: 1; }",
         "<style>u { user: 1; }</style>", nullptr},
        {"unknown partial", "{{> VynOther.css}}", nullptr, nullptr, nullptr,
         "Не найден фрагмент шаблона VynOther.css, который использует t.html"},
        {"outside the directories", "{{> ../user/VynDocumentStyle.css}}", nullptr, "u { user: 1; }",
         nullptr, "Не найден фрагмент шаблона ../user/VynDocumentStyle.css, который использует t.html"},
        {"including itself", "{{> VynDocumentStyle.css}}", "{{> VynDocumentStyle.css}}", nullptr,
         nullptr, "Фрагмент шаблона VynDocumentStyle.css включает сам себя"},
    };
    db.open();
    db.CreatePassportTables();
    db.close();
    for (const Case& c : cases) {
        for (const QString& d : {templateDir, userDir})
            QFile::remove(QDir(d).filePath(QStringLiteral("VynDocumentStyle.css")));
        if (c.besideTemplate)
            write(QDir(templateDir).filePath(QStringLiteral("VynDocumentStyle.css")), c.besideTemplate);
        if (c.inUserDir)
            write(QDir(userDir).filePath(QStringLiteral("VynDocumentStyle.css")), c.inUserDir);
        const QString path = QDir(templateDir).filePath(QStringLiteral("t.html"));
        write(path, QByteArray("<html><head><title>T</title><style>") + c.style +
                        "</style></head><body>{{Today}}</body></html>");
        ReportEngine engine(db.path(), {}, output);
        engine.setPartialDirs({userDir});
        if (c.expected) {
            engine.LoadReportFromFile(path);
            EXPECT_TRUE(engine.render().html.contains(QString::fromUtf8(c.expected)))
                << c.name << ": " << engine.render().html.toStdString();
            continue;
        }
        try {
            engine.LoadReportFromFile(path);
            ADD_FAILURE() << "loaded: " << c.name;
        } catch (const ReportError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message)) << c.name;
        }
    }
}

// The shipped templates render as a user's older copy does, with the shared
// style written out in place of the partial.
TEST_F(CommandTest, ShippedTemplatesRenderAsTheirCopiesWithTheStyleWrittenOut)
{
    identifiedCalculatorWithAFlowMeter();
    const QDir bin(QStringLiteral(SETVYN_BIN_DIR_PATH));
    QFile style(bin.filePath(QStringLiteral("VynDocumentStyle.css")));
    ASSERT_TRUE(style.open(QIODevice::ReadOnly));
    const QByteArray shared = style.readAll();
    ASSERT_TRUE(shared.contains(".firmname {"));

    const QString home = dir.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    // A program run from the build folder leaves its firm details there.
    if (bin.exists(QStringLiteral("firm.ini"))) {
        ASSERT_TRUE(QFile::copy(bin.filePath(QStringLiteral("firm.ini")),
                                QDir(home).filePath(QStringLiteral("firm.ini"))));
    }
    for (const char* name : {"VynApplication.html", "VynCardProg.html"}) {
        QFile shipped(bin.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        QByteArray text = shipped.readAll();
        ASSERT_TRUE(text.contains("{{> VynDocumentStyle.css}}\n")) << name;
        text.replace("{{> VynDocumentStyle.css}}\n", shared);
        QFile copy(QDir(home).filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
        copy.write(text);
    }
    EXPECT_EQ(runPassportCommand(context(&output)), DocumentResult::Shown);
    EXPECT_EQ(runCardCommand(context(&output)), DocumentResult::Shown);
    DocumentCommandContext own = context(&output);
    own.programDir = home;
    EXPECT_EQ(runPassportCommand(own), DocumentResult::Shown);
    EXPECT_EQ(runCardCommand(own), DocumentResult::Shown);
    ASSERT_EQ(output.shown.size(), 4);
    EXPECT_EQ(output.shown[2].html, output.shown[0].html);
    EXPECT_EQ(output.shown[3].html, output.shown[1].html);
    EXPECT_TRUE(output.shown[0].html.contains("  .firmname { font-size: 11pt; font-weight: bold; }\n"));
    EXPECT_TRUE(dialogs.shown.isEmpty()) << dialogs.messages().join('|').toStdString();
}

// --- vyntool against vynsim ----------------------------------------------------

struct Tool
{
    int exitCode = -1;
    QString err;
    QString out;
};

// vyntool with what the user types on stdin; home: its program directory
// ($SETVYN_HOME), else the build's.
Tool vyntool(const QStringList& args, const QByteArray& input = {}, const QString& home = {})
{
    QProcess p;
    if (!home.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SETVYN_HOME"), home);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(VYNTOOL_PATH), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError()), QString::fromUtf8(p.readAllStandardOutput())};
}

QJsonObject readJson(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
}

// The values of one column of a table of the JSON tables.
QStringList jsonColumn(const QJsonObject& tables, const char* table, const char* column)
{
    QStringList out;
    for (const QJsonValue& row : tables.value(QLatin1String(table)).toArray())
        out << row.toObject().value(QLatin1String(column)).toVariant().toString();
    return out;
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

    // command for the calculator on sim, from the program directory's catalogue,
    // writing the document where the output option says.
    QStringList onLine(const QString& command, const vyntest::SimProcess& sim,
                       const QString& outputOption, const QString& output) const
    {
        return {command, QStringLiteral("--config"), config, QStringLiteral("--port"), sim.path(),
                QStringLiteral("--fast"), QStringLiteral("--db"),
                dir.filePath(QStringLiteral("DBRepData.sqlite")), outputOption, output};
    }

    // A program directory with the build's templates and packed catalogue.
    QString programDirectory(const char* name = "home")
    {
        const QString home = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(QDir().mkpath(home));
        const QDir bin(QStringLiteral(SETVYN_BIN_DIR_PATH));
        for (const char* f : {"VynApplication.html", "VynCardProg.html", "rash.spe"})
            EXPECT_TRUE(QFile::copy(bin.filePath(QString::fromLatin1(f)),
                                    QDir(home).filePath(QString::fromLatin1(f))))
                << f;
        return home;
    }

    void writeConfig(const QByteArray& json)
    {
        QFile f(config);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
    }

    // The heat system of SetUp with the catalogue's own instrument names, and a
    // water meter and an electricity meter beside it (scheme 17, which the
    // serial allows).
    static QByteArray catalogueConfig()
    {
        return R"({
  "SNUM": "12342678", "DATE": "2025-03-14", "TYPE_VYN": "04", "CXEMA": "17",
  "RASH": "ВЭПС-Т(И)|ВЭПС-Т(И)|ВСХд|Меркурий 230|", "DU": "50|50|15||",
  "FNOM": "36|36|3||", "FIMP": "10|10|1|1000|", "FMIN": "0,36|0,36|0,03||",
  "FMAX": "36|36|3|15|", "SERNR": "1021|1022|77|0815|",
  "ISTPITRASX": "Сетевой|Сетевой|Автономный|C1+C2|",
  "TYPTERM": "КТПТР-01|КТПТР-01|||", "R0": "100|100|||", "WKL": "1,391|1,391|||",
  "KLASS": "A|A|||", "LPOG": "80|80|||", "SERNT": "31|32|||", "TMIN": "0|0|||",
  "TMAX": "150|150|||", "P": "6,118|4,079|||",
  "MANOMETR": "КРТ-5|КРТ-5||", "M_PMIN": "0|0||", "M_PMAX": "16,315|16,315||",
  "M_SERNUM": "551|552||", "MANUSINGTYPE": "no", "ADAPTERTYPE": "connected|1",
  "ARHSET": "monthclear|control", "LIGTHSET": "off", "FLOWARHSET": "Объём|Объём|Объём||",
  "TYPE_ELECT": true, "NUM_TAR_EL": 2, "CONST_ELEC": 1000, "MAX_ELEC": 15,
  "DSTART": 1, "PITVYN": false, "DeviceSoftData": "2015-03-01"
})";
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

TEST_F(VyntoolDocumentTest, TheProgramDirectorysPackedCatalogueIsTheDefault)
{
    writeConfig(catalogueConfig());
    const QString home = programDirectory();
    auto sim = calculator("12342678");
    const QString json = dir.filePath(QStringLiteral("tables.json"));
    const QStringList base =
        onLine(QStringLiteral("passport"), *sim, QStringLiteral("--tables-json"), json);
    // Without --catalogue, and with the packed file named: the same passport.
    for (const QStringList& extra :
         {QStringList{}, QStringList{QStringLiteral("--catalogue"), QDir(home).filePath("rash.spe")}}) {
        QFile::remove(json);
        const Tool t = vyntool(base + extra, {}, home);
        ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
        EXPECT_FALSE(t.err.contains("Введите")) << t.err.toStdString(); // nothing asked
        const QJsonObject tables = readJson(json);
        EXPECT_EQ(jsonColumn(tables, "ApplicProp", "VynName"),
                  QStringList{"Винк-04-17-t80-2E(50), зав. № 12342678"});
        const QStringList names = jsonColumn(tables, "ApplicTable3", "PName");
        const QStringList intervals = jsonColumn(tables, "ApplicTable3", "PPov");
        ASSERT_EQ(names.size(), 7); // the thermometer pair is one item
        EXPECT_EQ(names.mid(0, 4), (QStringList{"ВЭПС-Т(И)", "ВЭПС-Т(И)", "ВСХд", "Меркурий 230"}));
        EXPECT_EQ(intervals.mid(0, 4), (QStringList{"4 года", "4 года", "6 лет", "10 лет"}));
        EXPECT_FALSE(intervals.contains(QString()));
        // The catalogue names the fourth meter an electricity meter: the C row.
        EXPECT_TRUE(jsonColumn(tables, "ApplicTable1", "PName").contains("C1,C2,C3"));
        EXPECT_TRUE(jsonColumn(tables, "ApplicTable1", "Pogr").contains("0,5S"));
    }
    // A catalogue that is not readable is refused, not read as empty.
    const Tool bad = vyntool(base + QStringList{QStringLiteral("--catalogue"),
                                                dir.filePath(QStringLiteral("none.spe"))},
                             {}, home);
    EXPECT_NE(bad.exitCode, 0);
}

TEST_F(VyntoolDocumentTest, TheCardHasTheElectricityRowTheCatalogueNames)
{
    writeConfig(catalogueConfig());
    const QString home = programDirectory();
    QFile alt(dir.filePath(QStringLiteral("days.alt")));
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write(QByteArray(62, '\0'));
    alt.close();
    auto sim = calculator("12342678");
    const QString json = dir.filePath(QStringLiteral("card.json"));
    const Tool t = vyntool(onLine(QStringLiteral("card"), *sim, QStringLiteral("--tables-json"), json) +
                               QStringList{QStringLiteral("--alt"), alt.fileName()},
                           {}, home);
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    const QJsonObject tables = readJson(json);
    const QStringList names = jsonColumn(tables, "TListElectroParam", "ParamName");
    const QStringList values = jsonColumn(tables, "TListElectroParam", "ParamValue");
    ASSERT_TRUE(names.contains("C"));
    EXPECT_EQ(values.at(names.indexOf("C")), "1000 ");
    // The electricity meter is no flow channel of the designation list.
    EXPECT_FALSE(jsonColumn(tables, "TParamDescr", "ParamName").contains("C"));
}

TEST_F(VyntoolDocumentTest, PipedAnswersAreAllUsed)
{
    QFile cat(dir.filePath(QStringLiteral("catalogue.ini")));
    ASSERT_TRUE(cat.open(QIODevice::WriteOnly | QIODevice::Truncate));
    cat.write("[КТПТР-01]\nKomplekt=1\n"); // no error values at all
    cat.close();
    auto sim = calculator();
    const QString json = dir.filePath(QStringLiteral("tables.json"));
    const Tool t = vyntool(QStringList{QStringLiteral("passport")} + common(*sim) +
                               QStringList{QStringLiteral("--tables-json"), json},
                           "+3%\n±4%\n");
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_EQ(t.err.count("Введите значение погрешности для расходомера ВЭПС-ТИ"), 2);
    EXPECT_EQ(t.err.count("Введите класс точнисти ИПД КРТ-5"), 2);
    const QJsonObject tables = readJson(json);
    const QStringList names = jsonColumn(tables, "ApplicTable1", "PName");
    const QStringList errors = jsonColumn(tables, "ApplicTable1", "Pogr");
    // Both answers, in the order asked; the input then ends: the offered value.
    EXPECT_EQ(errors.at(names.indexOf("V1/")), "±3%");
    EXPECT_EQ(errors.at(names.indexOf("V1\\")), "±4%");
    EXPECT_EQ(errors.at(names.indexOf("P1/")), "0,5");
    EXPECT_EQ(errors.at(names.indexOf("P1\\")), "0,5");
}

TEST_F(VyntoolDocumentTest, NoCalculatorOnTheLineIsRefusedAndNothingWritten)
{
    const QString pdf = dir.filePath(QStringLiteral("passport.pdf"));
    for (const char* command : {"passport", "card"}) {
        const Tool t = vyntool({QString::fromLatin1(command), QStringLiteral("--config"), config,
                                QStringLiteral("--port"), dir.filePath(QStringLiteral("no-such-port")),
                                QStringLiteral("--fast"), QStringLiteral("--db"),
                                dir.filePath(QStringLiteral("DBRepData.sqlite")),
                                QStringLiteral("--pdf"), pdf});
        EXPECT_NE(t.exitCode, 0) << command;
        const qsizetype port = t.err.indexOf("не доступен");
        const qsizetype refusal = t.err.indexOf("Печать возможна только для подключенного прибора!");
        EXPECT_GE(port, 0) << t.err.toStdString();
        EXPECT_GT(refusal, port) << t.err.toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("DBRepData.sqlite"))));
    }
}

TEST_F(VyntoolDocumentTest, HelpListsTheOptionsOfItsOwnDocumentReadably)
{
    const Tool passport = vyntool({QStringLiteral("passport"), QStringLiteral("--help")});
    const Tool card = vyntool({QStringLiteral("card"), QStringLiteral("--help")});
    for (const Tool* t : {&passport, &card}) {
        const QString help = (t->out + t->err).simplified(); // help lines are wrapped
        EXPECT_TRUE(help.contains("Печатать серийные номера в карте программирования"))
            << help.toStdString();
        EXPECT_TRUE(help.contains("--catalogue"));
        EXPECT_TRUE(help.contains("rash.spe"));
    }
    const QString p = passport.out + passport.err, c = card.out + card.err;
    for (const char* option : {"--print-for", "--min-flow", "--defaults"}) {
        EXPECT_TRUE(p.contains(option)) << option;
        EXPECT_FALSE(c.contains(option)) << option;
    }
    for (const char* option : {"--alt", "--dst"}) {
        EXPECT_FALSE(p.contains(option)) << option;
        EXPECT_TRUE(c.contains(option)) << option;
    }
}

TEST_F(VyntoolDocumentTest, FirmDetailsFromTheProgramDirectoryOrNoFirmBlock)
{
    writeConfig(catalogueConfig());
    const QString home = programDirectory();
    auto sim = calculator("12342678");
    const QString pdf = dir.filePath(QStringLiteral("passport.pdf"));
    const QStringList args = onLine(QStringLiteral("passport"), *sim, QStringLiteral("--pdf"), pdf);
    Tool t = vyntool(args, {}, home);
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_TRUE(t.err.contains("Реквизиты организации не заполнены")) << t.err.toStdString();
    QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("ПАСПОРТ"));
    for (const char* placeholder : {"тел.:", "e-mail:", "firm.ini", "example", "Название фирмы"})
        EXPECT_FALSE(text.contains(placeholder)) << placeholder << text.toStdString();

    FirmDetails firm{QStringLiteral("ООО «Теплоучёт»"), QStringLiteral("620000, г. Екатеринбург"),
                     QStringLiteral("+7 343 000-00-01"), QStringLiteral("service@teplo.example"), {}};
    ASSERT_TRUE(writeFirmDetails(QDir(home).filePath(firmDetailsFileName()), firm));
    t = vyntool(args, {}, home);
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_FALSE(t.err.contains("Реквизиты организации не заполнены"));
    text = pdfText(pdf);
    for (const QString& v : {firm.name, firm.address, QStringLiteral("тел.: ") + firm.phone,
                             QStringLiteral("e-mail: ") + firm.email,
                             QStringLiteral("Представитель ") + firm.name})
        EXPECT_TRUE(text.contains(v)) << v.toStdString() << text.toStdString();
}

// The text of each page of a PDF, without the page number line.
QStringList pdfPages(const QString& pdf)
{
    QStringList pages;
    for (int page = 1;; ++page) {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-f"),
                                              QString::number(page), QStringLiteral("-l"),
                                              QString::number(page), pdf, QStringLiteral("-")});
        p.waitForFinished(30000);
        if (p.exitCode() != 0 || page > 50)
            break;
        pages << QString::fromUtf8(p.readAllStandardOutput());
    }
    return pages;
}

TEST_F(VyntoolDocumentTest, LongDocumentsBreakPagesWithoutLoneHeadingsOrLostLines)
{
    // The demo's heat system with a water and an electricity meter: both
    // documents run over more than one page.
    writeConfig(R"({
  "SNUM": "12345678", "DATE": "2016-11-08", "TYPE_VYN": "04", "CXEMA": "15",
  "RASH": "ВЭПС-Т(И)|ВЭПС-Т(И)|ВСХд|СЭТ-4ТМ.03М|", "DU": "50|50|15||", "FNOM": "36|36|3||",
  "FIMP": "10|10|1|1000|", "FMIN": "0,36|0,36|0,03||", "FMAX": "36|36|3|15|",
  "SERNR": "1021|1022|77|0815|", "ISTPITRASX": "Сетевой|Сетевой|Автономный|C1+C2|",
  "TYPTERM": "КТПТР-01|КТПТР-01|||", "R0": "100|100|||", "WKL": "1,391|1,391|||",
  "KLASS": "B|B|||", "LPOG": "80|80|||", "SERNT": "31|32|||", "TMIN": "0|0|||",
  "TMAX": "150|150|||", "P": "6,118|4,079|||", "DSTART": 1, "PITVYN": false,
  "DATEL": "2000-05-15", "DATEZ": "2000-10-15", "TXIZ": 5, "TXIL": 15, "PXI": 1,
  "TYPE_ELECT": true, "NUM_TAR_EL": 3, "CONST_ELEC": 1000, "MAX_ELEC": 15, "TAR_ZON_EL": 2,
  "MANUSINGTYPE": "no", "ADAPTERTYPE": "connected|1", "ARHSET": "monthclear|control",
  "LIGTHSET": "off", "FLOWARHSET": "Масса|Масса|Объём||", "DeviceSoftData": "2015-03-01"
})");
    const QString home = programDirectory();
    QFile alt(dir.filePath(QStringLiteral("days.alt")));
    ASSERT_TRUE(alt.open(QIODevice::WriteOnly));
    alt.write(QByteArray::fromHex("0101" "0785") + QByteArray(58, '\0'));
    alt.close();
    auto sim = calculator();
    const QRegularExpression heading(QStringLiteral(
        "^(\\d+\\. (Общие сведения|Измеряемые параметры|Обозначения измеряемых величин|"
        "Настройки|Комплектность|Свидетельство о конфигурировании|Состав комплекса|"
        "Параметры, вводимые|Учет электроэнергии|Обозначения каналов).*|Таблица \\d+)$"));
    const struct
    {
        QStringList args;
        QStringList mustHave; // the last lines of the document survive the breaks
    } documents[] = {
        {{QStringLiteral("passport"), QStringLiteral("--print-for"), QStringLiteral("calculator")},
         {"6. Свидетельство о конфигурировании", "М. П.", "Вычислитель количества теплоты «ВИНК»"}},
        {{QStringLiteral("card"), QStringLiteral("--alt"), alt.fileName()},
         {"Обозначения каналов", "Карту составил"}},
    };
    for (const auto& d : documents) {
        SCOPED_TRACE(d.args.first().toStdString());
        const QString pdf = dir.filePath(d.args.first() + QStringLiteral(".pdf"));
        const Tool t = vyntool(onLine(d.args.first(), *sim, QStringLiteral("--pdf"), pdf) +
                                   d.args.mid(1),
                               {}, home);
        ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
        const QStringList pages = pdfPages(pdf);
        ASSERT_GE(pages.size(), 2);
        for (int p = 0; p < pages.size(); ++p) {
            QStringList lines;
            for (const QString& l : pages[p].split(QLatin1Char('\n')))
                if (!l.trimmed().isEmpty() && !l.contains(QStringLiteral("Страница")))
                    lines << l.trimmed();
            ASSERT_FALSE(lines.isEmpty()) << p;
            EXPECT_FALSE(heading.match(lines.last()).hasMatch())
                << "page " << p + 1 << " ends with " << lines.last().toStdString();
        }
        const QString all = pages.join(QLatin1Char('\n'));
        for (const QString& line : d.mustHave)
            EXPECT_TRUE(all.contains(line)) << line.toStdString() << all.toStdString();
        EXPECT_FALSE(all.contains(QStringLiteral("Вычислитель на базе вычислителя")));
    }
}

} // namespace
} // namespace vyn::test
