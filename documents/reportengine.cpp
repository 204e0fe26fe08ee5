#include "reportengine.h"

#include "documentdatabase.h"

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <mstch/mstch.hpp>

namespace vyn {

namespace {

// Line breaks of a value survive the escaping as this character and become <br>.
constexpr char16_t kBreakMark = u'\x1e';

// Line breaks become the mark; blanks that indent a line or follow another blank
// become no-break spaces, so the layout of formulas in the texts survives HTML.
std::string text(const QString& s)
{
    QString t = s;
    t.replace(QStringLiteral("\r\n"), QString(QChar(kBreakMark)));
    t.replace(QLatin1Char('\r'), QChar(kBreakMark));
    t.replace(QLatin1Char('\n'), QChar(kBreakMark));
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t.at(i) != QLatin1Char(' '))
            continue;
        const QChar before = i > 0 ? t.at(i - 1) : QChar(kBreakMark);
        if (before == QChar(kBreakMark) || before == QChar(QChar::Nbsp) || before == QLatin1Char(' '))
            t[i] = QChar(QChar::Nbsp);
    }
    return t.toStdString();
}

QString metaContent(const QString& html, const QString& name)
{
    const QRegularExpression re(
        QStringLiteral("<meta\\s+name=\"%1\"\\s+content=\"([^\"]*)\"").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    QStringList values;
    auto it = re.globalMatch(html);
    while (it.hasNext())
        values << it.next().captured(1);
    return values.join(QLatin1Char(' '));
}

// The partials a text names, as {{> name}}.
QStringList partialNames(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("\\{\\{>\\s*([^}\\s]+)\\s*\\}\\}"));
    QStringList names;
    auto it = re.globalMatch(text);
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

// Reads every partial the text names, and theirs, into `partials`. `open` holds
// the partials being read, so that one including itself is refused: the
// renderer would expand it without end.
void loadPartials(const QString& text, const QString& from, const QStringList& dirs,
                  std::map<std::string, std::string>& partials, QStringList open)
{
    for (const QString& name : partialNames(text)) {
        if (open.contains(name))
            throw ReportError(QStringLiteral("Фрагмент шаблона %1 включает сам себя").arg(name));
        if (partials.count(name.toStdString()))
            continue;
        QFile file;
        // A name is a file name: nothing outside the directories is read.
        if (!name.contains(QLatin1Char('/')) && name != QLatin1String(".."))
            for (const QString& dir : dirs) {
                file.setFileName(QDir(dir).filePath(name));
                if (file.open(QIODevice::ReadOnly))
                    break;
            }
        if (!file.isOpen())
            throw ReportError(QStringLiteral("Не найден фрагмент шаблона %1, который использует %2")
                                  .arg(name, from));
        const QString partial = QString::fromUtf8(file.readAll());
        partials[name.toStdString()] = partial.toStdString();
        loadPartials(partial, name, dirs, partials, open << name);
        open.removeLast();
    }
}

mstch::array rowsOf(const DocumentTable& table, const QList<int>& which)
{
    mstch::array rows;
    int number = 0;
    for (int index : which) {
        const QVariantList& values = table.rows.at(index);
        mstch::map row;
        bool filled = false;
        for (int c = 0; c < table.columns.size(); ++c) {
            const QString v = values.value(c).isNull() ? QString() : values.value(c).toString();
            row.emplace(table.columns.at(c).toStdString(), text(v));
            // The key column alone does not make a row worth printing.
            if (c > 0 && !v.trimmed().isEmpty())
                filled = true;
        }
        row.emplace("Number", ++number);
        row.emplace("Filled", filled);
        rows.emplace_back(std::move(row));
    }
    return rows;
}

// Room below every table of the body, so the heading that follows one keeps its
// distance (the layout drops a paragraph's top margin after a table).
void spaceAfterTables(QTextDocument& doc, qreal space)
{
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(frame)) {
            QTextTableFormat format = table->format();
            format.setBottomMargin(qMax(format.bottomMargin(), space));
            table->setFormat(format);
        }
    }
}

