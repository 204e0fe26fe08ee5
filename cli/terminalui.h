#pragma once
// The device commands on a terminal: messages on stdout/stderr, questions
// answered on stdin (or by --yes), the progress bar as one line.

#include "link/devicecommands.h"
#include "model/userdialogs.h"

#include <functional>

namespace vyntool {

class TerminalStatus;

// Waits for a line on stdin (Enter); false at its end or once stop turns true.
bool waitForEnter(const std::function<bool()>& stop);

class TerminalDialogs : public vyn::UserDialogs
{
public:
    // The status' progress line is ended before anything is shown.
    TerminalDialogs(bool assumeYes, TerminalStatus& status)
        : m_assumeYes(assumeYes), m_status(status)
    {
    }

    // Information on stdout (on stderr when stdout is kept for --json), warnings
    // and errors on stderr.
    void inform(const QString& text, const QString& caption, vyn::MessageKind kind) override;
    // --yes answers Yes; otherwise the answer is read from stdin (No at its end,
    // and No when stopRequested turns true while waiting).
    bool ask(const QString& text, const QString& caption, bool defaultYes) override;
    // Not offered on a terminal: cancelled.
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString chooseOpenFile(const vyn::FileChoice&) override { return {}; }
    QString chooseSaveFile(const vyn::FileChoice&) override { return {}; }

    void keepStdoutForJson() { m_infoToStderr = true; }
    void setStopRequested(std::function<bool()> stopRequested)
    {
        m_stopRequested = std::move(stopRequested);
    }
    // The last warning or error shown, without caption.
    QString lastError() const { return m_lastError; }

private:
    bool m_assumeYes;
    TerminalStatus& m_status;
    bool m_infoToStderr = false;
    std::function<bool()> m_stopRequested;
    QString m_lastError;
};

// Progress as "Запись конфигурации: n/137" rewritten in place on stderr, when
// stderr is a terminal.
class TerminalStatus : public vyn::CommandStatus
{
public:
    void SetProgressBarMax(int n) override;
    void IncrementProgressBar() override;
    void ResetProgressBar() override;
    void showWaiting() override;
    void hideWaiting() override {}
    void showDeviceVersion(int version) override;
    // Ends a progress line so that the next output starts on its own line.
    void endLine();

private:
    void draw();

    vyn::ProgressCounter m_bar;
    bool m_shown = false;    // a maximum was set: the bar is visible
    bool m_lineOpen = false; // the progress line has no newline yet
};

} // namespace vyntool
