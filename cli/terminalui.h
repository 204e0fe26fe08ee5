#pragma once
// The device commands on a terminal: messages on stdout/stderr, questions
// answered on stdin (or by --yes), the progress bar as one line.

#include "link/devicecommands.h"
#include "model/userdialogs.h"

namespace vyntool {

class TerminalStatus;

class TerminalDialogs : public vyn::UserDialogs
{
public:
    // The status' progress line is ended before anything is shown.
    TerminalDialogs(bool assumeYes, TerminalStatus& status)
        : m_assumeYes(assumeYes), m_status(status)
    {
    }

    // Information on stdout, warnings and errors on stderr.
    void inform(const QString& text, const QString& caption, vyn::MessageKind kind) override;
    // --yes answers Yes; otherwise the answer is read from stdin (No at its end).
    bool ask(const QString& text, const QString& caption, bool defaultYes) override;
    // Not offered on a terminal: cancelled.
    std::optional<QString> askText(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    QString chooseOpenFile(const vyn::FileChoice&) override { return {}; }
    QString chooseSaveFile(const vyn::FileChoice&) override { return {}; }

private:
    bool m_assumeYes;
    TerminalStatus& m_status;
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
