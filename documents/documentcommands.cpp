#include "documentcommands.h"

#include "model/programfiles.h"

#include <QDir>

namespace vyn {

namespace {

using Build = void (TVynReport::*)(DocumentDatabase&, const DocumentInputs&);

DocumentResult runDocument(const DocumentCommandContext& ctx, Build build,
                           const QString& templateName)
{
    std::optional<DocumentSource> current;
    try {
        current.emplace(ctx.refresh());
    } catch (...) {
        return DocumentResult::NotRefreshed;
    }
    if (!printAllowed(current->record, ctx.session)) {
        ctx.dialogs.inform(printRefusedMessage(), QString());
        return DocumentResult::Refused;
    }
    const ProgramFiles files{ctx.programDir, ctx.productDirs};
    const DocumentInputs in{current->record,
                            current->row,
                            ctx.session.DeviceVersion,
                            ctx.settings,
                            ctx.catalogue,
                            ctx.dialogs,
                            ctx.locale,
                            readFirmDetails(files.find(firmDetailsFileName())),
                            ctx.today,
                            [&ctx] {
                                try {
                                    (void)ctx.refresh();
                                } catch (const MessageError&) {
                                    throw;
                                } catch (const std::exception& e) {
                                    throw MessageError(QString::fromUtf8(e.what()));
                                }
                            }};
    try {
        {
            DocumentDatabase db(documentDatabasePath(ctx));
            (ctx.report.*build)(db, in);
        }
        if (!ctx.output)
            return DocumentResult::Filled;
        ReportEngine engine(documentDatabasePath(ctx), in.firm, *ctx.output);
        engine.setFlag(QStringLiteral("ForCalculator"),
                       ctx.settings.printFor == PrintFor::Calculator);
        engine.setPartialDirs(QStringList{ctx.programDir} + ctx.productDirs);
        engine.LoadReportFromFile(files.find(templateName));
        engine.ShowReport();
    } catch (const MessageError& e) {
        ctx.dialogs.inform(e.message(), QStringLiteral("Ошибка"), MessageKind::Error);
        return DocumentResult::Failed;
    }
    return DocumentResult::Shown;
}

} // namespace

QString passportTemplateName()
{
    return QStringLiteral("VynApplication.html");
}

QString cardTemplateName()
{
    return QStringLiteral("VynCardProg.html");
}

QString documentDatabasePath(const DocumentCommandContext& ctx)
{
    return ctx.databasePath.isEmpty()
               ? QDir(ctx.programDir).filePath(DocumentDatabase::defaultFileName())
               : ctx.databasePath;
}

DocumentResult runPassportCommand(const DocumentCommandContext& ctx)
{
    return runDocument(ctx, &TVynReport::BuildPassport, passportTemplateName());
}

DocumentResult runCardCommand(const DocumentCommandContext& ctx)
{
    return runDocument(ctx, &TVynReport::BuildProgrammingCard, cardTemplateName());
}

} // namespace vyn
