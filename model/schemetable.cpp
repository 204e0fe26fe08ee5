#include "schemetable.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <optional>

namespace vyn {

namespace {

constexpr int kCodeOffset = 1;
constexpr int kParameterOffset = kCodeOffset + SchemeRecord::kMaxCodeLength;

bool isLatin1(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

// A code stands bare in the source when nothing in it could be taken for a
// separator, a comment or a quote; otherwise it is written in quotes.
bool isBareCodeChar(QChar c)
{
    return c.unicode() > 0x20 && c.unicode() < 0x7F && c != QLatin1Char('#') &&
           c != QLatin1Char('"') && c != QLatin1Char('\\');
}

QString quotedCode(const QString& code)
{
    if (!code.isEmpty() && std::all_of(code.begin(), code.end(), isBareCodeChar))
        return code;
    QString out = QStringLiteral("\"");
    for (QChar c : code) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + QString(c);
        else if (c == QLatin1Char(' ') || c == QLatin1Char('#') || isBareCodeChar(c))
            out += c;
        else
            out += QStringLiteral("\\x") +
                   QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out + QLatin1Char('"');
}

// Reads a quoted code from line[at] (the opening quote); at ends after the closing
// one. Returns an empty optional with what went wrong in error.
std::optional<QString> unquotedCode(const QString& line, qsizetype& at, QString& error)
{
    QString code;
    for (++at; at < line.size(); ++at) {
        const QChar c = line.at(at);
        if (c == QLatin1Char('"')) {
            ++at;
            if (at < line.size() && !line.at(at).isSpace() && line.at(at) != QLatin1Char('#')) {
                error = QStringLiteral("после кавычки кода нужен пробел");
                return std::nullopt;
            }
            return code;
        }
        if (c != QLatin1Char('\\')) {
            code += c;
            continue;
        }
        const QChar next = at + 1 < line.size() ? line.at(at + 1) : QChar();
        if (next == QLatin1Char('"') || next == QLatin1Char('\\')) {
            code += next;
            ++at;
            continue;
        }
        const QString hex = line.mid(at + 2, 2);
        const auto isHex = [](QChar h) { return h.unicode() < 0x80 && std::isxdigit(h.unicode()); };
        if (next != QLatin1Char('x') || hex.size() != 2 || !std::all_of(hex.begin(), hex.end(), isHex)) {
            error = QStringLiteral("неверная escape-последовательность в коде");
            return std::nullopt;
        }
        code += QChar(static_cast<char16_t>(hex.toUInt(nullptr, 16)));
        at += 3;
    }
    error = QStringLiteral("код не закрыт кавычкой");
    return std::nullopt;
}

} // namespace

SchemeTable SchemeTable::fromBytes(QByteArrayView data, ShortTail tail)
{
    const qsizetype size = data.size();
    if (size % SchemeRecord::kSize != 0 && tail == ShortTail::Reject)
        throw SchemeTableError(
            QStringLiteral("Таблица схем (conf.dat) повреждена: размер файла %1 байт не кратен %2")
                .arg(size)
                .arg(SchemeRecord::kSize));

    std::vector<SchemeRecord> records;
    for (qsizetype at = 0; at < size; at += SchemeRecord::kSize) {
        std::array<std::uint8_t, SchemeRecord::kSize> raw{};
        const qsizetype n = std::min<qsizetype>(SchemeRecord::kSize, size - at);
        for (qsizetype i = 0; i < n; ++i)
            raw[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data[at + i]);

        const int length = raw[0];
        if (length > SchemeRecord::kMaxCodeLength)
            throw SchemeTableError(
                QStringLiteral("Таблица схем (conf.dat) повреждена: у записи %1 длина кода %2 "
                               "больше %3")
                    .arg(records.size() + 1)
                    .arg(length)
                    .arg(SchemeRecord::kMaxCodeLength));
        SchemeRecord rec;
        rec.code =
            QString::fromLatin1(reinterpret_cast<const char*>(raw.data() + kCodeOffset), length);
        std::copy_n(raw.begin() + kParameterOffset, SchemeRecord::kParameterCount,
                    rec.parameters.begin());
        records.push_back(std::move(rec));
    }
    return SchemeTable(std::move(records));
}

SchemeTable SchemeTable::fromFile(const QString& path, ShortTail tail)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SchemeTableError(
            QStringLiteral("Не удалось открыть таблицу схем %1: %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw SchemeTableError(QStringLiteral("Не удалось прочитать таблицу схем %1: %2")
                                   .arg(path, file.errorString()));
    return fromBytes(data, tail);
}

QByteArray SchemeTable::toBytes() const
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(m_records.size()) * SchemeRecord::kSize);
    for (const SchemeRecord& rec : m_records) {
        // Codes come from fromSource() or fromBytes(), both of which keep them short
        // and Latin-1; a longer one is cut rather than spill into the parameters.
        const QByteArray code = rec.code.toLatin1().left(SchemeRecord::kMaxCodeLength);
        QByteArray raw(SchemeRecord::kSize, '\0');
        raw[0] = static_cast<char>(code.size());
        for (qsizetype i = 0; i < code.size(); ++i)
            raw[kCodeOffset + i] = code[i];
        for (int i = 0; i < SchemeRecord::kParameterCount; ++i)
            raw[kParameterOffset + i] =
                static_cast<char>(rec.parameters[static_cast<std::size_t>(i)]);
        out += raw;
    }
    return out;
}

