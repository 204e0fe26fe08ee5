// The generation-03 configuration write: checks with the request protocol, the
// device image, the programming-mode request, then the transfer worker.

#include "gen03write.h"

#include "comunicator.h"
#include "linkerrors.h"
#include "pageplan.h"
#include "vynproto.h"

#include "model/altdays.h"
#include "model/systems.h"
#include "model/userdialogs.h"

#include <cstring>

namespace vyn {

namespace {

float singleAt(std::span<const std::uint8_t> reply, std::size_t at)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i)
        bits |= static_cast<std::uint32_t>(reply[at + i]) << (8 * i);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::optional<AltDaysBytes> altDaysFor(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
    try {
        return readAltDaysRaw(path);
    } catch (const AltDaysFileError&) {
        return std::nullopt; // 62 zero bytes
    }
}

} // namespace

bool offerToStopRunningWrite(OperateRunner& runner, UserDialogs& dialogs,
                             const QString& applicationTitle)
{
    if (!runner.busy())
        return false;
    if (dialogs.ask(QStringLiteral("Вы хотите завершить процесс?"), applicationTitle, false))
        runner.stop();
    return true;
}

int firmwareStampOf(std::span<const std::uint8_t> reply)
{
    return reply[16] * 10000 + reply[17] * 100 + reply[18];
}

QString firmwareVersionTextOf(std::span<const std::uint8_t> reply)
{
    return QString::number(reply[18] * 10000 + reply[17] * 100 + reply[16]);
}

bool factoryBlockValid(std::span<const std::uint8_t> reply)
{
    for (std::size_t i = 8; i <= 15; ++i)
        if (reply[i] >= 10)
            return false;
    const float a = singleAt(reply, 16);
    const float b = singleAt(reply, 20);
    const int word = reply[24] + 256 * reply[25];
    return a >= 1600.0f && a <= 1800.0f && b >= 0.5f && b <= 2.0f &&
           (reply[26] == 0x20 || reply[26] == 0x40) && (reply[27] == 2 || reply[27] == 4) &&
           word == reply[26] * 1000 + 768;
}

bool configurationFits(std::uint8_t b26, std::uint8_t b27, QChar digit)
{
    return (b26 == 0x20 && b27 == 2 && digit == QLatin1Char('0')) ||
           (b26 == 0x40 && b27 == 2 &&
            (digit == QLatin1Char('0') || digit == QLatin1Char('6') ||
             digit == QLatin1Char('7'))) ||
           (b26 == 0x40 && b27 == 4);
}

