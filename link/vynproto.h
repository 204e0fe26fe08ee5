#pragma once
// The calculators' request protocol: a request header, data blocks of at most 64
// bytes, the end byte, the reply header and reply blocks, each checked by the
// frame CRC and acknowledged. The line may echo what the program sends; every
// exchange finds that out by itself.
//
// One TVynProto object exists per program; the Proto* functions act on it.

#include "comm32.h"
#include "prototimings.h"
#include "sleeper.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <span>

namespace vyn {

class TVynProto
{
public:
    explicit TVynProto(Sleeper& sleeper = ThreadSleeper::instance(), ProtoTimings timings = {});

    TComm32& port() { return m_port; }
    const TComm32& port() const { return m_port; }
    const ProtoTimings& timings() const { return m_timings; }
    void setTimings(const ProtoTimings& timings) { m_timings = timings; }
    // The waits of the callers' own sequences go through the same sleeper.
    Sleeper& sleeper() const { return m_sleeper; }

    // The levels ProtoResetLine restores and every exchange re-applies.
    bool rememberedDTR() const { return m_dtr; }
    bool rememberedRTS() const { return m_rts; }
    // Why the last ProtoOpenPort failed (the port's message), empty after success.
    QString lastOpenError() const { return m_lastOpenError; }

    // The stop request of a running command: a plain atomic store, safe from
    // another thread and from a signal handler. The line reset and every
    // exchange raise EInterrupted while it is set: before they start and, within
    // a few tens of milliseconds, in the middle of their waits for the device.
    void requestStop() { m_stop.store(true); }
    void clearStop() { m_stop.store(false); }
    bool stopRequested() const { return m_stop.load(); }
    // EInterrupted when a stop was requested.
    void checkStop() const;
    // A wait of the callers' own sequences that a stop request cuts short;
    // false when it did.
    bool pauseUnlessStopped(int ms) const;

    bool setDTR(bool level);
    bool setRTS(bool level);
    bool setSpeed(int baud);
    bool openPort(const QString& name);
    void closePort();
    void resetLine();
    bool readByte(std::uint8_t& b);
    bool exchange(std::uint8_t address, std::uint8_t function, std::uint16_t length,
                  std::span<const std::uint8_t> data, std::span<std::uint8_t> reply);

private:
    void sleepUnlessStopped(int ms);
    bool waitForCount(int count, std::chrono::milliseconds bound, int stepMs);
    bool receive(std::uint8_t* buffer, int count);
    // How many bytes of the header's echo are in (they are taken off the line); 0 when none.
    int takeHeaderEcho(std::span<const std::uint8_t> header);
    // The header's acknowledge after its check bytes went out, past whatever echo
    // is still to come; sets whether the line echoes.
    bool receiveHeaderAck(std::span<const std::uint8_t> sent, int echoed,
                          std::chrono::milliseconds headerWait, bool& echo,
                          std::uint8_t& ackByte);
    void drainInput();

    TComm32 m_port;
    Sleeper& m_sleeper;
    ProtoTimings m_timings;
    bool m_dtr = true;
    bool m_rts = true;
    QString m_lastOpenError;
    std::atomic<bool> m_stop{false};
};

inline bool ProtoSetDTR(TVynProto& proto, bool level)
{
    return proto.setDTR(level);
}
inline bool ProtoSetRTS(TVynProto& proto, bool level)
{
    return proto.setRTS(level);
}
// Closes, sets the speed and reopens when it was open; false on any failure.
inline bool ProtoSetSpeed(TVynProto& proto, int baud)
{
    return proto.setSpeed(baud);
}
// "ttyUSB0" or a path. On failure the previous port is reopened and false returned.
inline bool ProtoOpenPort(TVynProto& proto, const QString& name)
{
    return proto.openPort(name);
}
inline void ProtoClosePort(TVynProto& proto)
{
    proto.closePort();
}
// DTR and RTS low for a while, then back to the remembered levels and a settle time.
inline void ProtoResetLine(TVynProto& proto)
{
    proto.resetLine();
}
inline bool ProtoReadByte(TVynProto& proto, std::uint8_t& b)
{
    return proto.readByte(b);
}
// One exchange. reply[0] gets the reply status byte, reply[1..] the reply data
// (what does not fit the buffer is dropped). False without traffic when the port
// is closed; every failure on the line raises EProtokol or EPortExcept.
inline bool ProtoExchange(TVynProto& proto, std::uint8_t address, std::uint8_t function,
                          std::uint16_t length, std::span<const std::uint8_t> data,
                          std::span<std::uint8_t> reply)
{
    return proto.exchange(address, function, length, data, reply);
}

} // namespace vyn
