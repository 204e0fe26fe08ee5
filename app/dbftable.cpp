#include "app/dbftable.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include <shapefil.h>

namespace vyn {

namespace {

// shapelib reports through this hook; our caller gets its own messages.
void ignoreError(const char*) {}

// shapelib seeks and reads once per record; through the C library every row costs
// two system calls. These hooks hand it the table from memory, read once.
struct TableInMemory
{
    QByteArray bytes;
    qint64 position = 0;
};

TableInMemory* inMemory(SAFile file)
{
    return reinterpret_cast<TableInMemory*>(file);
}

SAFile openInMemory(const char* name, const char* access)
{
    if (access[0] != 'r' || std::strchr(access, '+') || std::strchr(access, 'w'))
        return nullptr; // the import only reads
    QFile file(QFile::decodeName(name));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    auto* table = new TableInMemory{file.readAll(), 0};
    if (file.error() != QFileDevice::NoError) {
        delete table;
        return nullptr;
    }
    return reinterpret_cast<SAFile>(table);
}

SAOffset readInMemory(void* to, SAOffset size, SAOffset count, SAFile file)
{
    TableInMemory* t = inMemory(file);
    if (size == 0)
        return 0;
    const qint64 left = std::max<qint64>(0, t->bytes.size() - t->position);
    const SAOffset whole = std::min<SAOffset>(count, SAOffset(left) / size);
    std::memcpy(to, t->bytes.constData() + t->position, whole * size);
    t->position += qint64(whole * size);
    return whole;
}

SAOffset refuseWrite(void*, SAOffset, SAOffset, SAFile)
{
    return 0;
}

SAOffset seekInMemory(SAFile file, SAOffset offset, int whence)
{
    TableInMemory* t = inMemory(file);
    const qint64 base = whence == SEEK_CUR ? t->position : whence == SEEK_END ? t->bytes.size() : 0;
    const qint64 to = base + qint64(offset);
    if (to < 0)
        return SAOffset(-1);
    t->position = to;
    return 0;
}

SAOffset tellInMemory(SAFile file)
{
    return SAOffset(inMemory(file)->position);
}

int flushInMemory(SAFile)
{
    return 0;
}

int closeInMemory(SAFile file)
{
    delete inMemory(file);
    return 0;
}

int refuseRemove(const char*)
{
    return -1;
}

struct Header
{
    quint32 records = 0;
    quint16 headerLength = 0;
    quint16 recordLength = 0;
    unsigned char languageDriver = 0;
};

// The fixed part of the header, and whether the file is as long as it says.
bool readHeader(const QString& path, Header& header, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(32);
    if (bytes.size() < 32) {
        error = QStringLiteral("файл короче заголовка таблицы dBASE");
        return false;
    }
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData());
    header.records = qFromLittleEndian<quint32>(b + 4);
    header.headerLength = qFromLittleEndian<quint16>(b + 8);
    header.recordLength = qFromLittleEndian<quint16>(b + 10);
    header.languageDriver = b[29];
    if (header.headerLength < 33 || header.recordLength < 1) {
        error = QStringLiteral("файл не является таблицей dBASE");
        return false;
    }
    const qint64 needed = qint64(header.headerLength) + qint64(header.records) * header.recordLength;
    if (file.size() < needed) {
        error = QStringLiteral("файл обрезан: в нём %1 байт, а таблица занимает %2")
                    .arg(file.size())
                    .arg(needed);
        return false;
    }
    return true;
}

OldKind kindOf(char type)
{
    switch (type) {
    case 'C':
        return OldKind::Text;
    case 'N':
    case 'F':
        return OldKind::Number;
    case 'D':
        return OldKind::Date;
    case 'L':
        return OldKind::YesNo;
    default:
        return OldKind::Other;
    }
}

} // namespace

QByteArray codePageOfLanguageDriver(unsigned char languageDriver)
{
    return languageDriver == 0xC9 ? QByteArrayLiteral("windows-1251") : QByteArrayLiteral("IBM866");
}

struct OldTable::Handle
{
    DBFHandle dbf = nullptr;
    std::unique_ptr<QTemporaryDir> alias; // shapelib insists on a ".dbf" name
    const char* record = nullptr;
    // One decoder for every text of the table.
    QStringDecoder decode;
    ~Handle()
    {
        if (dbf)
            DBFClose(dbf);
    }
};

OldTable::OldTable() = default;
OldTable::~OldTable() = default;