bool TVynComunicator_v03::WriteConfig(const WriteContext& c)
{
    Gen03Link* link = c.inputs.gen03;
    if (!link)
        return false;
    const QString& title = link->applicationTitle;
    if (offerToStopRunningWrite(link->runner, c.dialogs, title))
        return false;
    const auto waiting = [&](bool on) {
        if (link->showWaiting)
            link->showWaiting(on);
    };
    // What can be found out without the calculator is, before it enters its
    // programming mode: a loader that did not load whole would start nothing
    // and leave the calculator waiting.
    ParametersWritten = 0;
    ParametersTotal = 0;
    if (!loaderRange(link->loader)) {
        c.dialogs.inform(QStringLiteral("Файл программатора не прочитан; конфигурация не "
                                        "записана."),
                         QStringLiteral("Ошибка"), MessageKind::Error);
        return false;
    }
    try {
        checkAltDaysFileSize(c.inputs.altDaysFile);
    } catch (const EComunicatorExcept& e) {
        c.dialogs.inform(e.message(), QStringLiteral("Ошибка"), MessageKind::Error);
        return false;
    }
    waiting(true);

    const CommSettings& comm = c.inputs.comm;
    ProtoSetSpeed(c.proto, comm.speed());
    ProtoSetDTR(c.proto, true);
    ProtoSetRTS(c.proto, true);
    if (!ProtoOpenPort(c.proto, comm.port)) {
        c.dialogs.inform(QStringLiteral("В настоящее время ") + comm.port +
                             QStringLiteral(" не доступен"),
                         title, MessageKind::Error);
        waiting(false);
        return false;
    }
    // Every way out from here closes the protocol port.
    struct PortCloser
    {
        TVynProto& proto;
        ~PortCloser() { ProtoClosePort(proto); }
    } closer{c.proto};
    ProtoResetLine(c.proto); // a stop request raises: the closer closes the port

    const QString scheme = c.record.CXEMA.left(2);
    int stamp = 0;
    try {
        SetTxData({0x02, 0x45, 0x4F, 0x00});
        QString version = QStringLiteral("0");
        if (ProtoExchange(c.proto, 0, 2, 4, TxBuf, RxBuf)) {
            version = firmwareVersionTextOf(RxBuf);
            stamp = firmwareStampOf(RxBuf);
        }
        const QString code = stamp >= 30519 ? QStringLiteral("30") : scheme;
        if (!link->schemes.find(code) &&
            !c.dialogs.ask(QStringLiteral("Для прибора с версией программы ") + version +
                               QStringLiteral(" нет возможности \r\nзаписать конфигурацию \"") +
                               scheme +
                               QStringLiteral("\".\r\nБудет записанна конфирурация "
                                              "\"30\". Продолжить?"),
                           title, false)) {
            waiting(false);
            return false;
        }
    } catch (const EInterrupted&) {
        waiting(false);
        throw;
    } catch (const std::exception&) {
        waiting(false);
        c.dialogs.inform(QStringLiteral("Ошибка. Прибор не подключен\n\rили находится не в "
                                        "тестовом режиме."),
                         title, MessageKind::Error);
        return false;
    }

    bool answered = false;
    try {
        SetTxData({0x03, 0x45, 0x2F, 0x29});
        answered = ProtoExchange(c.proto, 0, 2, 4, TxBuf, RxBuf);
    } catch (const EInterrupted&) {
        waiting(false);
        throw;
    } catch (const std::exception&) {
        answered = false;
    }
    if (link->noCfgShown) {
        answered = true;
        RxBuf[26] = 0x40;
        RxBuf[27] = 4;
        RxBuf[34] = 1;
        link->noCfgShown = false;
    }

    bool fits = false;
    if (answered && link->specialBuild && !factoryBlockValid(RxBuf)) {
        c.dialogs.inform(QStringLiteral("В блоке заводских уставок найдена ошибка"),
                         QStringLiteral("Ошибка"), MessageKind::Error);
    } else if (answered) {
        fits = configurationFits(RxBuf[26], RxBuf[27], scheme.size() > 1 ? scheme[1] : QChar());
        ImageInputs in;
        in.ImageLayout = RxBuf[34];
        in.FirmwareStamp = stamp;
        in.schemes = link->schemes;
        in.altDays = altDaysFor(c.inputs.altDaysFile);
        in.noSeasonTimeChange = c.inputs.noDaylightSaving;
        in.minFlowControl = c.inputs.minFlowControl;
        in.now = c.inputs.clock ? c.inputs.clock() : QDateTime::currentDateTime();
        in.locale = c.inputs.locale;
        try {
            link->image = buildDeviceImage(c.record, in);
        } catch (const SchemeTableError& e) {
            // Without the record "30" there is no image to send.
            waiting(false);
            c.dialogs.inform(e.message(), QStringLiteral("Ошибка"), MessageKind::Error);
            return false;
        }
    }
    waiting(false);

    if (fits) {
        // The last moment to stop without the calculator in its programming mode.
        c.proto.checkStop();
        bool ready = false;
        try {
            SetTxData({0x01, 0x05, 0x10});
            std::uint8_t b = 0;
            ready = ProtoExchange(c.proto, 0, 1, 3, TxBuf, RxBuf) && ProtoReadByte(c.proto, b) &&
                    b == 2;
        } catch (const std::exception&) {
            ready = false;
        }
        if (!ready)
            return false;
        // Both opens are exclusive: the protocol port goes before the worker
        // opens Comm321 on the same device.
        ProtoClosePort(c.proto);
        link->runner.startSavePrg(OperateContext{link->comm321, comm, link->runner.state(),
                                                 link->host, link->sleeper, link->timings},
                                  link->loader, link->image);
        return true;
    }
    if (answered)
        c.dialogs.inform(QStringLiteral("Проверте правильность установки конфигурации для прибора"),
                         QStringLiteral("Ошибка конфигурации"), MessageKind::Error);
    else
        c.dialogs.inform(QStringLiteral("Винк не ответил на запрос. Проверте правильность "
                                        "устаноки прибора и повторите процесс записи "
                                        "конфигурации"),
                         QStringLiteral("Ошибка обмена"), MessageKind::Error);
    return false;
}

} // namespace vyn
