// The generation-03 transfer worker against a device played by the test on a
// raw pseudo-terminal: exact bytes on the line, replies, messages, port set-up.

#include "link/operate.h"
#include "linktesting.h"
#include "operatetesting.h"

#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <thread>

using namespace vyn;
using vyntest::collectUntilFinished;
using vyntest::PtyPair;
using vyntest::RecordingHost;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The calculator's end: records every byte and, once the line has carried a
// given number of bytes, sends the scripted reply.
class ScriptedDevice
{
public:
    struct Step
    {
        std::size_t after;
        Bytes reply;
        // How long the device takes to answer; the program polls meanwhile.
        std::chrono::milliseconds delay{0};
    };

    ScriptedDevice(const PtyPair& pty, std::vector<Step> steps)
        : m_pty(pty), m_steps(std::move(steps)), m_thread([this] { run(); })
    {
    }
    ~ScriptedDevice()
    {
        m_stop = true;
        m_thread.join();
    }
    Bytes received() const
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void run()
    {
        std::size_t next = 0;
        while (!m_stop) {
            pollfd p{m_pty.master, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buf[256];
                const ssize_t n = ::read(m_pty.master, buf, sizeof buf);
                std::lock_guard lock(m_mutex);
                if (n > 0)
                    m_received.insert(m_received.end(), buf, buf + n);
            }
            const Step* due = nullptr;
            {
                std::lock_guard lock(m_mutex);
                if (next < m_steps.size() && m_received.size() >= m_steps[next].after)
                    due = &m_steps[next++];
            }
            if (due) {
                std::this_thread::sleep_for(due->delay);
                (void)::write(m_pty.master, due->reply.data(), due->reply.size());
            }
        }
    }

    const PtyPair& m_pty;
    std::vector<Step> m_steps;
    mutable std::mutex m_mutex;
    Bytes m_received;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// Real sleeps, each one recorded.
class RecordingSleeper : public Sleeper
{
public:
    void sleepFor(std::chrono::microseconds d) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_sleeps.push_back(d);
        }
        ThreadSleeper::instance().sleepFor(d);
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_sleeps.clear();
    }
    int count(std::chrono::microseconds d) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count(m_sleeps.begin(), m_sleeps.end(), d));
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::chrono::microseconds> m_sleeps;
};

// The two bytes 01 02 at 0x1000: loader frame 10 01 00 02 02 01 A8 F6.
LoaderImage twoByteLoader()
{
    LoaderImage loader;
    loader.set(0x1000, 0x01);
    loader.set(0x1001, 0x02);
    return loader;
}

const Bytes kStartAndLoaderFrame{0xF1, 0x10, 0x01, 0x00, 0x02, 0x02, 0x01, 0xA8, 0xF6};

class Operate : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_pty.ok()); }

    OperateContext
    context(std::optional<OperateTimings> timings = vyntest::quickOperateTimings(200))
    {
        CommSettings settings;
        settings.port = m_pty.path;
        return OperateContext{m_comm321, settings, m_state, m_host, m_sleeper, timings};
    }
    void run(OperateContext ctx, const LoaderImage& loader, const DeviceImage& image = {})
    {
        m_state.setBusy(true);
        TSavePrg worker(std::move(ctx), loader, image);
        const auto c = collectUntilFinished(worker, m_state);
        ASSERT_TRUE(c.finished);
        EXPECT_FALSE(m_state.busy());
        EXPECT_FALSE(m_comm321.Connected()) << "the worker closes Comm321";
        EXPECT_EQ(m_host.ended(), 1);
    }

    PtyPair m_pty;
    TComm32 m_comm321;
    OperateState m_state;
    RecordingHost m_host;
    RecordingSleeper m_sleeper;
};

} // namespace

TEST_F(Operate, EmptyLoaderEndsAfterTheStartByte)
{
    ScriptedDevice device(m_pty, {});
    run(context(), LoaderImage{});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(device.received(), Bytes{0xF1});
    // Nothing was written: no success is claimed.
    EXPECT_EQ(m_host.messages(), QStringList{QStringLiteral("Ошибка программирования Винка.")});
}

