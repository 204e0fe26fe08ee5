#pragma once
// An older dBASE table, read with shapelib: columns by name (any case), the kind
// of each column from its field type, texts decoded from the table's code page.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace vyn {

enum class OldKind { Text, Number, Date, YesNo, Other };

struct OldColumn
{
    QString name;
    OldKind kind;
};

// The code page of the language-driver byte: 0x65 and 0x26 IBM866, 0xC9
// Windows-1251, any other IBM866.
QByteArray codePageOfLanguageDriver(unsigned char languageDriver);

class OldTable
{
public:
    OldTable();
    ~OldTable();
    OldTable(const OldTable&) = delete;
    OldTable& operator=(const OldTable&) = delete;

    // False with error() set when the file is missing, is no dBASE table or is
    // shorter than its header says.
    bool open(const QString& path);
    void close();
    bool isOpen() const;
    QString error() const { return m_error; }
    QByteArray codePage() const { return m_codePage; }

    const QList<OldColumn>& columns() const { return m_columns; }
    int rowCount() const;
    // Rows marked as deleted are not part of the table.
    bool isDeleted(int row) const;
    // Reads the row into memory; false with error() set when it cannot be read.
    bool readRow(int row);
    // A value of the row last read, of the column's kind: QString, double, QDate or
    // bool; a null QVariant when empty; no value when it cannot be read.
    std::optional<QVariant> value(int column) const;

private:
    struct Handle;
    std::unique_ptr<Handle> m_handle;
    QList<OldColumn> m_columns;
    QByteArray m_codePage;
    QString m_error;
    int m_row = -1;
};

} // namespace vyn
