#include "reportpreview.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>

namespace vyn {

void PreviewReportOutput::present(const RenderedReport& report)
{
    // Pixel sizes of the templates as on the screen; text and rules stay vector.
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setDocName(report.title);
    QPrintPreviewDialog dialog(&printer, m_parent);
    QString title =
        report.title.isEmpty() ? QStringLiteral("Предварительный просмотр") : report.title;
    if (report.firmMissing)
        title += QStringLiteral(" — ") + firmDetailsMissingMessage();
    dialog.setWindowTitle(title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&report](QPrinter* p) { paintReport(report, *p); });
    if (auto* bar = dialog.findChild<QToolBar*>()) {
        bar->addSeparator();
        QAction* save = bar->addAction(QStringLiteral("Сохранить в PDF..."));
        save->setObjectName(QStringLiteral("savePdf"));
        QObject::connect(save, &QAction::triggered, &dialog, [this, &report] {
            const QString path = m_dialogs.chooseSaveFile(
                {QStringLiteral("Сохранить документ в PDF"), report.title + QStringLiteral(".pdf"),
                 QStringLiteral("Документы PDF (*.pdf)"), QStringLiteral("pdf")});
            if (path.isEmpty())
                return;
            try {
                writeReportPdf(report, path);
            } catch (const ReportError& e) {
                m_dialogs.inform(e.message(), QStringLiteral("Ошибка"), MessageKind::Error);
            }
        });
    }
    dialog.resize(900, 1000);
    dialog.exec();
}

} // namespace vyn
