#pragma once
// A settings file with the Windows profile semantics the stored files were
// written with: sections and keys compare case-insensitively, the file keeps its
// order (comments and blank lines included), values are text. Files are read as
// UTF-8, or as Windows-1251 when they are not valid UTF-8; they are written as UTF-8.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace vyn {

class IniFile
{
public:
    IniFile() = default;
    // Reads the file when it exists; a missing file is an empty profile.
    explicit IniFile(const QString& path);

    // False when the file exists but cannot be read; the profile is then empty.
    bool load(const QString& path);
    void setText(const QByteArray& bytes);
    QByteArray text() const;
    // Writes the whole profile to path() (or the given path) atomically.
    bool save() const;
    // Writes only what changed here since the file was loaded (or last written
    // this way), merged into the file as it is on disk now, through a temporary
    // file and rename: keys another program wrote meanwhile are kept, and from
    // then on read here too. False when the file could not be written.
    bool saveChanges();
    bool saveAs(const QString& path);

    QString path() const { return m_path; }

    bool sectionExists(const QString& section) const;
    bool valueExists(const QString& section, const QString& key) const;
    QStringList sections() const;
    QStringList keys(const QString& section) const;

    // Surrounding blanks and one pair of matching quotes are removed, as the
    // Windows profile functions do.
    QString readString(const QString& section, const QString& key,
                       const QString& fallback = QString()) const;
    // Leading decimal digits (with a sign) of the value; fallback when there are none.
    int readInteger(const QString& section, const QString& key, int fallback) const;
    // "True"/"False" (any case) or an integer (0 is false); fallback otherwise.
    bool readBool(const QString& section, const QString& key, bool fallback) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);

    void eraseSection(const QString& section);
    void deleteKey(const QString& section, const QString& key);

    // Text of a raw file: UTF-8 when valid (a BOM is dropped), Windows-1251 otherwise.
    // withBom tells whether the text was UTF-8 with a byte order mark.
    static QString decode(const QByteArray& bytes, bool* withBom = nullptr);

private:
    struct Line
    {
        QString key; // empty for comments and blank lines
        QString value;
        QString raw; // comment or blank line as read
        QString eol; // the line's own break, so a save writes back what was read
    };
    struct Section
    {
        QString name;
        std::vector<Line> lines;
        QString eol; // of the header line
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    const Line* findLine(const QString& section, const QString& key) const;

    QString m_path;
    QString m_eol = QStringLiteral("\n"); // for new lines: the break of the file's first line
    bool m_bom = false; // a UTF-8 file that began with a byte order mark keeps it
    std::vector<Section> m_sections; // the first one holds lines before any header
    QByteArray m_baseline;           // the file as loaded or last merged, for saveChanges
};

} // namespace vyn