TEST_F(Operate, LoaderFrameReplies)
{
    struct Case
    {
        const char* name;
        Bytes reply;
        QString message;
        Bytes after; // what follows the loader frame on the line
    };
    const Case cases[] = {
        {"accepted, empty device image",
         {0x00, 0x00, 0x55},
         QStringLiteral("Программа Винка записана успешно."),
         {0x47}},
        {"four bytes are never accepted",
         {0x00, 0x00, 0x55, 0x00},
         QStringLiteral("Ошибка чтения блока данных"),
         {0x47}},
        {"wrong third byte",
         {0x00, 0x00, 0x54},
         QStringLiteral("Ошибка приема данных (003) = 2"),
         {0x47, 0x47}},
        {"no reply", {}, QStringLiteral("Ошибка чтения блока данных"), {0x47}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_host.clear();
        std::vector<ScriptedDevice::Step> steps;
        if (!c.reply.empty())
            steps.push_back({kStartAndLoaderFrame.size(), c.reply});
        ScriptedDevice device(m_pty, steps);
        run(context(), twoByteLoader());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Bytes expected = kStartAndLoaderFrame;
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        EXPECT_EQ(device.received(), expected);
        EXPECT_EQ(m_host.messages(), QStringList{c.message});
    }
}

TEST_F(Operate, BytesArePacedByTheByteIntervalOfTheSettings)
{
    using std::chrono::milliseconds;
    struct Case
    {
        const char* name;
        int byteInterval, wait;
        milliseconds pause, check, unused;
    };
    const Case cases[] = {
        {"as set", 3, 4, milliseconds(3), milliseconds(4), milliseconds(5)},
        {"interval 0 is unusable: both 5", 0, 7, milliseconds(5), milliseconds(5), milliseconds(7)},
        {"wait 256 is unusable: both 5", 3, 256, milliseconds(5), milliseconds(5), milliseconds(3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_host.clear();
        m_sleeper.clear();
        // A reply that takes a while, so that the checks between are seen.
        ScriptedDevice device(m_pty, {{kStartAndLoaderFrame.size(), {0x00, 0x00, 0x55},
                                       std::chrono::milliseconds(40)}});
        OperateContext ctx = context(std::nullopt);
        ctx.settings.byteInterval = c.byteInterval;
        ctx.settings.wait = c.wait;
        run(std::move(ctx), twoByteLoader());
        if (c.pause == c.check)
            EXPECT_GE(m_sleeper.count(c.pause), 8);
        else
            EXPECT_EQ(m_sleeper.count(c.pause), 8) << "one pause before each loader frame byte";
        EXPECT_GT(m_sleeper.count(c.check), 0) << "reply checks use the wait";
        EXPECT_EQ(m_sleeper.count(c.unused), 0);
        EXPECT_EQ(m_host.messages(),
                  QStringList{QStringLiteral("Программа Винка записана успешно.")});
    }
}

TEST_F(Operate, PortIsSetUpFromEveryCommunicationSetting)
{
    struct Case
    {
        int speedItem, dataBitsItem, parityItem, stopBitsItem;
        bool dtr, rts;
        int baud;
        TDatabits databits;
        TParity parity;
        TStopbits stopbits;
    };
    const Case cases[] = {
        {3, 2, 0, 0, true, true, 9600, da8, pNone, sb1_0},
        {0, 0, 1, 1, false, true, 1200, da6, pMark, sb2_0},
        {1, 1, 2, 0, true, false, 2400, da7, pSpace, sb1_0},
        {2, 2, 3, 1, false, false, 4800, da8, pEven, sb2_0},
        {3, 2, 4, 0, true, true, 9600, da8, pOdd, sb1_0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parityItem);
        m_host.clear();
        OperateContext ctx = context();
        ctx.settings.speedItem = c.speedItem;
        ctx.settings.dataBitsItem = c.dataBitsItem;
        ctx.settings.parityItem = c.parityItem;
        ctx.settings.stopBitsItem = c.stopBitsItem;
        ctx.settings.dtr = c.dtr;
        ctx.settings.rts = c.rts;
        run(std::move(ctx), LoaderImage{});
        EXPECT_EQ(m_comm321.DeviceName(), m_pty.path);
        EXPECT_EQ(m_comm321.BaudRate(), c.baud);
        EXPECT_EQ(m_comm321.Databits(), c.databits);
        EXPECT_EQ(m_comm321.Parity(), c.parity);
        EXPECT_EQ(m_comm321.Stopbits(), c.stopbits);
        EXPECT_EQ(m_comm321.DTRProp(), c.dtr);
        EXPECT_EQ(m_comm321.RTSProp(), c.rts);
    }
}

TEST_F(Operate, PortThatCannotBeOpened)
{
    OperateContext ctx = context();
    ctx.settings.port = QStringLiteral("/dev/no-such-vyn-port");
    run(std::move(ctx), twoByteLoader());
    EXPECT_EQ(m_host.messages(),
              QStringList{QStringLiteral("Ошибка инициализации коммуникационного порта.")});
    EXPECT_EQ(m_host.started(), 0);
}

TEST_F(Operate, StopDuringAReplyWaitShowsNothing)
{
    ScriptedDevice device(m_pty, {});
    OperateContext ctx = context(vyntest::quickOperateTimings(100000));
    m_state.setBusy(true);
    TSavePrg worker(std::move(ctx), twoByteLoader(), DeviceImage{});
    const auto c = collectUntilFinished(
        worker, m_state,
        [&](const vyntest::Collected&) {
            if (device.received().size() >= kStartAndLoaderFrame.size())
                worker.Terminate();
        },
        std::chrono::seconds(10));
    ASSERT_TRUE(c.finished);
    EXPECT_TRUE(m_host.messages().isEmpty());
    EXPECT_FALSE(m_comm321.Connected());
    EXPECT_FALSE(m_state.busy());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(device.received().back(), 0x47) << "the loader is told to end";
}

TEST_F(Operate, RunnerStopsAndStartsOneWorkerAtATime)
{
    ScriptedDevice device(m_pty, {});
    OperateRunner runner;
    const auto ctx = [&] {
        CommSettings settings;
        settings.port = m_pty.path;
        return OperateContext{m_comm321, settings,  runner.state(),
                              m_host,    m_sleeper, vyntest::quickOperateTimings(100000)};
    };
    runner.startSavePrg(ctx(), twoByteLoader(), DeviceImage{});
    EXPECT_TRUE(runner.busy());
    // The window takes the first hand-over; the worker then waits for a reply.
    for (int i = 0; i < 5000 && device.received().size() < kStartAndLoaderFrame.size(); ++i) {
        runner.state().takePublished();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(device.received().size(), kStartAndLoaderFrame.size());
    runner.stop();
    EXPECT_FALSE(runner.busy()) << "cleared at once by the stop";

    // Started right away: the stopped worker has closed its port before.
    runner.startSavePrg(ctx(), LoaderImage{}, DeviceImage{});
    EXPECT_EQ(m_host.ended(), 1);
    EXPECT_TRUE(runner.busy());
    ASSERT_TRUE(collectUntilFinished(*runner.running(), runner.state()).finished);
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(m_host.ended(), 2);
    EXPECT_EQ(m_host.messages(), QStringList{QStringLiteral("Ошибка программирования Винка.")});
}
