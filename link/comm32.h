#pragma once
// The serial port every byte to and from a calculator passes through. POSIX
// termios underneath: opened exclusively and non-blocking, reads take only what
// is already queued, DTR and RTS follow DTRProp/RTSProp while the port is open.
// No protocol knowledge and no threads; callers do all waiting.

#include <QString>
#include <chrono>
#include <cstdint>
#include <span>

struct termios;

namespace vyn {

enum TParity
{
    pNone,
    pOdd,
    pEven,
    pMark,
    pSpace
};
enum TStopbits
{
    sb1_0,
    sb1_5,
    sb2_0
};
enum TDatabits
{
    da4,
    da5,
    da6,
    da7,
    da8
};

// The device path of a port name: "ttyUSB0" is /dev/ttyUSB0, a name with a "/"
// is a path already.
QString portDevicePath(const QString& name);

// "Связь с прибором потеряна: ..." of a hung-up line.
QString lineLostMessage();

// True for the speeds the port accepts (1200..115200).
bool isStandardBaudRate(int baud);

class TCustomComm32
{
public:
    TCustomComm32() = default;
    virtual ~TCustomComm32();
    TCustomComm32(const TCustomComm32&) = delete;
    TCustomComm32& operator=(const TCustomComm32&) = delete;

    bool Connected() const { return m_fd >= 0; }
    void Close();

    bool DTRProp() const { return m_dtr; }
    bool RTSProp() const { return m_rts; }
    void setDTRProp(bool level);
    void setRTSProp(bool level);

    // Hands the bytes to the driver; returns how many it took (0 when closed).
    int Write(const std::uint8_t* buffer, int count);
    int Write(std::span<const std::uint8_t> bytes)
    {
        return Write(bytes.data(), static_cast<int>(bytes.size()));
    }
    int WriteByte(std::uint8_t b) { return Write(&b, 1); }
    int WriteString(const QByteArray& s);

    // Takes up to count queued bytes; never waits.
    int Read(std::uint8_t* buffer, int count);
    // EPortExcept "Ошибка чтения даных" unless a byte / exactly count bytes came.
    std::uint8_t ReadByte();
    void ReadExact(std::uint8_t* buffer, int count);

    int InQueCount() const;
    int OutQueCount() const;
    bool HasInput() const { return InQueCount() > 0; }
    // Discards received bytes only; the output queue is left alone.
    void PurgeInput();

    // Waits until input is queued or the time is up; true when input waits.
    // The wait ends early on input, so receive loops need not sleep blindly.
    // A hung-up line raises EPortLost at once.
    bool WaitForInput(std::chrono::microseconds timeout) const;
    // True when the other end has hung up or the device has gone (nothing queued).
    bool LineLost() const;

    int handle() const { return m_fd; }

protected:
    // Opens path exclusively; raises EPortExcept with the reason on failure.
    void openDevice(const QString& path);
    void driveDTR();
    void driveRTS();
    bool readLineState(termios& t) const;
    void writeLineState(const termios& t) const;

private:
    int m_fd = -1;
    bool m_dtr = false;
    bool m_rts = false;
};

class TComm32 : public TCustomComm32
{
public:
    TComm32() = default;
    ~TComm32() override = default;

    // Opens DeviceName (or re-applies everything when open) and applies the line
    // settings. EPortExcept "Порт недоступен" (with the reason on a second line).
    void Open();

    QString DeviceName() const { return m_deviceName; }
    void setDeviceName(const QString& name) { m_deviceName = name; }

    int BaudRate() const { return m_baudRate; }
    TParity Parity() const { return m_parity; }
    TStopbits Stopbits() const { return m_stopbits; }
    TDatabits Databits() const { return m_databits; }
    // A speed outside 1200..115200 or 4 data bits raise EPortExcept; nothing is stored.
    void setBaudRate(int baud);
    void setParity(TParity parity);
    void setStopbits(TStopbits stopbits);
    void setDatabits(TDatabits databits);

    // Accepted for compatibility; Linux drivers size their queues themselves.
    std::uint32_t ReadBufferSize() const { return m_readBufferSize; }
    std::uint32_t WriteBufferSize() const { return m_writeBufferSize; }
    void setReadBufferSize(std::uint32_t size) { m_readBufferSize = size; }
    void setWriteBufferSize(std::uint32_t size) { m_writeBufferSize = size; }

private:
    void applyBaudRate();
    void applyParity();
    void applyStopbits();
    void applyDatabits();

    QString m_deviceName = QStringLiteral("COM2");
    int m_baudRate = 9600;
    TParity m_parity = pNone;
    TStopbits m_stopbits = sb1_0;
    TDatabits m_databits = da8;
    std::uint32_t m_readBufferSize = 4096;
    std::uint32_t m_writeBufferSize = 2048;
};

} // namespace vyn
