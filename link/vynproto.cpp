#include "vynproto.h"

#include "linkerrors.h"
#include "model/crc16.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace vyn {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr std::uint8_t kBlockMark = 0xF1;
constexpr std::uint8_t kEndOfRequest = 0xF4;
constexpr std::uint8_t kProgramAck = 0xFF;
constexpr int kMaxRequestBlock = 64;
constexpr int kEmptyBlocksAllowed = 8;
// The longest a wait for input goes without looking at the stop request.
constexpr microseconds kStopSlice = std::chrono::milliseconds(20);

[[noreturn]] void fail(const char* text)
{
    throw EProtokol(QString::fromUtf8(text));
}

std::array<std::uint8_t, 2> crcBytes(std::span<const std::uint8_t> frame)
{
    const std::uint16_t crc = frameCrc(frame);
    return {static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc & 0xFF)};
}

} // namespace

TVynProto::TVynProto(Sleeper& sleeper, ProtoTimings timings)
    : m_sleeper(sleeper), m_timings(timings)
{
    m_port.setBaudRate(4800);
    m_port.setParity(pNone);
    m_port.setDTRProp(true);
    m_port.setRTSProp(true);
}

bool TVynProto::setDTR(bool level)
{
    m_dtr = level;
    m_port.setDTRProp(level);
    return true;
}

bool TVynProto::setRTS(bool level)
{
    m_rts = level;
    m_port.setRTSProp(level);
    return true;
}

bool TVynProto::setSpeed(int baud)
{
    // An unusable speed leaves the port as it is instead of closing it.
    if (!isStandardBaudRate(baud))
        return false;
    try {
        const bool wasOpen = m_port.Connected();
        m_port.Close();
        m_port.setBaudRate(baud);
        if (wasOpen)
            m_port.Open();
        return true;
    } catch (...) {
        return false;
    }
}

bool TVynProto::openPort(const QString& name)
{
    const bool wasOpen = m_port.Connected();
    const QString previous = m_port.DeviceName();
    try {
        m_port.Close();
        m_port.setDeviceName(portDevicePath(name));
        m_port.Open();
        m_lastOpenError.clear();
        return true;
    } catch (const ELinkError& e) {
        m_lastOpenError = e.message();
    } catch (const std::exception& e) {
        m_lastOpenError = QString::fromUtf8(e.what());
    }
    m_port.Close();
    m_port.setDeviceName(previous);
    if (wasOpen) {
        try {
            m_port.Open();
        } catch (...) {
        }
    }
    return false;
}

void TVynProto::closePort()
{
    m_port.Close();
}

void TVynProto::checkStop() const
{
    if (stopRequested())
        throw EInterrupted(QStringLiteral("Операция прервана"));
}

bool TVynProto::pauseUnlessStopped(int ms) const
{
    return m_sleeper.sleepUnlessStopped(std::chrono::milliseconds(ms), m_stop);
}

void TVynProto::sleepUnlessStopped(int ms)
{
    // A stop request does not wait out the seven seconds of a line reset.
    if (!m_sleeper.sleepUnlessStopped(std::chrono::milliseconds(ms), m_stop))
        checkStop();
}

void TVynProto::resetLine()
{
    if (!m_port.Connected())
        return;
    m_port.setDTRProp(false);
    m_port.setRTSProp(false);
    try {
        sleepUnlessStopped(m_timings.lineResetLowMs);
    } catch (const EInterrupted&) {
        m_port.setDTRProp(m_dtr);
        m_port.setRTSProp(m_rts);
        throw;
    }
    m_port.setDTRProp(m_dtr);
    m_port.setRTSProp(m_rts);
    sleepUnlessStopped(m_timings.lineResetHighMs);
}

bool TVynProto::waitForCount(int count, std::chrono::milliseconds bound, int stepMs)
{
    const auto deadline = Clock::now() + bound;
    const microseconds step = std::chrono::milliseconds(std::max(stepMs, 1));
    // One character at the current speed: 11 bits.
    const microseconds charTime(11'000'000LL / std::max(m_port.BaudRate(), 1));
    int had = -1;
    for (;;) {
        const int have = m_port.InQueCount();
        if (have >= count)
            return true;
        if (!m_port.Connected())
            return false;
        // A stop does not wait out the bound of a silent line.
        checkStop();
        if (have == 0 && m_port.LineLost())
            throw EPortLost(lineLostMessage());
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::duration_cast<microseconds>(deadline - now);
        if (!m_timings.pollInput) {
            m_sleeper.sleepFor(std::min(step, left));
        } else if (have == 0) {
            m_port.WaitForInput(std::min(left, kStopSlice));
        } else {
            // Part of it is here: sleep about as long as the rest takes on the wire,
            // a whole step once nothing more comes.
            const microseconds upper = std::min(step, left);
            const microseconds rest = have == had ? upper : charTime * (count - have);
            m_sleeper.sleepFor(std::clamp(rest, std::min(microseconds(200), upper), upper));
        }
        had = have;
    }
}

