#include "terminalui.h"

#include "cliutil.h"

#include <cstdio>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace vyntool {

namespace {

// The calculators' texts break lines with "\n\r"; a terminal wants "\n".
QString terminalText(const QString& caption, const QString& text)
{
    QString out = text;
    out.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return caption.isEmpty() ? out : caption + QStringLiteral(": ") + out;
}

} // namespace

// One line of stdin without its line end; none at its end or when stop turns true.
static std::optional<QByteArray> readAnswerLine(const std::function<bool()>& stop)
{
    QByteArray line;
    for (;;) {
        if (stop && stop())
            return std::nullopt;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0)
            return line.isEmpty() ? std::nullopt : std::optional<QByteArray>(line);
        if (c == '\n')
            return line;
        line += c;
    }
}

bool waitForEnter(const std::function<bool()>& stop)
{
    return readAnswerLine(stop).has_value();
}

void TerminalDialogs::inform(const QString& text, const QString& caption, vyn::MessageKind kind)
{
    m_status.endLine();
    if (kind == vyn::MessageKind::Information) {
        if (m_infoToStderr)
            printErr(terminalText(caption, text));
        else
            printOut(terminalText(caption, text));
    } else {
        m_lastError = terminalText(QString(), text);
        printErr(terminalText(caption, text));
    }
}

bool TerminalDialogs::ask(const QString& text, const QString& caption, bool defaultYes)
{
    m_status.endLine();
    const QString question = terminalText(caption, text);
    if (m_assumeYes) {
        printErr(question + QStringLiteral(" да (--yes)"));
        return true;
    }
    const QByteArray prompt =
        (question + (defaultYes ? QStringLiteral(" [Д/н] ") : QStringLiteral(" [д/Н] "))).toUtf8();
    std::fwrite(prompt.constData(), 1, static_cast<std::size_t>(prompt.size()), stderr);
    std::fflush(stderr);
    const std::optional<QByteArray> line = readAnswerLine(m_stopRequested);
    if (!line) {
        printErr(QStringLiteral("нет"));
        return false;
    }
    const QString answer = QString::fromUtf8(*line).trimmed().toLower();
    if (answer.isEmpty())
        return defaultYes;
    return answer == QLatin1String("y") || answer == QLatin1String("yes") ||
           answer == QStringLiteral("д") || answer == QStringLiteral("да");
}

void TerminalStatus::SetProgressBarMax(int n)
{
    m_bar.SetProgressBarMax(n);
    m_shown = true;
    draw();
}

void TerminalStatus::IncrementProgressBar()
{
    m_bar.IncrementProgressBar();
    draw();
}

void TerminalStatus::ResetProgressBar()
{
    m_bar.ResetProgressBar();
    endLine();
}

void TerminalStatus::showWaiting()
{
    endLine();
    printErr(QStringLiteral("ждите..."));
}

void TerminalStatus::showDeviceVersion(int version)
{
    endLine();
    printErr(QStringLiteral("Версия прибора: %1").arg(version));
}

void TerminalStatus::draw()
{
    // A log gets no line of carriage returns.
    if (!m_shown || !::isatty(STDERR_FILENO))
        return;
    const QByteArray line = QStringLiteral("\rЗапись конфигурации: %1/%2")
                                .arg(m_bar.position())
                                .arg(m_bar.maximum())
                                .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    m_lineOpen = true;
}

void TerminalStatus::endLine()
{
    if (m_lineOpen)
        std::fputc('\n', stderr);
    m_lineOpen = false;
}

} // namespace vyntool
