// Time of 100 parameter-write exchanges against "vynsim --pace" at 4800 baud,
// next to the least the line allows: the bytes on the line at 11 bits each plus
// the fixed header wait of every exchange. Run once with receive waits that wake
// on input and once with plain 5/10 ms sleeps.

#include "link/vynproto.h"
#include "tests/support/simprocess.h"

#include <chrono>
#include <cstdio>
#include <vector>

using namespace vyn;

namespace {

constexpr int kBaud = 4800;
constexpr int kExchanges = 100;

// One parameter write: prefix of the network-address write and a one-byte value.
const std::vector<std::uint8_t> kWrite{0x03, 0x35, 0x2A, 0x03, 0x40, 0x00, 0x01, 0x01};

// Bytes on the line in one such exchange with an empty reply.
constexpr int kProgramBytes = 5 + 2 + (2 + 8) + 2 + 1 + 1; // header, CRC, block, CRC, end, ack
constexpr int kDeviceBytes = 1 + 1 + 7 + 1;                // two acks, reply header, closing byte

double run(bool pollInput, const QStringList& simArgs)
{
    vyntest::SimProcess sim(simArgs);
    if (!sim.started()) {
        std::fprintf(stderr, "bench: %s\n", sim.error().toUtf8().constData());
        return -1;
    }
    ProtoTimings timings;
    timings.pollInput = pollInput;
    TVynProto proto(ThreadSleeper::instance(), timings);
    if (!ProtoSetSpeed(proto, kBaud) || !ProtoOpenPort(proto, sim.path())) {
        std::fprintf(stderr, "bench: cannot open %s\n", sim.path().toUtf8().constData());
        return -1;
    }
    std::vector<std::uint8_t> rx(1000);
    ProtoExchange(proto, 0, 3, static_cast<std::uint16_t>(kWrite.size()), kWrite, rx); // warm-up
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kExchanges; ++i)
        ProtoExchange(proto, 0, 3, static_cast<std::uint16_t>(kWrite.size()), kWrite, rx);
    const auto t1 = std::chrono::steady_clock::now();
    ProtoClosePort(proto);
    return std::chrono::duration<double>(t1 - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    const bool echo = argc > 1 && std::string(argv[1]) == "--echo";
    QStringList simArgs{QStringLiteral("--pace"), QStringLiteral("--speed"), QString::number(kBaud),
                        QStringLiteral("--idle-exit"), QStringLiteral("60")};
    if (echo)
        simArgs << QStringLiteral("--echo");

    const ProtoTimings defaults;
    const double perExchange =
        (kProgramBytes + kDeviceBytes) * 11.0 / kBaud + defaults.headerWaitMs(kBaud) / 1000.0;
    const double minimum = perExchange * kExchanges;
    std::printf("%d parameter writes at %d baud against vynsim --pace%s\n", kExchanges, kBaud,
                echo ? " --echo" : "");
    std::printf(
        "wire-time minimum: %.2f s (%d bytes x 11 bits / %d + %d ms header wait, per exchange)\n",
        minimum, kProgramBytes + kDeviceBytes, kBaud, defaults.headerWaitMs(kBaud));
    // The header's own five bytes cross the line during the header wait.
    const double overlapped = minimum - kExchanges * 5 * 11.0 / kBaud;
    std::printf("  (%.2f s when the header's bytes are counted inside the header wait)\n",
                overlapped);
    int status = 0;
    for (bool pollInput : {true, false}) {
        const double t = run(pollInput, simArgs);
        if (t < 0) {
            status = 1;
            continue;
        }
        std::printf("%-28s %.2f s  ratio %.3f (%.3f)\n",
                    pollInput ? "waits that wake on input:" : "plain 5/10 ms sleeps:", t,
                    t / minimum, t / overlapped);
    }
    return status;
}