bool TVynProto::receive(std::uint8_t* buffer, int count)
{
    if (!waitForCount(count, m_timings.receiveBound(), m_timings.receiveStepMs))
        return false;
    m_port.ReadExact(buffer, count);
    return true;
}

void TVynProto::drainInput()
{
    // Bounded, so that a babbling line cannot hold the program for ever.
    const auto deadline = Clock::now() + m_timings.receiveBound();
    while (m_port.InQueCount() > 0 && Clock::now() < deadline) {
        checkStop();
        m_port.PurgeInput();
        m_sleeper.sleepMs(m_timings.drainStepMs);
    }
}

bool TVynProto::readByte(std::uint8_t& b)
{
    try {
        if (!m_port.Connected())
            throw EReadExcept(QStringLiteral("Ошибка чтения байта"));
        for (int i = 0; i < m_timings.outQueueChecks && m_port.OutQueCount() > 0; ++i) {
        }
        const auto deadline = Clock::now() + m_timings.readByteBound();
        for (;;) {
            if (m_port.HasInput()) {
                b = m_port.ReadByte();
                return true;
            }
            const auto now = Clock::now();
            if (now >= deadline || stopRequested())
                break;
            const auto left = std::chrono::duration_cast<microseconds>(deadline - now);
            if (m_timings.pollInput)
                m_port.WaitForInput(std::min(left, kStopSlice));
            else
                m_sleeper.sleepFor(std::min<microseconds>(
                    std::chrono::milliseconds(m_timings.readByteStepMs), left));
        }
        throw EReadExcept(QStringLiteral("Ошибка чтения байта"));
    } catch (...) {
        return false;
    }
}

int TVynProto::takeHeaderEcho(std::span<const std::uint8_t> header)
{
    // Read rather than purge: a byte arriving between a count and a purge would be
    // lost, and the echo test then misreads the rest of it as the acknowledge.
    const int have = m_port.InQueCount();
    if (have <= 0)
        return 0;
    std::vector<std::uint8_t> got(static_cast<std::size_t>(have));
    m_port.ReadExact(got.data(), have);
    if (have == static_cast<int>(header.size()))
        return have;
    // The start of our own header: the rest of its echo is still on its way.
    if (have < static_cast<int>(header.size()) &&
        std::equal(got.begin(), got.end(), header.begin()))
        return have;
    return 0;
}

bool TVynProto::receiveHeaderAck(std::span<const std::uint8_t> sent, int echoed,
                                 std::chrono::milliseconds headerWait, bool& echo,
                                 std::uint8_t& ackByte)
{
    const int total = static_cast<int>(sent.size());
    std::array<std::uint8_t, 8> got{};
    if (echoed > 0) {
        // The echo of what is left of the header and of its check bytes, then the acknowledge.
        echo = true;
        const int count = total - echoed + 1;
        if (!receive(got.data(), count))
            return false;
        ackByte = got[static_cast<std::size_t>(count - 1)];
        return true;
    }
    // Nothing of the echo yet. A plain line answers with the acknowledge alone; an
    // echo that came late begins with our header, which an acknowledge can only
    // resemble in its first byte.
    echo = false;
    if (!receive(got.data(), 1))
        return false;
    ackByte = got[0];
    if (got[0] != sent[0] || !waitForCount(1, headerWait, m_timings.echoStepMs))
        return true;
    m_port.ReadExact(got.data() + 1, 1);
    if (got[1] != sent[1])
        return true;
    echo = true;
    if (!receive(got.data() + 2, total - 1))
        return false;
    ackByte = got[static_cast<std::size_t>(total)];
    return true;
}

