#include "comunicator.h"

#include "identification.h"
#include "linkerrors.h"
#include "v04params.h"
#include "vynproto.h"

#include "model/devicesession.h"
#include "model/systems.h"
#include "model/userdialogs.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace vyn {

void ProgressCounter::SetProgressBarMax(int n)
{
    m_max = std::max(n, 1);
    m_position = std::min(m_position, m_max);
    if (changed)
        changed(*this);
}

void ProgressCounter::IncrementProgressBar()
{
    if (++m_position >= m_max)
        m_position = 0;
    if (changed)
        changed(*this);
}

void ProgressCounter::ResetProgressBar()
{
    m_position = 0;
    if (changed)
        changed(*this);
}

QString firstAltDaysFile(const QString& directory)
{
    const QDir dir(directory);
    const QStringList names =
        dir.entryList({QStringLiteral("*.alt")}, QDir::Files | QDir::Readable, QDir::Name);
    return names.isEmpty() ? QString() : dir.filePath(names.first());
}

void checkAltDaysFileSize(const QString& path)
{
    if (path.isEmpty())
        return;
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || info.size() != 62))
        throw EComunicatorExcept(QStringLiteral("Ошибка открытия файла."));
}

WriteConfigInputs WriteConfigInputs::defaults(const QString& programDir)
{
    WriteConfigInputs in;
    in.altDaysFile = firstAltDaysFile(programDir);
    return in;
}

int TVynComunicator::GetDeviceType(TVynProto&)
{
    return 0;
}

bool TVynComunicator::WriteConfig(const WriteContext&)
{
    return false;
}

void TVynComunicator::SetTxData(std::span<const std::uint8_t> bytes)
{
    std::fill_n(TxBuf.begin(), 100, 0);
    std::fill_n(RxBuf.begin(), 100, 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), TxBuf.size()), TxBuf.begin());
}

int TVynComunicator_v04::GetDeviceType(TVynProto& proto)
{
    SetTxData({0x03, 0x35, 0x45, 0x25});
    try {
        ProtoExchange(proto, 0, 0x0A, 4, TxBuf, RxBuf);
    } catch (const EInterrupted&) {
        throw;
    } catch (const ELinkError& e) {
        throw EComunicatorExcept(QStringLiteral("Ошибка запроса типа прибора\n") + e.message());
    }
    return RxBuf[8];
}

bool TVynComunicator_v04::WriteConfig(const WriteContext& c)
{
    ParametersWritten = 0;
    ParametersTotal = 0;
    c.progress.SetProgressBarMax(137);
    c.progress.IncrementProgressBar();

    // Everything is computed before the first write, so that a file that cannot be
    // read or a value that is not a number leaves the calculator untouched.
    numberSystems(c.record);
    V04WriteInputs in;
    in.deviceVersion = c.session.DeviceVersion;
    try {
        checkAltDaysFileSize(c.inputs.altDaysFile);
        in.altDays = readAltDaysForWrite(c.inputs.altDaysFile);
    } catch (const EComunicatorExcept& e) {
        c.dialogs.inform(e.message(), QString());
        throw;
    }
    in.noDaylightSaving = c.inputs.noDaylightSaving;
    in.minFlowControl = c.inputs.minFlowControl;
    in.now = c.inputs.clock ? c.inputs.clock() : QDateTime::currentDateTime();
    in.locale = c.inputs.locale;
    const std::vector<ParameterWrite> writes = buildV04ParameterWrites(c.record, in);
    ParametersTotal = static_cast<int>(writes.size());

    openAndResetLine(c.proto, c.inputs.comm.port, c.inputs.comm.speed());

    for (const ParameterWrite& w : writes) {
        // Between two parameters: the one sent has been taken whole.
        c.proto.checkStop();
        const QByteArray data = w.requestData();
        SetTxData(std::span(reinterpret_cast<const std::uint8_t*>(data.constData()),
                            static_cast<std::size_t>(data.size())));
        ProtoExchange(c.proto, 0, 3, static_cast<std::uint16_t>(data.size()), TxBuf, RxBuf);
        ++ParametersWritten;
        c.progress.IncrementProgressBar();
        if (w.pauseAfterMs > 0)
            (void)c.proto.pauseUnlessStopped(w.pauseAfterMs);
    }
    for (std::uint8_t function : {std::uint8_t{0x82}, std::uint8_t{0x80}}) {
        SetTxData({0x01, 0x05, 0x10});
        ProtoExchange(c.proto, 0, function, 3, TxBuf, RxBuf);
        c.progress.IncrementProgressBar();
    }

    // Everything has been taken by now: a stop only cuts the pause short.
    (void)c.proto.pauseUnlessStopped(c.proto.timings().configFinalPauseMs);
    c.dialogs.inform(QStringLiteral("Конфигурация записана успешно"), QString());
    c.progress.ResetProgressBar();
    ProtoClosePort(c.proto);
    return true;
}

int TVynComunicator_v03::GetDeviceType(TVynProto& proto)
{
    SetTxData({0x03, 0x45, 0x2F, 0x29});
    bool answered = false;
    try {
        answered = ProtoExchange(proto, 0, 2, 4, TxBuf, RxBuf);
    } catch (const EInterrupted&) {
        throw;
    } catch (const ELinkError& e) {
        throw EComunicatorExcept(QStringLiteral("Ишибка при получении типа Винка\n") +
                                 e.message());
    } catch (const std::exception&) {
        throw EComunicatorExcept(QStringLiteral("Ишибка при получении типа Винка"));
    }
    if (!answered)
        return 0;
    const std::uint8_t b26 = RxBuf[26];
    const std::uint8_t b27 = RxBuf[27];
    if (b26 == 0x20 && b27 == 2)
        return 1;
    if (b26 == 0x40 && b27 == 2)
        return 2;
    if (b26 == 0x40 && b27 == 4)
        return 3;
    return 0;
}

} // namespace vyn
