#include "operate.h"

#include "linkerrors.h"

#include <algorithm>
#include <array>
#include <optional>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace vyn {

namespace {

// Raised at a check after the stop request; never shown.
struct OperateStopped
{
};

constexpr std::uint8_t kLoaderStart = 0xF1;
constexpr std::uint8_t kLoaderEnd = 0x47;

std::int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool isReply(const std::vector<std::uint8_t>& reply, std::initializer_list<std::uint8_t> expected)
{
    return std::equal(reply.begin(), reply.end(), expected.begin(), expected.end());
}

} // namespace

QString operateStatusText(OperateStatus status)
{
    switch (status) {
    case OperateStatus::Preparing:
        return QStringLiteral("Идет подготовка к конфигурированию ...");
    case OperateStatus::Writing:
        return QStringLiteral("Идет запись конфигурации...");
    case OperateStatus::Written:
        return QStringLiteral("Конфигурация записана успешно.");
    case OperateStatus::None:
        break;
    }
    return {};
}

QString transferSucceededText()
{
    return QStringLiteral("Программа Винка записана успешно.");
}

QString pageAddressText(int address)
{
    return QString::number(address, 16).rightJustified(4, QLatin1Char('0')).toUpper() +
           QLatin1Char('h');
}

std::optional<OperateState::Published> OperateState::takePublished()
{
    const int maximum = m_maximum.load(std::memory_order_acquire);
    if (maximum <= 0)
        return std::nullopt;
    Published p;
    p.minimum = m_minimum.load(std::memory_order_relaxed);
    p.position = m_position.load(std::memory_order_relaxed);
    p.maximum = maximum;
    p.status = static_cast<OperateStatus>(m_status.load(std::memory_order_relaxed));
    m_maximum.store(0, std::memory_order_release);
    return p;
}

std::optional<int> OperateState::pageAddress() const
{
    const int a = m_pageAddress.load();
    return a >= 0 ? std::optional<int>(a) : std::nullopt;
}

std::chrono::steady_clock::duration OperateState::elapsed() const
{
    const std::int64_t started = m_startedNs.load();
    if (started == 0)
        return {};
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::nanoseconds(steadyNs() - started));
}

void OperateState::markStarted()
{
    m_step.store(0);
    m_maximum.store(0);
    m_pageAddress.store(-1);
    m_startedNs.store(steadyNs());
}

void OperateState::publish(int minimum, int position, int maximum, OperateStatus status)
{
    m_minimum.store(minimum, std::memory_order_relaxed);
    m_position.store(position, std::memory_order_relaxed);
    m_status.store(static_cast<int>(status), std::memory_order_relaxed);
    // The maximum last: it is the signal that the rest is there.
    m_maximum.store(std::max(maximum, 1), std::memory_order_release);
    const std::lock_guard lock(m_listenerLock);
    if (m_onPublished)
        m_onPublished();
}

void OperateState::setPublishedListener(std::function<void()> listener)
{
    const std::lock_guard lock(m_listenerLock);
    m_onPublished = std::move(listener);
}

OperateTimings OperateTimings::fromSettings(const CommSettings& settings)
{
    OperateTimings t;
    const auto inRange = [](int v) { return v >= 1 && v <= 255; };
    if (inRange(settings.wait) && inRange(settings.byteInterval)) {
        t.waitStep = std::chrono::milliseconds(settings.wait);
        t.byteInterval = std::chrono::milliseconds(settings.byteInterval);
    }
    return t;
}

TOperate::TOperate(OperateContext context, std::uint8_t mode)
    : m_context(std::move(context)), m_mode(mode)
{
}

TOperate::~TOperate()
{
    stopAndWait();
}

void TOperate::start()
{
    m_thread = std::thread([this] { Execute(); });
}

void TOperate::stopAndWait()
{
    Terminate();
    WaitFor();
}

void TOperate::WaitFor()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void TOperate::checkStop() const
{
    if (Terminated())
        throw OperateStopped{};
}

void TOperate::writeByte(std::uint8_t b)
{
    if (port().WriteByte(b) != 1)
        throw EReadExcept(QStringLiteral("Ошибка передачи данных (001)"));
}

void TOperate::sendFrame(const std::vector<std::uint8_t>& frame)
{
    // Each byte waits the interval from the moment the one before was written,
    // the first from now: what is done between bytes counts towards the
    // interval, and no gap is ever shorter than it.
    auto since = std::chrono::steady_clock::now();
    for (std::uint8_t b : frame) {
        checkStop();
        m_context.sleeper.sleepSince(since, m_timings.byteInterval);
        writeByte(b);
        since = std::chrono::steady_clock::now();
        state().addStep(1);
    }
}

std::vector<std::uint8_t> TOperate::waitReply(int n)
{
    // A wait step ends early once the reply has been there, and nothing more,
    // for two bytes' time on the line: a longer reply still shows as longer at
    // the check after it. Nothing goes on the line sooner.
    const int baud = std::max(1, m_context.settings.speed());
    const auto settle = std::chrono::microseconds(2 * 10 * 1000000LL / baud);
    std::optional<std::chrono::steady_clock::time_point> complete;
    const auto replyThere = [&] {
        if (port().InQueCount() != n) {
            complete.reset();
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!complete)
            complete = now;
        return now - *complete >= settle;
    };
    for (int check = 0; check < m_timings.waitChecks; ++check) {
        checkStop();
        if (port().InQueCount() == n) {
            std::vector<std::uint8_t> reply(static_cast<std::size_t>(n));
            port().ReadExact(reply.data(), n);
            return reply;
        }
        // An unplugged adapter does not get to wait out every check.
        if (port().LineLost())
            throw EReadExcept(lineLostMessage());
        if (check + 1 < m_timings.waitChecks)
            m_context.sleeper.sleepUntilReady(m_timings.waitStep, replyThere);
    }
    throw EReadExcept(QStringLiteral("Ошибка чтения блока данных"));
}

