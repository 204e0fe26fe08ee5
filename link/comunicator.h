#pragma once
// Communicators: what one firmware generation of the calculator needs to take its
// configuration. The identification creates the one that fits the calculator and
// keeps it in DeviceSession::ActiveComunicator.

#include "commsettings.h"
#include "model/configrecord.h"
#include "model/numberlocale.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>

namespace vyn {

class TVynProto;
class UserDialogs;
struct DeviceSession;
struct Gen03Link;

// The status-bar progress bar of a command.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    // Sets the maximum and shows the bar.
    virtual void SetProgressBarMax(int n) = 0;
    // One step; at the maximum the bar starts again from 0.
    virtual void IncrementProgressBar() = 0;
    virtual void ResetProgressBar() = 0;
};

// The bar's arithmetic, for the windows and vyntool to show.
class ProgressCounter : public ProgressSink
{
public:
    void SetProgressBarMax(int n) override;
    void IncrementProgressBar() override;
    void ResetProgressBar() override;

    int maximum() const { return m_max; }
    int position() const { return m_position; }
    // Called after every change.
    std::function<void(const ProgressCounter&)> changed;

private:
    int m_max = 100;
    int m_position = 0;
};

// What a configuration write reads besides the record and the session: three
// interface settings, the communication settings and the clock.
struct WriteConfigInputs
{
    QString altDaysFile; // "Файл альтернативных дней:"; empty: no file
    bool noDaylightSaving = true; // "Не осуществлять перевод на зимнее/летнее время"
    bool minFlowControl = false; // "Устанавить в приборе контроль минимального значения расхода"
    CommSettings comm;
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    NumberLocale locale;
    // The window's generation-03 transfer (link/gen03write.h); none: such
    // calculators are not written.
    Gen03Link* gen03 = nullptr;

    // The settings' defaults: the first *.alt of the program directory, on, off.
    static WriteConfigInputs defaults(const QString& programDir);
};

// The first "*.alt" of a directory by name, as a path; empty when there is none.
QString firstAltDaysFile(const QString& directory);

// A chosen alternative-days file that exists but does not hold exactly the 62
// bytes of one (damaged, or another kind of file) raises EComunicatorExcept
// "Ошибка открытия файла.". An empty path or a missing file passes: what that
// means is each generation's own matter.
void checkAltDaysFileSize(const QString& path);

// Everything a WriteConfig works with.
struct WriteContext
{
    TVynProto& proto;
    ConfigRecord& record; // numbered again before the write
    const DeviceSession& session;
    const WriteConfigInputs& inputs;
    ProgressSink& progress;
    UserDialogs& dialogs;
};

class TVynComunicator
{
public:
    TVynComunicator() = default;
    virtual ~TVynComunicator() = default;
    TVynComunicator(const TVynComunicator&) = delete;
    TVynComunicator& operator=(const TVynComunicator&) = delete;

    virtual int GetDeviceType(TVynProto& proto);
    // True when the configuration has been handed to the calculator; failures raise.
    virtual bool WriteConfig(const WriteContext& context);

    // Zeroes both buffers' first 100 bytes and puts the bytes at the start of TxBuf.
    void SetTxData(std::span<const std::uint8_t> bytes);
    void SetTxData(std::initializer_list<std::uint8_t> bytes)
    {
        SetTxData(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
    }

    std::array<std::uint8_t, 1000> RxBuf{};
    std::array<std::uint8_t, 100> TxBuf{};
    // The last WriteConfig's parameter writes: taken by the calculator, and in all.
    int ParametersWritten = 0;
    int ParametersTotal = 0;
};

// Firmware dated 2004-01-01 or later: the configuration goes parameter by parameter.
class TVynComunicator_v04 : public TVynComunicator
{
public:
    // A failed exchange raises EComunicatorExcept "Ошибка запроса типа прибора"
    // with the protocol's reason on the next line.
    int GetDeviceType(TVynProto& proto) override;
    // Raises EPortUnavailable when the port cannot be opened again, the
    // exchanges' exceptions, and EComunicatorExcept for the alternative-days file
    // (after showing its message) and for values that are not numbers. A stop
    // request raises EInterrupted between two parameter writes.
    bool WriteConfig(const WriteContext& context) override;
};

// Older firmware: the configuration goes as a memory image.
class TVynComunicator_v03 : public TVynComunicator
{
public:
    // 1, 2 or 3 from the factory block, 0 when unknown or unanswered; a failed
    // exchange raises EComunicatorExcept "Ишибка при получении типа Винка".
    int GetDeviceType(TVynProto& proto) override;
    // Checks firmware and type, builds the device image and, when the calculator
    // enters its programming mode, starts the transfer worker and returns true
    // without waiting for it. Every other outcome is shown to the user and
    // returns false. Needs WriteConfigInputs::gen03.
    bool WriteConfig(const WriteContext& context) override;
};

} // namespace vyn
