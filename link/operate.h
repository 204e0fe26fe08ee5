#pragma once
// The worker thread of generation-03 writes. TOperate sets up the port Comm321
// from the communication settings, paces bytes, waits for replies, hands
// progress over to the window and reports the result; TSavePrg sends the loader
// and programs the device image page by page.
//
// The worker shares with the window only OperateState (atomics, no locks): the
// busy flag, the progress values it publishes and the address of the page being
// programmed. Its messages go through OperateHost, which shows them on the
// window thread.

#include "comm32.h"
#include "commsettings.h"
#include "pageplan.h"
#include "programmerfile.h"
#include "sleeper.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vyn {

// Texts of the fourth status-bar panel; the worker publishes an index.
enum class OperateStatus : int
{
    None,      // ""
    Preparing, // "Идет подготовка к конфигурированию ..."
    Writing,   // "Идет запись конфигурации..."
    Written    // "Конфигурация записана успешно."
};
QString operateStatusText(OperateStatus status);

// "Программа Винка записана успешно.": the worker's one message that is no failure.
QString transferSucceededText();

// The page address as the second status-bar panel shows it: "1200h".
QString pageAddressText(int address);

class OperateState
{
public:
    struct Published
    {
        int minimum = 0;
        int position = 0;
        int maximum = 0;
        OperateStatus status = OperateStatus::None;
    };

    // The window's side, polled by its timer.
    bool busy() const { return m_busy.load(); }
    void setBusy(bool busy) { m_busy.store(busy); }
    // What the worker published since the last call; taking it lets the worker go on.
    std::optional<Published> takePublished();
    // Progress steps made since the last call.
    int takeStep() { return m_step.exchange(0); }
    // Called on the worker's thread whenever something has been published, so
    // the window can take it at once instead of at its next tick. Must be quick.
    void setPublishedListener(std::function<void()> listener);
    // Address of the page being programmed; none before the first.
    std::optional<int> pageAddress() const;
    std::chrono::steady_clock::duration elapsed() const;

    // The worker's side.
    void markStarted();
    void publish(int minimum, int position, int maximum, OperateStatus status);
    bool taken() const { return m_maximum.load(std::memory_order_acquire) == 0; }
    void addStep(int n) { m_step.fetch_add(n); }
    void setPageAddress(int address) { m_pageAddress.store(address); }

private:
    std::atomic<bool> m_busy{false};
    std::atomic<int> m_step{0};
    std::atomic<int> m_minimum{0};
    std::atomic<int> m_position{0};
    std::atomic<int> m_maximum{0}; // positive while published and not yet taken
    std::atomic<int> m_status{0};
    std::atomic<int> m_pageAddress{-1};
    std::atomic<std::int64_t> m_startedNs{0};
    std::mutex m_listenerLock;
    std::function<void()> m_onPublished;
};

// The window's end of the worker's messages.
class OperateHost
{
public:
    virtual ~OperateHost() = default;
    // Called on the worker thread: show the text on the window thread (program
    // title as caption, OK) and return once it has been shown.
    virtual void showMessage(const QString& text) = 0;
    // The worker has opened its port (timer on, busy image on the write button).
    virtual void operationStarted() {}
    // The worker has closed its port and cleared the busy flag; its last call.
    virtual void operationEnded() {}
};

struct OperateTimings
{
    std::chrono::microseconds waitStep{std::chrono::milliseconds(5)};
    std::chrono::microseconds byteInterval{std::chrono::milliseconds(5)};
    int waitChecks = 1001;
    std::chrono::microseconds handOverPoll{std::chrono::milliseconds(2)};

    // The wait and the byte interval in ms; both 5 when either is out of 1..255.
    static OperateTimings fromSettings(const CommSettings& settings);
};

struct OperateContext
{
    TComm32& port; // Comm321: nobody else uses it while the worker runs
    CommSettings settings;
    OperateState& state;
    OperateHost& host;
    Sleeper& sleeper = ThreadSleeper::instance();
    std::optional<OperateTimings> timings; // none: from the settings
};

enum class OperateResult
{
    Running,
    Succeeded, // "Программа Винка записана успешно." was shown
    Failed,    // a failure was shown
    Stopped    // asked to stop: nothing shown
};

class TOperate
{
public:
    virtual ~TOperate();
    TOperate(const TOperate&) = delete;
    TOperate& operator=(const TOperate&) = delete;

    // The stop request; the worker ends at its next check.
    void Terminate() { m_terminated.store(true); }
    bool Terminated() const { return m_terminated.load(); }
    // True once the worker has ended (port closed, busy flag cleared).
    bool Finished() const { return m_finished.load(); }
    OperateResult result() const { return m_result.load(); }
    void WaitFor();

protected:
    TOperate(OperateContext context, std::uint8_t mode);
    // The derived constructor starts the thread as its last step, so that the
    // thread never sees a half-built object; its destructor calls stopAndWait().
    void start();
    void stopAndWait();

    // The transfer; raises MessageError with the user's text on failure.
    virtual void Operation() = 0;

    std::uint8_t mode() const { return m_mode; }
    TComm32& port() { return m_context.port; }
    OperateState& state() { return m_context.state; }
    // Raises the stop signal when asked to stop.
    void checkStop() const;
    // One byte without a pause; "Ошибка передачи данных (001)" when it is not taken.
    void writeByte(std::uint8_t b);
    // Each byte after the byte interval, then one progress step per byte.
    void sendFrame(const std::vector<std::uint8_t>& frame);
    // Waits until exactly n bytes are queued and reads them; "Ошибка чтения блока данных".
    std::vector<std::uint8_t> waitReply(int n);
    // Publishes progress and waits until the window has taken it.
    void publish(int minimum, int position, int maximum, OperateStatus status);

private:
    void Execute();
    void setUpPort();
    void endByte();

    OperateContext m_context;
    OperateTimings m_timings;
    std::uint8_t m_mode;
    bool m_showResult = false;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_finished{false};
    std::atomic<OperateResult> m_result{OperateResult::Running};
    std::thread m_thread;
};

// An empty loader image: there is nothing to start the calculator's loader with.
class ENothingToLoad : public MessageError
{
public:
    using MessageError::MessageError;
};

class TSavePrg final : public TOperate
{
public:
    static constexpr std::uint8_t kConfigWrite = 255;

    // Starts at once. The images are copied: the window may rebuild its own while
    // the transfer runs.
    TSavePrg(OperateContext context, const LoaderImage& loader, const DeviceImage& image,
             std::uint8_t mode = kConfigWrite);
    ~TSavePrg() override;

private:
    void Operation() override;
    void programImage();
    void programPage(const ProgramPage& page);

    LoaderImage m_loader;
    DeviceImage m_image;
};

// The window's hold on its worker: the running operation and the shared state.
// At most one worker runs: a new one is started only after the last one has
// ended, so two never share Comm321 or the images.
class OperateRunner
{
public:
    OperateState& state() { return m_state; }
    bool busy() const { return m_state.busy(); }
    TOperate* running() const { return m_running.get(); }

    // Sets the busy flag and starts a configuration write; waits first for a
    // previous worker that was asked to stop.
    void startSavePrg(OperateContext context, const LoaderImage& loader, const DeviceImage& image);
    // The user chose to end the running write: it is asked to stop and the busy
    // flag is cleared at once; the worker closes its port when it notices.
    void stop();

private:
    OperateState m_state;
    std::unique_ptr<TOperate> m_running;
};

} // namespace vyn
