#include "cliutil.h"
#include "commands.h"

namespace vyntool {

int runAlt(const QStringList& args)
{
    QCommandLineParser parser;
    if (!parseCommand(parser, args, QStringLiteral("alt")))
        return ExitOk;
    throw Failure(QStringLiteral("not built yet"));
}

} // namespace vyntool
