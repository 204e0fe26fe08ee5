// setvyn: the configurator's main program.

#include "setvynapplication.h"
#include "tform1.h"

#include "ui/qttranslations.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("setvyn"));
    vyn::installQtRussianTranslations(app);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("accessories-calculator")));

    vyn::SetvynApplication program;
    if (!program.start())
        return 1;
    program.mainWindow().show();
    const int rc = QApplication::exec();
    program.finish();
    return rc;
}
