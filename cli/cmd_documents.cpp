// vyntool passport and vyntool card: the documents of a configuration file for
// the calculator on a port, as the program builds them, written as a PDF or as
// the tables of the document database in JSON.

#include "catalogueoption.h"
#include "cliutil.h"
#include "commands.h"
#include "deviceoptions.h"

#include "app/programdir.h"
#include "documents/documentcommands.h"
#include "model/configfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>

namespace vyntool {

namespace {

// The user on the terminal: messages on stderr, input boxes read from stdin (an
// empty line or the end of input takes the offered value); with --defaults every
// input box takes its offered value unasked. One stream reads stdin for the whole
// run, so answers typed ahead or piped in are all used.
class TerminalDialogs final : public vyn::UserDialogs
{
public:
    explicit TerminalDialogs(bool defaults) : m_defaults(defaults), m_in(stdin) {}

    void inform(const QString& text, const QString& caption, vyn::MessageKind) override
    {
        printErr(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text);
    }
    bool ask(const QString& text, const QString& caption, bool defaultYes) override
    {
        printErr(caption + QStringLiteral(": ") + text);
        return defaultYes;
    }
    std::optional<QString> askText(const QString& prompt, const QString& caption,
                                   const QString& initial) override
    {
        if (m_defaults)
            return initial;
        std::fputs(QStringLiteral("%1: %2 [%3]: ").arg(caption, prompt, initial).toUtf8().constData(),
                   stderr);
        std::fflush(stderr);
        const QString line = m_in.readLine();
        if (line.isNull() || line.trimmed().isEmpty())
            return initial;
        return line.trimmed();
    }
    QString chooseOpenFile(const vyn::FileChoice&) override { return {}; }
    QString chooseSaveFile(const vyn::FileChoice&) override { return {}; }

private:
    bool m_defaults;
    QTextStream m_in;
};

// A file's first "*.alt" of the program directory, as the settings start with.
QString defaultAltDaysFile()
{
    const QStringList alt =
        QDir(programDir()).entryList({QStringLiteral("*.alt")}, QDir::Files, QDir::Name);
    return alt.isEmpty() ? QString() : QDir(programDir()).filePath(alt.first());
}

QJsonObject tablesJson(const QString& databasePath, const QStringList& tables)
{
    vyn::DocumentDatabase db(databasePath);
    QJsonObject out;
    try {
        db.open();
        for (const QString& name : tables) {
            const vyn::DocumentTable t = db.read(name);
            QJsonArray rows;
            for (const QVariantList& values : t.rows) {
                QJsonObject row;
                for (int c = 0; c < t.columns.size(); ++c)
                    row[t.columns.at(c)] = QJsonValue::fromVariant(values.value(c));
                rows.append(row);
            }
            out[name] = rows;
        }
    } catch (const vyn::DocumentDatabaseError& e) {
        throw Failure(e.message());
    }
    return out;
}

enum class Document { Passport, Card };

int runDocument(const QStringList& args, Document document)
{
    const bool passport = document == Document::Passport;
    QCommandLineParser parser;
    const auto opt = [&](const char* name, const char* value, const char* help) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help),
                                            QString::fromUtf8(value)));
    };
    const auto flagOpt = [&](const char* name, const char* help) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help)));
    };
    opt("config", "файл", "Файл конфигурации (JSON).");
    addDeviceOptions(parser);
    opt("pdf", "файл", "Записать документ в файл PDF.");
    opt("tables-json", "файл", "Записать заполненные таблицы базы документов в JSON.");
    opt("db", "файл", "База документов (по умолчанию DBRepData.sqlite каталога программы).");
    opt("catalogue", "файл",
        "Каталог приборов учёта, упакованный (rash.spe) или читаемый (rash.ini) (по умолчанию "
        "rash.spe каталога программы).");
    // Each document lists only the settings it reads.
    if (passport) {
        flagOpt("defaults", "Для каждого недостающего значения погрешности из каталога принять "
                            "предложенное.");
        opt("print-for", "вид", "Паспорт на \"complex\" — комплекс (по умолчанию) или "
                                "\"calculator\" — вычислитель.");
        flagOpt("serials", "Заводские номера рядом с типами в комплектности "
                           "(\"Печатать серийные номера в карте программирования\").");
        flagOpt("min-flow", "В приборе установлен контроль минимального значения расхода.");
    } else {
        flagOpt("serials", "Заводские номера в списке приборов "
                           "(\"Печатать серийные номера в карте программирования\").");
        flagOpt("dst", "Прибор переходит на летнее и зимнее время.");
        opt("alt", "файл",
            "Файл альтернативных дней (по умолчанию первый *.alt каталога программы).");
    }
    if (!parseCommand(parser, args,
                      passport ? QStringLiteral("Строит паспорт конфигурации для прибора на порту.")
                               : QStringLiteral("Строит карту программирования конфигурации для "
                                                "прибора на порту.")))
        return ExitOk;

    const QString configPath = requiredValue(parser, QStringLiteral("config"));
    const bool pdf = parser.isSet(QStringLiteral("pdf"));
    const bool json = parser.isSet(QStringLiteral("tables-json"));
    if (pdf == json)
        throw UsageError(QStringLiteral("укажите одно из --pdf и --tables-json"));
    const QString outPath = requiredValue(parser, pdf ? QStringLiteral("pdf")
                                                      : QStringLiteral("tables-json"));
    vyn::DocumentSettings settings;
    const QString printFor = passport ? parser.value(QStringLiteral("print-for")) : QString();
    if (printFor == QLatin1String("calculator"))
        settings.printFor = vyn::PrintFor::Calculator;
    else if (!printFor.isEmpty() && printFor != QLatin1String("complex"))
        throw UsageError(
            QStringLiteral("--print-for: complex или calculator, а не \"%1\"").arg(printFor));
    settings.serialNumbers = parser.isSet(QStringLiteral("serials"));
    settings.minFlowControl = passport && parser.isSet(QStringLiteral("min-flow"));
    settings.noSeasonTimeChange = passport || !parser.isSet(QStringLiteral("dst"));
    if (!passport)
        settings.altDaysFile = parser.isSet(QStringLiteral("alt"))
                                   ? parser.value(QStringLiteral("alt"))
                                   : defaultAltDaysFile();

    const vyn::NumberLocale locale = vyn::NumberLocale::system();
    // The catalogue as the program reads it: the designation, the verification
    // intervals, the error values and which meter is the electricity meter.
    const CatalogueOption catalogueOption(parser.value(QStringLiteral("catalogue")), locale);
    const vyn::CatalogueLookups<vyn::InstrumentCatalogue> catalogue(catalogueOption.catalogue());
    vyn::LoadedConfig config;
    try {
        config = vyn::loadConfigFile(configPath, locale, QDate::currentDate(),
                                     catalogueOption.electricityMeters());
    } catch (const vyn::MessageError& e) {
        throw Failure(e.message());
    }

    // The documents are printed for the calculator on the line only.
    vyn::Identification id;
    try {
        id = identifyFromOptions(parser);
    } catch (const Failure& e) {
        throw Failure(QString::fromUtf8(e.what()) + QLatin1Char('\n') + vyn::printRefusedMessage());
    }
    vyn::DeviceSession session;
    session.DeviceGeneration = id.generation;
    session.DeviceFirmwareDate = id.firmwareDate;
    session.DeviceVersion = std::max(0, id.version);
    session.IdentifiedSerial = id.serial.left(8);

    TerminalDialogs dialogs(passport && parser.isSet(QStringLiteral("defaults")));
    vyn::TVynReport report;
    vyn::PdfFileOutput pdfOutput(outPath);
    const vyn::ProgramFiles files = vyn::programFiles();
    const vyn::DocumentCommandContext ctx{
        report,
        session,
        settings,
        catalogue,
        dialogs,
        pdf ? &pdfOutput : nullptr,
        files.userDir,
        parser.value(QStringLiteral("db")),
        [&config] { return vyn::DocumentSource{config.record, config.row}; },
        locale,
        QDate::currentDate(),
        files.productDirs,
    };
    const vyn::DocumentResult result =
        passport ? vyn::runPassportCommand(ctx) : vyn::runCardCommand(ctx);
    if (result != vyn::DocumentResult::Shown && result != vyn::DocumentResult::Filled)
        return ExitFailure; // the reason is on stderr already
    // The documents print without a firm block until the details are filled in.
    if (!vyn::readFirmDetails(QDir(programDir()).filePath(vyn::firmDetailsFileName())).isFilled())
        printErr(vyn::firmDetailsMissingMessage());
    if (json) {
        const QJsonObject tables = tablesJson(vyn::documentDatabasePath(ctx),
                                              passport ? vyn::passportTableNames()
                                                       : vyn::cardTableNames());
        writeFileOrFail(outPath, QJsonDocument(tables).toJson(QJsonDocument::Indented));
    }
    return ExitOk;
}

} // namespace

int runPassport(const QStringList& args)
{
    return runDocument(args, Document::Passport);
}

int runCard(const QStringList& args)
{
    return runDocument(args, Document::Card);
}

} // namespace vyntool
