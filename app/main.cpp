// setvyn: the configurator's main program.

#include "sessionend.h"
#include "setvynapplication.h"
#include "tform1.h"

#include "ui/qttranslations.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("setvyn"));
    // The desktop shows the entry's icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.setvyn.Setvyn"));
    vyn::installQtRussianTranslations(app);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    // The program's own icon is an SVG; without Qt's SVG plugin a stock one stands in.
    const bool svg = QImageReader::supportedImageFormats().contains("svg");
    QApplication::setWindowIcon(
        svg ? QIcon::fromTheme(QStringLiteral("org.setvyn.Setvyn"),
                               QIcon::fromTheme(QStringLiteral("accessories-calculator")))
            : QIcon::fromTheme(QStringLiteral("accessories-calculator")));

    vyn::SetvynApplication program;
    const auto sessionEnd = program.watchSessionEnd();
    if (!program.start())
        return 1;
    program.mainWindow().show();
    const int rc = QApplication::exec();
    program.finish();
    return rc;
}
