// The passport of an identified calculator to a PDF file: the tables filled,
// the template rendered and the pages written, as "П&росмотр паспорта" does
// beyond the identification. The anchor of the same run is Qt's own rendering
// floor: the same HTML laid out by a QTextDocument and printed to a PDF writer.
// Rounds are interleaved and medians shown; the filling alone is timed too.

#include "documents/documentcommands.h"
#include "model/inifile.h"
#include "model/rowcodec.h"
#include "tests/common/fakedialogs.h"
#include "tests/model/recordfixture.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vyn;

namespace {

double ms(const QElapsedTimer& t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

class KeepingOutput : public ReportOutput
{
public:
    RenderedReport last;
    void present(const RenderedReport& r) override { last = r; }
};

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir temp;

    const ConfigRecord rec = test::newerWithPressures();
    const StoredRow row =
        saveRecord(rec, {1, QDate(2004, 1, 1), QDate(2015, 1, 1), QStringLiteral("PC\\ivan")},
                   test::kComma)
            .row;
    DeviceSession session;
    session.DeviceVersion = 4;
    session.IdentifiedSerial = rec.SNUM;
    TVynReport report;
    test::FakeDialogs dialogs;
    // The catalogue knows the record's flow meters: nothing is asked.
    IniFile known;
    known.setText(QByteArray("[ВСТ]\nErrors=±2%\nInterval=4 года\n[КРТ-9]\nErrorClass=0,5\n"));
    const IniDocumentCatalogue catalogue(known);
    const auto context = [&](ReportOutput* output) {
        return DocumentCommandContext{report,
                                      session,
                                      DocumentSettings{},
                                      catalogue,
                                      dialogs,
                                      output,
                                      QStringLiteral(SETVYN_BIN_DIR_PATH),
                                      temp.filePath(QStringLiteral("DBRepData.sqlite")),
                                      [&] { return DocumentSource{rec, row}; },
                                      test::kComma,
                                      QDate(2025, 3, 14)};
    };

    KeepingOutput kept;
    if (runPassportCommand(context(&kept)) != DocumentResult::Shown) {
        std::fprintf(stderr, "bench: no passport\n");
        return 1;
    }
    const QString pdf = temp.filePath(QStringLiteral("passport.pdf"));
    const QString anchorPdf = temp.filePath(QStringLiteral("anchor.pdf"));
    std::vector<double> anchor, filled, whole;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        {
            QTextDocument doc;
            doc.setHtml(kept.last.html);
            QPdfWriter writer(anchorPdf);
            writer.setResolution(96); // as the passport is written
            writer.setPageSize(QPageSize(QPageSize::A4));
            doc.print(&writer);
        }
        anchor.push_back(ms(t));

        t.start();
        if (runPassportCommand(context(nullptr)) != DocumentResult::Filled)
            return 1;
        filled.push_back(ms(t));

        PdfFileOutput output(pdf);
        t.start();
        if (runPassportCommand(context(&output)) != DocumentResult::Shown)
            return 1;
        whole.push_back(ms(t));
    }
    if (!dialogs.shown.isEmpty() || QFile(pdf).size() == 0) {
        std::fprintf(stderr, "bench: the passport was not written (%lld bytes): %s\n",
                     static_cast<long long>(QFile(pdf).size()),
                     dialogs.shown.isEmpty() ? ""
                                             : dialogs.shown.first().text.toUtf8().constData());
        return 1;
    }
    const double a = median(anchor);
    std::printf("anchor, the same HTML through QTextDocument to PDF: %7.1f ms\n", a);
    std::printf("passport tables filled:                             %7.1f ms\n", median(filled));
    std::printf("passport to PDF beyond the identification:          %7.1f ms, %.1f x the anchor "
                "(target <= 100 ms)\n",
                median(whole), median(whole) / a);
    return 0;
}
