#include "schemetable.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

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
        QString line = lines.at(i);
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList tokens = line.split(blanks, Qt::SkipEmptyParts);
        if (tokens.isEmpty())
            continue;

        const auto fail = [&](const QString& what) {
            return SchemeTableError(
                QStringLiteral("Строка %1 таблицы схем: %2").arg(i + 1).arg(what));
        };
        SchemeRecord rec;
        // "" stands for an empty code, which a line could not show otherwise.
        rec.code = tokens.at(0) == QLatin1String("\"\"") ? QString() : tokens.at(0);
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
        out += rec.code.isEmpty() ? QStringLiteral("\"\"") : rec.code;
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
