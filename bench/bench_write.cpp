// Wall time of "vyntool write" with the calculators' own timings against
// "vynsim --pace" at 9600 baud, and the share of it that the fixed waits take:
// two line resets (identification and write), the pause after the summer start,
// the final pause and the header wait of every exchange.

#include "link/prototimings.h"
#include "tests/support/simprocess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

using namespace vyn;

int main()
{
    constexpr int kBaud = 9600;
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("sample.json"));
    const QString log = dir.filePath(QStringLiteral("log.json"));
    if (!QFile::copy(vyntest::builtProgram(QStringLiteral("sample-config.json")), config) ||
        !QFile(config).setPermissions(QFile::ReadOwner | QFile::WriteOwner)) {
        std::fprintf(stderr, "bench: no sample-config.json beside the programs\n");
        return 1;
    }
    vyntest::SimProcess sim({QStringLiteral("--pace"), QStringLiteral("--speed"),
                             QString::number(kBaud), QStringLiteral("--serial"),
                             QStringLiteral("12342678"), QStringLiteral("--log"), log,
                             QStringLiteral("--idle-exit"), QStringLiteral("120")});
    if (!sim.started()) {
        std::fprintf(stderr, "bench: %s\n", sim.error().toUtf8().constData());
        return 1;
    }

    const auto t0 = std::chrono::steady_clock::now();
    const vyntest::RunResult r = vyntest::runProgram(
        QStringLiteral("vyntool"),
        {QStringLiteral("write"), QStringLiteral("--config"), config, QStringLiteral("--port"),
         sim.path(), QStringLiteral("--speed"), QString::number(kBaud), QStringLiteral("--alt"),
         QString(), QStringLiteral("--yes")},
        120000);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    sim.stop();
    if (r.exitCode != 0) {
        std::fprintf(stderr, "bench: vyntool write failed (%d): %s\n", r.exitCode,
                     r.err.constData());
        return 1;
    }

    QFile f(log);
    f.open(QIODevice::ReadOnly);
    const QJsonObject root = QJsonDocument::fromJson(f.readAll()).object();
    const auto exchanges = root[QStringLiteral("exchanges")].toArray().size();
    const auto parameters = root[QStringLiteral("parameters")].toArray().size();

    const ProtoTimings t;
    const double resets = 2 * (t.lineResetLowMs + t.lineResetHighMs) / 1000.0;
    const double pauses = (250 + t.configFinalPauseMs) / 1000.0;
    const double headerWaits = static_cast<double>(exchanges) * t.headerWaitMs(kBaud) / 1000.0;
    const double mandatory = resets + pauses + headerWaits;
    std::printf("vyntool write at %d baud against vynsim --pace: %lld exchanges, %lld parameters\n",
                kBaud, static_cast<long long>(exchanges), static_cast<long long>(parameters));
    std::printf("wall time:             %6.2f s\n", wall);
    std::printf("line resets:           %6.2f s\n", resets);
    std::printf(
        "fixed pauses:          %6.2f s (250 ms after the summer start, %d ms at the end)\n",
        pauses, t.configFinalPauseMs);
    std::printf("header waits:          %6.2f s (%d ms per exchange)\n", headerWaits,
                t.headerWaitMs(kBaud));
    std::printf("mandatory waits:       %6.2f s = %.1f %% of the wall time\n", mandatory,
                100.0 * mandatory / wall);
    std::printf("wire, replies, start:  %6.2f s\n", wall - mandatory);
    return 0;
}
