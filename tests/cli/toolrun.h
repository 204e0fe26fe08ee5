#pragma once
// Runs vyntool as the program it is and collects what it printed.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace vyn::test {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline ToolRun vyntool(const QStringList& args,
                       const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VYNTOOL_PATH), args);
    p.waitForFinished(30000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace vyn::test
