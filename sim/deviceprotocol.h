#pragma once
// The calculator's side of the request protocol, byte by byte: it finds request
// headers in the stream, acknowledges headers and blocks, checks every check
// value, answers through the Calculator and injects the planned faults. After a
// fault it goes back to waiting for a header at the point where the program,
// having raised its error, starts its next exchange.

#include "calculator.h"
#include "faults.h"
#include "lineengine.h"
#include "simlog.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vynsim {

struct ProtocolOptions
{
    int replyBlockSize = 64;       // data bytes per reply block (up to 255)
    std::uint8_t otherAddress = 0; // address of the "other device" faults
    std::uint8_t closingByte = 0x00;
};

class DeviceProtocol : public LineEngine
{
public:
    DeviceProtocol(EngineHost& host, Calculator& calculator, FaultPlan& faults, SimLog& log,
                   const ProtocolOptions& options);

    void onByte(std::uint8_t b) override;
    void onGap() override;

private:
    enum class State
    {
        Idle,
        BlockMark,
        BlockLength,
        BlockBody,
        End,
        ReplyAck
    };

    void idleByte(std::uint8_t b);
    void startExchange(const std::array<std::uint8_t, 7>& header);
    void blockComplete();
    void respond();
    void sendNextBlock();
    void finish(const QString& outcome);
    void abandon(std::uint8_t b);
    void goIdle();
    void send(std::span<const std::uint8_t> bytes) { m_host.send(bytes); }
    void sendByte(std::uint8_t b) { m_host.send(std::span<const std::uint8_t>(&b, 1)); }
    void sendFramed(std::vector<std::uint8_t> frame, bool corrupt);
    bool inExchange() const { return m_state != State::Idle; }

    EngineHost& m_host;
    Calculator& m_calculator;
    FaultPlan& m_faults;
    SimLog& m_log;
    ProtocolOptions m_options;

    State m_state = State::Idle;
    std::vector<std::uint8_t> m_window; // idle: the last bytes, looking for a header
    std::vector<std::uint8_t> m_frame;  // the request block being received
    int m_blockLength = 0;
    int m_exchanges = 0;
    int m_droppedRepeats = 0;
    std::array<std::uint8_t, 7> m_droppedHeader{};

    std::uint8_t m_function = 0;
    int m_length = 0;
    std::vector<std::uint8_t> m_request;
    FaultKind m_fault = FaultKind::None;
    ExchangeRecord m_record;
    std::vector<std::vector<std::uint8_t>> m_replyBlocks;
    std::size_t m_nextBlock = 0;
    std::size_t m_emptyBlocksLeft = 0; // sent before m_replyBlocks
};

} // namespace vynsim
