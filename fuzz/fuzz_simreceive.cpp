// vynsim's receiving side: bytes from the program, frame gaps between them, for
// both generations, with and without faults; the log it keeps stays writable.

#include "fuzzsupport.h"

#include "sim/calculator.h"
#include "sim/deviceprotocol.h"
#include "sim/faults.h"
#include "sim/simlog.h"

#include <QJsonDocument>
#include <memory>
#include <vector>

namespace {

// The line: what the simulator sends is kept, an engine handed over takes the
// next byte, as the real line does.
class RecordingLine final : public vynsim::EngineHost
{
public:
    std::unique_ptr<vynsim::LineEngine> engine;
    std::unique_ptr<vynsim::LineEngine> next;
    std::size_t sent = 0;
    bool echo = true;

    void send(std::span<const std::uint8_t> bytes) override { sent += bytes.size(); }
    void suppressEcho(bool suppress) override { echo = !suppress; }
    bool echoes() const override { return echo; }
    void handOver(std::unique_ptr<vynsim::LineEngine> n) override { next = std::move(n); }

    void take()
    {
        if (next)
            engine = std::move(next);
    }
};

} // namespace

// First byte: bit 0 the generation (03 or 04), bit 1 faults, bits 2..7 a frame
// gap after every so many bytes (0: none). The rest is the line.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vynfuzz::ensureApplication();
    if (size == 0)
        return 0;
    const std::uint8_t setup = data[0];
    vynsim::CalculatorOptions calc;
    calc.generation = (setup & 1) ? 3 : 4;
    calc.newType = (setup & 1) == 0;
    vynsim::FaultPlan faults;
    if (setup & 2) {
        QString error;
        VYNFUZZ_CHECK(faults.addRule(QStringLiteral("all:0.3"), error));
        faults.setSeed(size);
    }
    const std::size_t gapEvery = setup >> 2;

    vynsim::SimLog log;
    vynsim::Calculator calculator(calc, log);
    RecordingLine line;
    line.engine = std::make_unique<vynsim::DeviceProtocol>(line, calculator, faults, log,
                                                           vynsim::ProtocolOptions{});
    for (std::size_t i = 1; i < size; ++i) {
        line.engine->onByte(data[i]);
        line.take();
        if (gapEvery != 0 && i % gapEvery == 0) {
            line.engine->onGap();
            line.take();
        }
    }
    line.engine->onGap();
    QJsonParseError error;
    QJsonDocument::fromJson(log.toJson(), &error);
    VYNFUZZ_CHECK(error.error == QJsonParseError::NoError);
    return 0;
}
