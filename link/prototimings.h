#pragma once
// Every fixed wait of the request protocol, with the calculators' own values.
// Tests shorten them; the program keeps the defaults.

#include <chrono>
#include <cmath>

namespace vyn {

struct ProtoTimings
{
    int lineResetLowMs = 4000;  // DTR and RTS held low
    int lineResetHighMs = 3000; // settle time after raising them again
    int headerWaitBaseMs = 50;  // header wait = five bytes' time at 9600 scaled + this
    int receiveStepMs = 5;      // queue check step while receiving
    int receiveChecks = 501;    // checks before a receive gives up (about 2.5 s)
    int drainStepMs = 10;       // pause after each purge while draining
    int echoStepMs = 10;        // check step while waiting for a block's echo
    int readByteStepMs = 10;    // check step of a single-byte read
    int readByteChecks = 1001;  // checks of a single-byte read (about 10 s)
    int outQueueChecks = 501;   // output-queue checks before a single-byte read
    int configFinalPauseMs = 7000; // after a configuration write, before the port is closed
    // Wake on arriving input instead of sleeping whole steps; the bounds stay.
    bool pollInput = true;

    int headerWaitMs(int baud) const
    {
        return static_cast<int>(std::lround(5.0 * 9600.0 / baud)) + headerWaitBaseMs;
    }
    std::chrono::milliseconds receiveBound() const
    {
        return std::chrono::milliseconds(static_cast<long long>(receiveChecks) * receiveStepMs);
    }
    std::chrono::milliseconds readByteBound() const
    {
        return std::chrono::milliseconds(static_cast<long long>(readByteChecks) * readByteStepMs);
    }
};

} // namespace vyn
