// vyntool settings: the interface and communication settings as setvyn reads them
// from setvyn.ini of the program directory.

#include "cliutil.h"
#include "commands.h"

#include "app/interfacesettings.h"
#include "link/commsettings.h"
#include "model/inifile.h"
#include "model/settingskeys.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

namespace {

QString yesNo(bool on)
{
    return on ? QStringLiteral("да") : QStringLiteral("нет");
}

QString passportText(vyn::PassportKind kind)
{
    return kind == vyn::PassportKind::Calculator ? QStringLiteral("На вычислитель")
                                                 : QStringLiteral("На комплекс");
}

} // namespace

int runSettings(const QStringList& args)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("действие"), QStringLiteral("show"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Вывести в JSON."));
    parser.addOption(json);
    if (!parseCommand(parser, args,
                      QStringLiteral("Показывает интерфейсные и коммуникационные настройки, которые "
                                     "setvyn читает из setvyn.ini каталога программы.\n"
                                     "  settings show [--json]")))
        return ExitOk;
    const QStringList pos = parser.positionalArguments();
    if (pos.value(0) != QLatin1String("show") || pos.size() != 1)
        throwActionError(pos.join(u' '), QStringLiteral("show"));

    const QString path = QDir(programDir()).filePath(vyn::settingskeys::kProfileFile);
    if (QFileInfo(path).exists() && !QFileInfo(path).isReadable())
        throw Failure(QStringLiteral("Не удалось прочитать файл %1").arg(path));
    vyn::IniFile ini;
    if (!ini.load(path))
        throw Failure(QStringLiteral("Не удалось прочитать файл %1").arg(path));
    const vyn::InterfaceSettings s = vyn::InterfaceSettings::atStart(ini);
    const vyn::CommSettings c = vyn::CommSettings::read(ini);

    if (parser.isSet(json)) {
        const QJsonObject iface{
            {QStringLiteral("databasePath"), s.databasePath},
            {QStringLiteral("programmerFile"), s.programmerFile},
            {QStringLiteral("altDaysFile"), s.altDaysFile},
            {QStringLiteral("tariffFile"), s.tariffFile},
            {QStringLiteral("noCfgShown"), s.noCfgShown},
            {QStringLiteral("minFlowControl"), s.minFlowControl},
            {QStringLiteral("flowHistory"), s.flowHistory},
            {QStringLiteral("thermoHistory"), s.thermoHistory},
            {QStringLiteral("completenessCheck"), s.completenessCheck},
            {QStringLiteral("noDaylightSaving"), s.noDaylightSaving},
            {QStringLiteral("printSerialNumbers"), s.printSerialNumbers},
            {QStringLiteral("passport"), passportText(s.passport)},
        };
        const QJsonObject comm{
            {QStringLiteral("port"), c.port},
            {QStringLiteral("speed"), c.speed()},
            {QStringLiteral("dataBits"), vyn::CommSettings::dataBitsItems().value(c.dataBitsItem)},
            {QStringLiteral("parity"), vyn::CommSettings::parityItems().value(c.parityItem)},
            {QStringLiteral("stopBits"), vyn::CommSettings::stopBitsItems().value(c.stopBitsItem)},
            {QStringLiteral("dtr"), c.dtr},
            {QStringLiteral("rts"), c.rts},
            {QStringLiteral("networkAddress"), c.networkAddress},
            {QStringLiteral("wait"), c.wait},
            {QStringLiteral("byteInterval"), c.byteInterval},
        };
        const QJsonObject root{{QStringLiteral("settingsFile"), path},
                               {QStringLiteral("interface"), iface},
                               {QStringLiteral("communication"), comm}};
        printOut(QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
        return ExitOk;
    }

    const QStringList lines{
        QStringLiteral("Файл настроек: %1").arg(path),
        QStringLiteral("Интерфейсные настройки"),
        QStringLiteral("  Имя базы данных: %1").arg(s.databasePath),
        QStringLiteral("  Файл программатора: %1").arg(s.programmerFile),
        QStringLiteral("  Файл альтернативных дней: %1").arg(s.altDaysFile),
        QStringLiteral("  Файл тарифов: %1").arg(s.tariffFile),
        QStringLiteral("  Прибор отображает NoCFG: %1").arg(yesNo(s.noCfgShown)),
        QStringLiteral("  Устанавить в приборе контроль минимального значения расхода: %1")
            .arg(yesNo(s.minFlowControl)),
        QStringLiteral("  Сохранять историю ввода для характеристик расходомеров: %1")
            .arg(yesNo(s.flowHistory)),
        QStringLiteral("  Сохранять историю ввода для характеристик термометров: %1")
            .arg(yesNo(s.thermoHistory)),
        QStringLiteral("  Осуществлять проверку полноты ввода данных: %1")
            .arg(yesNo(s.completenessCheck)),
        QStringLiteral("  Не осуществлять перевод на зимнее/летнее время: %1")
            .arg(yesNo(s.noDaylightSaving)),
        QStringLiteral("  Печатать серийные номера в карте программирования: %1")
            .arg(yesNo(s.printSerialNumbers)),
        QStringLiteral("  Печатать паспорт: %1").arg(passportText(s.passport)),
        QStringLiteral("Коммуникационные настройки"),
        QStringLiteral("  Комм. порт: %1").arg(c.port),
        QStringLiteral("  Скорость передачи: %1").arg(c.speed()),
        QStringLiteral("  Формат данных: %1 %2 %3")
            .arg(vyn::CommSettings::dataBitsItems().value(c.dataBitsItem),
                 vyn::CommSettings::parityItems().value(c.parityItem),
                 vyn::CommSettings::stopBitsItems().value(c.stopBitsItem)),
        QStringLiteral("  DTR: %1").arg(yesNo(c.dtr)),
        QStringLiteral("  RTS: %1").arg(yesNo(c.rts)),
        QStringLiteral("  Сетевой адрес прибора: %1").arg(c.networkAddress),
        QStringLiteral("  Время ожидания начала передачи(с): %1").arg(c.wait),
        QStringLiteral("  Интервал между байтами (мс): %1").arg(c.byteInterval),
    };
    printOut(lines.join(u'\n'));
    return ExitOk;
}

} // namespace vyntool