// The first block of what follows a heading: for a table, its first row below
// the header rows (the header alone would stand there just like the heading).
QTextBlock contentAfter(const QTextBlock& heading)
{
    QTextBlock next = heading.next();
    while (next.isValid() && next.blockFormat().headingLevel() > 0)
        next = next.next();
    if (!next.isValid())
        return next;
    if (QTextTable* table = QTextCursor(next).currentTable()) {
        const int row = table->format().headerRowCount();
        if (row < table->rows())
            return table->cellAt(row, 0).firstCursorPosition().block();
    }
    return next;
}

// A heading, or a chain of them (a section title and a table caption), never
// ends a page: when what follows it starts on a later page, the chain starts
// that page instead. Each move changes the layout after it, so it is redone.
void keepHeadingsWithNext(QTextDocument& doc)
{
    QAbstractTextDocumentLayout* layout = doc.documentLayout();
    const qreal pageHeight = doc.pageSize().height();
    const auto pageOf = [&](const QTextBlock& b, bool bottom) {
        const QRectF r = layout->blockBoundingRect(b);
        return static_cast<int>((bottom ? r.bottom() - 1 : r.top()) / pageHeight);
    };
    for (int pass = 0; pass < 100; ++pass) {
        bool moved = false;
        for (QTextBlock b = doc.begin(); b.isValid() && !moved; b = b.next()) {
            const QTextBlockFormat format = b.blockFormat();
            if (format.headingLevel() == 0 || QTextCursor(b).currentTable())
                continue;
            const QTextBlock previous = b.previous();
            if (previous.isValid() && previous.blockFormat().headingLevel() > 0 &&
                !QTextCursor(previous).currentTable())
                continue; // the chain is judged by its first heading
            if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            const QTextBlock content = contentAfter(b);
            if (!content.isValid() || pageOf(content, true) <= pageOf(b, false))
                continue;
            QTextBlockFormat breakBefore;
            breakBefore.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(b).mergeBlockFormat(breakBefore);
            moved = true;
        }
        if (!moved)
            return;
    }
}

} // namespace

ReportEngine::ReportEngine(QString databasePath, FirmDetails firm, ReportOutput& output)
    : m_databasePath(std::move(databasePath)), m_firm(std::move(firm)), m_output(output)
{
}

void ReportEngine::LoadReportFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ReportError(QStringLiteral("Не удалось открыть шаблон документа %1: %2")
                              .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    QStringList dirs = m_partialDirs;
    dirs << QFileInfo(path).absolutePath() << QStringLiteral(":/setvyn/templates");
    std::map<std::string, std::string> partials;
    loadPartials(text, QFileInfo(path).fileName(), dirs, partials, {});
    m_template = text;
    m_templatePath = path;
    m_partials = std::move(partials);
}

