#pragma once
// The calculator's answers: the type queries, the identity and firmware queries,
// parameter writes and the closing requests. Replies are status byte plus data;
// "buffer byte k" of the program's reply buffer is data byte k - 1.

#include "faults.h"
#include "lineengine.h"
#include "simlog.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vynsim {

struct CalculatorOptions
{
    int generation = 4; // 3 or 4
    std::array<std::uint8_t, 8> serial{1, 2, 3, 4, 5, 6, 7, 8};
    int firmwareYear = 2015; // may be an impossible date on purpose
    int firmwareMonth = 3;
    int firmwareDay = 1;
    int type = 4; // device type
    bool newType = false;
    std::uint8_t address = 1;
    int layout = 1;    // older devices: image layout byte
    int padReply = 0;  // pad query replies to this many data bytes
    int modeReply = 2; // older devices: the byte after the programming-mode request
    bool badFactoryBlock = false; // older devices: the factory block's constants out of range
};

// What an engine that takes the line over needs besides the calculator.
struct TakeOverContext
{
    EngineHost& host;
    FaultPlan& faults;
    // The request protocol again, for when the taken-over engine is done.
    std::function<std::unique_ptr<LineEngine>()> resume;
};

struct Reply
{
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

class Calculator
{
public:
    Calculator(const CalculatorOptions& options, SimLog& log);

    const CalculatorOptions& options() const { return m_options; }
    // Functions whose replies carry data blocks (the queries).
    static bool mayReplyWithData(std::uint8_t function);
    Reply answer(int exchange, std::uint8_t function, const std::vector<std::uint8_t>& request);
    // Called after a complete exchange; an engine returned here takes the line.
    // A generation-03 calculator answers the programming-mode request with one
    // more byte (2: ready) and then runs its loader.
    std::unique_ptr<LineEngine> takeOver(std::uint8_t function,
                                         const std::vector<std::uint8_t>& request,
                                         const TakeOverContext& context);

private:
    std::vector<std::uint8_t> identityReply() const;
    std::vector<std::uint8_t> olderTypeReply() const;
    void pad(std::vector<std::uint8_t>& data) const;

    CalculatorOptions m_options;
    SimLog& m_log;
};

} // namespace vynsim
