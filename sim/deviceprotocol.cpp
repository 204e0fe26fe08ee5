#include "deviceprotocol.h"

#include "model/crc16.h"

#include <algorithm>

namespace vynsim {

namespace {

constexpr std::uint8_t kBlockMark = 0xF1;
constexpr std::size_t kEmptyBlockCount = 60000;
constexpr std::uint8_t kEndOfRequest = 0xF4;
constexpr std::uint8_t kProgramAck = 0xFF;

QByteArray bytesOf(const std::vector<std::uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

} // namespace

DeviceProtocol::DeviceProtocol(EngineHost& host, Calculator& calculator, FaultPlan& faults,
                               SimLog& log, const ProtocolOptions& options)
    : m_host(host), m_calculator(calculator), m_faults(faults), m_log(log), m_options(options)
{
}

void DeviceProtocol::sendFramed(std::vector<std::uint8_t> frame, bool corrupt)
{
    std::uint16_t crc = vyn::frameCrc(frame);
    if (corrupt)
        crc ^= 0x0101;
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    send(frame);
}

void DeviceProtocol::goIdle()
{
    m_state = State::Idle;
    m_frame.clear();
    m_window.clear();
    m_replyBlocks.clear();
    m_emptyBlocksLeft = 0;
    m_host.suppressEcho(false);
}

void DeviceProtocol::finish(const QString& outcome)
{
    m_record.outcome = outcome;
    m_record.fault = faultName(m_fault);
    m_log.addExchange(m_record);
}

void DeviceProtocol::abandon(std::uint8_t b)
{
    // The program gave up on this exchange (or never was in it): record it and
    // look for a header again in what came.
    const std::vector<std::uint8_t> pending = m_frame;
    finish(QStringLiteral("abandoned"));
    goIdle();
    for (std::uint8_t p : pending)
        idleByte(p);
    idleByte(b);
}

void DeviceProtocol::onGap()
{
    if (inExchange()) {
        finish(QStringLiteral("abandoned"));
        goIdle();
    }
    m_window.clear();
}

void DeviceProtocol::onByte(std::uint8_t b)
{
    switch (m_state) {
    case State::Idle:
        idleByte(b);
        return;
    case State::BlockMark:
        if (b != kBlockMark)
            return abandon(b);
        m_frame = {b};
        m_state = State::BlockLength;
        return;
    case State::BlockLength:
        if (b == 0)
            return abandon(b);
        m_frame.push_back(b);
        m_blockLength = b;
        m_state = State::BlockBody;
        return;
    case State::BlockBody:
        m_frame.push_back(b);
        if (m_fault == FaultKind::LoseEcho &&
            m_frame.size() == static_cast<std::size_t>(m_blockLength) + 2) {
            // The program waits in vain for the echo and starts over.
            m_request.insert(m_request.end(), m_frame.begin() + 2, m_frame.end());
            finish(QStringLiteral("fault"));
            goIdle();
            return;
        }
        if (m_frame.size() == static_cast<std::size_t>(m_blockLength) + 4)
            blockComplete();
        return;
    case State::End:
        if (b != kEndOfRequest)
            return abandon(b);
        respond();
        return;
    case State::ReplyAck:
        if (b != kProgramAck)
            return abandon(b);
        sendNextBlock();
        return;
    }
}

void DeviceProtocol::idleByte(std::uint8_t b)
{
    m_window.push_back(b);
    if (m_window.size() > 7)
        m_window.erase(m_window.begin());
    if (m_window.size() < 7 || m_window[1] != 0xFF || !vyn::frameCrcValid(m_window))
        return;
    std::array<std::uint8_t, 7> header{};
    std::copy(m_window.begin(), m_window.end(), header.begin());
    m_window.clear();
    const std::uint8_t to = header[0];
    if (to != 0 && to != m_calculator.options().address)
        return; // another device's request
    startExchange(header);
}

void DeviceProtocol::startExchange(const std::array<std::uint8_t, 7>& header)
{
    if (m_droppedRepeats > 0 && header == m_droppedHeader) {
        --m_droppedRepeats; // the program's next attempt at the same header
        return;
    }
    m_droppedRepeats = 0;
    ++m_exchanges;
    m_function = header[2];
    m_length = header[3] + 256 * header[4];
    m_request.clear();
    m_record = ExchangeRecord{};
    m_record.number = m_exchanges;
    m_record.address = header[0];
    m_record.function = m_function;
    m_record.length = m_length;
    m_record.echo = m_host.echoes();

    FaultContext ctx;
    ctx.exchange = m_exchanges;
    ctx.hasRequestData = m_length > 0;
    ctx.echo = m_host.echoes();
    ctx.replyMayHaveData = Calculator::mayReplyWithData(m_function);
    m_fault = m_faults.choose(ctx);

    if (m_fault == FaultKind::DropAck) {
        m_droppedRepeats = 2;
        m_droppedHeader = header;
        finish(QStringLiteral("fault"));
        return;
    }
    sendByte(m_calculator.options().address);
    if (m_fault == FaultKind::LoseEcho)
        m_host.suppressEcho(true);
    m_state = m_length > 0 ? State::BlockMark : State::End;
}

void DeviceProtocol::blockComplete()
{
    if (!vyn::frameCrcValid(m_frame)) {
        // A damaged block is not acknowledged.
        finish(QStringLiteral("abandoned"));
        goIdle();
        return;
    }
    m_request.insert(m_request.end(), m_frame.begin() + 2, m_frame.end() - 2);
    m_record.blocks.push_back(m_blockLength);
    m_frame.clear();
    if (m_fault == FaultKind::DropBlockAck) {
        finish(QStringLiteral("fault"));
        goIdle();
        return;
    }
    if (m_fault == FaultKind::WrongBlockAck) {
        sendByte(m_options.otherAddress);
        finish(QStringLiteral("fault"));
        goIdle();
        return;
    }
    sendByte(m_calculator.options().address);
    m_state = static_cast<int>(m_request.size()) >= m_length ? State::End : State::BlockMark;
}

void DeviceProtocol::respond()
{
    m_record.request = bytesOf(m_request);
    const Reply reply = m_calculator.answer(m_exchanges, m_function, m_request);
    std::vector<std::uint8_t> logged{reply.status};
    logged.insert(logged.end(), reply.data.begin(), reply.data.end());
    m_record.reply = bytesOf(logged);

    const bool blockFault = m_fault == FaultKind::CutBlockHeader ||
                            m_fault == FaultKind::TruncatedReply ||
                            m_fault == FaultKind::BadBlockCrc || m_fault == FaultKind::EmptyBlocks;
    if (blockFault && reply.data.empty())
        m_fault = FaultKind::None;
    if (m_fault == FaultKind::Silent) {
        finish(QStringLiteral("fault"));
        goIdle();
        return;
    }

    const std::uint8_t address = m_fault == FaultKind::WrongAddress
                                     ? m_options.otherAddress
                                     : m_calculator.options().address;
    const auto length = static_cast<std::uint16_t>(reply.data.size());
    sendFramed({m_function, address, reply.status, static_cast<std::uint8_t>(length & 0xFF),
                static_cast<std::uint8_t>(length >> 8)},
               m_fault == FaultKind::BadHeaderCrc);
    if (m_fault == FaultKind::WrongAddress || m_fault == FaultKind::BadHeaderCrc) {
        finish(QStringLiteral("fault"));
        goIdle();
        return;
    }

    m_replyBlocks.clear();
    // "Endless": more than any reply has bytes, each acknowledged like a real block.
    // Counted, not built: on a busy machine building them would hold up the reply.
    m_emptyBlocksLeft = m_fault == FaultKind::EmptyBlocks ? kEmptyBlockCount : 0;
    const std::size_t size = static_cast<std::size_t>(std::clamp(m_options.replyBlockSize, 1, 255));
    for (std::size_t pos = 0; pos < reply.data.size(); pos += size) {
        const std::size_t n = std::min(size, reply.data.size() - pos);
        std::vector<std::uint8_t> block{kBlockMark, static_cast<std::uint8_t>(n)};
        block.insert(block.end(), reply.data.begin() + static_cast<std::ptrdiff_t>(pos),
                     reply.data.begin() + static_cast<std::ptrdiff_t>(pos + n));
        m_replyBlocks.push_back(std::move(block));
    }
    m_nextBlock = 0;
    m_state = State::ReplyAck;
}

void DeviceProtocol::sendNextBlock()
{
    if (m_emptyBlocksLeft > 0) {
        --m_emptyBlocksLeft;
        sendFramed({kBlockMark, 0}, false);
        return;
    }
    if (m_nextBlock >= m_replyBlocks.size()) {
        sendByte(m_options.closingByte);
        finish(m_fault == FaultKind::None ? QStringLiteral("complete") : QStringLiteral("fault"));
        const std::uint8_t function = m_function;
        const std::vector<std::uint8_t> request = m_request;
        goIdle();
        // The objects behind the references outlive every engine.
        const TakeOverContext context{m_host, m_faults,
                                      [&host = m_host, &calculator = m_calculator,
                                       &faults = m_faults, &log = m_log, options = m_options] {
                                          return std::make_unique<DeviceProtocol>(
                                              host, calculator, faults, log, options);
                                      }};
        if (auto next = m_calculator.takeOver(function, request, context))
            m_host.handOver(std::move(next));
        return;
    }
    const std::vector<std::uint8_t> block = m_replyBlocks[m_nextBlock];
    const bool first = m_nextBlock == 0 && m_fault != FaultKind::EmptyBlocks;
    ++m_nextBlock;
    if (first && m_fault == FaultKind::CutBlockHeader) {
        sendByte(block[0]);
    } else if (first && m_fault == FaultKind::TruncatedReply) {
        send(std::span<const std::uint8_t>(block.data(), 2 + (block.size() - 2) / 2));
    } else {
        sendFramed(block, first && m_fault == FaultKind::BadBlockCrc);
        if (!first || m_fault == FaultKind::None)
            return;
    }
    finish(QStringLiteral("fault"));
    goIdle();
}

} // namespace vynsim