void TOperate::publish(int minimum, int position, int maximum, OperateStatus status)
{
    state().publish(minimum, position, maximum, status);
    while (!state().taken()) {
        checkStop();
        m_context.sleeper.sleepFor(m_timings.handOverPoll);
    }
}

void TOperate::setUpPort()
{
    TComm32& p = port();
    const CommSettings& s = m_context.settings;
    p.Close();
    p.setDeviceName(s.port);
    p.setBaudRate(s.speed());
    p.setDTRProp(s.dtr);
    p.setRTSProp(s.rts);
    p.setStopbits(s.stopbits());
    p.setDatabits(s.databits());
    p.setParity(s.parity());
    p.Open();
}

void TOperate::endByte()
{
    // The calculator's loader ends on this byte; a failure here changes nothing
    // for the user, who has the first message already.
    m_context.sleeper.sleepFor(m_timings.byteInterval);
    port().WriteByte(kLoaderEnd);
}

void TOperate::Execute()
{
    OperateHost& host = m_context.host;
    OperateResult result = OperateResult::Failed;
    const auto finish = [&] {
        port().Close();
        state().setBusy(false);
        m_result.store(Terminated() ? OperateResult::Stopped : result);
        host.operationEnded();
        m_finished.store(true);
    };
    try {
        setUpPort();
    } catch (const std::exception&) {
        host.showMessage(QStringLiteral("Ошибка инициализации коммуникационного порта."));
        finish();
        return;
    }
#ifdef __linux__
    // The byte intervals are short sleeps: without the default slack on each
    // wake-up they end nearer their length, never before it.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    state().markStarted();
    host.operationStarted();
    m_showResult = true;
    m_timings =
        m_context.timings ? *m_context.timings : OperateTimings::fromSettings(m_context.settings);

    try {
        Operation();
        if (m_showResult && !Terminated()) {
            host.showMessage(transferSucceededText());
            result = OperateResult::Succeeded;
        }
    } catch (const OperateStopped&) {
        // Asked to stop: no message; the loader is told to end.
        endByte();
    } catch (const ENothingToLoad& e) {
        // Nothing went past the start byte: nothing to end.
        if (!Terminated())
            host.showMessage(e.message());
    } catch (const MessageError& e) {
        if (!Terminated())
            host.showMessage(e.message());
        endByte();
    } catch (...) {
        if (!Terminated())
            host.showMessage(QStringLiteral("Ошибка программирования Винка."));
    }

    try {
        publish(0, 0, 100, OperateStatus::None);
    } catch (const OperateStopped&) {
        // The port is closed even so: a stopped worker must not keep it.
    }
    finish();
}

TSavePrg::TSavePrg(OperateContext context, const LoaderImage& loader, const DeviceImage& image,
                   std::uint8_t mode)
    : TOperate(std::move(context), mode), m_loader(loader), m_image(image)
{
    start();
}

TSavePrg::~TSavePrg()
{
    stopAndWait();
}

void TSavePrg::Operation()
{
    writeByte(kLoaderStart);
    port().PurgeInput();

    const auto range = loaderRange(m_loader);
    if (!range)
        throw ENothingToLoad(QStringLiteral("Ошибка программирования Винка."));
    publish(0, 0, range->count(), OperateStatus::Preparing);
    sendFrame(loaderFrame(m_loader, *range));
    if (!isReply(waitReply(3), {0x00, 0x00, 0x55})) {
        writeByte(kLoaderEnd);
        throw EReadExcept(QStringLiteral("Ошибка приема данных (003) = ") +
                          QString::number(range->count()));
    }

    programImage();
    writeByte(kLoaderEnd);
}

void TSavePrg::programImage()
{
    const auto plan = planPages(m_image);
    if (!plan)
        return;
    publish(plan->first, plan->first, plan->last, OperateStatus::Writing);
    for (const ProgramPage& page : plan->pages) {
        checkStop();
        programPage(page);
    }
    publish(1, 1, 650, OperateStatus::Written);
}

void TSavePrg::programPage(const ProgramPage& page)
{
    state().setPageAddress(page.address);
    if (page.blank) {
        state().addStep(page.length);
        return;
    }
    sendFrame(eraseFrame(page.address));
    if (!isReply(waitReply(2), {0x00, 0x00}))
        throw EReadExcept(QStringLiteral("Ошибка стирания данных"));
    sendFrame(writeFrame(m_image, page));
    if (!isReply(waitReply(2), {0x00, 0x00}))
        throw EReadExcept(QStringLiteral("Ошибка передачи данных (008)"));
}

void OperateRunner::startSavePrg(OperateContext context, const LoaderImage& loader,
                                 const DeviceImage& image)
{
    m_running.reset();
    m_state.setBusy(true);
    m_running = std::make_unique<TSavePrg>(std::move(context), loader, image);
}

void OperateRunner::stop()
{
    if (m_running)
        m_running->Terminate();
    m_state.setBusy(false);
}

} // namespace vyn
