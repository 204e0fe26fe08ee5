#pragma once
// Our report engine: an HTML template with Mustache tags, filled from the tables
// of the document database that the template names, laid out by QTextDocument on
// A4 pages with page numbers, and handed to an output (the preview window, or a
// PDF file for vyntool and the tests).
//
// A template names its tables and groupings in its head:
//   <meta name="vyn-tables" content="ApplicProp ApplicTable1">
//   <meta name="vyn-group" content="TListParam:GroupName">
// Each table T is a list of rows (column -> text, plus Number 1.. and Filled);
// T_first holds the first row only, HasT tells whether any row is filled; a grouping gives T_groups, a list of
// {GroupName, Number, rows}. FirmName, FirmAddress, FirmPhone, FirmEmail,
// FirmLogo (the image's name for <img src>, empty without a logo), HasFirm and
// Today are always there, and the flags the command sets. Line breaks inside
// values are kept.

#include "firmdetails.h"

#include "model/messageerror.h"

#include <QImage>
#include <QMap>
#include <QPagedPaintDevice>
#include <QString>
#include <QStringList>

#include <map>
#include <string>

namespace vyn {

class ReportError : public MessageError
{
public:
    using MessageError::MessageError;
};

struct RenderedReport
{
    QString title; // the template's <title>
    QString html;
    QImage logo;   // the firm's logo, the image "firmlogo" of the html
    bool firmMissing = false; // no firm details filled in yet
};

// Lays the report out on the device's pages (A4) with "Страница N из M" below.
void paintReport(const RenderedReport& report, QPagedPaintDevice& device);
// Writes the report as a PDF file. Throws ReportError.
void writeReportPdf(const RenderedReport& report, const QString& path);

// Where ShowReport() puts the rendered document.
class ReportOutput
{
public:
    virtual ~ReportOutput() = default;
    virtual void present(const RenderedReport& report) = 0;
};

class PdfFileOutput final : public ReportOutput
{
public:
    explicit PdfFileOutput(QString path) : m_path(std::move(path)) {}
    void present(const RenderedReport& report) override { writeReportPdf(report, m_path); }

private:
    QString m_path;
};

class ReportEngine
{
public:
    ReportEngine(QString databasePath, FirmDetails firm, ReportOutput& output);

    // Reads the template and the partials it names ({{> name}}, also within a
    // partial). A partial is the file of that name in the first of the partial
    // directories that has it, else beside the template, else the built-in copy
    // of a shipped one. Throws ReportError when the template or a partial cannot
    // be read, or a partial includes itself.
    void LoadReportFromFile(const QString& path);
    // Where partials are looked for before the template's own directory: the
    // user's directory first, so that a user's copy wins, then the installed data.
    void setPartialDirs(QStringList dirs) { m_partialDirs = std::move(dirs); }
    // Renders the loaded template with the tables it names and presents it.
    // Throws ReportError or DocumentDatabaseError.
    void ShowReport();

    // A yes/no value for the template's sections ({{#Name}}...{{/Name}}).
    void setFlag(const QString& name, bool on) { m_flags.insert(name, on); }

    RenderedReport render() const;

private:
    QMap<QString, bool> m_flags;
    QString m_databasePath;
    FirmDetails m_firm;
    ReportOutput& m_output;
    QString m_templatePath;
    QString m_template;
    QStringList m_partialDirs;
    std::map<std::string, std::string> m_partials;
};

} // namespace vyn
