#include "cliutil.h"
#include "commands.h"

namespace vyntool {

int runImage(const QStringList& args)
{
    QCommandLineParser parser;
    if (!parseCommand(parser, args, QStringLiteral("image")))
        return ExitOk;
    throw Failure(QStringLiteral("not built yet"));
}

} // namespace vyntool
