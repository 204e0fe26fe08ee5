// vyntool image: the memory image of a generation-03 calculator for a
// configuration file.

#include "catalogueoption.h"
#include "cliutil.h"
#include "commands.h"
#include "imageconfig.h"

#include "model/altdays.h"
#include "model/deviceimage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

namespace {

// The first 62 bytes of the file; a shorter file leaves the rest 0x00.
vyn::AltDaysBytes readAltDays(const QString& path)
{
    try {
        return vyn::readAltDaysRaw(path);
    } catch (const vyn::AltDaysFileError& e) {
        throw Failure(e.message() + QLatin1Char(' ') + path);
    }
}

QString hexBytes(std::span<const std::uint8_t> bytes)
{
    QStringList parts;
    for (std::uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

QString address(int a)
{
    return QStringLiteral("%1").arg(a, 4, 16, QLatin1Char('0')).toUpper();
}

void printRanges(const vyn::DeviceImage& image, bool json)
{
    QJsonArray ranges;
    QString text;
    for (auto [from, to] : image.writtenRanges()) {
        if (json) {
            ranges.append(QJsonObject{{QStringLiteral("address"), address(from)},
                                      {QStringLiteral("bytes"), hexBytes(image.range(from, to))}});
            continue;
        }
        for (int a = from; a <= to; a += 16)
            text += address(a) + QStringLiteral(": ") +
                    hexBytes(image.range(a, std::min(a + 15, to))) + QLatin1Char('\n');
    }
    printOut(json ? QString::fromUtf8(QJsonDocument(ranges).toJson(QJsonDocument::Indented))
                  : text);
}

} // namespace

int runImage(const QStringList& args)
{
    QCommandLineParser parser;
    const auto opt = [&](const char* name, const char* value, const char* help) {
        const QCommandLineOption o(QString::fromLatin1(name), QString::fromUtf8(help),
                                   QString::fromUtf8(value));
        parser.addOption(o);
    };
    const auto flagOpt = [&](const char* name, const char* help) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(help)));
    };
    opt("config", "файл", "Файл конфигурации (JSON).");
    opt("layout", "число", "Номер размещения, который сообщает прибор; 2 — короткое размещение "
                           "(по умолчанию 0).");
    opt("stamp", "число", "Метка программы прибора (по умолчанию 0).");
    opt("conf", "файл", "Таблица схем (по умолчанию conf.dat каталога программы).");
    opt("alt", "файл", "Файл альтернативных дней (по умолчанию нет: 62 нулевых байта).");
    flagOpt("dst", "Прибор переходит на летнее и зимнее время.");
    flagOpt("no-dst", "Прибор не переводит время (по умолчанию).");
    flagOpt("min-flow", "Установить в приборе контроль минимального значения расхода.");
    opt("now", "ГГГГ-ММ-ДДTЧЧ:ММ:СС", "Дата и время, записываемые в образ (по умолчанию текущие).");
    opt("catalogue", "файл", "Каталог приборов учёта, rash.ini или rash.spe (по умолчанию "
                             "rash.spe каталога программы).");
    opt("out", "файл", "Файл образа (65536 байт).");
    flagOpt("hex", "Вывести записываемые диапазоны адресов вместо записи файла.");
    flagOpt("json", "С --hex: вывести диапазоны в JSON.");
    if (!parseCommand(parser, args,
                      QStringLiteral("Строит образ памяти прибора поколения 03.")))
        return ExitOk;

    const QString configPath = requiredValue(parser, QStringLiteral("config"));
    const bool hex = parser.isSet(QStringLiteral("hex"));
    const QString outPath = hex ? QString() : requiredValue(parser, QStringLiteral("out"));
    if (parser.isSet(QStringLiteral("dst")) && parser.isSet(QStringLiteral("no-dst")))
        throw UsageError(QStringLiteral("--dst и --no-dst исключают друг друга"));

    vyn::ImageInputs in;
    in.ImageLayout = intValue(parser, QStringLiteral("layout"), 0);
    in.FirmwareStamp = intValue(parser, QStringLiteral("stamp"), 0);
    in.noSeasonTimeChange = !parser.isSet(QStringLiteral("dst"));
    in.minFlowControl = parser.isSet(QStringLiteral("min-flow"));
    in.locale = vyn::NumberLocale::system();
    in.now = QDateTime::currentDateTime();
    if (parser.isSet(QStringLiteral("now"))) {
        in.now = QDateTime::fromString(parser.value(QStringLiteral("now")), Qt::ISODate);
        if (!in.now.isValid())
            throw UsageError(QStringLiteral("--now: дата и время в виде 2026-03-01T14:30:00, "
                                            "а не \"%1\"")
                                 .arg(parser.value(QStringLiteral("now"))));
    }
    // The short layout takes nothing from the scheme table.
    const bool explicitConf = parser.isSet(QStringLiteral("conf"));
    if (explicitConf || in.ImageLayout != 2) {
        const QString confPath = explicitConf
                                     ? parser.value(QStringLiteral("conf"))
                                     : productFile(QStringLiteral("conf.dat"));
        try {
            in.schemes = vyn::SchemeTable::fromFile(confPath);
        } catch (const vyn::SchemeTableError& e) {
            throw Failure(e.message());
        }
    }
    if (parser.isSet(QStringLiteral("alt")))
        in.altDays = readAltDays(parser.value(QStringLiteral("alt")));

    const CatalogueOption catalogue(parser.value(QStringLiteral("catalogue")), in.locale);
    const ImageConfig config = loadConfigFile(configPath, in.locale, catalogue.electricityMeters());
    if (config.deviceGeneration != 0)
        printErr(QStringLiteral("vyntool image: %1 — конфигурация прибора поколения 04 "
                                "(DeviceSoftData 2004-01-01 или позже)")
                     .arg(configPath));

    vyn::DeviceImage image;
    try {
        image = vyn::buildDeviceImage(config.record, in);
    } catch (const vyn::SchemeTableError& e) {
        throw Failure(e.message());
    }

    if (hex) {
        printRanges(image, parser.isSet(QStringLiteral("json")));
        return ExitOk;
    }
    const auto bytes = image.bytes();
    writeFileOrFail(outPath, QByteArrayView(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size())));
    return ExitOk;
}

} // namespace vyntool
