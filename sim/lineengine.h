#pragma once
// What drives the simulated calculator's side of the line. The request protocol
// is one engine; the older devices' loader takes the line over with its own
// engine after the programming-mode request (see Calculator::takeOver).

#include <cstdint>
#include <memory>
#include <span>

namespace vynsim {

class LineEngine
{
public:
    virtual ~LineEngine() = default;
    // One byte from the program, in line order, at the time it has crossed the line.
    virtual void onByte(std::uint8_t b) = 0;
    // No byte for the frame gap: a half-received frame is abandoned.
    virtual void onGap() {}
};

class EngineHost
{
public:
    virtual ~EngineHost() = default;
    // Bytes to the program, paced when pacing is on, after any echo already queued.
    virtual void send(std::span<const std::uint8_t> bytes) = 0;
    // The line stops echoing until told otherwise (a fault).
    virtual void suppressEcho(bool suppress) = 0;
    virtual bool echoes() const = 0;
    // The next engine takes the line from the next byte on.
    virtual void handOver(std::unique_ptr<LineEngine> next) = 0;
};

} // namespace vynsim