SchemeTable SchemeTable::fromSource(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    static const QRegularExpression hexByte(QStringLiteral("^[0-9A-Fa-f]{2}$"));

    std::vector<SchemeRecord> records;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto fail = [&](const QString& what) {
            return SchemeTableError(
                QStringLiteral("Строка %1 таблицы схем: %2").arg(i + 1).arg(what));
        };
        QString line = lines.at(i);
        qsizetype start = 0;
        while (start < line.size() && line.at(start).isSpace())
            ++start;
        // A quoted code may hold blanks, '#' and any byte; the rest of the line may not.
        std::optional<QString> quoted;
        if (start < line.size() && line.at(start) == QLatin1Char('"')) {
            QString error;
            quoted = unquotedCode(line, start, error);
            if (!quoted)
                throw fail(error);
            line = line.mid(start);
        }
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        QStringList tokens = line.split(blanks, Qt::SkipEmptyParts);
        if (quoted)
            tokens.prepend(*quoted);
        if (tokens.isEmpty())
            continue;

        SchemeRecord rec;
        rec.code = tokens.at(0);
        if (rec.code.size() > SchemeRecord::kMaxCodeLength || !isLatin1(rec.code))
            throw fail(
                QStringLiteral("код \"%1\" длиннее %2 знаков или содержит недопустимые знаки")
                    .arg(rec.code)
                    .arg(SchemeRecord::kMaxCodeLength));
        if (tokens.size() - 1 != SchemeRecord::kParameterCount)
            throw fail(QStringLiteral("нужно %1 байт параметров, а их %2")
                           .arg(SchemeRecord::kParameterCount)
                           .arg(tokens.size() - 1));
        for (int b = 0; b < SchemeRecord::kParameterCount; ++b) {
            const QString& t = tokens.at(b + 1);
            if (!hexByte.match(t).hasMatch())
                throw fail(QStringLiteral("\"%1\" не шестнадцатеричный байт").arg(t));
            rec.parameters[static_cast<std::size_t>(b)] =
                static_cast<std::uint8_t>(t.toUInt(nullptr, 16));
        }
        records.push_back(std::move(rec));
    }
    return SchemeTable(std::move(records));
}

QString SchemeTable::toSource() const
{
    QString out;
    for (const SchemeRecord& rec : m_records) {
        out += quotedCode(rec.code);
        for (std::uint8_t b : rec.parameters)
            out += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        out += QLatin1Char('\n');
    }
    return out;
}

const SchemeRecord* SchemeTable::find(const QString& code) const
{
    for (const SchemeRecord& rec : m_records)
        if (rec.code == code)
            return &rec;
    return nullptr;
}

} // namespace vyn
