#pragma once
// Older dBASE tables for the import tests, written with shapelib into a given
// path: fields by native type, texts encoded in the table's code page, the code
// page named by the language-driver byte.

#include <QDate>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringEncoder>
#include <QVariant>
#include <shapefil.h>

namespace vyn::test {

struct DbfField
{
    const char* name;
    char type; // 'C', 'N', 'D', 'L'
    int width;
    int decimals = 0;
};

// Rows of values by field: QString, double/int, QDate, bool; a null QVariant
// writes an empty (null) value. False when shapelib refused something.
inline bool writeDbf(const QString& path, unsigned char languageDriver,
                     const QList<DbfField>& fields, const QList<QVariantList>& rows)
{
    const QByteArray ldid = "LDID/" + QByteArray::number(languageDriver);
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), ldid.constData());
    if (!h)
        return false;
    bool ok = true;
    for (const DbfField& f : fields)
        ok = ok && DBFAddNativeFieldType(h, f.name, f.type, f.width, f.decimals) >= 0;
    QStringEncoder encode(languageDriver == 0xC9 ? "windows-1251" : "IBM866");
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < fields.size(); ++c) {
            const QVariant v = rows[r].value(c);
            if (v.isNull())
                ok = ok && DBFWriteNULLAttribute(h, r, c);
            else if (fields[c].type == 'C') {
                const QByteArray bytes = encode(v.toString());
                ok = ok && DBFWriteStringAttribute(h, r, c, bytes.constData());
            } else if (fields[c].type == 'N')
                ok = ok && DBFWriteDoubleAttribute(h, r, c, v.toDouble());
            else if (fields[c].type == 'D') {
                QByteArray d = v.toDate().toString(QStringLiteral("yyyyMMdd")).toLatin1();
                ok = ok && DBFWriteAttributeDirectly(h, r, c, d.data());
            } else if (fields[c].type == 'L')
                ok = ok && DBFWriteLogicalAttribute(h, r, c, v.toBool() ? 'T' : 'F');
        }
    DBFClose(h);
    return ok;
}

} // namespace vyn::test
