// setvyn: the configurator's main program.

#include "sessionend.h"
#include "setvynapplication.h"
#include "tform1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("setvyn"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("accessories-calculator")));

    vyn::SetvynApplication program;
    // Logout, shutdown or a closed terminal end the program as its window's close does.
    vyn::SessionEndWatcher sessionEnd([&program](int) { program.endSession(); });
    if (!program.start())
        return 1;
    program.mainWindow().show();
    const int rc = QApplication::exec();
    program.finish();
    return rc;
}