RenderedReport ReportEngine::render() const
{
    if (m_templatePath.isEmpty())
        throw ReportError(QStringLiteral("Шаблон документа не загружен"));
    // A logo that cannot be read is left out; the details still print.
    const QImage logo = m_firm.logo.isEmpty() ? QImage() : QImage(m_firm.logo);
    mstch::map context{
        {"FirmName", text(m_firm.name)},
        {"FirmAddress", text(m_firm.address)},
        {"FirmPhone", text(m_firm.phone)},
        {"FirmEmail", text(m_firm.email)},
        {"FirmLogo", std::string(logo.isNull() ? "" : "firmlogo")},
        {"HasFirm", m_firm.isFilled()},
        {"Today", text(QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")))},
    };
    for (auto it = m_flags.cbegin(); it != m_flags.cend(); ++it)
        context.emplace(it.key().toStdString(), it.value());
    const QStringList tables =
        metaContent(m_template, QStringLiteral("vyn-tables")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList groupSpecs =
        metaContent(m_template, QStringLiteral("vyn-group")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList named = tables;
    for (const QString& spec : groupSpecs)
        named << spec.section(QLatin1Char(':'), 0, 0);
    for (const QString& name : named)
        if (knownDocumentTable(name).isEmpty())
            throw ReportError(QStringLiteral("Шаблон документа %1 называет неизвестную таблицу "
                                             "\"%2\"")
                                  .arg(QFileInfo(m_templatePath).fileName(), name));
    DocumentDatabase db(m_databasePath);
    db.open();
    QMap<QString, DocumentTable> read;
    for (const QString& name : tables) {
        const DocumentTable table = db.read(name);
        QList<int> all;
        for (int i = 0; i < table.rows.size(); ++i)
            all << i;
        mstch::array rows = rowsOf(table, all);
        bool any = false;
        for (const mstch::node& r : rows)
            any = any || boost::get<bool>(boost::get<mstch::map>(r).at("Filled"));
        context.emplace((name + QStringLiteral("_first")).toStdString(),
                        rows.empty() ? mstch::array{} : mstch::array{rows.front()});
        context.emplace(name.toStdString(), std::move(rows));
        context.emplace(("Has" + name).toStdString(), any);
        read.insert(name, table);
    }
    // Groups in the order of their first row.
    for (const QString& spec : groupSpecs) {
        const QString name = spec.section(QLatin1Char(':'), 0, 0);
        const QString column = spec.section(QLatin1Char(':'), 1, 1);
        const DocumentTable table = read.contains(name) ? read.value(name) : db.read(name);
        const int c = static_cast<int>(table.columns.indexOf(column));
        if (c < 0)
            throw ReportError(QStringLiteral("В таблице %1 нет столбца %2").arg(name, column));
        QStringList order;
        QMap<QString, QList<int>> members;
        for (int i = 0; i < table.rows.size(); ++i) {
            const QString g = table.rows.at(i).value(c).toString();
            if (!members.contains(g))
                order << g;
            members[g] << i;
        }
        mstch::array groups;
        int number = 0;
        for (const QString& g : order)
            groups.emplace_back(mstch::map{{"GroupName", text(g)},
                                           {"Number", ++number},
                                           {"rows", rowsOf(table, members.value(g))}});
        context.emplace((name + QStringLiteral("_groups")).toStdString(), std::move(groups));
    }
    db.close();

    QString html =
        QString::fromStdString(mstch::render(m_template.toStdString(), context, m_partials));
    html.replace(QChar(kBreakMark), QStringLiteral("<br/>"));
    static const QRegularExpression titleRe(QStringLiteral("<title>([^<]*)</title>"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QString title = titleRe.match(html).captured(1).trimmed();
    return {title, html, logo, !m_firm.isFilled()};
}

void ReportEngine::ShowReport()
{
    m_output.present(render());
}

void paintReport(const RenderedReport& report, QPagedPaintDevice& device)
{
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    // A wider left margin for binding, as formal documents have it.
    device.setPageMargins(QMarginsF(20, 10, 10, 10), QPageLayout::Millimeter);

    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    doc.setDocumentMargin(0);
    if (!report.logo.isNull())
        doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("firmlogo")), report.logo);
    doc.setHtml(report.html);
    // Formats are changed before the first layout: a table's format changed
    // afterwards leaves what follows it unlaid. The layout is made only now:
    // one that exists follows the import and every format change, which cost
    // more than all the rest of the document.
    spaceAfterTables(doc, 10);
    doc.documentLayout()->setPaintDevice(&device);

    const int dpi = device.logicalDpiY();
    const QRect paint = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const qreal footer = 8.0 / 25.4 * dpi; // 8 mm for the page number
    const QSizeF body(paint.width(), paint.height() - footer);
    doc.setPageSize(body);
    keepHeadingsWithNext(doc);

    QPainter painter(&device);
    QFont footerFont(QStringLiteral("DejaVu Sans"), 8);
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            device.newPage();
        painter.save();
        painter.translate(0, -i * body.height());
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = QRectF(0, i * body.height(), body.width(), body.height());
        painter.setClipRect(ctx.clip);
        doc.documentLayout()->draw(&painter, ctx);
        painter.restore();
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, body.height(), body.width(), footer), Qt::AlignCenter,
                         QStringLiteral("Страница %1 из %2").arg(i + 1).arg(pages));
    }
}

void writeReportPdf(const RenderedReport& report, const QString& path)
{
    {
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw ReportError(QStringLiteral("Не удалось записать файл %1: %2")
                                  .arg(path, probe.errorString()));
    }
    QPdfWriter writer(path);
    writer.setResolution(96); // pixel sizes of the template as on the screen
    writer.setTitle(report.title);
    writer.setCreator(QStringLiteral("setvyn"));
    paintReport(report, writer);
}

} // namespace vyn
