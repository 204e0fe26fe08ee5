// VynData: the alternative-days editor as a program of its own. It reads no
// settings and writes only the files the user saves.

#include "altdays/altdayswindow.h"
#include "ui/qttranslations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // No display name: the window's own title carries the file name, and Qt
    // would append the display name to it.
    QApplication::setApplicationName(QStringLiteral("VynData"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.setvyn.VynData"));
    vyn::installQtRussianTranslations(app);

    vyn::AltDaysWindow window(vyn::AltDayEditorSettings::vynData());
    window.show();
    return QApplication::exec();
}
