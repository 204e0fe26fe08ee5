#include "deviceoptions.h"

#include "cliutil.h"
#include "transferui.h"

#include "link/linkerrors.h"
#include "link/vynproto.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vyntool {

void addDeviceOptions(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("port"),
                      QStringLiteral("Порт: имя (ttyUSB0) или путь (/dev/pts/3)."),
                      QStringLiteral("имя")});
    parser.addOption({QStringLiteral("speed"),
                      QStringLiteral("Скорость линии: %1 (по умолчанию 9600).").arg(speedChoices()),
                      QStringLiteral("бод")});
    parser.addOption({QStringLiteral("fast"),
                      QStringLiteral("Короткий сброс линии и финальная пауза (для симулятора и "
                                     "тестов).")});
}

void addJsonOption(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("json"),
                      QStringLiteral("Вывести итог одним объектом JSON на stdout (и при ошибке).")});
}

vyn::CommSettings commFromOptions(const QCommandLineParser& parser)
{
    return commSettingsFor(requiredValue(parser, QStringLiteral("port")),
                           intValue(parser, QStringLiteral("speed"), 9600));
}

int exitCodeFor(DeviceOutcome outcome)
{
    switch (outcome) {
    case DeviceOutcome::Done:
        return ExitOk;
    case DeviceOutcome::NotIdentified:
        return ExitNotFound;
    case DeviceOutcome::TypeMismatch:
    case DeviceOutcome::SerialDeclined:
        return ExitRefused;
    case DeviceOutcome::PortUnavailable:
        return ExitPortUnavailable;
    case DeviceOutcome::Interrupted:
        return ExitInterrupted;
    case DeviceOutcome::Failed:
        break;
    }
    return ExitFailure;
}

namespace {

QString outcomeWord(const DeviceReport& r)
{
    switch (r.outcome) {
    case DeviceOutcome::Done:
        return r.done;
    case DeviceOutcome::NotIdentified:
        return QStringLiteral("not-identified");
    case DeviceOutcome::TypeMismatch:
        return QStringLiteral("type-mismatch");
    case DeviceOutcome::SerialDeclined:
        return QStringLiteral("serial-declined");
    case DeviceOutcome::PortUnavailable:
        return QStringLiteral("port-unavailable");
    case DeviceOutcome::Interrupted:
        return QStringLiteral("interrupted");
    case DeviceOutcome::Failed:
        break;
    }
    return QStringLiteral("failed");
}

} // namespace

QString DeviceReport::json() const
{
    QJsonObject o;
    o[QStringLiteral("outcome")] = outcomeWord(*this);
    o[QStringLiteral("exitCode")] = exitCodeFor(outcome);
    o[QStringLiteral("serial")] = serial.isEmpty() ? QJsonValue() : QJsonValue(serial);
    o[QStringLiteral("generation")] =
        deviceGeneration < 0 ? QJsonValue()
                             : QJsonValue(deviceGeneration == 1 ? QStringLiteral("04")
                                                                : QStringLiteral("03"));
    if (deviceGeneration >= 0)
        o[QStringLiteral("deviceGeneration")] = deviceGeneration;
    o[QStringLiteral("deviceVersion")] = deviceVersion < 0 ? QJsonValue() : QJsonValue(deviceVersion);
    if (newType >= 0)
        o[QStringLiteral("newType")] = newType == 1;
    if (!firmwareDate.isEmpty())
        o[QStringLiteral("firmwareDate")] = firmwareDate;
    if (parametersWritten >= 0) {
        o[QStringLiteral("parametersWritten")] = parametersWritten;
        o[QStringLiteral("parametersTotal")] = parametersTotal;
    }
    if (!file.isEmpty())
        o[QStringLiteral("file")] = file;
    o[QStringLiteral("durationMs")] = static_cast<qint64>(clock.elapsed());
    o[QStringLiteral("error")] = error.isEmpty() ? QJsonValue() : QJsonValue(error);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

bool identifyFromOptions(const QCommandLineParser& parser, vyn::Identification& id,
                         DeviceReport& report)
{
    const vyn::CommSettings comm = commFromOptions(parser);
    InterruptGuard guard;
    vyn::TVynProto proto(vyn::ThreadSleeper::instance(),
                         commandTimings(parser.isSet(QStringLiteral("fast"))));
    guard.setStopRequest([&proto] { proto.requestStop(); });
    guard.arm();
    const auto fail = [&](DeviceOutcome outcome, const QString& text) {
        vyn::ProtoClosePort(proto);
        report.outcome = outcome;
        report.error = text;
        printErr(text);
        return false;
    };
    // An argument error is the caller's; the report is for what the line did.
    try {
        id = vyn::identifyDevice(proto, comm.port, comm.speed());
    } catch (const vyn::EPortUnavailable& e) {
        return fail(DeviceOutcome::PortUnavailable,
                    QStringLiteral("В настоящее время %1 не доступен\n%2").arg(comm.port, e.message()));
    } catch (const vyn::EInterrupted&) {
        return fail(DeviceOutcome::Interrupted, QStringLiteral("Идентификация прервана"));
    } catch (const vyn::ELinkError& e) {
        return fail(DeviceOutcome::NotIdentified,
                    e.message() == QStringLiteral("Прибор не обнаружен")
                        ? e.message()
                        : QStringLiteral("Прибор не обнаружен\n%1").arg(e.message()));
    }
    vyn::ProtoClosePort(proto);
    report.outcome = DeviceOutcome::Done;
    report.serial = id.serial;
    report.deviceGeneration = id.generation;
    report.deviceVersion = id.version;
    report.firmwareDate = id.firmwareDate.toString(Qt::ISODate);
    report.newType = id.newType ? 1 : 0;
    return true;
}

} // namespace vyntool

namespace vyntool {

vyn::Identification identifyFromOptions(const QCommandLineParser& parser)
{
    vyn::Identification id;
    DeviceReport report(QStringLiteral("identified"));
    if (!identifyFromOptions(parser, id, report))
        throw Failure(QString(), exitCodeFor(report.outcome));
    return id;
}

} // namespace vyntool
