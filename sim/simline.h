#pragma once
// The simulator's end of the line: a new pseudo-terminal (its slave path is what
// the program opens) or a named serial device. Optionally echoes every byte the
// program sends and paces bytes to the time they take on the wire.

#include "lineengine.h"

#include <QString>
#include <chrono>
#include <deque>
#include <memory>

namespace vynsim {

struct LineOptions
{
    QString device; // empty: create a pseudo-terminal
    bool echo = false;
    int echoDelayMs = 0; // a slow echo: each echoed byte comes back this late
    bool pace = false;
    int speed = 0;           // 0: follow the speed the program set on the line
    // With pace and speed: a program at another speed gets garbage, as a UART
    // at the wrong speed would read it.
    bool garbleOtherSpeeds = false;
    int frameGapMs = 1500;   // a frame silent this long is abandoned
    int idleExitSeconds = 0; // 0: run until a signal
};

class SimLine : public EngineHost
{
public:
    explicit SimLine(const LineOptions& options);
    ~SimLine() override;

    // Opens the line; false with a message on failure.
    bool open(QString& error);
    // The path the program opens.
    QString path() const { return m_path; }
    // Runs until SIGTERM/SIGINT or the idle time; the engine drives the device side.
    void run(std::unique_ptr<LineEngine> engine);

    void send(std::span<const std::uint8_t> bytes) override;
    void suppressEcho(bool suppress) override { m_echoSuppressed = suppress; }
    bool echoes() const override { return m_options.echo; }
    void handOver(std::unique_ptr<LineEngine> next) override { m_next = std::move(next); }

private:
    using Clock = std::chrono::steady_clock;
    struct TimedByte
    {
        std::uint8_t byte;
        Clock::time_point at;
    };

    std::chrono::microseconds charTime() const;
    // The speed the program set on a pseudo-terminal; 0 when unknown.
    int programSpeed() const;
    void readInput();
    // One received byte to the calculator (echoed when the line echoes).
    void deliverNext(Clock::time_point now);
    // Everything still received or unread, at once: the line is closing.
    void deliverRest();
    void flushOutput(Clock::time_point now);

    LineOptions m_options;
    QString m_path;
    int m_fd = -1;      // master side, or the device
    int m_slaveFd = -1; // held open so the master never sees a hang-up
    int m_signalFd = -1;
    bool m_echoSuppressed = false;
    std::deque<TimedByte> m_rx;
    std::deque<TimedByte> m_tx;
    Clock::time_point m_rxLast{};
    Clock::time_point m_txLast{};
    std::unique_ptr<LineEngine> m_engine;
    std::unique_ptr<LineEngine> m_next;
};

} // namespace vynsim
