#include "programmerfile.h"

#include "model/userdialogs.h"

#include <QFile>
#include <vector>

namespace vyn {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The value of a token modulo 256 (an empty token is 0); -1 when not hexadecimal.
int tokenByte(QStringView token)
{
    int value = 0;
    for (QChar c : token) {
        const int d = hexDigit(c);
        if (d < 0)
            return -1;
        value = (value * 16 + d) & 0xFF;
    }
    return value;
}

// Lines without their line ends; a file that ends with a line end has no empty
// last line.
QStringList fileLines(const QByteArray& data)
{
    QStringList lines = QString::fromLatin1(data).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

} // namespace

std::optional<int> LoadAddres(const QString& line)
{
    const QString digits = line.mid(1).trimmed();
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + d;
        if (value >= LoaderImage::kSize)
            return std::nullopt;
    }
    return value;
}

std::optional<int> LoadByte(LoaderImage& image, const QString& line, int address)
{
    std::vector<std::uint8_t> bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool end = i == line.size();
        if (!end && line[i] != QLatin1Char(' '))
            continue;
        const QStringView token = QStringView(line).mid(from, i - from);
        from = i + 1;
        if (end && token.isEmpty())
            break; // a trailing space ended the last token already
        const int b = tokenByte(token);
        if (b < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(b));
    }
    if (address + static_cast<int>(bytes.size()) > LoaderImage::kSize)
        return std::nullopt;
    for (std::uint8_t b : bytes)
        image.set(address++, b);
    return address;
}

bool LoadProg(LoaderImage& image, const QString& fileName, UserDialogs& dialogs,
              const QString& title)
{
    image.clear();
    bool ok = false;
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        ok = true;
        int address = 0;
        for (const QString& line : fileLines(file.readAll())) {
            if (line.startsWith(QLatin1Char('q')))
                break;
            std::optional<int> next;
            if (line.startsWith(QLatin1Char('@')))
                next = LoadAddres(line);
            else if (!line.isEmpty())
                next = LoadByte(image, line, address);
            if (!next) {
                ok = false;
                break;
            }
            address = *next;
        }
    }
    if (!ok) {
        image.clear();
        dialogs.inform(QStringLiteral("Ошибка открытия файла ") + fileName, title,
                       MessageKind::Error);
    }
    return ok;
}

} // namespace vyn
