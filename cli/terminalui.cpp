#include "terminalui.h"

#include "cliutil.h"

#include <QTextStream>
#include <cstdio>
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

void TerminalDialogs::inform(const QString& text, const QString& caption, vyn::MessageKind kind)
{
    m_status.endLine();
    if (kind == vyn::MessageKind::Information)
        printOut(terminalText(caption, text));
    else
        printErr(terminalText(caption, text));
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
    QTextStream in(stdin);
    QString answer;
    if (!in.readLineInto(&answer)) {
        printErr(QStringLiteral("нет"));
        return false;
    }
    answer = answer.trimmed().toLower();
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