bool OldTable::open(const QString& path)
{
    close();
    Header header;
    if (!readHeader(path, header, m_error))
        return false;

    auto handle = std::make_unique<Handle>();
    QString name = path;
    const QString suffix = QFileInfo(path).suffix();
    if (suffix != QLatin1String("dbf") && suffix != QLatin1String("DBF")) {
        handle->alias = std::make_unique<QTemporaryDir>();
        name = handle->alias->filePath(QStringLiteral("table.dbf"));
        if (!handle->alias->isValid() ||
            !QFile::link(QFileInfo(path).absoluteFilePath(), name)) {
            m_error = QStringLiteral("не удалось открыть файл");
            return false;
        }
    }
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
    hooks.Error = ignoreError;
    hooks.FOpen = openInMemory;
    hooks.FRead = readInMemory;
    hooks.FWrite = refuseWrite;
    hooks.FSeek = seekInMemory;
    hooks.FTell = tellInMemory;
    hooks.FFlush = flushInMemory;
    hooks.FClose = closeInMemory;
    hooks.Remove = refuseRemove;
    handle->dbf = DBFOpenLL(QFile::encodeName(name).constData(), "rb", &hooks);
    if (!handle->dbf) {
        m_error = QStringLiteral("файл не является таблицей dBASE");
        return false;
    }
    m_codePage = codePageOfLanguageDriver(header.languageDriver);
    handle->decode = QStringDecoder(m_codePage.constData());
    for (int i = 0; i < DBFGetFieldCount(handle->dbf); ++i) {
        char fieldName[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(handle->dbf, i, fieldName, nullptr, nullptr);
        m_columns.append({QString::fromLatin1(fieldName).trimmed(),
                          kindOf(DBFGetNativeFieldType(handle->dbf, i))});
    }
    m_handle = std::move(handle);
    return true;
}

void OldTable::close()
{
    m_handle.reset();
    m_columns.clear();
    m_codePage.clear();
    m_row = -1;
}

bool OldTable::isOpen() const
{
    return m_handle != nullptr;
}

int OldTable::rowCount() const
{
    return m_handle ? DBFGetRecordCount(m_handle->dbf) : 0;
}

bool OldTable::isDeleted(int row) const
{
    return m_handle && DBFIsRecordDeleted(m_handle->dbf, row);
}

bool OldTable::readRow(int row)
{
    m_row = -1;
    if (!m_handle)
        return false;
    m_handle->record = DBFReadTuple(m_handle->dbf, row);
    if (!m_handle->record) {
        m_error = QStringLiteral("не удалось прочитать запись %1").arg(row + 1);
        return false;
    }
    m_row = row;
    return true;
}

namespace {

// yyyyMMdd of eight digits; otherwise the general parser decides.
QDate dateOfField(QByteArrayView digits)
{
    if (digits.size() == 8 && std::all_of(digits.begin(), digits.end(), [](char c) {
            return c >= '0' && c <= '9';
        })) {
        const auto number = [&](int from, int n) {
            int v = 0;
            for (int i = from; i < from + n; ++i)
                v = v * 10 + (digits[i] - '0');
            return v;
        };
        const int year = number(0, 4);
        if (year > 0)
            return QDate(year, number(4, 2), number(6, 2));
    }
    return QDate::fromString(QString::fromLatin1(digits), QStringLiteral("yyyyMMdd"));
}

} // namespace

std::optional<QVariant> OldTable::value(int column) const
{
    if (m_row < 0 || column < 0 || column >= m_columns.size())
        return std::nullopt;
    const DBFInfo* info = m_handle->dbf;
    const char* field = m_handle->record + info->panFieldOffset[column];
    qsizetype size = info->panFieldSize[column];
    if (const void* nul = std::memchr(field, '\0', std::size_t(size)))
        size = static_cast<const char*>(nul) - field;
    while (size > 0 && field[size - 1] == ' ')
        --size;
    const QByteArrayView raw(field, size);
    const QByteArrayView trimmed = raw.trimmed();
    if (trimmed.isEmpty())
        return QVariant();

    switch (m_columns[column].kind) {
    case OldKind::Text: {
        QStringDecoder& decode = m_handle->decode;
        decode.resetState();
        return QVariant(QString(decode(raw)));
    }
    case OldKind::Number: {
        if (trimmed.count('*') == trimmed.size())
            return std::nullopt; // the value did not fit its field
        bool ok = false;
        const double v = trimmed.toDouble(&ok);
        return ok ? std::optional<QVariant>(v) : std::nullopt;
    }
    case OldKind::Date: {
        if (trimmed == "00000000")
            return QVariant();
        const QDate d = dateOfField(trimmed);
        return d.isValid() ? std::optional<QVariant>(d) : std::nullopt;
    }
    case OldKind::YesNo:
        switch (trimmed.at(0)) {
        case 'T': case 't': case 'Y': case 'y':
            return QVariant(true);
        case 'F': case 'f': case 'N': case 'n':
            return QVariant(false);
        case '?':
            return QVariant();
        default:
            return std::nullopt;
        }
    case OldKind::Other:
        break;
    }
    return std::nullopt;
}

} // namespace vyn