bool TVynProto::exchange(std::uint8_t address, std::uint8_t function, std::uint16_t length,
                         std::span<const std::uint8_t> data, std::span<std::uint8_t> reply)
{
    if (!m_port.Connected())
        return false;
    if (data.size() < length)
        throw std::invalid_argument("ProtoExchange: fewer request bytes than the length says");
    checkStop();

    m_port.setDTRProp(m_dtr);
    m_port.setRTSProp(m_rts);
    m_port.setDatabits(da8);
    m_port.setStopbits(sb2_0);
    m_port.setParity(pNone);

    const std::array<std::uint8_t, 5> header{address, 0xFF, function,
                                             static_cast<std::uint8_t>(length & 0xFF),
                                             static_cast<std::uint8_t>(length >> 8)};
    const auto headerCrc = crcBytes(header);
    drainInput();

    // Header phase: the only step that is retried.
    std::array<std::uint8_t, 7> sent{};
    std::copy(header.begin(), header.end(), sent.begin());
    std::copy(headerCrc.begin(), headerCrc.end(), sent.begin() + 5);
    bool echo = false;
    int ackLength = 1;
    std::uint8_t ackByte = 0;
    bool acknowledged = false;
    for (int attempt = 0; attempt < 3 && !acknowledged; ++attempt) {
        // What a failed attempt left (on an echoing line, the echo of its check
        // bytes) would spoil the echo test and pass for the acknowledge.
        if (attempt > 0)
            m_port.PurgeInput();
        m_port.Write(header);
        // An echoing line hands our own five bytes back within the wait; once they
        // are all here there is nothing more to wait for.
        const std::chrono::milliseconds headerWait(m_timings.headerWaitMs(m_port.BaudRate()));
        if (m_timings.pollInput)
            waitForCount(static_cast<int>(header.size()), headerWait, m_timings.echoStepMs);
        else
            sleepUnlessStopped(static_cast<int>(headerWait.count()));
        const int echoed = takeHeaderEcho(header);
        m_port.Write(headerCrc);
        acknowledged = receiveHeaderAck(sent, echoed, headerWait, echo, ackByte);
        ackLength = echo ? 3 : 1;
    }
    if (!acknowledged)
        fail("Ошибка 1: Ошибка приема подтверждения.");
    if (address == 0)
        address = ackByte;
    std::array<std::uint8_t, 3> ack{};

    std::uint8_t echoByte = 0;
    for (std::size_t pos = 0; pos < length;) {
        const int n = static_cast<int>(std::min<std::size_t>(kMaxRequestBlock, length - pos));
        std::vector<std::uint8_t> block;
        block.reserve(static_cast<std::size_t>(n) + 2);
        block.push_back(kBlockMark);
        block.push_back(static_cast<std::uint8_t>(n));
        block.insert(block.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                     data.begin() + static_cast<std::ptrdiff_t>(pos) + n);
        m_port.Write(block);
        // The echo wait is bounded like every receive.
        if (echo && !waitForCount(n + 2, m_timings.receiveBound(), m_timings.echoStepMs))
            fail("Ошибка 2: Ошибка приема блока.");
        m_port.PurgeInput();
        m_port.Write(crcBytes(block));
        if (!receive(ack.data(), ackLength))
            fail("Ошибка 2: Ошибка приема блока.");
        if (ack[static_cast<std::size_t>(ackLength - 1)] != address)
            fail("Ошибка 3: Ошибка приема подтверждения блока.");
        pos += static_cast<std::size_t>(n);
    }

    m_port.WriteByte(kEndOfRequest);
    if (echo)
        (void)receive(&echoByte, 1);

    std::array<std::uint8_t, 7> replyHeader{};
    if (!receive(replyHeader.data(), 7))
        fail("Ошибка 4: Ошибка приема заголовка.");
    if (!frameCrcValid(replyHeader))
        fail("Ошибка 5: Ошибка контрольной суммы заголовка.");
    if (replyHeader[1] != address)
        fail("Ошибка 6: Отвечает другой прибор");
    drainInput();
    m_port.WriteByte(kProgramAck);
    if (echo)
        (void)receive(&echoByte, 1);

    if (!reply.empty())
        reply[0] = replyHeader[2];
    int remaining = replyHeader[3] + 256 * replyHeader[4];
    std::size_t out = 1;
    // Every block carries at least one byte but for a few empty ones: a device
    // that keeps sending empty blocks cannot hold the exchange.
    int blocksLeft = remaining + kEmptyBlocksAllowed;
    while (remaining > 0) {
        // Each block is read whole into a buffer of its own size (up to 255 data bytes).
        std::array<std::uint8_t, 2> lead{};
        if (!receive(lead.data(), 2))
            fail("Ошибка 7: Ошибка приема заголовка блока.");
        const int n = lead[1];
        std::vector<std::uint8_t> block(static_cast<std::size_t>(n) + 4);
        block[0] = lead[0];
        block[1] = lead[1];
        if (!receive(block.data() + 2, n + 2))
            fail("Ошибка 8: Ошибка приема блока.");
        if (!frameCrcValid(block))
            fail("Ошибка 9: Ошибка контрольной суммы заголовка.");
        // Not acknowledged: the device has no reason to send another.
        if (--blocksLeft < 0)
            fail("Ошибка 8: Ошибка приема блока.");
        drainInput();
        m_port.WriteByte(kProgramAck);
        if (echo)
            (void)receive(&echoByte, 1);
        for (int i = 0; i < n; ++i, ++out)
            if (out < reply.size())
                reply[out] = block[static_cast<std::size_t>(i) + 2];
        remaining -= n;
    }

    std::uint8_t closing = 0;
    (void)receive(&closing, 1);
    return true;
}

} // namespace vyn
